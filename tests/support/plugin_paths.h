#pragma once

#include <string>

namespace orvelle::test {

// A plug-in that ships with the program.
inline std::string bundledPlugin(const std::string& name) { return std::string(ORVELLE_PLUGIN_DIR) + "/" + name + ".so"; }

// A plug-in built only for the tests' failure paths.
inline std::string testPlugin(const std::string& name) { return std::string(ORVELLE_TEST_PLUGIN_DIR) + "/" + name + ".so"; }

}  // namespace orvelle::test
