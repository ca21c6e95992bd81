#include "app/qt_message_presenter.h"

#include <QString>

namespace orvelle {

QtMessagePresenter::QtMessagePresenter(QWidget* parent, MessageBoxes& boxes, std::function<std::string()> details)
    : parent_(parent), boxes_(boxes), details_(std::move(details)) {}

void QtMessagePresenter::showMessage(const std::string& text, const std::string& caption, MessageIcon icon) {
  queue_.postAndWait([&] {
    const QString details = details_ ? QString::fromStdString(details_()) : QString();
    boxes_.show(parent_, QString::fromStdString(text), QString::fromStdString(caption), icon, details);
  });
}

}  // namespace orvelle
