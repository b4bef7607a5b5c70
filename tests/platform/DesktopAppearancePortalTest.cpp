// The real portal reader against a private message bus with a stand-in settings portal.
#include "platform/DesktopAppearance.h"
#include "support/PrivateSessionBus.h"
#include "support/ProcessHelpers.h"

#include <gtest/gtest.h>

using namespace qv;

using test::kPortalPath;
using test::PrivateBus;
using test::StandInPortal;

TEST(PortalDesktopAppearanceOnABus, ReadsTheSettingsAndFollowsTheirChanges) {
  PrivateBus bus;
  if (!bus.start()) GTEST_SKIP() << "dbus-daemon not available";

  QDBusConnection portalSide = QDBusConnection::connectToBus(bus.address, QStringLiteral("portal-side"));
  ASSERT_TRUE(portalSide.isConnected());
  StandInPortal portal;
  portal.table[QStringLiteral("org.gnome.desktop.interface")][QStringLiteral("enable-animations")] = false;
  portal.table[QStringLiteral("org.freedesktop.appearance")][QStringLiteral("color-scheme")] = 1u;
  ASSERT_TRUE(portalSide.registerVirtualObject(kPortalPath, &portal));
  ASSERT_TRUE(portalSide.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));

  {
    QDBusConnection programSide = QDBusConnection::connectToBus(bus.address, QStringLiteral("program-side"));
    PortalDesktopAppearance appearance(programSide);
    EXPECT_TRUE(appearance.isConnected());
    int changes = 0;
    QObject::connect(&appearance, &DesktopAppearance::changed, [&] { ++changes; });

    ASSERT_TRUE(test::waitFor([&] { return changes == 1; }, 5000));
    EXPECT_TRUE(appearance.preferences().reduceMotion);
    EXPECT_EQ(appearance.preferences().colorScheme, DesktopColorScheme::dark);

    ASSERT_TRUE(portalSide.send(test::portalSettingChanged(QStringLiteral("org.gnome.desktop.interface"),
                                                           QStringLiteral("enable-animations"), true)));
    ASSERT_TRUE(test::waitFor([&] { return changes == 2; }, 5000));
    EXPECT_FALSE(appearance.preferences().reduceMotion);
  }
  QDBusConnection::disconnectFromBus(QStringLiteral("program-side"));
  portalSide.unregisterObject(kPortalPath);
  QDBusConnection::disconnectFromBus(QStringLiteral("portal-side"));
}

TEST(PortalDesktopAppearanceOnABus, WithoutAPortalKeepsTheDefaults) {
  PrivateBus bus;
  if (!bus.start()) GTEST_SKIP() << "dbus-daemon not available";
  {
    QDBusConnection programSide = QDBusConnection::connectToBus(bus.address, QStringLiteral("lonely"));
    PortalDesktopAppearance appearance(programSide);
    // The read fails at once (no such service); nothing changes and nothing crashes.
    int changes = 0;
    QObject::connect(&appearance, &DesktopAppearance::changed, [&] { ++changes; });
    ASSERT_TRUE(test::waitFor([&] { return appearance.firstReadDone(); }, 5000));
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(appearance.preferences(), DesktopPreferences{});
  }
  QDBusConnection::disconnectFromBus(QStringLiteral("lonely"));
}
