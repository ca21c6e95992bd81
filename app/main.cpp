#include <cstdio>
#include <string>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/orvelle_application.h"
#include "app/qt_user_prompts.h"
#include "app/splash_window.h"
#include "kernels/kernel_path.h"
#include "platform/startup_directory.h"
#include "platform/termination.h"
#include "session/test_session.h"

namespace {
constexpr int kSplashMs = 3000;
}

int main(int argc, char** argv) {
  if (const std::string information = orvelle::informationRequested(argc, argv); !information.empty()) {
    std::fputs(information.c_str(), stdout);
    return 0;
  }
  // Before Qt starts any thread, which would inherit the blocked signals: the
  // program ended by a signal or by its session during a run ends its
  // plug-in hosts with all they started and leaves no half-written file.
  orvelle::platform::handleTerminationSignals();
  // A kernel path asked for that cannot be had is refused before any
  // window opens, as the command line refuses it.
  if (const std::string refusal = orvelle::kernelChoiceRefusal(); !refusal.empty()) {
    std::fprintf(stderr, "orvelle: %s\n", refusal.c_str());
    return 2;
  }
  // Read before Qt sees the arguments: Qt removes the options it knows.
  const std::string commandLine = orvelle::joinCommandLine(argc, argv);
  static orvelle::TestSession session;

  orvelle::OrvelleApplication app(argc, argv);
  QApplication::setApplicationName("Orvelle");
  QApplication::setQuitOnLastWindowClosed(false);

  if (!orvelle::suppressesSplash(commandLine)) orvelle::showSplashFor(kSplashMs);

  orvelle::QtFileChooser files;
  orvelle::QtMessageBoxes boxes;
  orvelle::MainWindow window(session, files, boxes);
  // Recorded once, before any command can run; the measurement log lives
  // there even if the current directory changes later.
  orvelle::platform::setStartupDirectory(orvelle::platform::currentDirectoryWithSeparator());
  window.exec();
  return 0;
}
