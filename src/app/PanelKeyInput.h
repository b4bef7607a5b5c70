#pragma once
#include <QString>

class QKeyEvent;

namespace qv {

// What the panel's key handling reads of a key press, in the stored key model: the key's
// stored code, the modifier bits (device-independent, without Caps Lock; arrows also carry the
// numeric-pad and function bits), the typed text and whether it is an auto-repeat.
struct PanelKeyInput {
  int keyCode = -1;  // -1: a key the stored model does not know
  int flags = 0;
  QString characters;
  bool isRepeat = false;

  // The keypad's Enter counts as Return, the forward Delete key as BackSpace (Delete).
  static PanelKeyInput from(const QKeyEvent& event);

  bool hasShift() const;
  // The key is a digit 1-9 of the main row: its position in the list (0-8).
  int digitPosition() const;
  // The text starts with something printable (neither a control character nor white space).
  bool typesText() const;
};

}  // namespace qv
