#pragma once
#include "ui/anim/AnimatedValue.h"

#include <QAction>
#include <QColor>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QPointer>
#include <functional>
#include <vector>

namespace qv {

struct InterfaceServices;

// One row of the program's menus, as its builder describes it.
struct MenuRow {
  QString symbol;  // leading symbol; empty for none
  QString title;
  QString keyDisplay;      // trailing key text (the keys of a shortcut); empty for none
  QColor tint;             // title and symbol colour; invalid = the label colour
  QColor dotColor;         // a leading colour dot instead of the symbol (categories); invalid = none
  bool isChecked = false;  // the current choice: only its dot shows it
  bool isEnabled = true;
  std::function<void()> action;
  std::vector<MenuRow> submenu;  // rows of the submenu this row opens (titled like the row)
  bool isSeparator = false;
  QKeySequence keys;  // choose the row while the menu is open; empty for none
  QIcon icon{};       // a leading picture of its own (an application's icon) instead of a symbol

  static MenuRow separator() {
    MenuRow row;
    row.isSeparator = true;
    return row;
  }
  bool hasSubmenu() const { return !submenu.empty(); }
  bool hasLeading() const { return !symbol.isEmpty() || dotColor.isValid() || !icon.isNull(); }
};

// The natural size of a row: 28 high; ceil(title width) + 36 with a symbol or dot (else 11)
// + 14, plus 24 with a submenu chevron, plus ceil(key text width) + 24 with key text.
QSize menuRowFittingSize(const MenuRow& row);
// The font of menu rows (made once).
const QFont& menuRowFont();

class PanelMenu;

// A row of a PanelMenu: its look, its highlight amount, and the action it runs.
class PanelMenuRowView : public QAction {
  Q_OBJECT
 public:
  PanelMenuRowView(PanelMenu& menu, MenuRow row);
  const MenuRow& row() const { return row_; }
  // 0 … 1: how much of the rounded highlight is drawn.
  double highlightAmount() const { return highlight_.value(); }
  double highlightTarget() const { return highlight_.target(); }
  void setHighlighted(bool highlighted);

 private:
  MenuRow row_;
  Animated<double> highlight_;
};

// The program's menus: a QMenu whose rows it paints itself (a symbol or colour dot, the title,
// key text or a submenu chevron, and a soft rounded highlight that fades in 0.16 s), while
// keyboard navigation, Return and submenus stay the menu's own. The highlight follows the
// menu's active row, so the pointer and the arrow keys move it alike; a disabled row is never
// highlighted. Every row has the width of the widest. A chosen row runs its action once, after
// the menu has closed and its event handler has returned. A row's keys choose it while the menu
// is open (an open popup fires no action shortcuts by itself); its action also carries title,
// symbol icon and keys, for trays that export the menu and draw it themselves.
class PanelMenu : public QMenu {
  Q_OBJECT
 public:
  PanelMenu(InterfaceServices& context, std::vector<MenuRow> rows = {}, QWidget* parent = nullptr);
  ~PanelMenu() override;

  InterfaceServices& context() const { return context_; }
  // Replaces the rows; an open menu shows the new ones at once.
  void setRows(std::vector<MenuRow> rows);
  // The rows, separators excluded, in order.
  std::vector<PanelMenuRowView*> rowActions() const;
  PanelMenuRowView* rowTitled(const QString& title) const;
  // Some row of this menu is checked (its other dots are then drawn faded).
  bool hasCheckedRow() const;
  bool isDark() const;

 protected:
  void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  PanelMenuRowView* rowForKeys(const QKeyEvent& event) const;
  void syncHighlights();
  void run(PanelMenuRowView* row);

  InterfaceServices& context_;
  std::vector<QPointer<PanelMenu>> submenus_;
  bool chosen_ = false;
};

}  // namespace qv
