#include "support/PrivateSessionBus.h"

#include "support/ProcessHelpers.h"

#include <QDBusMetaType>
#include <QDBusVariant>
#include <QStandardPaths>

namespace qv::test {

bool StandInPortal::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
  if (message.interface() != kPortalSettingsInterface || message.member() != QLatin1String("ReadAll")) return false;
  connection.send(message.createReply(QVariant::fromValue(table)));
  return true;
}

bool PrivateBus::start() {
  qDBusRegisterMetaType<PortalSettingsTable>();
  const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
  if (program.isEmpty()) return false;
  daemon.start(program, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
  if (!daemon.waitForStarted(5000)) return false;
  if (!waitFor([&] { return daemon.canReadLine(); }, 5000)) return false;
  address = QString::fromUtf8(daemon.readLine()).trimmed();
  return !address.isEmpty();
}

PrivateBus::~PrivateBus() {
  daemon.kill();
  daemon.waitForFinished(5000);
}

QDBusMessage portalSettingChanged(const QString& nameSpace, const QString& key, const QVariant& value) {
  QDBusMessage signal = QDBusMessage::createSignal(kPortalPath, kPortalSettingsInterface,
                                                   QStringLiteral("SettingChanged"));
  signal << nameSpace << key << QVariant::fromValue(QDBusVariant(value));
  return signal;
}

}  // namespace qv::test
