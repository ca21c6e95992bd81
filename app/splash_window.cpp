#include "app/splash_window.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "app/app_resources.h"
#include "platform/threads.h"

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
  // The window must be fully drawn before the thread sleeps: nothing services
  // it during the pause.
  splash.repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  QCoreApplication::sendPostedEvents();
  splash.repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  platform::sleepMilliseconds(milliseconds);
}

}  // namespace orvelle
