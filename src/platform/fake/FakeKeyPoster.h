#pragma once
#include "platform/KeyPoster.h"

#include <QStringList>
#include <functional>
#include <optional>

namespace qv {

// Records the paste keystrokes instead of posting them. The test types keys with type(): held
// back during a hold, else they reach the focused window at once; `received` is what that
// window got, in order.
class FakeKeyPoster : public KeyPoster {
 public:
  bool canPost() const override { return available; }
  bool postPaste(const QString& windowClass) override {
    if (!available) return false;
    pastes.append(windowClass);
    received.append(QStringLiteral("paste"));
    if (onPost) onPost();
    return true;
  }
  bool holdKeys(quint32 pickingKey) override {
    if (!available) return false;
    if (!hold_) hold_ = HeldKeys(pickingKey, pickingKey != 0 && pickingKeyStillDown);
    keyboardHeld = !keyboardTakenElsewhere;
    return keyboardHeld;
  }
  void keepTypedKey(const TypedKey& key) override {
    if (hold_) hold_->add(key);
  }
  bool pickingKeyDown() const override { return hold_ && hold_->pickingKeyDown(); }
  void releaseHeldKeys() override {
    if (!hold_) return;
    for (const TypedKey& key : hold_->take()) received.append(describe(key));
    hold_.reset();
    keyboardHeld = false;
  }

  bool isHolding() const { return hold_.has_value(); }
  // A key the user types now: it reaches the focused window unless the keyboard is held.
  void type(quint32 code, bool press, quint32 time = 0) {
    const TypedKey key{code, press, time};
    if (keyboardHeld) hold_->add(key);
    else received.append(describe(key));
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
  // What the focused window received: "paste" and the typed keys.
  QStringList received;
  // Runs as each paste is posted.
  std::function<void()> onPost;

 private:
  std::optional<HeldKeys> hold_;
};

}  // namespace qv
