#include "platform/keys/KeyPress.h"

#include "platform/keys/KeyCodes.h"

#include <gtest/gtest.h>
#include <QKeyEvent>

using namespace qv;
using namespace qv::keys;

namespace {
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
const Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;
}  // namespace

TEST(KeyPressTest, ReadsQtKeysInTheStoredKeyModel) {
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    int keyCode;
    int flags;
  };
  using namespace keys;
  const QList<Case> cases = {
      {Qt::Key_1, kCtrl, code::Digit1, kCommandFlag},
      {Qt::Key_Exclam, kCtrlShift, code::Digit1, kCommandFlag | kShiftFlag},
      {Qt::Key_Enter, Qt::KeypadModifier, code::Return, 0},
      {Qt::Key_Enter, Qt::KeypadModifier | kCtrl, code::Return, kCommandFlag},
      {Qt::Key_Backspace, Qt::AltModifier, code::Delete, kOptionFlag},
      {Qt::Key_Delete, kCtrlShift, code::Delete, kCommandFlag | kShiftFlag},
      {Qt::Key_Down, kCtrl, code::DownArrow, kCommandFlag | kNumericPadFlag | kFunctionFlag},
      {Qt::Key_1, Qt::KeypadModifier | kCtrl, 83, kCommandFlag | kNumericPadFlag},
  };
  for (const Case& c : cases) {
    const KeyPress input = KeyPress::from(QKeyEvent(QEvent::KeyPress, c.key, c.modifiers));
    EXPECT_EQ(input.keyCode, c.keyCode) << c.key;
    EXPECT_EQ(input.flags, c.flags) << c.key;
  }
  // On AZERTY the first key of the top row types "&" and the seventh "è"; they are still 1 and 7.
  const auto onServerKey = [](int qtKey, quint32 serverKey) {
    return KeyPress::from(QKeyEvent(QEvent::KeyPress, qtKey, kCtrl, serverKey, 0, 0)).keyCode;
  };
  EXPECT_EQ(onServerKey(Qt::Key_Ampersand, 10), code::Digit1);
  EXPECT_EQ(onServerKey(Qt::Key_Egrave, 16), code::Digit7);
  EXPECT_EQ(onServerKey(Qt::Key_Ampersand, 0), keys::keyCodeForQtKey(Qt::Key_Ampersand, kCtrl).value_or(-1));
  EXPECT_EQ(onServerKey(Qt::Key_A, 38), code::A);  // letters keep following the layout
}
