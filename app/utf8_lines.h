#pragma once

#include <map>
#include <vector>

#include <QByteArray>
#include <QString>

namespace orvelle {

// Text read from bytes meant to be UTF-8, lines separated by "\n". Bytes
// that are not UTF-8 show as U+FFFD. Writing the text back encodes it as
// UTF-8, except that a line still reading exactly as one that held such
// bytes is written with that line's own bytes: what the user did not edit
// comes back unchanged, and only an edited line is re-encoded.
class Utf8Lines {
 public:
  explicit Utf8Lines(const QByteArray& bytes = {});

  const QString& text() const { return text_; }
  bool hadInvalidBytes() const { return !originals_.empty(); }
  // `edited` (lines separated by "\n") as bytes to save.
  QByteArray encode(const QString& edited) const;

 private:
  QString text_;
  // The bytes of every line that was not all UTF-8, by the text it shows,
  // in file order.
  std::map<QString, std::vector<QByteArray>> originals_;
};

}  // namespace orvelle
