#include "platform/install_layout.h"

#include <link.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <system_error>

namespace orvelle::platform {

namespace fs = std::filesystem;

namespace {

constexpr const char* kHostName = "orvelle-plugin-host";
constexpr const char* kCommandHostName = "orvelle-command-host";
// The installed Python module sits four folders below its prefix
// (lib/python3/dist-packages/orvelle/); programs sit one below (bin/).
constexpr int kFoldersSearchedUpwards = 4;

InstallLayout installedLayout(const fs::path& root) {
  const fs::path hosts = root / "libexec" / "orvelle";
  return {hosts / kHostName, hosts / kCommandHostName, root / "lib" / "orvelle" / "plugins",
          root / "share" / "orvelle" / "speech"};
}

InstallLayout buildLayout(const fs::path& root) {
  return {root / "plugin_host" / kHostName, root / "plugin_host" / kCommandHostName, root / "plugins",
          root / "speech"};
}

bool isProgram(const fs::path& path) { return access(path.c_str(), X_OK) == 0 && !fs::is_directory(path); }

// The file this code was loaded from: the program itself, or the shared
// module (the Python extension) that carries it. The main program's entry has
// no name; /proc/self/exe is exact for it.
struct CodeSearch {
  std::uintptr_t address;
  std::string file;
  bool found;
};

int findObjectHolding(dl_phdr_info* info, std::size_t, void* data) {
  auto* search = static_cast<CodeSearch*>(data);
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD) continue;
    const std::uintptr_t start = info->dlpi_addr + segment.p_vaddr;
    if (search->address >= start && search->address < start + segment.p_memsz) {
      search->file = info->dlpi_name != nullptr ? info->dlpi_name : "";
      search->found = true;
      return 1;
    }
  }
  return 0;
}

fs::path codeFile() {
  static const int anchor = 0;
  CodeSearch search{reinterpret_cast<std::uintptr_t>(&anchor), {}, false};
  dl_iterate_phdr(findObjectHolding, &search);
  if (search.found && !search.file.empty()) return fs::absolute(search.file);
  return fs::read_symlink("/proc/self/exe");
}

}  // namespace

InstallLayout findInstallLayout(const fs::path& codeFolder) {
  fs::path folder = codeFolder;
  for (int level = 0; level <= kFoldersSearchedUpwards; ++level) {
    for (const InstallLayout& candidate : {installedLayout(folder), buildLayout(folder)}) {
      if (isProgram(candidate.pluginHost)) return candidate;
    }
    if (!folder.has_relative_path()) break;
    folder = folder.parent_path();
  }
  return installedLayout(codeFolder.parent_path());
}

const InstallLayout& installLayout() {
  static const InstallLayout layout = [] {
    try {
      return findInstallLayout(codeFile().parent_path());
    } catch (const fs::filesystem_error&) {
      return findInstallLayout(fs::current_path());
    }
  }();
  return layout;
}

}  // namespace orvelle::platform
