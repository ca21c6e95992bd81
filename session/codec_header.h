#pragma once

#include <string>

namespace orvelle {

// The C header a codec plug-in implements: 18 lines, CR LF line ends on every
// platform. Returns false if the file cannot be created or fully written.
bool writeCodecHeader(const std::string& path);

// The header's exact bytes, as written by writeCodecHeader.
std::string codecHeaderText();

}  // namespace orvelle
