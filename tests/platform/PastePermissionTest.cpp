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
