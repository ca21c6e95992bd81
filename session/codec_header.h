#pragma once

#include <string>

namespace orvelle {

// The C header a codec plug-in implements: 18 lines, CR LF line ends on every
// platform. The file appears whole or not at all. Returns false if it cannot
// be written, with the reason (naming the file) in `reason` when given.
bool writeCodecHeader(const std::string& path, std::string* reason = nullptr);

// The header's exact bytes, as written by writeCodecHeader.
std::string codecHeaderText();

}  // namespace orvelle
