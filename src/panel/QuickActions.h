#pragma once
#include "platform/keys/KeyCodes.h"
#include "ui/controls/PanelMenu.h"

#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace qv {

struct InterfaceServices;

// The six application-level actions that both the dots menu beside the panel and the status
// item's menu offer, in this order, with the same titles and symbols.
enum class PanelQuickAction { library, pauseResume, settings, welcome, clearAll, quit };

inline constexpr std::array<PanelQuickAction, 6> kAllPanelQuickActions = {
    PanelQuickAction::library, PanelQuickAction::pauseResume, PanelQuickAction::settings,
    PanelQuickAction::welcome, PanelQuickAction::clearAll,    PanelQuickAction::quit};

// The title and symbol; the pause row names what it would do now.
QString quickActionTitle(PanelQuickAction action, bool isPaused);
QString quickActionSymbol(PanelQuickAction action, bool isPaused);
// The keys of the status menu's row: Ctrl+Shift+V opens the library, Ctrl+Q quits.
std::optional<keys::StoredShortcut> quickActionShortcut(PanelQuickAction action);

// The status item's menu, built afresh on every right click so that the pause row shows the
// paused state of that moment: six rows of equal width without separators, whose key hints are
// also the keys that choose them while the menu is open. Each row's closure runs after the menu
// has closed (a queued action, so it may open a dialog); "Quit" quits the application.
std::unique_ptr<PanelMenu> makeQuickActionsMenu(InterfaceServices& context, bool isPaused,
                                                std::function<void()> openLibrary, std::function<void()> togglePause,
                                                std::function<void()> openSettings,
                                                std::function<void()> showOnboarding, std::function<void()> clearAll);

}  // namespace qv
