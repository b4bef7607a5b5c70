#pragma once
// A private message bus with a stand-in for the desktop's settings portal, for tests of the
// code that follows the desktop's preferences.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QMap>
#include <QProcess>
#include <QVariantMap>

namespace qv::test {

using PortalSettingsTable = QMap<QString, QVariantMap>;

inline const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString kPortalSettingsInterface = QStringLiteral("org.freedesktop.portal.Settings");

// Answers ReadAll from a table, as a desktop's portal would.
class StandInPortal : public QDBusVirtualObject {
 public:
  PortalSettingsTable table;
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
};

// A session bus daemon of the test's own; `start` is false where dbus-daemon is missing.
struct PrivateBus {
  QProcess daemon;
  QString address;
  bool start();
  ~PrivateBus();
};

// The portal's SettingChanged signal for one value.
QDBusMessage portalSettingChanged(const QString& nameSpace, const QString& key, const QVariant& value);

}  // namespace qv::test
