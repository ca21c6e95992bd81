#pragma once

#include <QWidget>

namespace orvelle {

// The start-up picture: a frameless window that holds only the picture.
class SplashWindow : public QWidget {
  Q_OBJECT
 public:
  SplashWindow();
};

// Shows the splash for `milliseconds`, painting it whenever the window
// system asks, then removes it.
void showSplashFor(int milliseconds);

}  // namespace orvelle
