#pragma once

#include <cstdint>
#include <string>

#include "platform/progress_counter.h"
#include "session/codec_library.h"
#include "session/plugin_call_control.h"
#include "session/sample_buffer.h"

namespace orvelle {

// Every call into plug-in code goes through these: whatever the plug-in
// raises, and whatever it does to its host process, is turned into a failure
// with a reason. A plug-in that is not loaded is a failure too, never a call
// through an empty entry.

// Asks the plug-in for its frame size; fails if it raises or reports a size
// that cannot divide a signal into frames (0 or less).
bool queryFrameSize(const CodecLibrary& codec, const std::string& path, const PluginCallControl& control,
                    std::int32_t* frameSize, std::string* error);

// Codes and decodes `count` samples of `input` into `output`; the plug-in
// counts its frames in `frames`, of `frameTotal` expected.
bool runCodec(const CodecLibrary& codec, const std::string& path, const PluginCallControl& control,
              const SampleBuffer& input, const SampleBuffer& output, std::int32_t count, ProgressCounter* frames,
              long frameTotal, std::string* error);

}  // namespace orvelle
