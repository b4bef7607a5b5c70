#include "settings/AppPane.h"

namespace qv {

QString paneTitle(AppPane pane) {
  switch (pane) {
    case AppPane::general: return QStringLiteral("General");
    case AppPane::ignored: return QStringLiteral("App Rules");
    case AppPane::about: return QStringLiteral("About");
  }
  return {};
}

QString paneSymbol(AppPane pane) {
  switch (pane) {
    case AppPane::general: return QStringLiteral("gearshape");
    case AppPane::ignored: return QStringLiteral("switch.2");
    case AppPane::about: return QStringLiteral("info.circle");
  }
  return {};
}

std::optional<AppPane> paneFromTitle(const QString& title) {
  for (AppPane pane : kAllPanes)
    if (paneTitle(pane) == title) return pane;
  return std::nullopt;
}

}  // namespace qv
