#pragma once
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariant>
#include <optional>

class QDBusMessage;

namespace qv {

// The desktop's own light/dark preference; "no preference" leaves the choice to the program.
enum class DesktopColorScheme { noPreference, dark, light };

// The accessibility and appearance choices the user made in the desktop's settings.
struct DesktopPreferences {
  bool reduceMotion = false;
  DesktopColorScheme colorScheme = DesktopColorScheme::noPreference;
  bool increasedContrast = false;
  bool reduceTransparency = false;
  bool differentiateWithoutColor = false;
  bool operator==(const DesktopPreferences&) const = default;
};

// Where the desktop's preferences come from. `changed` fires on the main thread after any of
// them changed; `preferences()` is cheap and answers from a cached snapshot.
class DesktopAppearance : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~DesktopAppearance() override = default;
  virtual DesktopPreferences preferences() const = 0;

 Q_SIGNALS:
  void changed();
};

// The raw values the settings portal reports, folded into preferences. Desktops publish
// different keys (GNOME's enable-animations, KDE's animation factor, the portal's own
// appearance namespace); each is kept apart so that the last report of one does not erase
// another.
class PortalSettingsReader {
 public:
  // The namespaces worth reading.
  static QStringList namespaces();
  // Takes one reported setting; returns whether the folded preferences changed.
  bool apply(const QString& nameSpace, const QString& key, const QVariant& value);
  DesktopPreferences preferences() const;

 private:
  std::optional<bool> gnomeEnableAnimations_;
  std::optional<double> kdeAnimationFactor_;
  std::optional<uint> portalReducedMotion_;
  std::optional<uint> portalColorScheme_;
  std::optional<uint> portalContrast_;
  std::optional<bool> gnomeHighContrast_;
};

// Reads the freedesktop settings portal over the session bus and follows its SettingChanged
// signal. Without a session bus or a portal it quietly keeps the defaults (nothing reduced,
// no colour-scheme preference). The first read is asynchronous so that start-up never waits
// on the bus; `changed` fires when its answer arrives.
class PortalDesktopAppearance : public DesktopAppearance {
  Q_OBJECT
 public:
  explicit PortalDesktopAppearance(QObject* parent = nullptr);
  // For tests: a given bus connection instead of the session bus.
  explicit PortalDesktopAppearance(const QDBusConnection& connection, QObject* parent = nullptr);
  DesktopPreferences preferences() const override { return reader_.preferences(); }
  bool isConnected() const { return connected_; }
  // The first read got its answer or failed.
  bool firstReadDone() const { return firstReadDone_; }

 public Q_SLOTS:
  // The portal's SettingChanged(namespace, key, value) signal. It takes the whole message: a
  // slot with a variant parameter fails to connect before the bus types are initialised.
  // Public, since the bus delivers to public slots only.
  void onSettingChanged(const QDBusMessage& message);

 private:
  void start();
  void takeReadAllReply(const QDBusMessage& reply);

  QDBusConnection connection_;
  PortalSettingsReader reader_;
  bool connected_ = false;
  bool firstReadDone_ = false;
};

}  // namespace qv
