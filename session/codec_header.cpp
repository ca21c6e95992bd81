#include "session/codec_header.h"

#include <array>

#include "platform/atomic_output_file.h"

namespace orvelle {

namespace {

// The twelve pieces of the published header, in order. The export annotation
// is the build platform's own: a plug-in must be compiled by the same kind of
// toolchain that reads this header.
#if defined(_WIN32)
#define ORVELLE_EXPORT_ANNOTATION "__declspec(dllexport)"
#else
#define ORVELLE_EXPORT_ANNOTATION "__attribute__((visibility(\"default\")))"
#endif

constexpr std::array<const char*, 12> kHeaderPieces = {
    "#ifndef __STD_CODEC_HEADER__\n",
    "#define __STD_CODEC_HEADER__ 1\n\n",
    "#define STDVOCODER_DLL_API " ORVELLE_EXPORT_ANNOTATION "\n\n",
    "extern \"C\"\n{\n",
    "// Returns the size of frame\n",
    "STDVOCODER_DLL_API int GetFrameSize(void);\n\n",
    "// Codes and decodes the entrance data pInData.\n",
    "// The result is located in pOutData.\n",
    "// dDataSize - the size of the data.\n",
    "// pFrameNum - the counter processed frames.\n",
    "STDVOCODER_DLL_API long CodeAndDeCode(short * pInData, short * pOutData, long dDataSize, long * pFrameNum);\n",
    "}\n\n#endif\n",
};

#undef ORVELLE_EXPORT_ANNOTATION

}  // namespace

std::string codecHeaderText() {
  // The header is a text file in the DOS convention: every line ends in CR LF,
  // whatever platform writes it.
  std::string text;
  for (const char* piece : kHeaderPieces) {
    for (const char* c = piece; *c; ++c) {
      if (*c == '\n') text += '\r';
      text += *c;
    }
  }
  return text;
}

bool writeCodecHeader(const std::string& path, std::string* reason) {
  platform::AtomicOutputFile file;
  const std::string text = codecHeaderText();
  if (file.open(path) && file.write(text.data(), text.size()) && file.commit()) return true;
  if (reason != nullptr) *reason = file.failureReason();
  return false;
}

}  // namespace orvelle
