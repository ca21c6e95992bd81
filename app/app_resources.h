#pragma once

namespace orvelle {

// Registers the program's pictures. They are compiled into a static library,
// whose registration the linker would otherwise drop; every window that shows
// a picture calls this first. Safe to call any number of times.
void loadAppResources();

}  // namespace orvelle
