#include "platform/DesktopAppearance.h"

#include <gtest/gtest.h>

#include <QDBusVariant>

using namespace qv;

namespace {
const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kGnome = QStringLiteral("org.gnome.desktop.interface");
const QString kGnomeA11y = QStringLiteral("org.gnome.desktop.a11y.interface");
const QString kKde = QStringLiteral("org.kde.kdeglobals.KDE");
}  // namespace

TEST(PortalSettings, FoldDesktopKeysIntoPreferences) {
  PortalSettingsReader reader;
  EXPECT_EQ(reader.preferences(), DesktopPreferences{});

  EXPECT_TRUE(reader.apply(kGnome, QStringLiteral("enable-animations"), false));
  EXPECT_TRUE(reader.preferences().reduceMotion);
  EXPECT_FALSE(reader.apply(kGnome, QStringLiteral("enable-animations"), false));  // no change
  EXPECT_TRUE(reader.apply(kGnome, QStringLiteral("enable-animations"), true));
  EXPECT_FALSE(reader.preferences().reduceMotion);

  // KDE publishes its factor as text; 0 switches animations off.
  EXPECT_TRUE(reader.apply(kKde, QStringLiteral("AnimationDurationFactor"), QStringLiteral("0")));
  EXPECT_TRUE(reader.preferences().reduceMotion);
  EXPECT_TRUE(reader.apply(kKde, QStringLiteral("AnimationDurationFactor"), 0.5));
  EXPECT_FALSE(reader.preferences().reduceMotion);
  EXPECT_TRUE(reader.apply(kAppearance, QStringLiteral("reduced-motion"), 1u));
  EXPECT_TRUE(reader.preferences().reduceMotion);

  EXPECT_TRUE(reader.apply(kAppearance, QStringLiteral("color-scheme"), 1u));
  EXPECT_EQ(reader.preferences().colorScheme, DesktopColorScheme::dark);
  EXPECT_TRUE(reader.apply(kAppearance, QStringLiteral("color-scheme"), 2u));
  EXPECT_EQ(reader.preferences().colorScheme, DesktopColorScheme::light);
  EXPECT_TRUE(reader.apply(kAppearance, QStringLiteral("color-scheme"), 0u));
  EXPECT_EQ(reader.preferences().colorScheme, DesktopColorScheme::noPreference);

  // High contrast also asks for opaque surfaces.
  EXPECT_TRUE(reader.apply(kAppearance, QStringLiteral("contrast"), 1u));
  EXPECT_TRUE(reader.preferences().increasedContrast);
  EXPECT_TRUE(reader.preferences().reduceTransparency);
  EXPECT_TRUE(reader.apply(kAppearance, QStringLiteral("contrast"), 0u));
  EXPECT_TRUE(reader.apply(kGnomeA11y, QStringLiteral("high-contrast"), true));
  EXPECT_TRUE(reader.preferences().increasedContrast);
}

TEST(PortalSettings, IgnoreUnknownKeysWrongTypesAndUnwrapVariants) {
  PortalSettingsReader reader;
  EXPECT_FALSE(reader.apply(QStringLiteral("org.example"), QStringLiteral("color-scheme"), 1u));
  EXPECT_FALSE(reader.apply(kAppearance, QStringLiteral("accent-color"), 1u));
  EXPECT_FALSE(reader.apply(kGnome, QStringLiteral("enable-animations"), QStringLiteral("false")));
  EXPECT_FALSE(reader.apply(kKde, QStringLiteral("AnimationDurationFactor"), QStringLiteral("fast")));
  EXPECT_EQ(reader.preferences(), DesktopPreferences{});

  // Some portals wrap the value in a variant once more.
  const QVariant wrapped = QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(1u))));
  EXPECT_TRUE(reader.apply(kAppearance, QStringLiteral("color-scheme"), wrapped));
  EXPECT_EQ(reader.preferences().colorScheme, DesktopColorScheme::dark);
}

TEST(PortalSettings, WithoutASessionBusKeepTheDefaultsQuietly) {
  qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quorvalen-test-bus");
  PortalDesktopAppearance appearance;
  EXPECT_FALSE(appearance.isConnected());
  EXPECT_EQ(appearance.preferences(), DesktopPreferences{});
}
