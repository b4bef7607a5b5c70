#include "app/PanelKeyInput.h"

#include "platform/keys/KeyCodes.h"

#include <QKeyEvent>

namespace qv {

namespace {
constexpr int kKeypadEnter = 76;
constexpr int kForwardDelete = 117;
}  // namespace

PanelKeyInput PanelKeyInput::from(const QKeyEvent& event) {
  PanelKeyInput input;
  int keyCode = keys::keyCodeForQtKey(event.key(), event.modifiers()).value_or(-1);
  if (keyCode == kKeypadEnter) keyCode = keys::code::Return;
  // PC keyboards have both delete keys; the forward one removes like BackSpace.
  if (keyCode == kForwardDelete) keyCode = keys::code::Delete;
  // Ctrl with a key of the digit row picks by position, whatever the layout types there.
  if (const std::optional<int> digit = keys::digitRowKeyCodeForServerKey(event.nativeScanCode())) keyCode = *digit;
  input.keyCode = keyCode;
  input.flags = keys::eventModifierFlags(event.modifiers(), keyCode) & keys::kDeviceIndependentMask;
  input.characters = event.text();
  input.isRepeat = event.isAutoRepeat();
  return input;
}

bool PanelKeyInput::hasShift() const { return (flags & keys::kShiftFlag) != 0; }

int PanelKeyInput::digitPosition() const {
  using namespace keys::code;
  constexpr int kDigits[] = {Digit1, Digit2, Digit3, Digit4, Digit5, Digit6, Digit7, Digit8, Digit9};
  for (int position = 0; position < int(std::size(kDigits)); ++position)
    if (kDigits[position] == keyCode) return position;
  return -1;
}

bool PanelKeyInput::typesText() const {
  if (characters.isEmpty()) return false;
  const char32_t first = characters.toUcs4().constFirst();
  return QChar::category(first) != QChar::Other_Control && !QChar::isSpace(first);
}

}  // namespace qv
