#pragma once

#include <QDialog>

namespace orvelle {

class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace orvelle
