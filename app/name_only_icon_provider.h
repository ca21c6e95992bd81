#pragma once

#include <QFileIconProvider>

namespace orvelle {

// Icons and type names for the file dialogs, from a file's name and kind
// alone. Qt's own provider guesses a file's type from its first bytes; in
// /proc, /sys or /dev a read can block for ever (/proc/kmsg waits for the
// next kernel message) and freeze the dialog, so no file is ever opened here.
class NameOnlyIconProvider : public QFileIconProvider {
 public:
  NameOnlyIconProvider();

  using QFileIconProvider::icon;
  QIcon icon(const QFileInfo& info) const override;
  QString type(const QFileInfo& info) const override;
};

}  // namespace orvelle
