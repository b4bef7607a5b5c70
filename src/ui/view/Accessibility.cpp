#include "ui/view/Accessibility.h"

#include "ui/view/PaintedItem.h"
#include "ui/view/PaintedWidget.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QGraphicsScene>
#include <QPointer>
#include <QWindow>
#include <optional>

namespace qv {

namespace {

const QString kPress = QAccessibleActionInterface::pressAction();

QAccessible::State stateOf(const AccessibilityInfo& info) {
  QAccessible::State state;
  state.focusable = info.focusable;
  state.focused = info.focused;
  state.selectable = info.selectable;
  state.selected = info.selected;
  state.checkable = info.checkable;
  state.checked = info.checked;
  state.invisible = info.hidden;
  return state;
}

QString textOf(const AccessibilityInfo& info, QAccessible::Text t) {
  switch (t) {
    case QAccessible::Name: return info.name;
    case QAccessible::Description: return info.description;
    case QAccessible::Value: return info.value;
    default: return {};
  }
}

QList<PaintedItem*> paintedChildren(const QGraphicsItem* item) {
  QList<PaintedItem*> result;
  for (auto* child : item->childItems())
    if (auto* painted = qobject_cast<PaintedItem*>(child->toGraphicsObject()); painted && painted->isVisible())
      result << painted;
  return result;
}

// One of a painted widget's parts (PaintedWidget::accessibleParts), by its place in the list:
// it reads the part afresh on every question, and is invalid once the widget has fewer parts.
class AccessiblePaintedPart : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  AccessiblePaintedPart(PaintedWidget* widget, int index) : widget_(widget), index_(index) {}

  std::optional<AccessiblePart> part() const {
    if (!widget_) return std::nullopt;
    const std::vector<AccessiblePart> parts = widget_->accessibleParts();
    if (index_ >= int(parts.size())) return std::nullopt;
    return parts[size_t(index_)];
  }

