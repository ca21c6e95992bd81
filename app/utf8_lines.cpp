#include "app/utf8_lines.h"

#include <QByteArrayList>
#include <QStringDecoder>
#include <QStringList>

namespace orvelle {

Utf8Lines::Utf8Lines(const QByteArray& bytes) {
  QStringList shown;
  for (const QByteArray& line : bytes.split('\n')) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(line);
    if (decoder.hasError()) originals_[text].push_back(line);
    shown << text;
  }
  text_ = shown.join('\n');
}

QByteArray Utf8Lines::encode(const QString& edited) const {
  std::map<QString, std::size_t> used;
  QByteArrayList lines;
  for (const QString& line : edited.split('\n')) {
    const auto original = originals_.find(line);
    if (original != originals_.end() && used[line] < original->second.size()) {
      lines << original->second[used[line]++];
    } else {
      lines << line.toUtf8();
    }
  }
  return lines.join('\n');
}

}  // namespace orvelle
