#include "platform/dynamic_library.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace orvelle::platform {

LibraryHandle loadLibrary(const std::string& path, std::string* error) {
  if (path.empty()) {
    if (error) *error = "no library path given";
    return nullptr;
  }
  // dlopen("") would hand back the program itself, and dlopen of a directory
  // fails with a confusing message; refuse both before asking the loader.
  struct stat info {};
  if (path.find('/') != std::string::npos && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    if (error) *error = path + ": is a directory";
    return nullptr;
  }
  dlerror();
  LibraryHandle handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle && error) {
    const char* reason = dlerror();
    *error = reason ? reason : path + ": cannot be loaded";
  }
  return handle;
}

void* findSymbol(LibraryHandle handle, const char* name) {
  if (!handle) return nullptr;
  return dlsym(handle, name);
}

void unloadLibrary(LibraryHandle handle) {
  if (handle) dlclose(handle);
}

}  // namespace orvelle::platform
