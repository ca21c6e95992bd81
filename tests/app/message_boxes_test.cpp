#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/qt_user_prompts.h"

namespace orvelle {
namespace {

// What the box looked like while it was up; it is then closed with OK.
struct SeenBox {
  QRect frame;
  int detailsWidth = 0;
  bool detailsOnOneLine = false;
};

SeenBox showAndClose(QWidget* parent, const QString& details) {
  SeenBox seen;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    seen.frame = box->geometry();
    if (auto* label = box->findChild<QLabel*>("qt_msgbox_informativelabel")) {
      seen.detailsWidth = label->width();
      seen.detailsOnOneLine = label->heightForWidth(label->width()) == label->heightForWidth(QWIDGETSIZE_MAX);
    }
    box->accept();
  });
  QtMessageBoxes().show(parent, "Report can't be written!", "Error", MessageIcon::Error, details);
  return seen;
}

class QtBoxes : public ::testing::Test {
 protected:
  QtBoxes() {
    program.setGeometry(300, 200, 400, 300);
    program.show();
    program.activateWindow();
    active = QTest::qWaitForWindowActive(&program);
  }
  QWidget program;
  bool active = false;
};

TEST_F(QtBoxes, APathOf80CharactersFitsOnOneLineAndFocusComesBack) {
  const QString path = "/home/user/measurements/2026-12-09/narrow-band codec runs/source speech/m01a.pcm";
  ASSERT_EQ(path.size(), 80);
  const SeenBox seen = showAndClose(&program, path);
  EXPECT_GE(seen.detailsWidth, QFontMetrics(QApplication::font()).horizontalAdvance(path));
  EXPECT_TRUE(seen.detailsOnOneLine);
  // A window system may hand the focus back a little later.
  ASSERT_TRUE(active);
  EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == &program; }));
}

TEST_F(QtBoxes, ABoxFromADialogNotYetOnScreenOpensOverTheProgram) {
  // As the log viewer reports a missing log while it is being set up.
  QWidget dialog(&program, Qt::Dialog);
  const SeenBox seen = showAndClose(&dialog, "no such file");
  EXPECT_TRUE(program.geometry().contains(seen.frame.center())) << seen.frame.x() << "," << seen.frame.y();
}

}  // namespace
}  // namespace orvelle
