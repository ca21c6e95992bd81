/*
 * The contract between Orvelle and a codec plug-in: a shared library that
 * exports these two functions with C linkage. Compiles as C and as C++.
 *
 * Orvelle calls GetFrameSize once before any coding (a positive frame size
 * in samples), then CodeAndDeCode once with the whole input: it encodes and
 * decodes dDataSize samples (8000 Hz, 16-bit, mono) from pInData into the
 * zero-filled pOutData, and adds one to *pFrameNum after each frame it has
 * finished, which another thread reads to show progress. The return value
 * is not used. The last frame of the input is silence.
 */
#ifndef ORVELLE_CODEC_PLUGIN_H
#define ORVELLE_CODEC_PLUGIN_H

#if defined(__GNUC__) || defined(__clang__)
#define ORVELLE_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define ORVELLE_PLUGIN_EXPORT
#endif

/* The name the header written by "orvelle-cli header" uses, so that a
   plug-in written against either header builds against both. */
#ifndef STDVOCODER_DLL_API
#define STDVOCODER_DLL_API ORVELLE_PLUGIN_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The codec's frame size in samples. */
ORVELLE_PLUGIN_EXPORT int GetFrameSize(void);

/* Codes and decodes the entrance data pInData.
   The result is located in pOutData.
   dDataSize - the size of the data.
   pFrameNum - the counter processed frames. */
ORVELLE_PLUGIN_EXPORT long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum);

#ifdef __cplusplus
}
#endif

#endif /* ORVELLE_CODEC_PLUGIN_H */
