#pragma once

#include <string>
#include <vector>

namespace orvelle::engine {

// The voice files of the speech corpus that the build generates, in the
// order of its list; empty, with `unavailable` saying why, when the corpus
// was not built.
struct SpeechCorpus {
  std::vector<std::string> files;
  std::string unavailable;
};

SpeechCorpus bundledSpeechCorpus();

}  // namespace orvelle::engine
