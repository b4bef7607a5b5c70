#pragma once
#include "platform/MenuPresenter.h"

#include <QMenu>
#include <QStringList>
#include <vector>

namespace qv {

// Records the menus the program opens (and keeps them) and lets a test pick a row.
class FakeMenuPresenter : public MenuPresenter {
 public:
  void popUp(std::unique_ptr<QMenu> menu, const QPoint& globalPosition) override {
    menus_.push_back(std::move(menu));
    lastPosition = globalPosition;
  }

  int popUps() const { return int(menus_.size()); }
  QMenu* lastMenu() const { return menus_.empty() ? nullptr : menus_.back().get(); }
  QPoint lastPosition;

  // A row's title as the user reads it: mnemonic escapes undone, the key text after a tab cut.
  static QString titleOf(const QAction* action) {
    return action->text().section(u'\t', 0, 0).replace(QStringLiteral("&&"), QStringLiteral("&"));
  }
  // The rows of a menu, "-" for a separator.
  static QStringList titles(const QMenu* menu) {
    QStringList result;
    if (!menu) return result;
    for (const QAction* action : menu->actions())
      result << (action->isSeparator() ? QStringLiteral("-") : titleOf(action));
    return result;
  }
  // The row titled `title` of `menu` or of its submenus (depth first); null when none.
  static QAction* find(const QMenu* menu, const QString& title) {
    if (!menu) return nullptr;
    for (QAction* action : menu->actions()) {
      if (!action->isSeparator() && titleOf(action) == title) return action;
      if (QAction* inner = find(action->menu(), title)) return inner;
    }
    return nullptr;
  }
  // Chooses a row of the last menu as the user would: the menu closes, then the row triggers.
  // False (and nothing happens) when there is no such row, or it is disabled or opens a submenu.
  bool choose(const QString& title) {
    QAction* action = find(lastMenu(), title);
    if (!action || !action->isEnabled() || action->menu()) return false;
    close(lastMenu());
    action->activate(QAction::Trigger);
    return true;
  }
  // Closes the last menu without a choice (Escape, a click elsewhere).
  void dismiss() { close(lastMenu()); }

 private:
  // The menus were never on screen; they still announce their closing as a shown one does.
  static void close(QMenu* menu) {
    if (!menu) return;
    if (menu->isVisible()) menu->hide();
    else Q_EMIT menu->aboutToHide();
  }

 public:
 private:
  std::vector<std::unique_ptr<QMenu>> menus_;
};

}  // namespace qv
