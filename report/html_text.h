#pragma once

#include <string>
#include <string_view>

namespace orvelle::report {

// Text and attribute values made safe to place in HTML or SVG: &, <, >, "
// and ' become character references.
std::string escapeHtml(std::string_view text);

// A double written so that reading it back gives the same double (the
// shortest such form), whatever the locale; "null" for NaN or infinity, as
// the JSON output writes a missing number.
std::string exactNumber(double value);

// A double with `decimals` digits after the point, whatever the locale.
std::string fixedNumber(double value, int decimals);

}  // namespace orvelle::report
