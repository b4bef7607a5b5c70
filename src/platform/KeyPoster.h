#pragma once
#include <QList>
#include <QSet>
#include <QString>
#include <array>
#include <optional>

namespace qv {

// A key the user typed: its native code (an X key code), pressed or released, at a time of the
// server's clock (milliseconds), with the modifiers that were down as it was typed (an X state
// mask: Shift 1, Lock 2, Control 4, Mod1 8 ... Mod5 128).
struct TypedKey {
  quint32 code = 0;
  bool press = true;
  quint32 time = 0;
  quint16 state = 0;
  bool operator==(const TypedKey&) const = default;
};

// The keys of each of the eight modifiers (Shift, Lock, Control, Mod1 ... Mod5) in the keyboard
// map, and which of them a key may be typed in by holding their key for it: not the locks.
struct ModifierKeys {
  std::array<QList<quint32>, 8> keys;
  quint16 adjustable = 0;

  bool isModifier(quint32 code) const { return maskOf(code) != 0; }
  // The modifier bits a key sets.
  quint16 maskOf(quint32 code) const;
  // The modifiers that `down` keys set.
  quint16 maskOf(const QSet<quint32>& down) const;
  QSet<quint32> modifiersAmong(const QSet<quint32>& down) const;
};

// How to type kept keys again on a device whose keys `down` are down: each press in the
// modifiers it was typed with (a missing one held for it, one too many let go for it), and
// after a release of that key (the server drops a press of a key already down); no release
// that the kept keys do not have, so a key the user still holds stays down and repeats.
QList<TypedKey> replayKeys(const QList<TypedKey>& kept, const ModifierKeys& modifiers, QSet<quint32> down);

// The keys typed while the keyboard is held back, kept in order to be typed again afterwards.
// The key that picked may still be down when the hold begins: its repeats and its release are
// left out, so it neither repeats into the application nor reaches it at all. Also follows
// which keys are down, from those down when the hold began.
class HeldKeys {
 public:
  // More are dropped; a second of fast typing is about 20 presses and releases.
  static constexpr qsizetype kMaxKeys = 512;

  HeldKeys() = default;
  HeldKeys(quint32 pickingKey, bool pickingKeyDown, QSet<quint32> downAtStart = {})
      : pickingKey_(pickingKey), pickingKeyDown_(pickingKeyDown), down_(std::move(downAtStart)) {}

  // Kept in the order of their times: keys that reached one of our windows before the hold took
  // the keyboard may come in after later ones.
  void add(const TypedKey& key);
  bool pickingKeyDown() const { return pickingKeyDown_; }
  // The keys down now, as far as the hold has seen.
  const QSet<quint32>& keysDown() const { return down_; }
  // The kept keys in order; the list is emptied. A key they leave down is the user's, still held.
  QList<TypedKey> take();

 private:
  quint32 pickingKey_ = 0;
  bool pickingKeyDown_ = false;
  std::optional<quint32> pickingReleaseTime_;
  QSet<quint32> down_;
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
  // Ctrl+Shift+V for a terminal emulator; during a hold, the modifiers the user still holds are
  // then pressed again, so that the next keys get them. False when nothing was posted.
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
