// The appearance setting across the program's windows.
#include "support/PrivateSessionBus.h"
#include "support/ProcessHelpers.h"
#include "support/ui/FakeInterfaceContext.h"
#include "ui/Appearance.h"

#include <gtest/gtest.h>

#include <QApplication>

using namespace qv;
using test::FakeInterfaceContext;

namespace {

bool looksDark(const QWidget& window) { return window.palette().color(QPalette::Window).lightness() < 128; }

AppearanceFade* fadeOn(const QWidget& window) {
  return window.findChild<AppearanceFade*>(QString(), Qt::FindDirectChildrenOnly);
}

void deleteFinishedFades() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// Qt names its window for an embedded tray icon so.
class QSystemTrayIconSys : public QWidget {
  Q_OBJECT
};

}  // namespace

TEST(Appearance, MapsTheSettingExactlyAndFollowsTheDesktopOtherwise) {
  struct Case {
    const char* value;
    std::optional<ColorScheme> kept;
  };
  const Case cases[] = {{"light", ColorScheme::light}, {"dark", ColorScheme::dark}, {"system", std::nullopt},
                        {"Dark", std::nullopt},        {"", std::nullopt},          {"sepia", std::nullopt}};
  for (const Case& c : cases) {
    FakeInterfaceContext fake;
    DesktopPreferences desktop;
    desktop.colorScheme = DesktopColorScheme::dark;
    fake.desktopAppearance->setPreferences(desktop);
    applyAppearance(*fake.context, QString::fromLatin1(c.value));
    EXPECT_EQ(fake.environment().keptAppearance(), c.kept) << c.value;
    EXPECT_EQ(fake.environment().isDark(), c.kept.value_or(ColorScheme::dark) == ColorScheme::dark) << c.value;
  }
}

TEST(Appearance, SwitchesOpenWindowsWithAFadeAndLaterWindowsTakeTheKeptValue) {
  FakeInterfaceContext fake;
  QWidget open;
  open.resize(200, 120);
  open.show();
  QSystemTrayIconSys tray;
  tray.show();
  const QPalette trayPalette = tray.palette();

  applyAppearance(*fake.context, QStringLiteral("dark"));
  EXPECT_TRUE(looksDark(open));
  AppearanceFade* fade = fadeOn(open);
  ASSERT_NE(fade, nullptr);
  EXPECT_EQ(fade->geometry(), open.rect());
  EXPECT_DOUBLE_EQ(fade->opacity(), 1.0);
  fake.clock->advance(0.15);
  EXPECT_NEAR(fade->opacity(), 0.5, 0.05);
  fake.clock->advance(0.16);
  deleteFinishedFades();
  EXPECT_EQ(fadeOn(open), nullptr);
  // The tray icon's window keeps the desktop's look and gets no fade.
  EXPECT_EQ(tray.palette(), trayPalette);
  EXPECT_EQ(fadeOn(tray), nullptr);

  QWidget later;
  later.show();
  EXPECT_TRUE(looksDark(later));

  // Back to the desktop (light here): every window follows it again.
  applyAppearance(*fake.context, QStringLiteral("system"));
  EXPECT_FALSE(looksDark(open));
  EXPECT_FALSE(looksDark(later));
  EXPECT_FALSE(open.testAttribute(Qt::WA_SetPalette));

  // The same look again lays no fade over anything.
  fake.clock->advance(0.4);
  deleteFinishedFades();
  applyAppearance(*fake.context, QStringLiteral("light"));
  EXPECT_EQ(fadeOn(open), nullptr);
}

TEST(Appearance, SystemFollowsTheDesktopsSchemeOnTheBus) {
  test::PrivateBus bus;
  if (!bus.start()) GTEST_SKIP() << "dbus-daemon not available";
  QDBusConnection portalSide = QDBusConnection::connectToBus(bus.address, QStringLiteral("appearance-portal"));
  test::StandInPortal portal;
  const QString nameSpace = QStringLiteral("org.freedesktop.appearance");
  portal.table[nameSpace][QStringLiteral("color-scheme")] = 2u;  // light
  ASSERT_TRUE(portalSide.registerVirtualObject(test::kPortalPath, &portal));
  ASSERT_TRUE(portalSide.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
  {
    FakeInterfaceContext fake;
    QDBusConnection programSide = QDBusConnection::connectToBus(bus.address, QStringLiteral("appearance-program"));
    auto desktop = std::make_shared<PortalDesktopAppearance>(programSide);
    fake.context->desktopAppearance = desktop;
    fake.context->environment.reset();
    fake.context->appearanceWindows.reset();
    installInterfaceServices(*fake.context);
    ASSERT_TRUE(test::waitFor([&] { return desktop->firstReadDone(); }, 5000));

    QWidget window;
    window.show();
    applyAppearance(*fake.context, QStringLiteral("system"));
    EXPECT_FALSE(looksDark(window));

    ASSERT_TRUE(portalSide.send(test::portalSettingChanged(nameSpace, QStringLiteral("color-scheme"), 1u)));
    ASSERT_TRUE(test::waitFor([&] { return fake.environment().isDark(); }, 5000));
    EXPECT_TRUE(looksDark(window));
    EXPECT_NE(fadeOn(window), nullptr);

    // A fixed choice no longer follows the desktop.
    applyAppearance(*fake.context, QStringLiteral("light"));
    for (const uint scheme : {2u, 1u}) {
      ASSERT_TRUE(portalSide.send(test::portalSettingChanged(nameSpace, QStringLiteral("color-scheme"), scheme)));
      const auto expected = scheme == 1u ? DesktopColorScheme::dark : DesktopColorScheme::light;
      ASSERT_TRUE(test::waitFor([&] { return desktop->preferences().colorScheme == expected; }, 5000));
      EXPECT_FALSE(fake.environment().isDark());
    }
  }
  QDBusConnection::disconnectFromBus(QStringLiteral("appearance-program"));
  portalSide.unregisterObject(test::kPortalPath);
  QDBusConnection::disconnectFromBus(QStringLiteral("appearance-portal"));
}

#include "AppearanceTest.moc"
