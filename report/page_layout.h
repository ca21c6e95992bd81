#pragma once

#include <string>

namespace orvelle::report {

// The opening of a report page, up to and including <main>, with its title
// and the one style sheet every page shares; and the page's end.
std::string pageStart(const std::string& title);
std::string pageEnd();

// A table cell showing `shown` that keeps `value` exactly, under `field`.
std::string valueCell(const std::string& field, double value, const std::string& shown);

}  // namespace orvelle::report
