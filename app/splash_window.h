#pragma once

#include <QWidget>

namespace orvelle {

// The start-up picture: a frameless window that holds only the picture.
class SplashWindow : public QWidget {
  Q_OBJECT
 public:
  SplashWindow();
};

// Shows the splash, paints it completely at once, keeps it on screen for
// `milliseconds` without servicing it, then removes it.
void showSplashFor(int milliseconds);

}  // namespace orvelle
