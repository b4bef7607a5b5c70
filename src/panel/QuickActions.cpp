#include "panel/QuickActions.h"

#include <QCoreApplication>
#include <QKeySequence>

namespace qv {

QString quickActionTitle(PanelQuickAction action, bool isPaused) {
  switch (action) {
    case PanelQuickAction::library: return QStringLiteral("Open Library");
    case PanelQuickAction::pauseResume:
      return isPaused ? QStringLiteral("Resume Monitoring") : QStringLiteral("Pause Monitoring");
    case PanelQuickAction::settings: return QStringLiteral("Settings");
    case PanelQuickAction::welcome: return QStringLiteral("Show Onboarding");
    case PanelQuickAction::clearAll: return QStringLiteral("Clear All History");
    case PanelQuickAction::quit: return QStringLiteral("Quit");
  }
  return {};
}

QString quickActionSymbol(PanelQuickAction action, bool isPaused) {
  switch (action) {
    case PanelQuickAction::library: return QStringLiteral("square.grid.2x2");
    case PanelQuickAction::pauseResume: return isPaused ? QStringLiteral("play.fill") : QStringLiteral("pause.fill");
    case PanelQuickAction::settings: return QStringLiteral("gearshape");
    case PanelQuickAction::welcome: return QStringLiteral("hand.wave");
    case PanelQuickAction::clearAll: return QStringLiteral("trash");
    case PanelQuickAction::quit: return QStringLiteral("rectangle.portrait.and.arrow.right");
  }
  return {};
}

std::optional<keys::StoredShortcut> quickActionShortcut(PanelQuickAction action) {
  switch (action) {
    case PanelQuickAction::library: return keys::StoredShortcut{keys::code::V, keys::kCommandFlag | keys::kShiftFlag};
    case PanelQuickAction::quit: return keys::StoredShortcut{keys::code::Q, keys::kCommandFlag};
    default: return std::nullopt;
  }
}

namespace {

QKeySequence keySequence(const keys::StoredShortcut& shortcut) {
  const std::optional<int> key = keys::qtKeyForKeyCode(shortcut.keyCode);
  if (!key) return {};
  return QKeySequence(QKeyCombination(keys::qtModifiersFromFlags(shortcut.modifiers), Qt::Key(*key)));
}

}  // namespace

std::unique_ptr<PanelMenu> makeQuickActionsMenu(InterfaceServices& context, bool isPaused,
                                                std::function<void()> openLibrary, std::function<void()> togglePause,
                                                std::function<void()> openSettings,
                                                std::function<void()> showOnboarding, std::function<void()> clearAll) {
  std::vector<MenuRow> rows;
  for (PanelQuickAction action : kAllPanelQuickActions) {
    MenuRow row;
    row.symbol = quickActionSymbol(action, isPaused);
    row.title = quickActionTitle(action, isPaused);
    if (const auto shortcut = quickActionShortcut(action)) {
      row.keyDisplay = keys::shortcutText(*shortcut);
      row.keys = keySequence(*shortcut);
    }
    switch (action) {
      case PanelQuickAction::library: row.action = std::move(openLibrary); break;
      case PanelQuickAction::pauseResume: row.action = std::move(togglePause); break;
      case PanelQuickAction::settings: row.action = std::move(openSettings); break;
      case PanelQuickAction::welcome: row.action = std::move(showOnboarding); break;
      case PanelQuickAction::clearAll: row.action = std::move(clearAll); break;
      case PanelQuickAction::quit: row.action = [] { QCoreApplication::quit(); }; break;
    }
    rows.push_back(std::move(row));
  }
  return std::make_unique<PanelMenu>(context, std::move(rows));
}

}  // namespace qv
