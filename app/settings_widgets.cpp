#include "app/settings_widgets.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "session/test_session.h"

namespace orvelle {

QComboBox* makeSourceTypeBox(QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName("sourceTypeBox");
  box->addItems({"0. Internal Source", "1. Voice File"});
  return box;
}

QComboBox* makeSizeTypeBox(QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName("sizeTypeBox");
  box->addItems({"0. Short", "1. Normal", "2. Long"});
  return box;
}

QLineEdit* makePathBox(QWidget* parent, const QString& objectName) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(objectName);
  box->setReadOnly(true);
  box->setEnabled(false);
  box->setMinimumWidth(320);
  return box;
}

QPushButton* makeBrowseButton(QWidget* parent, const QString& objectName) {
  auto* button = new QPushButton(". . .", parent);
  button->setObjectName(objectName);
  button->setAutoDefault(false);
  return button;
}

void addOkCancelRow(QGridLayout* grid, int row, int columns, QWidget* dialog, QPushButton** ok,
                    QPushButton** cancel) {
  auto* cancelButton = new QPushButton("Cancel", dialog);
  cancelButton->setObjectName("cancelButton");
  cancelButton->setAutoDefault(false);
  auto* okButton = new QPushButton("OK", dialog);
  okButton->setObjectName("okButton");
  okButton->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cancelButton);
  buttons->addStretch(1);
  buttons->addWidget(okButton);
  grid->setRowMinimumHeight(row, 8);
  grid->addLayout(buttons, row + 1, 0, 1, columns);
  *ok = okButton;
  *cancel = cancelButton;
}

bool storePath(QWidget* parent, MessageBoxes& boxes, SessionText& field, const QString& text, const QString& what) {
  const std::string bytes = text.toStdString();
  if (field.assign(bytes)) return true;
  boxes.show(parent, QString::fromStdString(textTooLongMessage(what.toStdString(), bytes)), "Error",
             MessageIcon::Error);
  return false;
}

void browseInto(QWidget* parent, FileChooser& chooser, MessageBoxes& boxes, const FileKind& kind, SessionText& field,
                QLineEdit* box, const QString& what) {
  const QString chosen = chooser.chooseFileToOpen(parent, kind, box->text());
  if (chosen.isEmpty()) return;
  if (storePath(parent, boxes, field, chosen, what)) box->setText(chosen);
}

void SourceRow::build(QWidget* dialog, QGridLayout* grid, int firstRow) {
  sourceType = makeSourceTypeBox(dialog);
  sizeType = makeSizeTypeBox(dialog);
  voicePath = makePathBox(dialog, "voicePathBox");
  voiceBrowse = makeBrowseButton(dialog, "voiceBrowseButton");
  grid->addWidget(new QLabel("Signal Source Type", dialog), firstRow, 0);
  grid->addWidget(new QLabel("Internal Signal Size Type", dialog), firstRow, 1);
  grid->addWidget(sourceType, firstRow + 1, 0);
  grid->addWidget(sizeType, firstRow + 1, 1);
  grid->addWidget(new QLabel("Path To Voice File", dialog), firstRow + 2, 0, 1, 2);
  grid->addWidget(voicePath, firstRow + 3, 0, 1, 2);
  grid->addWidget(voiceBrowse, firstRow + 3, 2);
}

void SourceRow::load(const TestSession& session) {
  sourceType->setCurrentIndex(session.sourceType != 0 ? 1 : 0);
  const bool voiceFile = session.sourceType != 0;
  voicePath->setText(voiceFile ? QString::fromStdString(session.voiceFilePath.str()) : kInternalSourceText);
  voiceBrowse->setEnabled(voiceFile);
  sizeType->setCurrentIndex(session.sizeType);
  // The size box stays usable on opening whatever the source type; only a
  // change of source type switches it.
  sizeType->setEnabled(true);
}

void SourceRow::applySourceType(int index, const TestSession& session) {
  const bool voiceFile = index != 0;
  voiceBrowse->setEnabled(voiceFile);
  sizeType->setEnabled(!voiceFile);
  if (voiceFile) {
    voicePath->setText(QString::fromStdString(session.voiceFilePath.str()));
  } else {
    voicePath->setText(kInternalSourceText);
    sizeType->setCurrentIndex(session.sizeType);
  }
}

}  // namespace orvelle
