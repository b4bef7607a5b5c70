#pragma once
#include "ui/controls/PanelMenu.h"
#include "ui/view/PaintedWidget.h"

#include <QPointer>
#include <functional>
#include <vector>

namespace qv {

// One entry of a drop-down menu.
struct QVDropdownItem {
  QString title;
  bool isChecked = false;
  bool operator==(const QVDropdownItem&) const = default;
};

// Opens a fresh menu of drop-down entries through the menu presenter and keeps a weak hold on
// it while it is open, so that new entries show in the open menu at once. A chosen row calls
// the `onChoose` given last with its index, also when the entries changed while the menu was
// open.
class QVMenuTrigger {
 public:
  struct Callbacks {
    std::function<void(int index)> onChoose;  // the index into the entries
  };

  explicit QVMenuTrigger(InterfaceServices& context) : context_(context) {}

  // Replaces the entries and the callbacks; an open menu rebuilds its rows when they look
  // different, a closed one is left alone.
  void setItems(std::vector<QVDropdownItem> items, Callbacks callbacks);
  const std::vector<QVDropdownItem>& items() const { return items_; }
  const Callbacks& callbacks() const { return *callbacks_; }
  // Opens the menu with its top-left corner at `globalTopLeft`.
  void open(const QPoint& globalTopLeft);
  // The menu while it is open; null otherwise.
  PanelMenu* openMenu() const { return *openMenu_; }

 private:
  std::vector<MenuRow> rows() const;

  InterfaceServices& context_;
  std::vector<QVDropdownItem> items_;
  // Shared with the rows of the open menu, which run after the menu closed.
  std::shared_ptr<Callbacks> callbacks_ = std::make_shared<Callbacks>();
  // Shared with the menu's close handler, which may outlive the trigger.
  std::shared_ptr<QPointer<PanelMenu>> openMenu_ = std::make_shared<QPointer<PanelMenu>>();
};

// The house drop-down: a small capsule with a label and a down chevron; a press anywhere on it
// opens its menu over the pill, 4 points above its top-left corner. Hovering lifts the fill and
// stroke and scales it to 1.02 with the snappy spring.
class PillDropdown : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString label;
    std::vector<QVDropdownItem> items;
    bool operator==(const Props&) const = default;
  };
  using Callbacks = QVMenuTrigger::Callbacks;
  PillDropdown(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent = nullptr);

  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  const Callbacks& callbacks() const { return trigger_.callbacks(); }
  QVMenuTrigger& trigger() { return trigger_; }

  // The capsule, centred in the widget (which leaves room for the hover scale).
  QRectF pillRect() const;
  QPainterPath hitShape() const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QSizeF pillSize() const;
  void openMenu();

  Props props_;
  QVMenuTrigger trigger_;
};

}  // namespace qv
