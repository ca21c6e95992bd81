#include <cstdlib>

#include <gtest/gtest.h>

#include "app/orvelle_application.h"
#include "platform/startup_directory.h"
#include "tests/support/scratch_directory.h"

// Qt's libraries are not built with ThreadSanitizer, so it cannot see their
// internal locking and takes Qt's own allocations, handed between threads,
// for races. Ignoring what uninstrumented code does still checks every access
// our code makes, and synchronisation is tracked as before. Read by the
// sanitizer runtime at start-up; unused in other builds.
extern "C" __attribute__((used, visibility("default"))) const char* __tsan_default_options() {
  return "ignore_noninstrumented_modules=1";
}

int main(int argc, char** argv) {
  // Test discovery runs this program at build time, where no environment
  // property applies; the windows never need a display.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // The program's own application object: the windows run under the same
  // locale settings as in the program.
  orvelle::OrvelleApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  // Measurement logs of tests that do not choose a folder of their own land
  // here, never in the folder the tests run from.
  orvelle::test::ScratchDirectory scratch;
  orvelle::platform::setStartupDirectory(scratch.prefix());
  return RUN_ALL_TESTS();
}
