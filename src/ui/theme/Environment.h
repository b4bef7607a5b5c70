#pragma once
#include "platform/DesktopAppearance.h"

#include <QObject>
#include <QString>

namespace qv {

class SettingsStore;

enum class ColorScheme { light, dark };

// What every view reads besides its props: the colour scheme and the accessibility choices.
struct EnvironmentValues {
  ColorScheme colorScheme = ColorScheme::light;
  bool reduceMotion = false;
  bool reduceTransparency = false;
  bool increasedContrast = false;
  bool differentiateWithoutColor = false;
  bool isDark() const { return colorScheme == ColorScheme::dark; }
  bool operator==(const EnvironmentValues&) const = default;
};

inline constexpr char kAppearanceKey[] = "qv.appearance";

// The live environment. The colour scheme is the "qv.appearance" setting ("light", "dark";
// "system" or anything else follows the desktop, light when the desktop has no preference).
// The accessibility values follow the desktop as they change (unlike the cached reduce-motion
// flag, this is always current). `changed` fires once per actual change of the values.
class Environment : public QObject {
  Q_OBJECT
 public:
  Environment(SettingsStore& settings, DesktopAppearance& desktop, QObject* parent = nullptr);

  const EnvironmentValues& values() const { return values_; }
  ColorScheme colorScheme() const { return values_.colorScheme; }
  bool isDark() const { return values_.isDark(); }
  bool reduceMotion() const { return values_.reduceMotion; }
  bool reduceTransparency() const { return values_.reduceTransparency; }
  bool increasedContrast() const { return values_.increasedContrast; }
  bool differentiateWithoutColor() const { return values_.differentiateWithoutColor; }

  static ColorScheme resolveColorScheme(const QString& appearance, DesktopColorScheme desktop);

 Q_SIGNALS:
  void changed();

 private:
  void refresh();
  EnvironmentValues read() const;

  SettingsStore& settings_;
  DesktopAppearance& desktop_;
  EnvironmentValues values_;
};

}  // namespace qv
