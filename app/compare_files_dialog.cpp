#include "app/compare_files_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/settings_widgets.h"
#include "session/test_session.h"

namespace orvelle {

CompareFilesDialog::CompareFilesDialog(TestSession& session, FileChooser& files, MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), session_(session), files_(files), boxes_(boxes) {
  setObjectName("compareFilesDialog");
  setWindowTitle("Choose compared files");
  auto* grid = new QGridLayout(this);
  sourcePath_ = makePathBox(this, "sourceFilePathBox");
  auto* sourceBrowse = makeBrowseButton(this, "sourceFileBrowseButton");
  processedPath_ = makePathBox(this, "processedFilePathBox");
  auto* processedBrowse = makeBrowseButton(this, "processedFileBrowseButton");
  grid->addWidget(new QLabel("Path To Source File", this), 0, 0);
  grid->addWidget(sourcePath_, 1, 0);
  grid->addWidget(sourceBrowse, 1, 1);
  grid->addWidget(new QLabel("Path to ReCoded File", this), 2, 0);
  grid->addWidget(processedPath_, 3, 0);
  grid->addWidget(processedBrowse, 3, 1);
  QPushButton* ok = nullptr;
  QPushButton* cancel = nullptr;
  addOkCancelRow(grid, 4, 2, this, &ok, &cancel);

  sourcePath_->setText(QString::fromStdString(session_.sourceFilePath.str()));
  processedPath_->setText(QString::fromStdString(session_.processedFilePath.str()));

  connect(sourceBrowse, &QPushButton::clicked, this, [this] {
    browseInto(this, files_, boxes_, file_kinds::voiceFile(), session_.sourceFilePath, sourcePath_,
               "The source file path");
  });
  connect(processedBrowse, &QPushButton::clicked, this, [this] {
    browseInto(this, files_, boxes_, file_kinds::voiceFile(), session_.processedFilePath, processedPath_,
               "The recoded file path");
  });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  setFixedSize(sizeHint());
}

void CompareFilesDialog::accept() {
  if (!storePath(this, boxes_, session_.sourceFilePath, sourcePath_->text(), "The source file path")) return;
  if (!storePath(this, boxes_, session_.processedFilePath, processedPath_->text(), "The recoded file path")) return;
  QDialog::accept();
}

}  // namespace orvelle
