#include "app/splash_window.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "app/app_resources.h"

namespace orvelle {

SplashWindow::SplashWindow() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
  loadAppResources();
  setObjectName("splashWindow");
  auto* picture = new QLabel(this);
  picture->setPixmap(QPixmap(":/orvelle/splash.png"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 12);
  layout->addWidget(picture);
  setFixedSize(sizeHint());
}

void showSplashFor(int milliseconds) {
  SplashWindow splash;
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    splash.move(screen->availableGeometry().center() - splash.rect().center());
  }
  splash.show();
  // A window manager maps the window some time after show() and asks for it
  // to be painted only then: a thread asleep would leave nothing on screen.
  // The event loop keeps running for the whole time, so the picture is
  // painted whenever it is asked for; the user's input waits.
  QEventLoop wait;
  QTimer::singleShot(milliseconds, &wait, &QEventLoop::quit);
  wait.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace orvelle
