#include "app/progress_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace orvelle {

namespace {
constexpr int kInitialRange = 100;
}

ProgressWindow::ProgressWindow(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      queue_(this),
      label_(new QLabel("Voice Data Preparation", this)),
      bar_(new QProgressBar(this)),
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
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addWidget(bar_);
  setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
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

QString ProgressWindow::operationText() const { return label_->text(); }
int ProgressWindow::barMaximum() const { return bar_->maximum(); }
int ProgressWindow::barPosition() const { return bar_->value(); }

void ProgressWindow::finishIfRequested() {
  // A request that arrives before the window is on screen is kept and acted
  // on when it appears (showEvent); ending it now would leave the modal loop
  // that is about to start with nobody to stop it.
  if (closeRequested_ && isVisible()) done(QDialog::Accepted);
}

void ProgressWindow::reject() {}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  if (!closeRequested_) event->ignore();
}

void ProgressWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // exec() shows the window before its event loop runs; a done() from inside
  // show() would find no loop to end, so end it from the loop instead.
  if (closeRequested_) QTimer::singleShot(0, this, [this] { finishIfRequested(); });
}

}  // namespace orvelle
