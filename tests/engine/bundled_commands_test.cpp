#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "engine/plugin_catalog.h"

namespace orvelle {
namespace {

bool has(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(BundledCommands, ANameTakesItsCommandOnlyWhileItsProgramsAreInstalled) {
  // sox and opus-tools are among the build's dependencies.
  const std::vector<std::string> names = engine::bundledCodecNames();
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  for (const char* name : {"passthrough", "sox_g711a", "opusenc_8k", "opusenc_16k"}) {
    EXPECT_TRUE(has(names, name)) << name;
  }
  EXPECT_EQ(engine::locatePlugin("sox_g711a").rfind("cmd:sox -D ", 0), 0u);
  // A command's slashes and words are its own; it is never taken for a path.
  EXPECT_EQ(engine::locatePlugin("cmd:/usr/bin/cp {in} {out}"), "cmd:/usr/bin/cp {in} {out}");

  const std::string path = std::getenv("PATH");
  setenv("PATH", "/nonexistent", 1);
  const std::vector<std::string> without = engine::bundledCodecNames();
  const std::string located = engine::locatePlugin("sox_g711a");
  setenv("PATH", path.c_str(), 1);
  EXPECT_TRUE(has(without, "passthrough"));
  EXPECT_FALSE(has(without, "sox_g711a"));
  EXPECT_FALSE(has(without, "opusenc_8k"));
  EXPECT_EQ(located, "sox_g711a");
}

}  // namespace
}  // namespace orvelle
