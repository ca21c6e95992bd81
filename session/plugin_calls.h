#pragma once

#include <cstdint>
#include <string>

#include "platform/progress_counter.h"
#include "session/codec_library.h"

namespace orvelle {

// Every call into plug-in code goes through these: whatever the plug-in
// raises is caught here and turned into a failure with a reason. A plug-in
// that is not loaded is a failure too, never a call through an empty entry.

// Asks the plug-in for its frame size; fails if it raises or reports a size
// that cannot divide a signal into frames (0 or less).
bool queryFrameSize(const CodecLibrary& codec, const std::string& path, std::int32_t* frameSize,
                    std::string* error);

// Codes and decodes `count` samples of `input` into `output`; the plug-in
// counts its frames in `frames`.
bool runCodec(const CodecLibrary& codec, const std::string& path, std::int16_t* input, std::int16_t* output,
              std::int32_t count, ProgressCounter* frames, std::string* error);

}  // namespace orvelle
