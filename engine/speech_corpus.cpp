#include "engine/speech_corpus.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/program_folder.h"

namespace orvelle::engine {

namespace fs = std::filesystem;

namespace {

// Next to the program first, as the plug-ins are, then where this build put it.
fs::path speechDirectory() {
  const fs::path program = platform::programFolder();
  if (!program.empty()) {
    std::error_code error;
    const fs::path beside = program.parent_path() / "speech";
    if (fs::is_directory(beside, error)) return beside;
  }
  return ORVELLE_SPEECH_DIR;
}

}  // namespace

SpeechCorpus bundledSpeechCorpus() {
  SpeechCorpus corpus;
  const fs::path directory = speechDirectory();
  const fs::path list = directory / "corpus.txt";
  std::ifstream names(list);
  if (!names) {
    corpus.unavailable = "The bundled speech corpus is not available: " + list.string() +
                         " is missing. The build generates it when espeak-ng and sox are installed "
                         "(apt-get install espeak-ng sox, then build again).";
    return corpus;
  }
  std::string name;
  while (std::getline(names, name)) {
    if (name.empty()) continue;
    // The list names files in its own folder, nothing else.
    if (name.find('/') != std::string::npos) {
      corpus.files.clear();
      corpus.unavailable = "The bundled speech corpus list " + list.string() + " names \"" + name +
                           "\", which is not a file of its folder";
      return corpus;
    }
    corpus.files.push_back((directory / name).string());
  }
  if (corpus.files.empty()) corpus.unavailable = "The bundled speech corpus list " + list.string() + " names no file";
  return corpus;
}

}  // namespace orvelle::engine
