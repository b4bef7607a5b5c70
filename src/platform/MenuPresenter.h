#pragma once
#include <QPoint>
#include <memory>

class QMenu;

namespace qv {

// Opens the program's menus. A menu is opened without blocking (no nested event loop), so the
// code that opened it returns at once and a chosen row's action runs later, from the event
// loop, once the menu has closed.
class MenuPresenter {
 public:
  virtual ~MenuPresenter() = default;
  // Shows `menu` with its top-left corner at `globalPosition` and returns at once. The presenter
  // owns the menu from now on and deletes it after it closed, from the event loop (never while
  // one of its handlers is on the stack).
  virtual void popUp(std::unique_ptr<QMenu> menu, const QPoint& globalPosition) = 0;
};

// The real presenter: QMenu::popup, never exec.
class PopupMenuPresenter : public MenuPresenter {
 public:
  void popUp(std::unique_ptr<QMenu> menu, const QPoint& globalPosition) override;
};

}  // namespace qv
