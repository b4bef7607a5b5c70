#include "library/LibraryKeys.h"

#include "platform/keys/KeyPress.h"

#include <gtest/gtest.h>
#include <QKeyEvent>

namespace qv {
namespace {

using Kind = LibraryKeyCommand::Kind;
using Step = LibraryEscapeStep;
constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
const Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;
const Qt::KeyboardModifiers kCtrlAlt = Qt::ControlModifier | Qt::AltModifier;

keys::KeyPress press(int qtKey, Qt::KeyboardModifiers modifiers, bool repeat = false, quint32 serverKey = 0) {
  const QString text = qtKey == Qt::Key_Space ? QStringLiteral(" ") : QString();
  return keys::KeyPress::from(QKeyEvent(QEvent::KeyPress, qtKey, modifiers, serverKey, 0, 0, text, repeat));
}

// Seven items listed in four columns; the search field has the focus.
LibraryKeyContext searchField(const QString& query, bool hovered) {
  LibraryKeyContext context;
  context.query = query;
  context.cardHovered = hovered;
  context.columnsPerRow = 4;
  context.filteredCount = 7;
  context.hasSelection = true;
  context.focusedField = LibraryFocusedField::searchField;
  return context;
}
LibraryKeyContext categoryForm() {
  LibraryKeyContext context = searchField(QString(), false);
  context.focusedField = LibraryFocusedField::otherTextField;
  context.filterSurfaceOpen = true;
  return context;
}
LibraryKeyContext editor() {
  LibraryKeyContext context = searchField(QString(), true);
  context.focusedField = LibraryFocusedField::otherTextField;
  context.detailEditingActive = true;
  context.detailOpen = true;
  return context;
}

LibraryKeyCommand make(Kind kind, int step = 0, int index = 0, bool plain = false, Step escape = Step::none) {
  return {kind, step, index, plain, escape};
}
const LibraryKeyCommand kPass = make(Kind::pass);

struct DispatchCase {
  const char* name;
  LibraryKeyContext context;
  keys::KeyPress key;
  LibraryKeyCommand expected;
};

TEST(LibraryKeysTest, DispatchTable) {
  const LibraryKeyContext empty = searchField(QString(), false);
  const LibraryKeyContext typed = searchField(QStringLiteral("ab"), false);
  const LibraryKeyContext typedHovered = searchField(QStringLiteral("ab"), true);
  const LibraryKeyContext spaces = searchField(QStringLiteral(" "), false);
  LibraryKeyContext nothing = empty;
  nothing.hasSelection = false;
  LibraryKeyContext noItems = nothing;
  noItems.filteredCount = 0;
  LibraryKeyContext deleted = empty;  // the selected id names no item any more
  deleted.copyTargetGone = true;
  const DispatchCase cases[] = {
      // The window's own keys, whoever has the focus.
      {"Ctrl+M minimises", typed, press(Qt::Key_M, kCtrl), make(Kind::minimise)},
      {"Ctrl+W closes from the editor", editor(), press(Qt::Key_W, kCtrl), make(Kind::close)},
      {"Ctrl+Q quits from the search field", typed, press(Qt::Key_Q, kCtrl), make(Kind::quit)},
      {"Ctrl+comma opens the settings", categoryForm(), press(Qt::Key_Comma, kCtrl), make(Kind::openSettings)},
      {"Ctrl+Shift+W passes", empty, press(Qt::Key_W, kCtrlShift), kPass},
      // Search field without a query: the grid's keys.
      {"Left", empty, press(Qt::Key_Left, kNone), make(Kind::moveSelection, -1)},
      {"Right", empty, press(Qt::Key_Right, kNone), make(Kind::moveSelection, 1)},
      {"Up by a row", empty, press(Qt::Key_Up, kNone), make(Kind::moveSelection, -4)},
      {"Down by a row", empty, press(Qt::Key_Down, kNone), make(Kind::moveSelection, 4)},
      {"Shift+Down still moves", empty, press(Qt::Key_Down, Qt::ShiftModifier), make(Kind::moveSelection, 4)},
      {"held Down keeps moving", empty, press(Qt::Key_Down, kNone, true), make(Kind::moveSelection, 4)},
      {"Space toggles the detail", empty, press(Qt::Key_Space, kNone), make(Kind::toggleDetail)},
      {"Ctrl+C copies", empty, press(Qt::Key_C, kCtrl), make(Kind::copy)},
      {"Escape clears the selection", empty, press(Qt::Key_Escape, kNone),
       make(Kind::escape, 0, 0, false, Step::clearSelection)},
      {"a letter passes", empty, press(Qt::Key_A, kNone), kPass},
      {"Shift+Space passes", empty, press(Qt::Key_Space, Qt::ShiftModifier), kPass},
      // Search field with a query and no card under the pointer: typing.
      {"typing: Left passes", typed, press(Qt::Key_Left, kNone), kPass},
      {"typing: Down passes", typed, press(Qt::Key_Down, kNone), kPass},
      {"typing: Space passes", typed, press(Qt::Key_Space, kNone), kPass},
      {"typing: Escape passes", typed, press(Qt::Key_Escape, kNone), kPass},
      {"typing: Ctrl+C passes", typed, press(Qt::Key_C, kCtrl), kPass},
      {"typing: Ctrl+1 pastes", typed, press(Qt::Key_1, kCtrl), make(Kind::quickPaste, 0, 0)},
      {"a query of spaces is typing", spaces, press(Qt::Key_Space, kNone), kPass},
      // With a query and the pointer over a card, the keys act on the grid again.
      {"hovered: Right", typedHovered, press(Qt::Key_Right, kNone), make(Kind::moveSelection, 1)},
      {"hovered: Space", typedHovered, press(Qt::Key_Space, kNone), make(Kind::toggleDetail)},
      {"hovered: Ctrl+C", typedHovered, press(Qt::Key_C, kCtrl), make(Kind::copy)},
      // Quick paste.
      {"Ctrl+3", empty, press(Qt::Key_3, kCtrl), make(Kind::quickPaste, 0, 2)},
      {"Ctrl+Shift+3 as plain text", empty, press(Qt::Key_NumberSign, kCtrlShift), make(Kind::quickPaste, 0, 2, true)},
      {"Ctrl+Alt+3 passes", empty, press(Qt::Key_3, kCtrlAlt), kPass},
      {"Ctrl+0 passes", empty, press(Qt::Key_0, kCtrl), kPass},
      {"Ctrl+8 beyond seven items passes", empty, press(Qt::Key_8, kCtrl), kPass},
      {"Ctrl+7 is the last", empty, press(Qt::Key_7, kCtrl), make(Kind::quickPaste, 0, 6)},
      {"AZERTY: Ctrl+é on the 2 key", empty, press(Qt::Key_Eacute, kCtrl, false, 11), make(Kind::quickPaste, 0, 1)},
      {"AZERTY: Ctrl+Shift on the 2 key", empty, press(Qt::Key_2, kCtrlShift, false, 11),
       make(Kind::quickPaste, 0, 1, true)},
      {"a held Ctrl+2 pastes once", empty, press(Qt::Key_2, kCtrl, true), make(Kind::swallow)},
      {"keypad Ctrl+2 passes", empty, press(Qt::Key_2, kCtrl | Qt::KeypadModifier), kPass},
      // Nothing to act on: the key goes on.
      {"Ctrl+C with nothing selected or hovered", nothing, press(Qt::Key_C, kCtrl), kPass},
      {"Ctrl+C with a selection that is gone", deleted, press(Qt::Key_C, kCtrl), kPass},
      {"Space with a selection that is gone still opens", deleted, press(Qt::Key_Space, kNone),
       make(Kind::toggleDetail)},
      {"an arrow in an empty list", noItems, press(Qt::Key_Down, kNone), kPass},
      {"Space without any target", noItems, press(Qt::Key_Space, kNone), kPass},
      {"Space with nothing selected opens the first", nothing, press(Qt::Key_Space, kNone), make(Kind::toggleDetail)},
      {"Escape with nothing to back out of", nothing, press(Qt::Key_Escape, kNone), kPass},
      // The category form's name keeps its keys; Escape still backs out.
      {"form: Space passes", categoryForm(), press(Qt::Key_Space, kNone), kPass},
      {"form: Left passes", categoryForm(), press(Qt::Key_Left, kNone), kPass},
      {"form: Ctrl+C passes", categoryForm(), press(Qt::Key_C, kCtrl), kPass},
      {"form: Escape closes the surface", categoryForm(), press(Qt::Key_Escape, kNone),
       make(Kind::escape, 0, 0, false, Step::closeFilterSurface)},
      {"form: Ctrl+2 pastes", categoryForm(), press(Qt::Key_2, kCtrl), make(Kind::quickPaste, 0, 1)},
      // The detail editor holds the keyboard; Escape cancels the edit.
      {"editor: Space passes", editor(), press(Qt::Key_Space, kNone), kPass},
      {"editor: Down passes", editor(), press(Qt::Key_Down, kNone), kPass},
      {"editor: Ctrl+C passes", editor(), press(Qt::Key_C, kCtrl), kPass},
      {"editor: Escape cancels the edit", editor(), press(Qt::Key_Escape, kNone),
       make(Kind::escape, 0, 0, false, Step::cancelEdit)},
      {"editor: a held Escape cancels once", editor(), press(Qt::Key_Escape, kNone, true), make(Kind::swallow)},
      {"editor: Ctrl+1 pastes", editor(), press(Qt::Key_1, kCtrl), make(Kind::quickPaste, 0, 0)},
  };
  for (const DispatchCase& c : cases) EXPECT_EQ(libraryKeyCommand(c.key, c.context), c.expected) << c.name;
}

TEST(LibraryKeysTest, EscapeBacksOutOneLevelAtATime) {
  LibraryKeyContext context;
  context.detailEditingActive = true;
  context.filterSurfaceOpen = true;
  context.hasMultiSelection = true;
  context.detailOpen = true;
  context.hasSelection = true;
  // Each press closes the first level still open.
  const std::pair<bool LibraryKeyContext::*, Step> levels[] = {
      {&LibraryKeyContext::detailEditingActive, Step::cancelEdit},
      {&LibraryKeyContext::filterSurfaceOpen, Step::closeFilterSurface},
      {&LibraryKeyContext::hasMultiSelection, Step::clearMultiSelection},
      {&LibraryKeyContext::detailOpen, Step::closeDetail},
      {&LibraryKeyContext::hasSelection, Step::clearSelection},
  };
  for (const auto& [field, step] : levels) {
    EXPECT_EQ(libraryEscapeStep(context), step);
    context.*field = false;
  }
  EXPECT_EQ(libraryEscapeStep(context), Step::none);
}

TEST(LibraryKeysTest, MovesClampAtTheEndsOfTheList) {
  struct Case {
    std::optional<int> current;
    int step;
    int count;
    int target;
  };
  const Case cases[] = {
      {5, 4, 7, 6},   // Down from a partial last row: the last item
      {1, 4, 7, 5},   // Down by a row
      {6, 1, 7, 6},   // Right on the last item stays
      {2, -4, 7, 0},  // Up in the first row: the first item
      {0, -1, 7, 0},  // Left on the first stays
      {{}, 4, 7, 0},  // nothing selected: the first
      {9, -1, 7, 0},  // a selection no longer listed: the first
      {0, 1, 1, 0},   // one item
  };
  for (const Case& c : cases)
    EXPECT_EQ(libraryMoveTarget(c.current, c.step, c.count), c.target)
        << (c.current ? *c.current : -1) << " by " << c.step;
}

}  // namespace
}  // namespace qv
