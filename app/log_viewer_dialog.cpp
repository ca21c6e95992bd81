#include "app/log_viewer_dialog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/atomic_output_file.h"
#include "platform/file_length.h"
#include "platform/regular_file.h"

namespace orvelle {

namespace {

const QString kNoFileLabel = QStringLiteral("LOG File Name");
const QString kOpenFailure = QStringLiteral("LOG-file can't be open!");
const QString kNotUtf8 = QStringLiteral(
    "Some bytes of this file are not UTF-8 text: they are shown as \uFFFD. Lines you do not edit are saved "
    "with their own bytes.");

QString systemReason() { return QString::fromLocal8Bit(std::strerror(errno)); }

QPushButton* addButton(QHBoxLayout* row, QWidget* parent, const QString& text, const QString& objectName) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(objectName);
  button->setAutoDefault(false);
  row->addWidget(button);
  return button;
}

}  // namespace

LogViewerDialog::LogViewerDialog(QString currentLogPath, FileChooser& files, MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), currentLogPath_(std::move(currentLogPath)), files_(files), boxes_(boxes) {
  setObjectName("logViewerDialog");
  setWindowTitle("LOGs Editor");
  pathLabel_ = new QLabel(kNoFileLabel, this);
  pathLabel_->setObjectName("pathLabel");
  pathLabel_->setAlignment(Qt::AlignCenter);
  textBox_ = new QPlainTextEdit(this);
  textBox_->setObjectName("logText");
  textBox_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // Logs are laid out in columns and separator lines; a fixed pitch keeps them.
  textBox_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  textBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* buttons = new QHBoxLayout;
  auto* loadCurrentButton = addButton(buttons, this, "Load Current", "loadCurrentButton");
  auto* loadFromButton = addButton(buttons, this, "Load From", "loadFromButton");
  auto* saveAsButton = addButton(buttons, this, "Save As", "saveAsButton");
  auto* exitButton = addButton(buttons, this, "Exit", "exitButton");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pathLabel_);
  layout->addWidget(textBox_, 1);
  layout->addLayout(buttons);
  resize(640, 480);

  connect(loadCurrentButton, &QPushButton::clicked, this, &LogViewerDialog::loadCurrent);
  connect(loadFromButton, &QPushButton::clicked, this, &LogViewerDialog::loadFrom);
  connect(saveAsButton, &QPushButton::clicked, this, &LogViewerDialog::saveAs);
  connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);

  loadCurrent();
}

QString LogViewerDialog::text() const {
  // The raw text keeps no-break spaces, which the plain text would turn into
  // spaces; only its paragraph separators become line breaks.
  QString text = textBox_->document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  return text;
}
QString LogViewerDialog::pathLabel() const { return pathLabel_->text(); }

void LogViewerDialog::loadCurrent() { loadFile(currentLogPath_); }

void LogViewerDialog::loadFrom() {
  const QString chosen = files_.chooseFileToOpen(this, file_kinds::logFile(), pathLabel_->text());
  if (!chosen.isEmpty()) loadFile(chosen);
}

void LogViewerDialog::reportOpenFailure(const QString& path, const QString& reason) {
  boxes_.show(this, kOpenFailure, "Error!", MessageIcon::Error, path + ": " + reason);
}

bool LogViewerDialog::loadFile(const QString& path) {
  // Only a regular file is read: a FIFO or a device chosen here would block
  // the user-interface thread or never end.
  platform::RegularFileOpening opening = platform::openRegularFile(QFile::encodeName(path).constData());
  platform::FileHandle file = std::move(opening.file);
  const std::int64_t length = file ? platform::fileLength(file.get()) : -1;
  if (!file || length < 0) {
    reportOpenFailure(path, opening.kind != nullptr ? QStringLiteral("it is ") + opening.kind
                            : opening.error != 0    ? QString::fromLocal8Bit(std::strerror(opening.error))
                                                    : systemReason());
    textBox_->clear();
    loadedBytes_.clear();
    lines_ = Utf8Lines();
    lineEnd_ = "\n";
    return false;
  }
  // The text ends at the first zero byte, as a text box holding the file
  // would show it; a short read leaves zeros behind the bytes that came.
  QByteArray bytes(static_cast<qsizetype>(length), '\0');
  const std::size_t got = std::fread(bytes.data(), 1, static_cast<std::size_t>(length), file.get());
  bytes.truncate(static_cast<qsizetype>(got));
  if (const qsizetype zero = bytes.indexOf('\0'); zero >= 0) bytes.truncate(zero);
  file.reset();

  loadedBytes_ = bytes;
  lineEnd_ = bytes.contains("\r\n") ? QByteArray("\r\n") : QByteArray("\n");
  QByteArray shown = bytes;
  if (lineEnd_ == "\r\n") shown.replace("\r\n", "\n");
  lines_ = Utf8Lines(shown);
  textBox_->setPlainText(lines_.text());
  textBox_->document()->setModified(false);
  pathLabel_->setText(path);
  if (lines_.hadInvalidBytes()) boxes_.show(this, kNotUtf8, "LOGs Editor", MessageIcon::Warning, path);
  return true;
}

QByteArray LogViewerDialog::bytesToSave() const {
  if (!textBox_->document()->isModified()) return loadedBytes_;
  QByteArray bytes = lines_.encode(text());
  if (lineEnd_ != "\n") bytes.replace("\n", lineEnd_);
  return bytes;
}

void LogViewerDialog::saveAs() {
  const QString chosen = files_.chooseFileToSave(this, file_kinds::logFile(), pathLabel_->text());
  if (chosen.isEmpty()) return;
  const QByteArray bytes = bytesToSave();
  // Written beside the chosen file and put in its place only when whole, so
  // that a full disk never leaves a log cut short where a good one was.
  platform::AtomicOutputFile file;
  if (!file.open(QFile::encodeName(chosen).toStdString())) {
    reportOpenFailure(chosen, QString::fromLocal8Bit(file.failureReason()));
    return;
  }
  if (!file.write(bytes.constData(), static_cast<std::size_t>(bytes.size())) || !file.commit()) {
    reportOpenFailure(chosen, "the text could not be written completely: " +
                                  QString::fromLocal8Bit(file.failureReason()));
  }
}

}  // namespace orvelle
