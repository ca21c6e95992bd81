#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvelle::engine {

// Codecs that ship as command lines over programs of the system (opus-tools,
// sox), each offered by its bare name, as a bundled plug-in is, when all its
// programs are installed.

// The command ("cmd:...") of the bundled command `name`, when its programs
// are installed.
std::optional<std::string> bundledCommand(const std::string& name);

// The bundled commands whose programs are installed, by name.
std::vector<std::string> bundledCommandNames();

}  // namespace orvelle::engine
