#pragma once
#include <QList>
#include <QString>
#include <optional>

namespace qv {

// A key the user typed: its native code (an X key code), pressed or released, at a time of the
// server's clock (milliseconds).
struct TypedKey {
  quint32 code = 0;
  bool press = true;
  quint32 time = 0;
  bool operator==(const TypedKey&) const = default;
};

// The keys typed while the keyboard is held back, kept in order to be typed again afterwards.
// The key that picked may still be down when the hold begins: its repeats and its release are
// left out, so it neither repeats into the application nor reaches it at all.
class HeldKeys {
 public:
  // More are dropped; a second of fast typing is about 20 presses and releases.
  static constexpr qsizetype kMaxKeys = 512;

  HeldKeys() = default;
  HeldKeys(quint32 pickingKey, bool pickingKeyDown) : pickingKey_(pickingKey), pickingKeyDown_(pickingKeyDown) {}

  // Kept in the order of their times: keys that reached one of our windows before the hold took
  // the keyboard may come in after later ones.
  void add(const TypedKey& key);
  bool pickingKeyDown() const { return pickingKeyDown_; }
  // The kept keys in order, and after them a release of each key they leave down (a key left
  // down on the posting device would repeat without end); the list is emptied.
  QList<TypedKey> take();

 private:
  quint32 pickingKey_ = 0;
  bool pickingKeyDown_ = false;
  std::optional<quint32> pickingReleaseTime_;
  QList<TypedKey> keys_;
};

// Types keystrokes into whatever window has the keyboard focus. On X11 through XTest; with no
// X server (Wayland) nothing can be posted.
class KeyPoster {
 public:
  virtual ~KeyPoster() = default;

  // Whether keystrokes can be posted at all in this session.
  virtual bool canPost() const = 0;

  // The paste keystroke for a window of `windowClass`: first the modifiers still held down are
  // released (a Shift left over from the pick would make it another shortcut), then Ctrl+V, or
  // Ctrl+Shift+V for a terminal emulator. False when nothing was posted.
  virtual bool postPaste(const QString& windowClass) = 0;

  // Holds back the keys the user types from now on, from every window, until releaseHeldKeys()
  // (a paste posted meanwhile still reaches the focused window). `pickingKey` is the native
  // code of the key whose press picked, 0 for none. False when the keyboard cannot be taken
  // now (another program holds it): the hold has begun all the same, and asking again later
  // may take it.
  virtual bool holdKeys(quint32 pickingKey) = 0;
  // A key that reached one of our own windows during a hold (before the keyboard was taken):
  // kept with the others. Nothing happens without a hold.
  virtual void keepTypedKey(const TypedKey& key) = 0;
  // Whether the key that picked is still down while the keys are held.
  virtual bool pickingKeyDown() const = 0;
  // Ends the hold: the held keys are typed into the focused window, after what was posted
  // before, in the order they were typed. Nothing happens without a hold.
  virtual void releaseHeldKeys() = 0;
};

// Terminal emulators paste with Ctrl+Shift+V; they are known by their WM_CLASS class (or
// instance), compared without letter case.
bool isTerminalWindowClass(const QString& windowClass);

// An X11 desktop session: DISPLAY is set and the session is not Wayland (under Wayland,
// XWayland's XTest reaches only X clients, so keys are not posted there).
bool isX11Session();

}  // namespace qv
