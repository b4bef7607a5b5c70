// The real portal reader against a private message bus with a stand-in settings portal.
#include "platform/DesktopAppearance.h"
#include "support/ProcessHelpers.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStandardPaths>

using namespace qv;

namespace {

using SettingsTable = QMap<QString, QVariantMap>;

const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");

// Answers ReadAll from a table, as a desktop's portal would.
class StandInPortal : public QDBusVirtualObject {
 public:
  SettingsTable table;
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.interface() != kInterface || message.member() != QLatin1String("ReadAll")) return false;
    connection.send(message.createReply(QVariant::fromValue(table)));
    return true;
  }
};

struct PrivateBus {
  QProcess daemon;
  QString address;
  bool start() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (program.isEmpty()) return false;
    daemon.start(program, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    if (!daemon.waitForStarted(5000)) return false;
    if (!test::waitFor([&] { return daemon.canReadLine(); }, 5000)) return false;
    address = QString::fromUtf8(daemon.readLine()).trimmed();
    return !address.isEmpty();
  }
  ~PrivateBus() {
    daemon.kill();
    daemon.waitForFinished(5000);
  }
};

}  // namespace

TEST(PortalDesktopAppearanceOnABus, ReadsTheSettingsAndFollowsTheirChanges) {
  qDBusRegisterMetaType<SettingsTable>();
  PrivateBus bus;
  if (!bus.start()) GTEST_SKIP() << "dbus-daemon not available";

  QDBusConnection portalSide = QDBusConnection::connectToBus(bus.address, QStringLiteral("portal-side"));
  ASSERT_TRUE(portalSide.isConnected());
  StandInPortal portal;
  portal.table[QStringLiteral("org.gnome.desktop.interface")][QStringLiteral("enable-animations")] = false;
  portal.table[QStringLiteral("org.freedesktop.appearance")][QStringLiteral("color-scheme")] = 1u;
  ASSERT_TRUE(portalSide.registerVirtualObject(kPath, &portal));
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

    QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("SettingChanged"));
    signal << QStringLiteral("org.gnome.desktop.interface") << QStringLiteral("enable-animations")
           << QVariant::fromValue(QDBusVariant(true));
    ASSERT_TRUE(portalSide.send(signal));
    ASSERT_TRUE(test::waitFor([&] { return changes == 2; }, 5000));
    EXPECT_FALSE(appearance.preferences().reduceMotion);
  }
  QDBusConnection::disconnectFromBus(QStringLiteral("program-side"));
  portalSide.unregisterObject(kPath);
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
