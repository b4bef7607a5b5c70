#include "platform/keys/KeyCodes.h"

#include <gtest/gtest.h>
#include <set>

using namespace qv::keys;

namespace {

// The key-name table of the shortcut recorder: every code with the name it shows.
const std::vector<std::pair<int, QString>> kNamedKeys = {
    {0, "A"},
    {1, "S"},
    {2, "D"},
    {3, "F"},
    {4, "H"},
    {5, "G"},
    {6, "Z"},
    {7, "X"},
    {8, "C"},
    {9, "V"},
    {11, "B"},
    {12, "Q"},
    {13, "W"},
    {14, "E"},
    {15, "R"},
    {16, "Y"},
    {17, "T"},
    {31, "O"},
    {32, "U"},
    {34, "I"},
    {35, "P"},
    {37, "L"},
    {38, "J"},
    {40, "K"},
    {45, "N"},
    {46, "M"},
    {18, "1"},
    {19, "2"},
    {20, "3"},
    {21, "4"},
    {23, "5"},
    {22, "6"},
    {26, "7"},
    {28, "8"},
    {25, "9"},
    {29, "0"},
    {36, QString(QChar(0x21A9))},
    {48, QString(QChar(0x21E5))},
    {49, "Space"},
    {51, QString(QChar(0x232B))},
    {123, QString(QChar(0x2190))},
    {124, QString(QChar(0x2192))},
    {125, QString(QChar(0x2193))},
    {126, QString(QChar(0x2191))},
    {122, "F1"},
    {120, "F2"},
    {99, "F3"},
    {118, "F4"},
    {96, "F5"},
    {97, "F6"},
    {98, "F7"},
    {100, "F8"},
    {101, "F9"},
    {109, "F10"},
    {103, "F11"},
    {111, "F12"},
};

}  // namespace

TEST(KeyCodes, ShortcutNamesCoverExactlyTheRecorderTable) {
  ASSERT_EQ(kNamedKeys.size(), 56u);
  for (const auto& [code, name] : kNamedKeys) EXPECT_EQ(keyName(code), name) << code;
  int named = 0;
  for (const KeyEntry& entry : keyTable()) named += entry.name != nullptr;
  EXPECT_EQ(named, 56);
  for (int code : {24, 27, 50, 10, 52, 200, -1}) EXPECT_EQ(keyName(code), "?") << code;
}

TEST(KeyCodes, TableHasOneEntryPerCodeAndDistinctKeysyms) {
  std::set<int> codes;
  std::set<uint32_t> keysyms;
  for (const KeyEntry& entry : keyTable()) {
    EXPECT_TRUE(codes.insert(entry.keyCode).second) << "duplicate code " << entry.keyCode;
    EXPECT_TRUE(keysyms.insert(entry.keysym).second) << "duplicate keysym for code " << entry.keyCode;
  }
}

TEST(KeyCodes, EveryStoredKeyRoundTripsThroughXAndQt) {
  // Recorder keys, panel keys (F, C, P, T, Return, Space, Escape, Delete, arrows, digits), the
  // library's M, W and comma, and the paste key V.
  std::vector<int> used;
  for (const auto& [code, name] : kNamedKeys) used.push_back(code);
  for (int code : {13, 43, 46, 53, 9, 24, 27, 50}) used.push_back(code);
  for (int code : used) {
    const auto keysym = keysymForKeyCode(code);
    ASSERT_TRUE(keysym) << code;
    EXPECT_EQ(keyCodeForKeysym(*keysym), code) << code;
    const auto qtKey = qtKeyForKeyCode(code);
    ASSERT_TRUE(qtKey) << code;
    EXPECT_EQ(keyCodeForQtKey(*qtKey), code) << code;
  }
}

TEST(KeyCodes, KnownKeysMapToTheirXKeysymsAndQtKeys) {
  EXPECT_EQ(keysymForKeyCode(code::V), 0x76u);         // 'v', the paste key
  EXPECT_EQ(keysymForKeyCode(code::Delete), 0xff08u);  // the backspace key
  EXPECT_EQ(keysymForKeyCode(117), 0xffffu);           // forward delete
  EXPECT_EQ(qtKeyForKeyCode(code::Digit5), int(Qt::Key_5));
  EXPECT_FALSE(keysymForKeyCode(10));
  EXPECT_FALSE(keyCodeForKeysym(0x20ac));  // EuroSign: no key position of ours
}

