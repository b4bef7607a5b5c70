#pragma once
#include <QString>

class QKeyEvent;

namespace qv::keys {

// A key press in the stored key model, as the panel's and the library's key handling read it:
// the key's stored code, the modifier bits (device-independent, without Caps Lock; arrows also
// carry the numeric-pad and function bits), the typed text and whether it is an auto-repeat.
struct KeyPress {
  int keyCode = -1;  // -1: a key the stored model does not know
  int flags = 0;
  QString characters;
  bool isRepeat = false;

  // The keypad's Enter counts as Return, the forward Delete key as BackSpace (Delete). The keys
  // 1 to 9 of the top row count by position, whatever the layout types there.
  static KeyPress from(const QKeyEvent& event);

  bool hasShift() const;
  // The key is a digit 1-9 of the main row: its position in the list (0-8).
  int digitPosition() const;
  // The text starts with something printable (neither a control character nor white space).
  bool typesText() const;
};

}  // namespace qv::keys
