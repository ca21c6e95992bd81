#pragma once

#include <cstdint>
#include <string>

namespace orvelle {

// A codec given as a shell command line instead of a plug-in library:
// "cmd:[frame=N:]COMMAND". The command reads the speech from {in}
// (headerless 16-bit 8000 Hz mono samples) or {in.wav} and writes what it
// decoded to {out} or {out.wav}; {frame} is the frame size (160 unless
// frame=N: says otherwise), which sizes the buffers as a plug-in's
// GetFrameSize does.
inline constexpr const char* kCodecCommandPrefix = "cmd:";
inline constexpr std::int32_t kDefaultCommandFrameSize = 160;

bool isCodecCommand(const std::string& name);

struct CodecCommand {
  std::string line;  // the command line with its placeholders
  std::int32_t frameSize = kDefaultCommandFrameSize;
  bool wavOutput = false;  // {out.wav} rather than {out}
  bool rawInput = false;   // {in}
  bool wavInput = false;   // {in.wav}
};

// Parses "cmd:..."; false with a reason naming it when the frame size is
// not a positive whole number, or the command reads no input or writes not
// exactly one output.
bool parseCodecCommand(const std::string& name, CodecCommand* command, std::string* error);

// The files of one run in `folder`, by their placeholders.
struct CommandFiles {
  std::string rawInput, wavInput, rawOutput, wavOutput;
};
CommandFiles commandFilesIn(const std::string& folder);

// The command line with every placeholder replaced by its file's path (or
// the frame size), each path quoted for the shell where it needs it.
std::string commandLineFor(const CodecCommand& command, const CommandFiles& files);

// `text` as one word of a shell command line: as it stands when it holds
// only characters the shell takes literally, else in single quotes.
std::string shellWord(const std::string& text);

}  // namespace orvelle
