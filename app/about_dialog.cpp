#include "app/about_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "app/app_resources.h"

namespace orvelle {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  loadAppResources();
  setObjectName("aboutDialog");
  setWindowTitle("About Orvelle");
  auto* picture = new QLabel(this);
  picture->setPixmap(QPixmap(":/orvelle/about.png"));
  auto* name = new QLabel("Orvelle", this);
  name->setAlignment(Qt::AlignCenter);
  QFont bold = name->font();
  bold.setBold(true);
  name->setFont(bold);
  auto* version = new QLabel("v.1.2.0", this);
  version->setAlignment(Qt::AlignCenter);
  auto* blurb = new QLabel("Scores narrow-band speech codecs", this);
  blurb->setAlignment(Qt::AlignCenter);
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("okButton");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* grid = new QGridLayout(this);
  grid->addWidget(picture, 0, 0, 5, 1);
  grid->setRowStretch(0, 1);
  grid->addWidget(name, 1, 1);
  grid->addWidget(version, 2, 1);
  grid->addWidget(blurb, 3, 1);
  grid->setRowStretch(4, 1);
  grid->addWidget(ok, 5, 1);
  grid->setColumnMinimumWidth(1, 300);
  setFixedSize(sizeHint());
}

}  // namespace orvelle
