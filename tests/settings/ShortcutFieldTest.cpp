#include "settings/ShortcutField.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace qv;
using keys::StoredShortcut;

// What a key press in the field stores: a grabbable key with Ctrl, Alt or Super; never a bare key.
TEST(ShortcutField, StoresOnlyShortcutsThatHoldCtrlAltOrSuper) {
  EXPECT_EQ(keys::shortcutFromQt(Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier),
            (StoredShortcut{keys::code::V, keys::kCommandFlag | keys::kShiftFlag}));
  EXPECT_EQ(keys::shortcutFromQt(Qt::Key_Space, Qt::AltModifier), (StoredShortcut{keys::code::Space, keys::kOptionFlag}));
  EXPECT_EQ(keys::shortcutFromQt(Qt::Key_F5, Qt::MetaModifier), (StoredShortcut{keys::code::F5, keys::kControlFlag}));
  EXPECT_FALSE(keys::shortcutFromQt(Qt::Key_V, Qt::NoModifier));
  EXPECT_FALSE(keys::shortcutFromQt(Qt::Key_V, Qt::ShiftModifier));
  EXPECT_EQ(keys::shortcutText({keys::code::V, keys::kCommandFlag | keys::kShiftFlag}), "Ctrl+Shift+V");
  EXPECT_EQ(keys::shortcutText({}), "");
}

TEST(ShortcutField, RecordsClearsAndRefuses) {
  ShortcutField field({keys::code::V, keys::kCommandFlag});
  EXPECT_EQ(field.text(), "Ctrl+V");
  QList<StoredShortcut> told;
  field.onChange = [&](const StoredShortcut& shortcut) { told << shortcut; };

  QTest::keyClick(&field, Qt::Key_B, Qt::ControlModifier | Qt::AltModifier);
  ASSERT_EQ(told.size(), 1);
  EXPECT_EQ(told.last(), (StoredShortcut{keys::code::B, keys::kCommandFlag | keys::kOptionFlag}));
  EXPECT_EQ(field.text(), "Ctrl+Alt+B");

  QTest::keyClick(&field, Qt::Key_B);  // refused: nothing stored, the field says why
  EXPECT_EQ(told.size(), 1);
  EXPECT_EQ(field.placeholderText(), ShortcutField::kNeedsModifier);

  QTest::keyClick(&field, Qt::Key_Escape);  // leaves the stored one as it was
  EXPECT_EQ(field.text(), "Ctrl+Alt+B");
  EXPECT_EQ(told.size(), 1);

  QTest::keyClick(&field, Qt::Key_Backspace);
  ASSERT_EQ(told.size(), 2);
  EXPECT_EQ(told.last().keyCode, -1);
  EXPECT_EQ(field.text(), "");
}
