#include "platform/install_layout.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/scratch_directory.h"

namespace orvelle::platform {
namespace {

namespace fs = std::filesystem;

void placeHost(const fs::path& host) {
  fs::create_directories(host.parent_path());
  std::ofstream(host) << "#!/bin/sh\n";
  fs::permissions(host, fs::perms::owner_all);
}

// A program and a module loaded from the Python folder both find the parts
// of the tree they sit in, wherever that tree is; a build tree likewise.
TEST(InstallLayout, FindsTheTreeAroundTheCodeWhereverItIs) {
  const test::ScratchDirectory scratch;
  const fs::path installed = scratch.path() / "moved prefix";
  placeHost(installed / "libexec/orvelle/orvelle-plugin-host");
  const InstallLayout fromProgram = findInstallLayout(installed / "bin");
  EXPECT_EQ(fromProgram.pluginHost, installed / "libexec/orvelle/orvelle-plugin-host");
  EXPECT_EQ(fromProgram.bundledPlugins, installed / "lib/orvelle/plugins");
  EXPECT_EQ(fromProgram.speech, installed / "share/orvelle/speech");
  EXPECT_EQ(findInstallLayout(installed / "lib/python3/dist-packages/orvelle").pluginHost, fromProgram.pluginHost);

  const fs::path build = scratch.path() / "build";
  placeHost(build / "plugin_host/orvelle-plugin-host");
  const InstallLayout fromTests = findInstallLayout(build / "tests");
  EXPECT_EQ(fromTests.pluginHost, build / "plugin_host/orvelle-plugin-host");
  EXPECT_EQ(fromTests.bundledPlugins, build / "plugins");
  EXPECT_EQ(fromTests.speech, build / "speech");
}

}  // namespace
}  // namespace orvelle::platform
