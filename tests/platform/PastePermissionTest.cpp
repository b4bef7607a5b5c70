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
// only its real release ends them, and a later press of it is the user's again.
TEST(HeldKeysTest, ThePickingKeyIsLeftOutAndNothingIsLeftDown) {
  struct Case {
    const char* name;
    bool pickingDown;
    QList<TypedKey> typed;
    QList<TypedKey> posted;
  };
  const TypedKey a{38, true, 10};
  const TypedKey aUp{38, false, 20};
  const QList<Case> cases = {
      {"repeats as presses", true, {{36, true, 5}, a, {36, true, 15}, aUp, {36, false, 25}}, {a, aUp}},
      {"repeats as release and press", true, {{36, false, 5}, {36, true, 5}, a, {36, false, 30}}, {a, {38, false, 10}}},
      {"pressed again", true, {{36, false, 5}, {36, true, 40}, {36, false, 50}}, {{36, true, 40}, {36, false, 50}}},
      {"up before the hold", false, {{36, true, 40}}, {{36, true, 40}, {36, false, 40}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeldKeys held(36, c.pickingDown);
    for (const TypedKey& key : c.typed) held.add(key);
    EXPECT_EQ(held.take(), c.posted);
    EXPECT_TRUE(held.take().isEmpty());
  }
  HeldKeys many(0, false);
  for (int index = 0; index < HeldKeys::kMaxKeys + 10; ++index) many.add({38, true, quint32(index)});
  const QList<TypedKey> posted = many.take();
  EXPECT_EQ(posted.size(), HeldKeys::kMaxKeys + 1);
  EXPECT_EQ(posted.last(), (TypedKey{38, false, quint32(HeldKeys::kMaxKeys - 1)}));
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
