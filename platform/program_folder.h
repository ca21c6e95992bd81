#pragma once

#include <filesystem>
#include <string>

namespace orvelle::platform {

// The folder the running program's parts (the plug-in host, the bundled
// plug-ins and speech) are found from: the executable's own folder, unless
// a library loaded into another program (the Python module, inside the
// interpreter) has named the folder it brought them in. Empty when neither
// is known.
std::filesystem::path programFolder();

// Names that folder for the rest of the process; set once, before any job
// runs.
void setProgramFolder(const std::string& folder);

}  // namespace orvelle::platform
