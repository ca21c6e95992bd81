#include "app/main_window.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>

#include "app_test_support.h"

namespace orvelle {
namespace {

using test::RecordingMessageBoxes;
using test::ScriptedFileChooser;

// A menu text as the user reads it: the mnemonic marker is not shown.
QString shown(const QAction* action) { return QString(action->text()).remove('&'); }

QStringList menuTexts(QMenu* menu) {
  QStringList texts;
  for (QAction* action : menu->actions()) texts << shown(action);
  return texts;
}

TEST(MainWindowClock, ShowsTheTimeBeforeTheFirstTickWithTwoDigitFields) {
  TestSession session;
  ScriptedFileChooser files;
  RecordingMessageBoxes boxes;
  MainWindow window(session, files, boxes, [] { return QTime(9, 5, 3); });
  // No event loop has run: the design-time text must already be gone.
  EXPECT_EQ(window.clockText(), "09:05:03");
  EXPECT_EQ(window.findChild<QLabel*>("clock")->text(), "09:05:03");
}

TEST(MainWindowClock, EveryTickReadsTheClockAgain) {
  TestSession session;
  ScriptedFileChooser files;
  RecordingMessageBoxes boxes;
  QTime now(23, 59, 58);
  MainWindow window(session, files, boxes, [&] { return now; });
  now = QTime(0, 0, 7);
  window.tick();
  EXPECT_EQ(window.clockText(), "00:00:07");
}

TEST(MainWindowClock, KeepsOneFontAcrossTicks) {
  TestSession session;
  ScriptedFileChooser files;
  RecordingMessageBoxes boxes;
  MainWindow window(session, files, boxes, [] { return QTime(12, 0, 0); });
  auto* clock = window.findChild<QLabel*>("clock");
  const QFont before = clock->font();
  for (int i = 0; i < 5; ++i) window.tick();
  EXPECT_EQ(clock->font(), before);
  EXPECT_EQ(clock->font().pointSize(), 30);
}

TEST(MainWindowMenu, HoldsEveryCommandInOrder) {
  TestSession session;
  ScriptedFileChooser files;
  RecordingMessageBoxes boxes;
  MainWindow window(session, files, boxes);
  EXPECT_EQ(window.windowTitle(), "Orvelle");
  auto* bar = window.findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  const QList<QAction*> popups = bar->actions();
  ASSERT_EQ(popups.size(), 3);
  EXPECT_EQ(shown(popups[0]), "Files");
  EXPECT_EQ(shown(popups[1]), "Tests");
  EXPECT_EQ(shown(popups[2]), "Tools");
  EXPECT_EQ(menuTexts(popups[0]->menu()), QStringList({"About", "Exit"}));
  EXPECT_EQ(menuTexts(popups[1]->menu()), QStringList({"Codec Quality", "Compare codecs", "Compare Files"}));
  EXPECT_EQ(menuTexts(popups[2]->menu()),
            QStringList({"Generate Dll Header", "View Log File", "Generate Test Signal", "View Spectra"}));
  QMenu* signal = popups[2]->menu()->actions()[2]->menu();
  ASSERT_NE(signal, nullptr);
  EXPECT_EQ(menuTexts(signal), QStringList({"Short", "Normal", "Long"}));
}

// The mnemonic letters of a menu's entries, lower-cased, in order.
QString mnemonics(const QList<QAction*>& actions) {
  QString letters;
  for (const QAction* action : actions) {
    const QKeySequence key = QKeySequence::mnemonic(action->text());
    letters += key.isEmpty() ? QStringLiteral("?") : key.toString().right(1).toLower();
  }
  return letters;
}

TEST(MainWindowMenu, EveryMenuAndItemHasItsOwnMnemonic) {
  TestSession session;
  ScriptedFileChooser files;
  RecordingMessageBoxes boxes;
  MainWindow window(session, files, boxes);
  const QList<QAction*> popups = window.findChild<QMenuBar*>()->actions();
  ASSERT_EQ(popups.size(), 3);
  EXPECT_EQ(mnemonics(popups), "fto");
  EXPECT_EQ(mnemonics(popups[0]->menu()->actions()), "ax");
  EXPECT_EQ(mnemonics(popups[1]->menu()->actions()), "cof");
  EXPECT_EQ(mnemonics(popups[2]->menu()->actions()), "dvsp");
  EXPECT_EQ(mnemonics(popups[2]->menu()->actions()[2]->menu()->actions()), "snl");
}

TEST(MainWindowMenu, AltAndTheMnemonicOpenTheMenusAndTheLetterRunsAnItem) {
  TestSession session;
  ScriptedFileChooser files;
  RecordingMessageBoxes boxes;
  MainWindow window(session, files, boxes);
  QStringList dialogsShown;
  window.setDialogRunner([&](QDialog& dialog) {
    dialogsShown << dialog.windowTitle();
    return int(QDialog::Rejected);
  });
  window.show();
  // A menu that closes leaves no window active; each key goes to an active
  // main window, as it does when the user types.
  const auto activate = [&window] {
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
  };
  const QList<QAction*> popups = window.findChild<QMenuBar*>()->actions();
  const std::pair<Qt::Key, int> menus[] = {{Qt::Key_F, 0}, {Qt::Key_T, 1}, {Qt::Key_O, 2}};
  for (const auto& [key, popup] : menus) {
    ASSERT_TRUE(activate());
    QTest::keyClick(&window, key, Qt::AltModifier);
    QMenu* menu = popups[popup]->menu();
    ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); })) << shown(popups[popup]).toStdString();
    menu->close();
  }
  // Tools, then V: View Log File runs.
  ASSERT_TRUE(activate());
  QTest::keyClick(&window, Qt::Key_O, Qt::AltModifier);
  QMenu* tools = popups[2]->menu();
  ASSERT_TRUE(QTest::qWaitFor([tools] { return tools->isVisible(); }));
  QTest::keyClick(tools, Qt::Key_V);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !dialogsShown.isEmpty(); }));
  EXPECT_EQ(dialogsShown, QStringList({"LOGs Editor"}));
}

TEST(MainWindowFrame, HasACaptionWindowMenuAndCloseBoxButNoMinimiseOrMaximiseBox) {
  TestSession session;
  ScriptedFileChooser files;
  RecordingMessageBoxes boxes;
  MainWindow window(session, files, boxes);
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
}

TEST(MainWindowMenu, EnterAndEscapeEndTheWindowLikeExit) {
  TestSession session;
  ScriptedFileChooser files;
  RecordingMessageBoxes boxes;
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    MainWindow window(session, files, boxes);
    window.show();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &press);
    EXPECT_FALSE(window.isVisible()) << key;
  }
}

TEST(MainWindowMenu, AboutShowsTheAboutBox) {
  TestSession session;
  ScriptedFileChooser files;
  RecordingMessageBoxes boxes;
  MainWindow window(session, files, boxes);
  QString caption;
  QStringList texts;
  bool pictureShown = false;
  window.setDialogRunner([&](QDialog& dialog) {
    caption = dialog.windowTitle();
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
      texts << label->text();
      if (!label->pixmap().isNull()) pictureShown = true;
    }
    return int(QDialog::Accepted);
  });
  window.showAbout();
  EXPECT_EQ(caption, "About Orvelle");
  EXPECT_TRUE(texts.contains("Orvelle"));
  EXPECT_TRUE(texts.contains("v.1.2.0"));
  // The pictures are compiled into a static library; they must still load.
  EXPECT_TRUE(pictureShown);
  EXPECT_FALSE(window.windowIcon().isNull());
}

}  // namespace
}  // namespace orvelle
