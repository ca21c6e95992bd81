#pragma once

#include <cstdint>
#include <string>

#include "session/plugin_call_control.h"

namespace orvelle {

// The memory limit for plug-in code working over `bufferBytes` of sample
// buffers: the one `control` sets, else 4 GiB or sixteen times the buffers
// (in whole MiB), whichever is larger. Generous, so that only runaway code
// meets it: a machine shared with others is spared the kernel's choice of a
// process to kill.
std::int64_t memoryLimitFor(const PluginCallControl* control, std::int64_t bufferBytes);

// "512 MiB", "4 GiB", or the bytes when no unit divides them.
std::string memoryText(std::int64_t bytes);

}  // namespace orvelle
