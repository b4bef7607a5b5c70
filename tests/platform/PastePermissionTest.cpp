#include "platform/AppRelauncher.h"
#include "platform/KeyPoster.h"
#include "platform/PastePermission.h"
#include "support/platform/FakePlatform.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(PastePermissionTest, FirstRequestAsksTheSystemLaterOnesAlsoOpenTheSettings) {
  FakePlatformContext fake;
  FakePastePermission& permission = *fake.pastePermission;
  permission.requestPostEventAccessOnce();
  EXPECT_EQ(permission.systemRequests, 1);
  EXPECT_EQ(permission.settingsOpened, 0);
  EXPECT_EQ(fake.context->settings->boolValue(QLatin1String(PastePermission::kDidRequestKey)), true);
  permission.requestPostEventAccessOnce();
  permission.requestPostEventAccessOnce();
  EXPECT_EQ(permission.systemRequests, 3);
  EXPECT_EQ(permission.settingsOpened, 2);
}

TEST(PastePermissionTest, HeldExactlyWhenKeysCanBePosted) {
  FakePlatformContext fake;
  KeyPosterPastePermission permission(fake.context->settings, fake.keyPoster);
  EXPECT_FALSE(permission.isGrantable());  // nothing to ask for: it follows key posting alone
  EXPECT_TRUE(permission.isHeld());
  fake.keyPoster->available = false;
  EXPECT_FALSE(permission.isHeld());
  // Asking again changes nothing on a desktop without a prompt or a settings page.
  permission.requestPostEventAccessOnce();
  permission.requestPostEventAccessOnce();
  EXPECT_FALSE(permission.isHeld());
}

TEST(PastePermissionTest, TerminalsAreKnownByWindowClass) {
  for (const char* name :
       {"Gnome-terminal", "konsole", "XFCE4-Terminal", "Alacritty", "kitty", "org.wezfurlong.wezterm"})
    EXPECT_TRUE(isTerminalWindowClass(QLatin1String(name))) << name;
  for (const char* name : {"", "Firefox", "Gedit", "pastetarget", "terminal-notes"})
    EXPECT_FALSE(isTerminalWindowClass(QLatin1String(name))) << name;
}

TEST(PastePermissionTest, NoKeyPostingUnderWayland) {
  const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
  const QByteArray display = qgetenv("DISPLAY");
  qputenv("DISPLAY", ":99");
  qputenv("WAYLAND_DISPLAY", "wayland-0");
  EXPECT_FALSE(isX11Session());
  qunsetenv("WAYLAND_DISPLAY");
  EXPECT_EQ(isX11Session(), qgetenv("XDG_SESSION_TYPE").toLower() != "wayland");
  qunsetenv("DISPLAY");
  EXPECT_FALSE(isX11Session());
  if (!wayland.isEmpty()) qputenv("WAYLAND_DISPLAY", wayland);
  if (!display.isEmpty()) qputenv("DISPLAY", display);
}

// The picking key's repeats come as presses, or as a release and a press at one instant;
// only its real release ends them, and a later press of it is the user's again. A key the user
// still holds gets no release: it is theirs to let go of.
TEST(HeldKeysTest, ThePickingKeyIsLeftOutAndAKeyStillHeldGetsNoRelease) {
  struct Case {
    const char* name;
    bool pickingDown;
    QList<TypedKey> typed;
    QList<TypedKey> posted;
    QSet<quint32> down;  // besides Shift, down from the start
  };
  const TypedKey a{38, true, 10};
  const TypedKey aUp{38, false, 20};
  const QList<Case> cases = {
      {"repeats as presses", true, {{36, true, 5}, a, {36, true, 15}, aUp, {36, false, 25}}, {a, aUp}, {}},
      {"repeats as release and press", true, {{36, false, 5}, {36, true, 5}, a, {36, false, 30}}, {a}, {38}},
      {"pressed again", true, {{36, false, 5}, {36, true, 40}, {36, false, 50}}, {{36, true, 40}, {36, false, 50}}, {}},
      {"up before the hold", false, {{36, true, 40}}, {{36, true, 40}}, {36}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeldKeys held(36, c.pickingDown, {36, 50});
    for (const TypedKey& key : c.typed) held.add(key);
    EXPECT_EQ(held.take(), c.posted);
    EXPECT_TRUE(held.take().isEmpty());
    EXPECT_EQ(held.keysDown(), c.down + QSet<quint32>{50});
  }
  HeldKeys many(0, false);
  for (int index = 0; index < HeldKeys::kMaxKeys + 10; ++index) many.add({38, true, quint32(index)});
  const QList<TypedKey> posted = many.take();
  EXPECT_EQ(posted.size(), HeldKeys::kMaxKeys);
  EXPECT_EQ(posted.last(), (TypedKey{38, true, quint32(HeldKeys::kMaxKeys - 1)}));
}

// Each key is typed again in the modifiers it was typed in, holding a missing one for it or
// letting go of one too many, and after a release of it.
TEST(HeldKeysTest, KeysAreTypedAgainInTheirModifiers) {
  ModifierKeys modifiers;
  modifiers.keys[0] = {50, 62};
  modifiers.keys[1] = {66};
  modifiers.keys[2] = {37};
  modifiers.adjustable = 0xff & ~2;
  struct Case {
    const char* name;
    QSet<quint32> down;
    TypedKey key;
    QList<std::pair<quint32, bool>> posted;
  };
  const QList<Case> cases = {
      {"as it is", {50}, {38, true, 0, 1}, {{38, false}, {38, true}}},
      {"Shift held for it", {}, {38, true, 0, 1}, {{50, true}, {38, false}, {38, true}, {50, false}}},
      {"Shift let go for it", {62}, {38, true, 0, 0}, {{62, false}, {38, false}, {38, true}, {62, true}}},
      {"Caps Lock left alone", {}, {38, true, 0, 2}, {{38, false}, {38, true}}},
      {"Shift and Control",
       {},
       {38, true, 0, 5},
       {{50, true}, {37, true}, {38, false}, {38, true}, {50, false}, {37, false}}},
      {"a modifier as it is", {}, {50, true, 0, 4}, {{50, false}, {50, true}}},
      {"a release", {50}, {38, false, 0, 0}, {{38, false}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QList<std::pair<quint32, bool>> posted;
    for (const TypedKey& key : replayKeys({c.key}, modifiers, c.down)) posted.append({key.code, key.press});
    EXPECT_EQ(posted, c.posted);
  }
}

TEST(AppRelauncherTest, QuitsOnlyOnceTheNewInstanceStarted) {
  FakePlatformContext fake;
  int quits = 0;
  AppRelauncher failing(
      fake.scheduler, [] { return false; }, [&] { ++quits; });
  failing.relaunch();
  fake.drain();
  EXPECT_EQ(quits, 0);
  AppRelauncher working(
      fake.scheduler, [] { return true; }, [&] { ++quits; });
  working.relaunch();
  EXPECT_EQ(quits, 0) << "the quit runs on the next turn of the main loop";
  fake.drain();
  EXPECT_EQ(quits, 1);
}

}  // namespace
}  // namespace qv
