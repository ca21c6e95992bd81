#pragma once

#include <QString>

#include "app/user_prompts.h"
#include "session/session_text.h"

class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QWidget;

namespace orvelle {

class TestSession;

// The text the voice-file path box shows while the internal source is chosen.
inline const QString kInternalSourceText = QStringLiteral("Internal Source");

// List items; an item's index is the session value it stands for.
QComboBox* makeSourceTypeBox(QWidget* parent);
QComboBox* makeSizeTypeBox(QWidget* parent);

// Paths are never typed: a path box only shows what its browse button chose.
QLineEdit* makePathBox(QWidget* parent, const QString& objectName);
QPushButton* makeBrowseButton(QWidget* parent, const QString& objectName);

// "Cancel" on the left, "OK" on the right, in `row` of `grid`; OK is the
// default button.
void addOkCancelRow(QGridLayout* grid, int row, int columns, QWidget* dialog, QPushButton** ok, QPushButton** cancel);

// Copies `text` into `field`. A text the session cannot hold is refused with
// a box naming what it was, so it is never silently cut short.
bool storePath(QWidget* parent, MessageBoxes& boxes, SessionText& field, const QString& text, const QString& what);

// A browse button's action: asks for a file of `kind`; on OK stores the full
// path in `field` at once and shows it in `box`. Cancel changes nothing.
void browseInto(QWidget* parent, FileChooser& chooser, MessageBoxes& boxes, const FileKind& kind, SessionText& field,
                QLineEdit* box, const QString& what);

// The source row shared by the two codec settings dialogs: the source-type
// box, the voice-file path box and its browse button, and the size-type box.
struct SourceRow {
  QComboBox* sourceType = nullptr;
  QLineEdit* voicePath = nullptr;
  QPushButton* voiceBrowse = nullptr;
  QComboBox* sizeType = nullptr;

  // Lays the row out on rows `firstRow` and `firstRow + 1` (source and size
  // type) and `firstRow + 2` and `firstRow + 3` (voice file) of `grid`.
  void build(QWidget* dialog, QGridLayout* grid, int firstRow);
  // The state on opening, from the session.
  void load(const TestSession& session);
  // The state after the user picks source type `index`. Going back to the
  // internal source also restores the session's size type.
  void applySourceType(int index, const TestSession& session);
};

}  // namespace orvelle
