#pragma once
#include <QString>
#include <Qt>
#include <cstdint>
#include <optional>
#include <span>

// The stored key model: key codes and modifier bits keep the values the program has always
// stored (virtual key codes of the keyboard's key positions, modifier-flag bits), so a recorded
// shortcut keeps its meaning. This module is the one place that translates them to X keysyms
// and Qt keys. Command is Ctrl, Option is Alt, Control is Super, Shift is Shift.
namespace qv::keys {

// Stored modifier-flag bits.
inline constexpr int kCapsLockFlag = 0x10000;
inline constexpr int kShiftFlag = 0x20000;
inline constexpr int kControlFlag = 0x40000;
inline constexpr int kOptionFlag = 0x80000;
inline constexpr int kCommandFlag = 0x100000;
inline constexpr int kNumericPadFlag = 0x200000;
inline constexpr int kFunctionFlag = 0x800000;
// The four modifiers a shortcut may hold.
inline constexpr int kShortcutModifierMask = 0x1E0000;
// The device-independent flags without Caps Lock.
inline constexpr int kDeviceIndependentMask = 0xFFFE0000;

// Stored key codes the program itself names.
namespace code {
inline constexpr int A = 0, S = 1, D = 2, F = 3, H = 4, G = 5, Z = 6, X = 7, C = 8, V = 9;
inline constexpr int B = 11, Q = 12, W = 13, E = 14, R = 15, Y = 16, T = 17;
inline constexpr int Digit1 = 18, Digit2 = 19, Digit3 = 20, Digit4 = 21, Digit6 = 22, Digit5 = 23;
inline constexpr int Equal = 24, Digit9 = 25, Digit7 = 26, Minus = 27, Digit8 = 28, Digit0 = 29;
inline constexpr int RightBracket = 30, O = 31, U = 32, LeftBracket = 33, I = 34, P = 35;
inline constexpr int Return = 36, L = 37, J = 38, Quote = 39, K = 40, Semicolon = 41, Backslash = 42;
inline constexpr int Comma = 43, Slash = 44, N = 45, M = 46, Period = 47;
inline constexpr int Tab = 48, Space = 49, Grave = 50, Delete = 51, Escape = 53;
inline constexpr int F5 = 96, F6 = 97, F7 = 98, F3 = 99, F8 = 100, F9 = 101, F11 = 103, F10 = 109, F12 = 111;
inline constexpr int F4 = 118, F2 = 120, F1 = 122;
inline constexpr int LeftArrow = 123, RightArrow = 124, DownArrow = 125, UpArrow = 126;
}  // namespace code
// The key where PC keyboards have Insert (Help on others).
inline constexpr int kInsertKeyCode = 114;

// One key position.
struct KeyEntry {
  int keyCode;             // stored key code
  uint32_t keysym;         // X keysym on a US layout, unshifted
  uint32_t shiftedKeysym;  // with Shift on a US layout (0: same key, no distinct symbol)
  int qtKey;               // Qt::Key as Qt reports the key unshifted
  int shiftedQtKey;        // Qt::Key with Shift (0: the same as qtKey)
  bool keypad;             // on the numeric keypad (Qt reports Qt::KeypadModifier)
  const char* name;        // the shortcut's shown key name, nullptr where none is shown
};

// Every key position the program can store or look at.
std::span<const KeyEntry> keyTable();
const KeyEntry* entryForKeyCode(int keyCode);

// Stored key code -> the X keysym to grab or post (US layout, unshifted).
std::optional<uint32_t> keysymForKeyCode(int keyCode);
// X keysym (shifted or not, either letter case) -> stored key code.
std::optional<int> keyCodeForKeysym(uint32_t keysym);
// Stored key code -> Qt key; the keypad flag says whether Qt reports it with KeypadModifier.
std::optional<int> qtKeyForKeyCode(int keyCode);
// A Qt key event's key (shifted symbols included) and keypad modifier -> stored key code.
std::optional<int> keyCodeForQtKey(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// The keys 1 to 9 of the main keyboard's top row by position: the display server's key number
// (the evdev code plus 8, as X11 and Wayland servers number keys) -> stored digit key code. On
// layouts whose top row does not type digits (AZERTY types & é " ' …) these keys still mean 1 to 9.
std::optional<int> digitRowKeyCodeForServerKey(quint32 serverKey);

// Shown name of a key in a shortcut ("A", "↩", "F5"), "?" for keys without one.
QString keyName(int keyCode);

// A global shortcut as it is stored: a key code and the modifier bits held with it.
struct StoredShortcut {
  int keyCode = -1;
  int modifiers = 0;
  bool operator==(const StoredShortcut&) const = default;
};
// Whether the key types something (letters, digits, punctuation, Space, Return, Tab, BackSpace,
// the keypad), as opposed to function, arrow and navigation keys.
bool isTypingKey(int keyCode);
// Why a shortcut is never grabbed: it would take ordinary typing (a typing key with Shift as its
// only modifier) or pasting (exactly Ctrl+V, Shift+Insert) from every other program, or every
// desktop and most programs use it for their own work (Ctrl+Alt+Delete, Ctrl+Q, Ctrl+W,
// Ctrl+Tab, Ctrl+Space, Ctrl+BackSpace).
enum class ShortcutRefusal { typing, pasting, desktop };
std::optional<ShortcutRefusal> shortcutRefusal(const StoredShortcut& shortcut);
bool isReservedShortcut(const StoredShortcut& shortcut);
// A key pressed with at least one shortcut modifier -> the shortcut it makes, refused or not;
// none for a key the program cannot grab or a key without modifiers.
std::optional<StoredShortcut> pressedShortcut(int qtKey, Qt::KeyboardModifiers modifiers);
// A key pressed while recording a shortcut -> the shortcut to store; none for a key the program
// cannot grab, a key without modifiers, or a reserved shortcut.
std::optional<StoredShortcut> shortcutFromQt(int qtKey, Qt::KeyboardModifiers modifiers);
// The shortcut's shown text with the desktop's modifier names ("Ctrl+Shift+V"); empty for none.
QString shortcutText(const StoredShortcut& shortcut);

// Qt modifiers <-> stored bits (Ctrl = Command, Alt = Option, Meta/Super = Control).
int modifierFlagsFromQt(Qt::KeyboardModifiers modifiers);
Qt::KeyboardModifiers qtModifiersFromFlags(int flags);
// The flags a key event carries for a key: its modifiers, plus the numeric-pad flag for the
// keypad and arrows and the function flag for arrows, function and navigation keys.
int eventModifierFlags(Qt::KeyboardModifiers modifiers, int keyCode);

// The logical X modifiers a stored modifier set needs. The X modifier bit of Alt and Super
// depends on the server's modifier map, so the caller resolves those two.
struct X11Modifiers {
  bool shift = false;
  bool control = false;  // Ctrl (stored Command)
  bool alt = false;      // stored Option
  bool super = false;    // stored Control
  bool operator==(const X11Modifiers&) const = default;
};
X11Modifiers x11ModifiersForFlags(int flags);
int flagsForX11Modifiers(const X11Modifiers& modifiers);

}  // namespace qv::keys