  bool isValid() const override { return part().has_value(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override {
    return widget_ && widget_->window() ? widget_->window()->windowHandle() : nullptr;
  }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override {
    return widget_ ? QAccessible::queryAccessibleInterface(widget_.data()) : nullptr;
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    const auto p = part();
    return p ? textOf(p->info, t) : QString();
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    const auto p = part();
    if (!p) return {};
    const QRect local = p->rect.toAlignedRect();
    return QRect(widget_->mapToGlobal(local.topLeft()), local.size());
  }
  QAccessible::Role role() const override {
    const auto p = part();
    return p ? p->info.role : QAccessible::NoRole;
  }
  QAccessible::State state() const override {
    const auto p = part();
    if (!p) {
      QAccessible::State gone;
      gone.invisible = true;
      return gone;
    }
    QAccessible::State s = stateOf(p->info);
    s.invisible |= !widget_->isVisible();
    s.offscreen = !widget_->rect().intersects(p->rect.toAlignedRect());
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }
  QStringList actionNames() const override {
    const auto p = part();
    return p && p->info.press ? QStringList{kPress} : QStringList{};
  }
  void doAction(const QString& name) override {
    if (name != kPress) return;
    if (const auto p = part(); p && p->info.press) p->info.press();
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QPointer<PaintedWidget> widget_;
  int index_;
};

// QAccessibleWidget already is an action interface; its actions are extended here. The
// widget's painted parts follow its child widgets as further children.
class AccessiblePaintedWidget : public QAccessibleWidget {
 public:
  explicit AccessiblePaintedWidget(PaintedWidget* widget) : QAccessibleWidget(widget) {}
  // The parts' interfaces are registered with Qt's cache and go with this one.
  ~AccessiblePaintedWidget() override {
    for (const QAccessible::Id id : partIds_) QAccessible::deleteAccessibleInterface(id);
  }
  PaintedWidget* painted() const { return static_cast<PaintedWidget*>(widget()); }

  int childCount() const override { return QAccessibleWidget::childCount() + int(painted()->accessibleParts().size()); }
  QAccessibleInterface* child(int index) const override {
    const int widgets = QAccessibleWidget::childCount();
    if (index < widgets) return QAccessibleWidget::child(index);
    const int part = index - widgets;
    if (part >= int(painted()->accessibleParts().size())) return nullptr;
    while (int(partIds_.size()) <= part)
      partIds_.push_back(
          QAccessible::registerAccessibleInterface(new AccessiblePaintedPart(painted(), int(partIds_.size()))));
    return QAccessible::accessibleInterface(partIds_[size_t(part)]);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (size_t part = 0; part < partIds_.size(); ++part)
      if (QAccessible::accessibleInterface(partIds_[part]) == child)
        return child->isValid() ? QAccessibleWidget::childCount() + int(part) : -1;
    return QAccessibleWidget::indexOfChild(child);
  }
  QAccessible::Role role() const override { return painted()->accessibility().role; }
  QString text(QAccessible::Text t) const override {
    const QString value = textOf(painted()->accessibility(), t);
    return value.isEmpty() ? QAccessibleWidget::text(t) : value;
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    const auto info = painted()->accessibility();
    const auto own = stateOf(info);
    s.selectable |= own.selectable;
    s.selected |= own.selected;
    s.checkable |= own.checkable;
    s.checked |= own.checked;
    s.focusable |= own.focusable;
    s.invisible |= own.invisible;
    return s;
  }
  QStringList actionNames() const override {
    QStringList names = QAccessibleWidget::actionNames();
    if (painted()->accessibility().press && !names.contains(kPress)) names.prepend(kPress);
    return names;
  }
  void doAction(const QString& name) override {
    if (auto press = painted()->accessibility().press; press && name == kPress) {
      press();
      return;
    }
    QAccessibleWidget::doAction(name);
  }

 private:
  mutable std::vector<QAccessible::Id> partIds_;
};

class AccessiblePaintedItem : public QAccessibleObject, public QAccessibleActionInterface {
 public:
  explicit AccessiblePaintedItem(PaintedItem* item) : QAccessibleObject(item) {}
  PaintedItem* item() const { return static_cast<PaintedItem*>(object()); }

  QAccessibleInterface* parent() const override {
    for (auto* up = item()->parentItem(); up; up = up->parentItem())
      if (auto* painted = qobject_cast<PaintedItem*>(up->toGraphicsObject()))
        return QAccessible::queryAccessibleInterface(painted);
    if (auto* scene = item()->scene(); scene && !scene->views().isEmpty())
      return QAccessible::queryAccessibleInterface(scene->views().first());
    return nullptr;
  }
  int childCount() const override { return int(paintedChildren(item()).size()); }
  QAccessibleInterface* child(int index) const override {
    const auto children = paintedChildren(item());
    return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children[index]) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!child) return -1;
    return int(paintedChildren(item()).indexOf(qobject_cast<PaintedItem*>(child->object())));
  }
  QRect rect() const override {
    auto* scene = item()->scene();
    if (!scene || scene->views().isEmpty()) return {};
    QGraphicsView* view = scene->views().first();
    const QPolygon onView = view->mapFromScene(item()->mapToScene(item()->rect()));
    const QRect local = onView.boundingRect();
    return QRect(view->viewport()->mapToGlobal(local.topLeft()), local.size());
  }
  QAccessible::Role role() const override { return item()->accessibility().role; }
  QString text(QAccessible::Text t) const override { return textOf(item()->accessibility(), t); }
  void setText(QAccessible::Text, const QString&) override {}
  QAccessible::State state() const override {
    QAccessible::State s = stateOf(item()->accessibility());
    s.invisible |= !item()->isVisible();
    s.hotTracked = item()->isHovered();
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }
  QStringList actionNames() const override {
    return item()->accessibility().press ? QStringList{kPress} : QStringList{};
  }
  void doAction(const QString& name) override {
    if (name != kPress) return;
    if (auto press = item()->accessibility().press) press();
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

class AccessibleItemView : public QAccessibleWidget {
 public:
  explicit AccessibleItemView(PaintedItemView* view) : QAccessibleWidget(view, QAccessible::List) {}
  PaintedItemView* view() const { return static_cast<PaintedItemView*>(widget()); }
  int childCount() const override { return int(view()->accessibleItems().size()); }
  QAccessibleInterface* child(int index) const override {
    const auto items = view()->accessibleItems();
    return index >= 0 && index < items.size() ? QAccessible::queryAccessibleInterface(items[index]) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!child) return -1;
    return int(view()->accessibleItems().indexOf(qobject_cast<PaintedItem*>(child->object())));
  }
};

QAccessibleInterface* factory(const QString&, QObject* object) {
  if (auto* widget = qobject_cast<PaintedWidget*>(object)) return new AccessiblePaintedWidget(widget);
  if (auto* item = qobject_cast<PaintedItem*>(object)) return new AccessiblePaintedItem(item);
  if (auto* view = qobject_cast<PaintedItemView*>(object)) return new AccessibleItemView(view);
  return nullptr;
}

}  // namespace

void installAccessibilityBridge() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(factory);
}

}  // namespace qv
