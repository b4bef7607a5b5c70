#include "platform/DesktopAppearance.h"

#include "base/Log.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace qv {

namespace {

constexpr char kPortalService[] = "org.freedesktop.portal.Desktop";
constexpr char kPortalPath[] = "/org/freedesktop/portal/desktop";
constexpr char kSettingsInterface[] = "org.freedesktop.portal.Settings";

constexpr char kAppearanceNamespace[] = "org.freedesktop.appearance";
constexpr char kGnomeInterfaceNamespace[] = "org.gnome.desktop.interface";
constexpr char kGnomeA11yNamespace[] = "org.gnome.desktop.a11y.interface";
constexpr char kKdeGlobalsNamespace[] = "org.kde.kdeglobals.KDE";

// Bus values may arrive wrapped in one or more variants.
QVariant unwrapped(QVariant value) {
  while (value.metaType() == QMetaType::fromType<QDBusVariant>()) value = value.value<QDBusVariant>().variant();
  return value;
}

std::optional<uint> unsignedValue(const QVariant& value) {
  bool ok = false;
  const uint number = value.toUInt(&ok);
  if (ok) return number;
  return std::nullopt;
}

std::optional<bool> boolValue(const QVariant& value) {
  if (value.metaType() == QMetaType::fromType<bool>()) return value.toBool();
  return std::nullopt;
}

// KDE publishes the factor as text from its configuration file, other sources as a number.
std::optional<double> doubleValue(const QVariant& value) {
  bool ok = false;
  const double number = value.toString().trimmed().toDouble(&ok);
  if (ok) return number;
  return std::nullopt;
}

template <typename T>
bool store(std::optional<T>& slot, std::optional<T> value) {
  if (slot == value) return false;
  slot = value;
  return true;
}

}  // namespace

QStringList PortalSettingsReader::namespaces() {
  return {QLatin1String(kAppearanceNamespace), QLatin1String(kGnomeInterfaceNamespace),
          QLatin1String(kGnomeA11yNamespace), QLatin1String(kKdeGlobalsNamespace)};
}

bool PortalSettingsReader::apply(const QString& nameSpace, const QString& key, const QVariant& raw) {
  const DesktopPreferences before = preferences();
  const QVariant value = unwrapped(raw);
  if (nameSpace == QLatin1String(kAppearanceNamespace)) {
    if (key == QLatin1String("color-scheme")) store(portalColorScheme_, unsignedValue(value));
    else if (key == QLatin1String("contrast")) store(portalContrast_, unsignedValue(value));
    else if (key == QLatin1String("reduced-motion")) store(portalReducedMotion_, unsignedValue(value));
  } else if (nameSpace == QLatin1String(kGnomeInterfaceNamespace)) {
    if (key == QLatin1String("enable-animations")) store(gnomeEnableAnimations_, boolValue(value));
  } else if (nameSpace == QLatin1String(kGnomeA11yNamespace)) {
    if (key == QLatin1String("high-contrast")) store(gnomeHighContrast_, boolValue(value));
  } else if (nameSpace == QLatin1String(kKdeGlobalsNamespace)) {
    if (key == QLatin1String("AnimationDurationFactor")) store(kdeAnimationFactor_, doubleValue(value));
  }
  return preferences() != before;
}

DesktopPreferences PortalSettingsReader::preferences() const {
  DesktopPreferences result;
  result.reduceMotion = gnomeEnableAnimations_ == false || (kdeAnimationFactor_ && *kdeAnimationFactor_ <= 0.0) ||
                        portalReducedMotion_ == 1u;
  if (portalColorScheme_ == 1u) result.colorScheme = DesktopColorScheme::dark;
  else if (portalColorScheme_ == 2u) result.colorScheme = DesktopColorScheme::light;
  result.increasedContrast = portalContrast_ == 1u || gnomeHighContrast_ == true;
  // Linux desktops have no separate switch for these: a high-contrast desktop also wants
  // opaque surfaces, and nothing publishes "differentiate without colour".
  result.reduceTransparency = result.increasedContrast;
  result.differentiateWithoutColor = false;
  return result;
}

PortalDesktopAppearance::PortalDesktopAppearance(QObject* parent)
    : PortalDesktopAppearance(QDBusConnection::sessionBus(), parent) {}

PortalDesktopAppearance::PortalDesktopAppearance(const QDBusConnection& connection, QObject* parent)
    : DesktopAppearance(parent), connection_(connection) {
  start();
}

void PortalDesktopAppearance::start() {
  if (!connection_.isConnected()) {
    qCInfo(lcPlatform) << "No session bus; desktop appearance settings keep their defaults";
    firstReadDone_ = true;
    return;
  }
  connected_ = connection_.connect(QLatin1String(kPortalService), QLatin1String(kPortalPath),
                                   QLatin1String(kSettingsInterface), QStringLiteral("SettingChanged"), this,
                                   SLOT(onSettingChanged(QDBusMessage)));
  QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(kPortalService), QLatin1String(kPortalPath),
                                                     QLatin1String(kSettingsInterface), QStringLiteral("ReadAll"));
  call << PortalSettingsReader::namespaces();
  auto* watcher = new QDBusPendingCallWatcher(connection_.asyncCall(call, 5000), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
    finished->deleteLater();
    firstReadDone_ = true;
    const QDBusMessage reply = finished->reply();
    if (reply.type() != QDBusMessage::ReplyMessage) {
      qCInfo(lcPlatform) << "Settings portal not available:" << reply.errorName();
      return;
    }
    takeReadAllReply(reply);
  });
}

void PortalDesktopAppearance::takeReadAllReply(const QDBusMessage& reply) {
  if (reply.arguments().isEmpty()) return;
  const QVariant first = reply.arguments().constFirst();
  if (first.metaType() != QMetaType::fromType<QDBusArgument>()) return;
  const QDBusArgument argument = first.value<QDBusArgument>();
  if (argument.currentSignature() != QLatin1String("a{sa{sv}}")) {
    qCInfo(lcPlatform) << "Settings portal answered with an unexpected shape" << argument.currentSignature();
    return;
  }
  bool anyChange = false;
  argument.beginMap();
  while (!argument.atEnd()) {
    QString nameSpace;
    QVariantMap values;
    argument.beginMapEntry();
    argument >> nameSpace >> values;
    argument.endMapEntry();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
      anyChange |= reader_.apply(nameSpace, it.key(), it.value());
  }
  argument.endMap();
  if (anyChange) Q_EMIT changed();
}

void PortalDesktopAppearance::onSettingChanged(const QDBusMessage& message) {
  const QVariantList arguments = message.arguments();
  if (arguments.size() < 3) return;
  if (reader_.apply(arguments.at(0).toString(), arguments.at(1).toString(), arguments.at(2))) Q_EMIT changed();
}

}  // namespace qv
