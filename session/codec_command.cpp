#include "session/codec_command.h"

#include <limits>

namespace orvelle {

namespace {

constexpr const char* kFramePrefix = "frame=";

struct Placeholder {
  const char* name;
  std::string CommandFiles::*file;  // null for {frame}
};

// Longer names first, so that "{in.wav}" is never taken for "{in}" and more.
constexpr Placeholder kPlaceholders[] = {
    {"{in.wav}", &CommandFiles::wavInput},   {"{out.wav}", &CommandFiles::wavOutput},
    {"{in}", &CommandFiles::rawInput},       {"{out}", &CommandFiles::rawOutput},
    {"{frame}", nullptr},
};

bool mentions(const std::string& line, const char* placeholder) { return line.find(placeholder) != std::string::npos; }

bool refuse(const std::string& name, const std::string& why, std::string* error) {
  *error = name + ": " + why;
  return false;
}

bool isLiteralInShell(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' || c == '.' ||
         c == '_' || c == '-' || c == '+' || c == ',' || c == ':' || c == '@' || c == '%';
}

}  // namespace

bool isCodecCommand(const std::string& name) { return name.rfind(kCodecCommandPrefix, 0) == 0; }

bool parseCodecCommand(const std::string& name, CodecCommand* command, std::string* error) {
  std::string rest = name.substr(std::string(kCodecCommandPrefix).size());
  CodecCommand parsed;
  if (rest.rfind(kFramePrefix, 0) == 0) {
    const std::size_t start = std::string(kFramePrefix).size();
    const std::size_t colon = rest.find(':');
    const std::string digits = rest.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    long long size = 0;
    bool valid = colon != std::string::npos && !digits.empty() && digits.size() <= 10;
    for (char c : digits) {
      valid = valid && c >= '0' && c <= '9';
      if (valid) size = size * 10 + (c - '0');
    }
    if (!valid || size <= 0 || size > std::numeric_limits<std::int32_t>::max()) {
      return refuse(name, "frame=N: needs a positive whole number of samples and a colon after it, as in frame=320:",
                    error);
    }
    parsed.frameSize = static_cast<std::int32_t>(size);
    rest = rest.substr(colon + 1);
  }
  parsed.line = rest;
  parsed.rawInput = mentions(rest, "{in}");
  parsed.wavInput = mentions(rest, "{in.wav}");
  const bool rawOutput = mentions(rest, "{out}");
  parsed.wavOutput = mentions(rest, "{out.wav}");
  if (!parsed.rawInput && !parsed.wavInput) {
    return refuse(name, "the command reads no input: name it {in} (headerless 16-bit samples) or {in.wav}", error);
  }
  if (rawOutput == parsed.wavOutput) {
    return refuse(name,
                  rawOutput ? "the command names both {out} and {out.wav}; it writes one of them"
                            : "the command writes no output: name it {out} (headerless 16-bit samples) or {out.wav}",
                  error);
  }
  *command = parsed;
  return true;
}

CommandFiles commandFilesIn(const std::string& folder) {
  return {folder + "/in.pcm", folder + "/in.wav", folder + "/out.pcm", folder + "/out.wav"};
}

std::string commandLineFor(const CodecCommand& command, const CommandFiles& files) {
  std::string line;
  std::size_t at = 0;
  while (at < command.line.size()) {
    const Placeholder* found = nullptr;
    if (command.line[at] == '{') {
      for (const Placeholder& placeholder : kPlaceholders) {
        if (command.line.compare(at, std::char_traits<char>::length(placeholder.name), placeholder.name) == 0) {
          found = &placeholder;
          break;
        }
      }
    }
    if (found == nullptr) {
      line += command.line[at++];
      continue;
    }
    line += found->file ? shellWord(files.*(found->file)) : std::to_string(command.frameSize);
    at += std::char_traits<char>::length(found->name);
  }
  return line;
}

std::string shellWord(const std::string& text) {
  bool literal = !text.empty();
  for (char c : text) literal = literal && isLiteralInShell(c);
  if (literal) return text;
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace orvelle
