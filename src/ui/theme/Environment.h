#pragma once
#include "platform/DesktopAppearance.h"

#include <QObject>
#include <QString>
#include <optional>

namespace qv {

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

// The live environment. The colour scheme is the kept appearance ("light", "dark"; "system" or
// anything else follows the desktop, light when the desktop has no preference), set through
// applyAppearance (ui/Appearance.h); until then it follows the desktop. The accessibility
// values follow the desktop as they change (unlike the cached reduce-motion flag, this is
// always current). `changed` fires once per actual change of the values.
class Environment : public QObject {
  Q_OBJECT
 public:
  explicit Environment(DesktopAppearance& desktop, QObject* parent = nullptr);

  const EnvironmentValues& values() const { return values_; }
  ColorScheme colorScheme() const { return values_.colorScheme; }
  bool isDark() const { return values_.isDark(); }
  bool reduceMotion() const { return values_.reduceMotion; }
  bool reduceTransparency() const { return values_.reduceTransparency; }
  bool increasedContrast() const { return values_.increasedContrast; }
  bool differentiateWithoutColor() const { return values_.differentiateWithoutColor; }

  // The kept appearance: "light" or "dark" fix the colour scheme, none follows the desktop.
  std::optional<ColorScheme> keptAppearance() const { return kept_; }
  void setKeptAppearance(std::optional<ColorScheme> kept);

  // "light" and "dark" (exactly so spelled) fix the scheme; anything else follows the desktop.
  static std::optional<ColorScheme> appearanceChoice(const QString& appearance);

 Q_SIGNALS:
  // Just before the colour scheme changes to `next`, while every view still shows the old one.
  void colorSchemeAboutToChange(ColorScheme next);
  void changed();

 private:
  void refresh();
  EnvironmentValues read() const;

  DesktopAppearance& desktop_;
  std::optional<ColorScheme> kept_;
  EnvironmentValues values_;
};

}  // namespace qv
