#include "app/HotkeyManager.h"
#include "support/CapturedLog.h"
#include "support/app/FakeContext.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

struct HotkeyManagerTest : ::testing::Test {
  void store(qint64 keyCode, qint64 modifiers) {
    fake.context->settings->set("qv.shortcut.keyCode", double(keyCode));
    fake.context->settings->set("qv.shortcut.modifiers", double(modifiers));
    fake.drain();
  }
  std::unique_ptr<HotkeyManager> make() {
    return std::make_unique<HotkeyManager>(*fake.context, [this] { ++presses; });
  }

  FakeContext fake;
  qv::test::CapturedLog log;
  int presses = 0;
};

}  // namespace

TEST_F(HotkeyManagerTest, WithoutAStoredShortcutNothingIsRegistered) {
  auto manager = make();
  EXPECT_FALSE(fake.hotKey->registered());
  EXPECT_FALSE(fake.hotKey->hasHandler());
  EXPECT_EQ(log.count(QtInfoMsg, "No shortcut recorded — hotkey idle"), 1);
  EXPECT_EQ(manager->appliedShortcut(), (HotkeyManager::Shortcut{-1, 0}));
}

TEST_F(HotkeyManagerTest, CommandShiftVRegistersAndLogsTheLegacyModifierNumbers) {
  store(9, 0x120000);
  auto manager = make();
  EXPECT_EQ(fake.hotKey->registered(), (FakeHotKey::Shortcut{9, 0x120000}));
  EXPECT_EQ(log.count(QtInfoMsg, "Global hotkey registered — keyCode:9 modifiers:768"), 1);
  EXPECT_EQ(HotkeyManager::carbonModifiers(0x1E0000 | 0x10000 | 0x800000), 256 + 512 + 2048 + 4096);
}

TEST_F(HotkeyManagerTest, APressRunsTheHandlerOnTheMainLoopAndOtherIdsAreNotHandled) {
  store(9, 0x100000);
  auto manager = make();
  ASSERT_TRUE(fake.hotKey->press(1));
  EXPECT_EQ(presses, 0);  // posted, not run inside the system callback
  fake.drain();
  EXPECT_EQ(presses, 1);
  EXPECT_FALSE(manager->handleHotKeyEvent(2));
  fake.drain();
  EXPECT_EQ(presses, 1);
  fake.hotKey->press(1);
  manager.reset();  // a press posted before the manager went away does nothing
  fake.drain();
  EXPECT_EQ(presses, 1);
  EXPECT_FALSE(fake.hotKey->registered());
  EXPECT_FALSE(fake.hotKey->hasHandler());
}

TEST_F(HotkeyManagerTest, UnrelatedSettingsChangesDoNotRegisterAgain) {
  store(9, 0x100000);
  auto manager = make();
  const int registrations = fake.hotKey->registrations;
  fake.context->settings->set("qv.edgeSide", "left");
  fake.drain();
  EXPECT_EQ(fake.hotKey->registrations, registrations);
}

TEST_F(HotkeyManagerTest, ClearingTheShortcutUnregistersAndRemovesTheHandler) {
  store(9, 0x100000);
  auto manager = make();
  store(-1, 0);
  EXPECT_FALSE(fake.hotKey->registered());
  EXPECT_FALSE(fake.hotKey->hasHandler());
  EXPECT_EQ(log.count(QtInfoMsg, "No shortcut recorded — hotkey idle"), 1);
}

TEST_F(HotkeyManagerTest, ARefusedShortcutIsReportedAndTriedAgainOnEveryChange) {
  fake.hotKey->takeByOtherProgram(9, 0x120000);
  store(9, 0x120000);
  auto manager = make();
  const QString failure = "Grabbing the hotkey failed, status:10 — may conflict with a system shortcut";
  EXPECT_EQ(log.count(QtCriticalMsg, failure), 1);
  EXPECT_FALSE(manager->appliedShortcut());
  EXPECT_TRUE(fake.hotKey->hasHandler());  // the press handler stays installed

  fake.context->settings->set("qv.edgeSide", "left");  // any change retries
  fake.drain();
  EXPECT_EQ(log.count(QtCriticalMsg, failure), 2);

  fake.hotKey->releaseAllTaken();
  fake.context->settings->set("qv.edgeSide", "right");
  fake.drain();
  EXPECT_EQ(fake.hotKey->registered(), (FakeHotKey::Shortcut{9, 0x120000}));

  fake.hotKey->takeByOtherProgram(8, 0x100000);
  store(8, 0x100000);
  EXPECT_FALSE(fake.hotKey->registered());
  store(7, 0x100000);  // a free shortcut
  EXPECT_EQ(fake.hotKey->registered(), (FakeHotKey::Shortcut{7, 0x100000}));
}

// The settings show a shortcut whose grab failed as not working: every outcome is reported.
TEST_F(HotkeyManagerTest, EachGrabIsReportedToTheStatusTheSettingsShow) {
  const HotKeyStatus& status = *fake.context->hotKeyStatus;
  fake.hotKey->takeByOtherProgram(9, 0x120000);
  store(9, 0x120000);
  auto manager = make();
  EXPECT_EQ(status.lastGrab(), (HotKeyStatus::Grab{9, 0x120000, GlobalHotKey::kAlreadyGrabbed}));
  fake.hotKey->releaseAllTaken();
  fake.context->settings->set("qv.edgeSide", "left");
  fake.drain();
  EXPECT_EQ(status.lastGrab(), (HotKeyStatus::Grab{9, 0x120000, GlobalHotKey::kOk}));
  store(-1, 0);
  EXPECT_FALSE(status.lastGrab());
}

TEST_F(HotkeyManagerTest, WronglyTypedOrOutOfRangeValuesAreSafe) {
  fake.context->settings->set("qv.shortcut.keyCode", "9");  // a string is no key code
  fake.drain();
  auto manager = make();
  EXPECT_FALSE(fake.hotKey->registered());
  EXPECT_EQ(manager->appliedShortcut(), (HotkeyManager::Shortcut{-1, 0}));
  store(9, -5);  // never written by the recorder: refused, not passed on
  EXPECT_FALSE(fake.hotKey->registered());
  EXPECT_EQ(log.count(QtCriticalMsg, "Grabbing the hotkey failed, status:-1 — may conflict with a system shortcut"), 1);
  store(9, 0x120000 | 0x10000);  // Caps Lock and other bits are not passed on
  EXPECT_EQ(fake.hotKey->registered(), (FakeHotKey::Shortcut{9, 0x120000}));
}

TEST_F(HotkeyManagerTest, WhileSuspendedTheKeysAreFreeAndResumingRegistersWhatWasRecorded) {
  store(9, 0x120000);
  auto manager = make();
  manager->setSuspended(true);
  EXPECT_FALSE(fake.hotKey->registered());
  store(96, 0x40000);  // recorded meanwhile
  EXPECT_FALSE(fake.hotKey->registered());
  manager->setSuspended(false);
  EXPECT_EQ(fake.hotKey->registered(), (FakeHotKey::Shortcut{96, 0x40000}));
}
