#pragma once
#include <QMenu>
#include <functional>
#include <memory>

namespace qv {

class Scheduler;

// The quick actions of the status item's menu, one row each and without separators: "Open
// Library" (Shift+Ctrl+V), "Pause Monitoring" or "Resume Monitoring", "Settings", "Show
// Onboarding", "Clear All History" and "Quit" (Ctrl+Q). Each row runs its closure; "Quit" quits
// the application itself. The shortcuts are shown, not registered (the menu has no keyboard focus
// while closed).
// A row's closure runs queued on `scheduler`, after the menu has closed and its click handler
// has returned, so it may open a modal dialog or drop the menu.
std::unique_ptr<QMenu> makeQuickActionsMenu(const std::shared_ptr<Scheduler>& scheduler, bool isPaused,
                                            std::function<void()> openLibrary, std::function<void()> togglePause,
                                            std::function<void()> openSettings, std::function<void()> showOnboarding,
                                            std::function<void()> clearAll);

}  // namespace qv
