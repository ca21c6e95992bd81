#include "app/name_only_icon_provider.h"

#include <QFileInfo>
#include <QMimeDatabase>

namespace orvelle {

NameOnlyIconProvider::NameOnlyIconProvider() {
  // A folder's custom icon is read from a file inside it.
  setOptions(DontUseCustomDirectoryIcons);
}

QIcon NameOnlyIconProvider::icon(const QFileInfo& info) const { return icon(info.isDir() ? Folder : File); }

QString NameOnlyIconProvider::type(const QFileInfo& info) const {
  // Folders, drives and links are told apart without reading; only files
  // would be sniffed.
  if (!info.isFile()) return QFileIconProvider::type(info);
  const QMimeType byName = QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
  return byName.comment().isEmpty() ? byName.name() : byName.comment();
}

}  // namespace orvelle
