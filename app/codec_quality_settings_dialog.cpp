#include "app/codec_quality_settings_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "session/test_session.h"

namespace orvelle {

CodecQualitySettingsDialog::CodecQualitySettingsDialog(TestSession& session, FileChooser& files, MessageBoxes& boxes,
                                                       QWidget* parent)
    : QDialog(parent), session_(session), files_(files), boxes_(boxes) {
  setObjectName("codecQualitySettingsDialog");
  setWindowTitle("Settings For Codec Quality Test");
  auto* grid = new QGridLayout(this);
  source_.build(this, grid, 0);
  codecPath_ = makePathBox(this, "codecPathBox");
  codecBrowse_ = makeBrowseButton(this, "codecBrowseButton");
  grid->addWidget(new QLabel("Codec Library", this), 4, 0, 1, 2);
  grid->addWidget(codecPath_, 5, 0, 1, 2);
  grid->addWidget(codecBrowse_, 5, 2);
  QPushButton* ok = nullptr;
  QPushButton* cancel = nullptr;
  addOkCancelRow(grid, 6, 3, this, &ok, &cancel);

  source_.load(session_);
  codecPath_->setText(QString::fromStdString(session_.codecPath.str()));

  connect(source_.sourceType, &QComboBox::currentIndexChanged, this, [this](int index) {
    source_.applySourceType(index, session_);
    session_.sourceType = index != 0 ? 1 : 0;
  });
  connect(source_.voiceBrowse, &QPushButton::clicked, this, [this] {
    browseInto(this, files_, boxes_, file_kinds::voiceFile(), session_.voiceFilePath, source_.voicePath,
               "The voice file path");
  });
  connect(codecBrowse_, &QPushButton::clicked, this, [this] {
    browseInto(this, files_, boxes_, file_kinds::codecLibrary(), session_.codecPath, codecPath_,
               "The codec library path");
  });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  setFixedSize(sizeHint());
}

void CodecQualitySettingsDialog::accept() {
  session_.sourceType = source_.sourceType->currentIndex();
  if (!storePath(this, boxes_, session_.voiceFilePath, source_.voicePath->text(), "The voice file path")) return;
  if (!storePath(this, boxes_, session_.codecPath, codecPath_->text(), "The codec library path")) return;
  session_.sizeType = source_.sizeType->currentIndex();
  QDialog::accept();
}

}  // namespace orvelle