TEST(KeyCodes, ShiftedSymbolsFindTheirKeyPosition) {
  // Command-Shift-1 arrives from Qt as Ctrl+Shift+'!' on a US layout: still the "1" key.
  EXPECT_EQ(keyCodeForQtKey(Qt::Key_Exclam), code::Digit1);
  EXPECT_EQ(keyCodeForQtKey(Qt::Key_ParenLeft), code::Digit9);
  EXPECT_EQ(keyCodeForQtKey(Qt::Key_Backtab), code::Tab);
  EXPECT_EQ(keyCodeForQtKey(Qt::Key_Plus), code::Equal);
  EXPECT_EQ(keyCodeForKeysym(0x41), code::A);       // 'A'
  EXPECT_EQ(keyCodeForKeysym(0x40), code::Digit2);  // '@'
  EXPECT_EQ(keyCodeForKeysym(0xfe20), code::Tab);   // ISO_Left_Tab
}

TEST(KeyCodes, KeypadKeysAreTheirOwnPositions) {
  EXPECT_EQ(keyCodeForQtKey(Qt::Key_1, Qt::KeypadModifier), 83);
  EXPECT_EQ(keyCodeForQtKey(Qt::Key_1), code::Digit1);
  EXPECT_EQ(keyCodeForQtKey(Qt::Key_Enter, Qt::KeypadModifier), 76);
  EXPECT_EQ(keyCodeForQtKey(Qt::Key_Enter), 76);
  EXPECT_EQ(keyCodeForQtKey(Qt::Key_Plus, Qt::KeypadModifier), 69);
  EXPECT_EQ(keyCodeForQtKey(Qt::Key_Asterisk), code::Digit8);
  // Arrows from a keypad without Num Lock are still the arrows.
  EXPECT_EQ(keyCodeForQtKey(Qt::Key_Left, Qt::KeypadModifier), code::LeftArrow);
  EXPECT_FALSE(keyCodeForQtKey(Qt::Key_Launch0));
}

TEST(KeyCodes, ModifiersMapCommandToCtrlOptionToAltControlToSuper) {
  EXPECT_EQ(modifierFlagsFromQt(Qt::ControlModifier), kCommandFlag);
  EXPECT_EQ(modifierFlagsFromQt(Qt::AltModifier), kOptionFlag);
  EXPECT_EQ(modifierFlagsFromQt(Qt::MetaModifier), kControlFlag);
  EXPECT_EQ(modifierFlagsFromQt(Qt::ShiftModifier | Qt::ControlModifier), 0x120000);
  EXPECT_EQ(modifierFlagsFromQt(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier),
            kShortcutModifierMask);
  EXPECT_EQ(qtModifiersFromFlags(0x120000), Qt::ShiftModifier | Qt::ControlModifier);
  EXPECT_EQ(qtModifiersFromFlags(kControlFlag | kOptionFlag), Qt::MetaModifier | Qt::AltModifier);

  const X11Modifiers cmdShift = x11ModifiersForFlags(0x120000);
  EXPECT_TRUE(cmdShift.control && cmdShift.shift && !cmdShift.alt && !cmdShift.super);
  const X11Modifiers ctrlOpt = x11ModifiersForFlags(kControlFlag | kOptionFlag | kCapsLockFlag);
  EXPECT_TRUE(ctrlOpt.super && ctrlOpt.alt && !ctrlOpt.control && !ctrlOpt.shift);
  for (int flags : {0, 0x20000, 0x40000, 0x80000, 0x100000, 0x1E0000})
    EXPECT_EQ(flagsForX11Modifiers(x11ModifiersForFlags(flags)), flags);
}

TEST(KeyCodes, EventFlagsMarkArrowsAndFunctionKeysSoTheyNeverMatchPlainCommand) {
  const int arrow = eventModifierFlags(Qt::ControlModifier, code::UpArrow);
  EXPECT_NE(arrow & kDeviceIndependentMask, kCommandFlag);
  EXPECT_TRUE(arrow & kNumericPadFlag);
  EXPECT_TRUE(arrow & kFunctionFlag);
  EXPECT_EQ(eventModifierFlags(Qt::ControlModifier, code::C), kCommandFlag);
  EXPECT_EQ(eventModifierFlags(Qt::NoModifier, code::F5), kFunctionFlag);
  EXPECT_EQ(eventModifierFlags(Qt::KeypadModifier, 83), kNumericPadFlag);
  EXPECT_EQ(eventModifierFlags(Qt::ShiftModifier | Qt::KeypadModifier, code::Digit1), kShiftFlag);
}
