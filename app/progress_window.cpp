#include "app/progress_window.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace orvelle {

namespace {

constexpr int kInitialRange = 100;
constexpr int kMinimumWidth = 300;
// The widest caption the progress monitor writes.
const QString kWidestCaption = QStringLiteral("Progressed 100.0000%");

// Wide enough for the widest caption beside a title bar's icon and buttons,
// whose room is taken as six lines' height.
int widthForCaption(const QFont& font) {
  const QFontMetrics metrics(font);
  return std::max(kMinimumWidth, metrics.horizontalAdvance(kWidestCaption) + 6 * metrics.height());
}

}  // namespace

ProgressWindow::ProgressWindow(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      queue_(this),
      label_(new QLabel("Voice Data Preparation", this)),
      bar_(new QProgressBar(this)),
      stopButton_(new QPushButton("Stop", this)),
      rangeUpper_(kInitialRange) {
  setObjectName("progressWindow");
  setWindowTitle("Progress");
  setModal(true);
  label_->setObjectName("operationText");
  label_->setAlignment(Qt::AlignCenter);
  bar_->setObjectName("progressBar");
  bar_->setRange(0, kInitialRange);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  stopButton_->setObjectName("stopButton");
  stopButton_->setAutoDefault(false);
  stopButton_->hide();
  connect(stopButton_, &QPushButton::clicked, this, [this] { stopPlugIn(); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addWidget(bar_);
  layout->addWidget(stopButton_, 0, Qt::AlignCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  // The fixed-size layout sizes the window to its contents, so the width is
  // asked of them.
  bar_->setMinimumWidth(widthForCaption(QApplication::font("QMdiSubWindowTitleBar")) -
                        layout->contentsMargins().left() - layout->contentsMargins().right());
}

void ProgressWindow::setOperationText(const std::string& text) {
  queue_.post([this, text = QString::fromStdString(text)] { label_->setText(text); });
}

void ProgressWindow::setRange(std::int32_t total) {
  rangeUpper_.store(total);
  queue_.post([this, total] { bar_->setRange(0, total); });
}

std::int32_t ProgressWindow::rangeUpper() const { return rangeUpper_.load(); }

void ProgressWindow::setPosition(std::int32_t value) {
  queue_.post([this, value] { bar_->setValue(value); });
}

void ProgressWindow::setCaption(const std::string& text) {
  queue_.post([this, text = QString::fromStdString(text)] { setWindowTitle(text); });
}

void ProgressWindow::close() {
  queue_.postAndWait([this] {
    closeRequested_ = true;
    finishIfRequested();
  });
}

void ProgressWindow::offerStop(std::function<void()> stop) {
  queue_.post([this, stop = std::move(stop)] {
    stop_ = stop;
    stopButton_->setEnabled(true);
    stopButton_->show();
    showCloseBox(true);
  });
}

void ProgressWindow::withdrawStop() {
  queue_.post([this] {
    stop_ = nullptr;
    stopButton_->hide();
    showCloseBox(false);
  });
}

void ProgressWindow::showCloseBox(bool shown) {
  // On screen the change goes to the native window: changing the widget's
  // flags would take it off screen, and that ends the modal loop.
  QWindow* native = windowHandle();
  if (isVisible() && native) {
    native->setFlag(Qt::WindowCloseButtonHint, shown);
  } else {
    setWindowFlag(Qt::WindowCloseButtonHint, shown);
  }
}

bool ProgressWindow::closeBoxShown() const {
  const QWindow* native = windowHandle();
  return (native ? native->flags() : windowFlags()) & Qt::WindowCloseButtonHint;
}

void ProgressWindow::stopPlugIn() {
  if (!stop_) return;
  stopButton_->setEnabled(false);
  // The worker ends the plug-in's host, fails the operation and closes the
  // window as always.
  stop_();
}

QString ProgressWindow::operationText() const { return label_->text(); }
int ProgressWindow::barMaximum() const { return bar_->maximum(); }
int ProgressWindow::barPosition() const { return bar_->value(); }

void ProgressWindow::finishIfRequested() {
  // A request that arrives before the window is on screen is kept and acted
  // on when it appears (showEvent); ending it now would leave the modal loop
  // that is about to start with nobody to stop it.
  if (!closeRequested_ || !isVisible()) return;
  done(QDialog::Accepted);
  // A window manager need not give the keyboard back to the owner when a
  // modal window closes (less so right after an error box over it).
  if (QWidget* owner = parentWidget(); owner != nullptr && owner->isVisible()) owner->window()->activateWindow();
}

void ProgressWindow::reject() { stopPlugIn(); }

void ProgressWindow::closeEvent(QCloseEvent* event) {
  if (closeRequested_) return;
  event->ignore();
  stopPlugIn();
}

void ProgressWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // exec() shows the window before its event loop runs; a done() from inside
  // show() would find no loop to end, so end it from the loop instead.
  if (closeRequested_) QTimer::singleShot(0, this, [this] { finishIfRequested(); });
}

}  // namespace orvelle
