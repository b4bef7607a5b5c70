#include "ui/theme/Environment.h"

namespace qv {

Environment::Environment(DesktopAppearance& desktop, QObject* parent) : QObject(parent), desktop_(desktop) {
  values_ = read();
  connect(&desktop_, &DesktopAppearance::changed, this, &Environment::refresh);
}

std::optional<ColorScheme> Environment::appearanceChoice(const QString& appearance) {
  if (appearance == QLatin1String("light")) return ColorScheme::light;
  if (appearance == QLatin1String("dark")) return ColorScheme::dark;
  return std::nullopt;
}

void Environment::setKeptAppearance(std::optional<ColorScheme> kept) {
  kept_ = kept;
  refresh();
}

EnvironmentValues Environment::read() const {
  const DesktopPreferences desktop = desktop_.preferences();
  EnvironmentValues values;
  values.colorScheme = kept_                                             ? *kept_
                       : desktop.colorScheme == DesktopColorScheme::dark ? ColorScheme::dark
                                                                         : ColorScheme::light;
  values.reduceMotion = desktop.reduceMotion;
  values.reduceTransparency = desktop.reduceTransparency;
  values.increasedContrast = desktop.increasedContrast;
  values.differentiateWithoutColor = desktop.differentiateWithoutColor;
  return values;
}

void Environment::refresh() {
  const EnvironmentValues next = read();
  if (next == values_) return;
  if (next.colorScheme != values_.colorScheme) Q_EMIT colorSchemeAboutToChange(next.colorScheme);
  values_ = next;
  Q_EMIT changed();
}

}  // namespace qv
