#include "ui/theme/Environment.h"

#include "platform/SettingsStore.h"

namespace qv {

Environment::Environment(SettingsStore& settings, DesktopAppearance& desktop, QObject* parent)
    : QObject(parent), settings_(settings), desktop_(desktop) {
  values_ = read();
  connect(&settings_, &SettingsStore::changed, this, &Environment::refresh);
  connect(&desktop_, &DesktopAppearance::changed, this, &Environment::refresh);
}

ColorScheme Environment::resolveColorScheme(const QString& appearance, DesktopColorScheme desktop) {
  if (appearance == QLatin1String("light")) return ColorScheme::light;
  if (appearance == QLatin1String("dark")) return ColorScheme::dark;
  return desktop == DesktopColorScheme::dark ? ColorScheme::dark : ColorScheme::light;
}

EnvironmentValues Environment::read() const {
  const DesktopPreferences desktop = desktop_.preferences();
  EnvironmentValues values;
  values.colorScheme =
      resolveColorScheme(settings_.stringOr(QLatin1String(kAppearanceKey), QStringLiteral("system")), desktop.colorScheme);
  values.reduceMotion = desktop.reduceMotion;
  values.reduceTransparency = desktop.reduceTransparency;
  values.increasedContrast = desktop.increasedContrast;
  values.differentiateWithoutColor = desktop.differentiateWithoutColor;
  return values;
}

void Environment::refresh() {
  const EnvironmentValues next = read();
  if (next == values_) return;
  values_ = next;
  Q_EMIT changed();
}

}  // namespace qv
