#include "platform/keys/KeyCodes.h"

#include <array>

namespace qv::keys {
namespace {

// Keysym values (X11 protocol constants; named here so that no X header is needed).
constexpr uint32_t XK_BackSpace = 0xff08, XK_Tab = 0xff09, XK_Clear = 0xff0b, XK_Return = 0xff0d;
constexpr uint32_t XK_Escape = 0xff1b, XK_Delete = 0xffff, XK_ISO_Left_Tab = 0xfe20;
constexpr uint32_t XK_Home = 0xff50, XK_Left = 0xff51, XK_Up = 0xff52, XK_Right = 0xff53, XK_Down = 0xff54;
constexpr uint32_t XK_Prior = 0xff55, XK_Next = 0xff56, XK_End = 0xff57, XK_Help = 0xff6a;
constexpr uint32_t XK_KP_Enter = 0xff8d, XK_KP_Multiply = 0xffaa, XK_KP_Add = 0xffab;
constexpr uint32_t XK_KP_Subtract = 0xffad, XK_KP_Decimal = 0xffae, XK_KP_Divide = 0xffaf;
constexpr uint32_t XK_KP_0 = 0xffb0, XK_KP_Equal = 0xffbd, XK_F1 = 0xffbe;
constexpr uint32_t XK_Shift_L = 0xffe1, XK_Shift_R = 0xffe2, XK_Control_L = 0xffe3, XK_Control_R = 0xffe4;
constexpr uint32_t XK_Caps_Lock = 0xffe5, XK_Alt_L = 0xffe9, XK_Alt_R = 0xffea, XK_Super_L = 0xffeb;
constexpr uint32_t XK_Super_R = 0xffec;
constexpr uint32_t XF86_AudioLowerVolume = 0x1008ff11, XF86_AudioMute = 0x1008ff12;
constexpr uint32_t XF86_AudioRaiseVolume = 0x1008ff13;

constexpr uint32_t fKey(int n) { return XK_F1 + uint32_t(n - 1); }
constexpr int qtF(int n) { return Qt::Key_F1 + (n - 1); }

constexpr KeyEntry letter(int keyCode, char upper) {
  return {keyCode, uint32_t(upper - 'A' + 'a'), uint32_t(upper), upper, 0, false, nullptr};
}
constexpr KeyEntry digit(int keyCode, char digitChar, uint32_t shiftedKeysym) {
  return {keyCode, uint32_t(digitChar), shiftedKeysym, digitChar, int(shiftedKeysym), false, nullptr};
}
constexpr KeyEntry punct(int keyCode, char plain, char shifted) {
  return {keyCode, uint32_t(plain), uint32_t(shifted), plain, shifted, false, nullptr};
}
constexpr KeyEntry special(int keyCode, uint32_t keysym, int qtKey, int shiftedQtKey = 0, uint32_t shiftedKeysym = 0) {
  return {keyCode, keysym, shiftedKeysym, qtKey, shiftedQtKey, false, nullptr};
}
constexpr KeyEntry keypad(int keyCode, uint32_t keysym, int qtKey) {
  return {keyCode, keysym, 0, qtKey, 0, true, nullptr};
}

constexpr auto makeTable() {
  auto t = std::to_array<KeyEntry>({
      letter(0, 'A'),
      letter(1, 'S'),
      letter(2, 'D'),
      letter(3, 'F'),
      letter(4, 'H'),
      letter(5, 'G'),
      letter(6, 'Z'),
      letter(7, 'X'),
      letter(8, 'C'),
      letter(9, 'V'),
      letter(11, 'B'),
      letter(12, 'Q'),
      letter(13, 'W'),
      letter(14, 'E'),
      letter(15, 'R'),
      letter(16, 'Y'),
      letter(17, 'T'),
      digit(18, '1', '!'),
      digit(19, '2', '@'),
      digit(20, '3', '#'),
      digit(21, '4', '$'),
      digit(22, '6', '^'),
      digit(23, '5', '%'),
      punct(24, '=', '+'),
      digit(25, '9', '('),
      digit(26, '7', '&'),
      punct(27, '-', '_'),
      digit(28, '8', '*'),
      digit(29, '0', ')'),
      punct(30, ']', '}'),
      letter(31, 'O'),
      letter(32, 'U'),
      punct(33, '[', '{'),
      letter(34, 'I'),
      letter(35, 'P'),
      special(36, XK_Return, Qt::Key_Return),
      letter(37, 'L'),
      letter(38, 'J'),
      punct(39, '\'', '"'),
      letter(40, 'K'),
      punct(41, ';', ':'),
      punct(42, '\\', '|'),
      punct(43, ',', '<'),
      punct(44, '/', '?'),
      letter(45, 'N'),
      letter(46, 'M'),
      punct(47, '.', '>'),
      special(48, XK_Tab, Qt::Key_Tab, Qt::Key_Backtab, XK_ISO_Left_Tab),
      special(49, ' ', Qt::Key_Space),
      punct(50, '`', '~'),
      special(51, XK_BackSpace, Qt::Key_Backspace),
      special(53, XK_Escape, Qt::Key_Escape),
      // Modifier keys themselves: Command is Ctrl, Option is Alt, Control is Super.
      special(54, XK_Control_R, Qt::Key_Control),
      special(55, XK_Control_L, Qt::Key_Control),
      special(56, XK_Shift_L, Qt::Key_Shift),
      special(57, XK_Caps_Lock, Qt::Key_CapsLock),
      special(58, XK_Alt_L, Qt::Key_Alt),
      special(59, XK_Super_L, Qt::Key_Meta),
      special(60, XK_Shift_R, Qt::Key_Shift),
      special(61, XK_Alt_R, Qt::Key_Alt),
      special(62, XK_Super_R, Qt::Key_Meta),
      special(64, fKey(17), qtF(17)),
      keypad(65, XK_KP_Decimal, Qt::Key_Period),
      keypad(67, XK_KP_Multiply, Qt::Key_Asterisk),
      keypad(69, XK_KP_Add, Qt::Key_Plus),
      keypad(71, XK_Clear, Qt::Key_Clear),
      special(72, XF86_AudioRaiseVolume, Qt::Key_VolumeUp),
      special(73, XF86_AudioLowerVolume, Qt::Key_VolumeDown),
      special(74, XF86_AudioMute, Qt::Key_VolumeMute),
      keypad(75, XK_KP_Divide, Qt::Key_Slash),
      keypad(76, XK_KP_Enter, Qt::Key_Enter),
      keypad(78, XK_KP_Subtract, Qt::Key_Minus),
      special(79, fKey(18), qtF(18)),
      special(80, fKey(19), qtF(19)),
      keypad(81, XK_KP_Equal, Qt::Key_Equal),
      keypad(82, XK_KP_0 + 0, Qt::Key_0),
      keypad(83, XK_KP_0 + 1, Qt::Key_1),
      keypad(84, XK_KP_0 + 2, Qt::Key_2),
      keypad(85, XK_KP_0 + 3, Qt::Key_3),
      keypad(86, XK_KP_0 + 4, Qt::Key_4),
      keypad(87, XK_KP_0 + 5, Qt::Key_5),
      keypad(88, XK_KP_0 + 6, Qt::Key_6),
      keypad(89, XK_KP_0 + 7, Qt::Key_7),
      special(90, fKey(20), qtF(20)),
      keypad(91, XK_KP_0 + 8, Qt::Key_8),
      keypad(92, XK_KP_0 + 9, Qt::Key_9),
      special(96, fKey(5), qtF(5)),
      special(97, fKey(6), qtF(6)),
      special(98, fKey(7), qtF(7)),
      special(99, fKey(3), qtF(3)),
      special(100, fKey(8), qtF(8)),
      special(101, fKey(9), qtF(9)),
      special(103, fKey(11), qtF(11)),
      special(105, fKey(13), qtF(13)),
      special(106, fKey(16), qtF(16)),
      special(107, fKey(14), qtF(14)),
      special(109, fKey(10), qtF(10)),
      special(111, fKey(12), qtF(12)),
      special(113, fKey(15), qtF(15)),
      special(114, XK_Help, Qt::Key_Help),
      special(115, XK_Home, Qt::Key_Home),
      special(116, XK_Prior, Qt::Key_PageUp),
      special(117, XK_Delete, Qt::Key_Delete),
      special(118, fKey(4), qtF(4)),
      special(119, XK_End, Qt::Key_End),
      special(120, fKey(2), qtF(2)),
      special(121, XK_Next, Qt::Key_PageDown),
      special(122, fKey(1), qtF(1)),
      special(123, XK_Left, Qt::Key_Left),
      special(124, XK_Right, Qt::Key_Right),
      special(125, XK_Down, Qt::Key_Down),
      special(126, XK_Up, Qt::Key_Up),
  });
  // The names a recorded shortcut shows; every other key shows "?".
  struct Named {
    int keyCode;
    const char* name;
  };
  constexpr Named names[] = {
      {0, "A"},        {1, "S"},        {2, "D"},       {3, "F"},      {4, "H"},       {5, "G"},        {6, "Z"},
      {7, "X"},        {8, "C"},        {9, "V"},       {11, "B"},     {12, "Q"},      {13, "W"},       {14, "E"},
      {15, "R"},       {16, "Y"},       {17, "T"},      {31, "O"},     {32, "U"},      {34, "I"},       {35, "P"},
      {37, "L"},       {38, "J"},       {40, "K"},      {45, "N"},     {46, "M"},      {18, "1"},       {19, "2"},
      {20, "3"},       {21, "4"},       {23, "5"},      {22, "6"},     {26, "7"},      {28, "8"},       {25, "9"},
      {29, "0"},       {36, "\u21A9"},  {48, "\u21E5"}, {49, "Space"}, {51, "\u232B"}, {123, "\u2190"}, {124, "\u2192"},
      {125, "\u2193"}, {126, "\u2191"}, {122, "F1"},    {120, "F2"},   {99, "F3"},     {118, "F4"},     {96, "F5"},
      {97, "F6"},      {98, "F7"},      {100, "F8"},    {101, "F9"},   {109, "F10"},   {103, "F11"},    {111, "F12"},
  };
  static_assert(std::size(names) == 56);
  for (const Named& named : names)
    for (KeyEntry& entry : t)
      if (entry.keyCode == named.keyCode) entry.name = named.name;
  return t;
}

constexpr auto kTable = makeTable();

bool isArrow(int keyCode) { return keyCode >= code::LeftArrow && keyCode <= code::UpArrow; }

bool isFunctionKey(int keyCode) {
  switch (keyCode) {
    case 64:
    case 79:
    case 80:
    case 90:
    case 96:
    case 97:
    case 98:
    case 99:
    case 100:
    case 101:
    case 103:
    case 105:
    case 106:
    case 107:
    case 109:
    case 111:
    case 113:
    case 114:
    case 115:
    case 116:
    case 117:
    case 118:
    case 119:
    case 120:
    case 121:
    case 122: return true;
    default: return isArrow(keyCode);
  }
}

}  // namespace

std::span<const KeyEntry> keyTable() { return kTable; }

const KeyEntry* entryForKeyCode(int keyCode) {
  for (const KeyEntry& entry : kTable)
    if (entry.keyCode == keyCode) return &entry;
  return nullptr;
}

std::optional<uint32_t> keysymForKeyCode(int keyCode) {
  if (const KeyEntry* entry = entryForKeyCode(keyCode)) return entry->keysym;
  return std::nullopt;
}

std::optional<int> keyCodeForKeysym(uint32_t keysym) {
  for (const KeyEntry& entry : kTable)
    if (entry.keysym == keysym) return entry.keyCode;
  for (const KeyEntry& entry : kTable)
    if (entry.shiftedKeysym != 0 && entry.shiftedKeysym == keysym) return entry.keyCode;
  return std::nullopt;
}

std::optional<int> qtKeyForKeyCode(int keyCode) {
  if (const KeyEntry* entry = entryForKeyCode(keyCode)) return entry->qtKey;
  return std::nullopt;
}

std::optional<int> keyCodeForQtKey(int qtKey, Qt::KeyboardModifiers modifiers) {
  const bool onKeypad = modifiers.testFlag(Qt::KeypadModifier);
  // Keypad keys first when Qt says the key came from the keypad; Enter and Clear only exist there.
  for (int pass = 0; pass < 2; ++pass) {
    const bool wantKeypad = pass == 0 ? onKeypad : !onKeypad;
    for (const KeyEntry& entry : kTable) {
      if (entry.keypad != wantKeypad) continue;
      if (entry.qtKey == qtKey || (entry.shiftedQtKey != 0 && entry.shiftedQtKey == qtKey)) return entry.keyCode;
    }
  }
  return std::nullopt;
}

QString keyName(int keyCode) {
  const KeyEntry* entry = entryForKeyCode(keyCode);
  return entry && entry->name ? QString::fromUtf8(entry->name) : QStringLiteral("?");
}

int modifierFlagsFromQt(Qt::KeyboardModifiers modifiers) {
  int flags = 0;
  if (modifiers & Qt::ShiftModifier) flags |= kShiftFlag;
  if (modifiers & Qt::ControlModifier) flags |= kCommandFlag;
  if (modifiers & Qt::AltModifier) flags |= kOptionFlag;
  if (modifiers & Qt::MetaModifier) flags |= kControlFlag;
  if (modifiers & Qt::KeypadModifier) flags |= kNumericPadFlag;
  return flags;
}

Qt::KeyboardModifiers qtModifiersFromFlags(int flags) {
  Qt::KeyboardModifiers modifiers;
  if (flags & kShiftFlag) modifiers |= Qt::ShiftModifier;
  if (flags & kCommandFlag) modifiers |= Qt::ControlModifier;
  if (flags & kOptionFlag) modifiers |= Qt::AltModifier;
  if (flags & kControlFlag) modifiers |= Qt::MetaModifier;
  if (flags & kNumericPadFlag) modifiers |= Qt::KeypadModifier;
  return modifiers;
}

int eventModifierFlags(Qt::KeyboardModifiers modifiers, int keyCode) {
  int flags = modifierFlagsFromQt(modifiers) & ~kNumericPadFlag;
  const KeyEntry* entry = entryForKeyCode(keyCode);
  if ((entry && entry->keypad) || isArrow(keyCode)) flags |= kNumericPadFlag;
  if (isFunctionKey(keyCode)) flags |= kFunctionFlag;
  return flags;
}

X11Modifiers x11ModifiersForFlags(int flags) {
  return {(flags & kShiftFlag) != 0, (flags & kCommandFlag) != 0, (flags & kOptionFlag) != 0,
          (flags & kControlFlag) != 0};
}

int flagsForX11Modifiers(const X11Modifiers& modifiers) {
  return (modifiers.shift ? kShiftFlag : 0) | (modifiers.control ? kCommandFlag : 0) |
         (modifiers.alt ? kOptionFlag : 0) | (modifiers.super ? kControlFlag : 0);
}

bool isTypingKey(int keyCode) {
  const KeyEntry* entry = entryForKeyCode(keyCode);
  if (!entry) return false;
  // Printable keysyms are Latin-1 characters (Space included).
  return entry->keysym < 0x100 || entry->keypad || keyCode == code::Return || keyCode == code::Tab ||
         keyCode == code::Delete;
}

std::optional<ShortcutRefusal> shortcutRefusal(const StoredShortcut& shortcut) {
  constexpr int kForwardDeleteKeyCode = 117;
  const int flags = shortcut.modifiers & kShortcutModifierMask;
  const int key = shortcut.keyCode;
  if (flags == kShiftFlag && key == kInsertKeyCode) return ShortcutRefusal::pasting;
  if (flags == kShiftFlag && isTypingKey(key)) return ShortcutRefusal::typing;
  if (flags == kCommandFlag && key == code::V) return ShortcutRefusal::pasting;
  if (flags == (kCommandFlag | kOptionFlag) && key == kForwardDeleteKeyCode) return ShortcutRefusal::desktop;
  if (flags == kCommandFlag &&
      (key == code::Q || key == code::W || key == code::Tab || key == code::Space || key == code::Delete))
    return ShortcutRefusal::desktop;
  return std::nullopt;
}

bool isReservedShortcut(const StoredShortcut& shortcut) { return shortcutRefusal(shortcut).has_value(); }

std::optional<StoredShortcut> pressedShortcut(int qtKey, Qt::KeyboardModifiers modifiers) {
  const int flags = modifierFlagsFromQt(modifiers) & kShortcutModifierMask;
  if (!flags) return std::nullopt;
  // Insert has no place in the stored key model; only its Shift form matters, and it is refused.
  if (qtKey == Qt::Key_Insert)
    return flags == kShiftFlag ? std::optional(StoredShortcut{kInsertKeyCode, flags}) : std::nullopt;
  const std::optional<int> keyCode = keyCodeForQtKey(qtKey, modifiers & Qt::KeypadModifier);
  if (!keyCode || !keysymForKeyCode(*keyCode)) return std::nullopt;
  return StoredShortcut{*keyCode, flags};
}

std::optional<StoredShortcut> shortcutFromQt(int qtKey, Qt::KeyboardModifiers modifiers) {
  const std::optional<StoredShortcut> shortcut = pressedShortcut(qtKey, modifiers);
  if (!shortcut || isReservedShortcut(*shortcut)) return std::nullopt;
  return shortcut;
}

QString shortcutText(const StoredShortcut& shortcut) {
  if (shortcut.keyCode < 0) return {};
  QString text;
  if (shortcut.modifiers & kCommandFlag) text += QStringLiteral("Ctrl+");
  if (shortcut.modifiers & kOptionFlag) text += QStringLiteral("Alt+");
  if (shortcut.modifiers & kControlFlag) text += QStringLiteral("Super+");
  if (shortcut.modifiers & kShiftFlag) text += QStringLiteral("Shift+");
  return text + keyName(shortcut.keyCode);
}

std::optional<int> digitRowKeyCodeForServerKey(quint32 serverKey) {
  constexpr quint32 kFirstDigitKey = 10;  // evdev KEY_1 (2) + 8
  constexpr int kDigits[] = {code::Digit1, code::Digit2, code::Digit3, code::Digit4, code::Digit5,
                             code::Digit6, code::Digit7, code::Digit8, code::Digit9};
  if (serverKey < kFirstDigitKey || serverKey >= kFirstDigitKey + std::size(kDigits)) return std::nullopt;
  return kDigits[serverKey - kFirstDigitKey];
}

}  // namespace qv::keys
