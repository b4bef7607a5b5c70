#include "panel/QuickActionsMenu.h"

#include "platform/Scheduler.h"

#include <QCoreApplication>

namespace qv {

std::unique_ptr<QMenu> makeQuickActionsMenu(const std::shared_ptr<Scheduler>& scheduler, bool isPaused,
                                            std::function<void()> openLibrary, std::function<void()> togglePause,
                                            std::function<void()> openSettings, std::function<void()> showOnboarding,
                                            std::function<void()> clearAll) {
  auto menu = std::make_unique<QMenu>();
  auto addRow = [&](const QString& title, std::function<void()> action, const QKeySequence& keys = {}) {
    QAction* row = menu->addAction(title);
    row->setShortcut(keys);
    // Shown as a hint only; the menu is not around to receive the key otherwise.
    row->setShortcutContext(Qt::WidgetShortcut);
    row->setShortcutVisibleInContextMenu(true);
    QObject::connect(row, &QAction::triggered, row, queuedAction(scheduler, std::move(action)));
  };
  addRow(QStringLiteral("Open Library"), std::move(openLibrary), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_V));
  addRow(isPaused ? QStringLiteral("Resume Monitoring") : QStringLiteral("Pause Monitoring"), std::move(togglePause));
  addRow(QStringLiteral("Settings"), std::move(openSettings));
  addRow(QStringLiteral("Show Onboarding"), std::move(showOnboarding));
  addRow(QStringLiteral("Clear All History"), std::move(clearAll));
  addRow(QStringLiteral("Quit"), [] { QCoreApplication::quit(); }, QKeySequence(Qt::CTRL | Qt::Key_Q));
  return menu;
}

}  // namespace qv
