#pragma once
#include "platform/KeyPoster.h"

#include <QHash>
#include <QStringList>
#include <functional>
#include <optional>

namespace qv {

// Records the paste keystrokes instead of posting them. The test types keys with type(): held
// back during a hold, else they reach the focused window at once; `received` is what that
// window got, in order, and `text` what it typed. The user's keys and the posted ones act on
// one device, as under XTest: a press of a key that is down and a release of one that is up are
// dropped there.
class FakeKeyPoster : public KeyPoster {
 public:
  // X key codes of a US keyboard: Shift, Control and Alt.
  static constexpr quint32 kShiftCode = 50;
  static constexpr quint32 kControlCode = 37;
  static constexpr quint32 kAltCode = 64;

  FakeKeyPoster() {
    modifiers_.keys[0] = {kShiftCode, 62};
    modifiers_.keys[1] = {66};
    modifiers_.keys[2] = {kControlCode, 105};
    modifiers_.keys[3] = {kAltCode, 108};
    modifiers_.keys[4] = {77};
    modifiers_.adjustable = 0xff & ~(2 | 16);  // not Caps Lock, not Num Lock
  }

  bool canPost() const override { return available; }
  bool postPaste(const QString& windowClass) override {
    if (!available) return false;
    pastes.append(windowClass);
    // As the X11 poster: every modifier is let go, then Ctrl+V, then the user's are put back.
    const QSet<quint32> userHeld = hold_ ? modifiers_.modifiersAmong(hold_->keysDown()) : QSet<quint32>();
    for (const quint32 code : modifiers_.modifiersAmong(down_)) deliver({code, false});
    received.append(QStringLiteral("paste"));
    text += QStringLiteral("<paste>");
    for (const quint32 code : userHeld) deliver({code, true});
    if (onPost) onPost();
    return true;
  }
  bool holdKeys(quint32 pickingKey) override {
    if (!available) return false;
    if (!hold_) hold_ = HeldKeys(pickingKey, pickingKey != 0 && pickingKeyStillDown, down_);
    keyboardHeld = !keyboardTakenElsewhere;
    return keyboardHeld;
  }
  void keepTypedKey(const TypedKey& key) override {
    if (hold_) hold_->add(key);
  }
  bool pickingKeyDown() const override { return hold_ && hold_->pickingKeyDown(); }
  void releaseHeldKeys() override {
    if (!hold_) return;
    const QSet<quint32> modifiersDown = modifiers_.modifiersAmong(hold_->keysDown());
    for (const TypedKey& key : replayKeys(hold_->take(), modifiers_, modifiersDown)) deliver(key);
    hold_.reset();
    keyboardHeld = false;
  }

  bool isHolding() const { return hold_.has_value(); }
  bool isDown(quint32 code) const { return down_.contains(code); }
  // A key the user types now: it reaches the focused window unless the keyboard is held.
  void type(quint32 code, bool press, quint32 time = 0) {
    const TypedKey key{code, press, time, modifiers_.maskOf(down_)};
    if (!keyboardHeld) {
      deliver(key);
      return;
    }
    if (press) down_.insert(code);
    else down_.remove(code);
    hold_->add(key);
  }
  // "+38" for a press of key code 38, "-38" for its release.
  static QString describe(const TypedKey& key) {
    return (key.press ? QStringLiteral("+") : QStringLiteral("-")) + QString::number(key.code);
  }

  bool available = true;
  // Another program holds the keyboard: holdKeys() cannot take it.
  bool keyboardTakenElsewhere = false;
  // Whether a hold has the keyboard.
  bool keyboardHeld = false;
  // Whether the key that picked is still down when a hold begins.
  bool pickingKeyStillDown = true;
  // The window class of each posted paste, in order.
  QStringList pastes;
  // What the focused window received: "paste" and the keys.
  QStringList received;
  // What the focused window typed: "<paste>", and a letter or a line break per press of its
  // key, a capital while Shift is down.
  QString text;
  // Runs as each paste is posted.
  std::function<void()> onPost;

 private:
  void deliver(const TypedKey& key) {
    if (key.press == down_.contains(key.code)) return;
    if (key.press) {
      static const QHash<quint32, QChar> letters = {
          {24, u'q'}, {25, u'w'}, {26, u'e'}, {36, u'\n'}, {38, u'a'}, {40, u'd'},
          {41, u'f'}, {45, u'k'}, {52, u'z'}, {54, u'c'},  {56, u'b'},
      };
      const QChar letter = letters.value(key.code);
      const bool shifted = (modifiers_.maskOf(down_) & 1) != 0;
      if (!letter.isNull()) text += shifted ? letter.toUpper() : letter;
      down_.insert(key.code);
    } else {
      down_.remove(key.code);
    }
    received.append(describe(key));
  }

  ModifierKeys modifiers_;
  QSet<quint32> down_;  // on the device the user and the poster share
  std::optional<HeldKeys> hold_;
};

}  // namespace qv
