#include "platform/keys/KeyPress.h"

#include "platform/keys/KeyCodes.h"

#include <QKeyEvent>

namespace qv::keys {

namespace {
constexpr int kKeypadEnter = 76;
constexpr int kForwardDelete = 117;
}  // namespace

KeyPress KeyPress::from(const QKeyEvent& event) {
  KeyPress input;
  int keyCode = keyCodeForQtKey(event.key(), event.modifiers()).value_or(-1);
  if (keyCode == kKeypadEnter) keyCode = code::Return;
  // PC keyboards have both delete keys; the forward one removes like BackSpace.
  if (keyCode == kForwardDelete) keyCode = code::Delete;
  // Ctrl with a key of the digit row picks by position, whatever the layout types there.
  if (const std::optional<int> digit = digitRowKeyCodeForServerKey(event.nativeScanCode())) keyCode = *digit;
  input.keyCode = keyCode;
  input.flags = eventModifierFlags(event.modifiers(), keyCode) & kDeviceIndependentMask;
  input.characters = event.text();
  input.isRepeat = event.isAutoRepeat();
  return input;
}

bool KeyPress::hasShift() const { return (flags & kShiftFlag) != 0; }

int KeyPress::digitPosition() const {
  using namespace code;
  constexpr int kDigits[] = {Digit1, Digit2, Digit3, Digit4, Digit5, Digit6, Digit7, Digit8, Digit9};
  for (int position = 0; position < int(std::size(kDigits)); ++position)
    if (kDigits[position] == keyCode) return position;
  return -1;
}

bool KeyPress::typesText() const {
  if (characters.isEmpty()) return false;
  const char32_t first = characters.toUcs4().constFirst();
  return QChar::category(first) != QChar::Other_Control && !QChar::isSpace(first);
}

}  // namespace qv::keys
