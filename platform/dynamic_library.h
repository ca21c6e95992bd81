#pragma once

#include <string>

namespace orvelle::platform {

// The library services a plug-in loader needs: load a file by path (or a bare
// name searched in the system's usual places), find an exported symbol by its
// exact name, and drop one reference again.
using LibraryHandle = void*;

// Returns nullptr on any failure; `error` (if given) receives the loader's reason.
LibraryHandle loadLibrary(const std::string& path, std::string* error = nullptr);
void* findSymbol(LibraryHandle handle, const char* name);
void unloadLibrary(LibraryHandle handle);

}  // namespace orvelle::platform
