#include "app/codec_comparison_settings_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "session/test_session.h"

namespace orvelle {

CodecComparisonSettingsDialog::CodecComparisonSettingsDialog(TestSession& session, FileChooser& files,
                                                             MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), session_(session), files_(files), boxes_(boxes) {
  setObjectName("codecComparisonSettingsDialog");
  setWindowTitle("Codecs Compareation Settings");
  auto* grid = new QGridLayout(this);
  source_.build(this, grid, 0);
  sourceCodecPath_ = makePathBox(this, "sourceCodecPathBox");
  sourceCodecBrowse_ = makeBrowseButton(this, "sourceCodecBrowseButton");
  testedCodecPath_ = makePathBox(this, "testedCodecPathBox");
  testedCodecBrowse_ = makeBrowseButton(this, "testedCodecBrowseButton");
  grid->addWidget(new QLabel("Source Codec Library", this), 4, 0, 1, 2);
  grid->addWidget(sourceCodecPath_, 5, 0, 1, 2);
  grid->addWidget(sourceCodecBrowse_, 5, 2);
  grid->addWidget(new QLabel("Tested Codec Library", this), 6, 0, 1, 2);
  grid->addWidget(testedCodecPath_, 7, 0, 1, 2);
  grid->addWidget(testedCodecBrowse_, 7, 2);
  QPushButton* ok = nullptr;
  QPushButton* cancel = nullptr;
  addOkCancelRow(grid, 8, 3, this, &ok, &cancel);

  source_.load(session_);
  sourceCodecPath_->setText(QString::fromStdString(session_.sourceCodecPath.str()));
  testedCodecPath_->setText(QString::fromStdString(session_.testedCodecPath.str()));

  connect(source_.sourceType, &QComboBox::currentIndexChanged, this,
          [this](int index) { source_.applySourceType(index, session_); });
  connect(source_.voiceBrowse, &QPushButton::clicked, this, [this] {
    browseInto(this, files_, boxes_, file_kinds::voiceFile(), session_.voiceFilePath, source_.voicePath,
               "The voice file path");
  });
  connect(sourceCodecBrowse_, &QPushButton::clicked, this, [this] {
    browseInto(this, files_, boxes_, file_kinds::codecLibrary(), session_.sourceCodecPath, sourceCodecPath_,
               "The source codec library path");
  });
  connect(testedCodecBrowse_, &QPushButton::clicked, this, [this] {
    browseInto(this, files_, boxes_, file_kinds::codecLibrary(), session_.testedCodecPath, testedCodecPath_,
               "The tested codec library path");
  });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  setFixedSize(sizeHint());
}

void CodecComparisonSettingsDialog::accept() {
  session_.sourceType = source_.sourceType->currentIndex();
  if (!storePath(this, boxes_, session_.voiceFilePath, source_.voicePath->text(), "The voice file path")) return;
  if (!storePath(this, boxes_, session_.sourceCodecPath, sourceCodecPath_->text(), "The source codec library path"))
    return;
  if (!storePath(this, boxes_, session_.testedCodecPath, testedCodecPath_->text(), "The tested codec library path"))
    return;
  session_.sizeType = source_.sizeType->currentIndex();
  QDialog::accept();
}

}  // namespace orvelle
