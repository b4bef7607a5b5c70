#include "ui/controls/PanelMenu.h"

#include "ui/InterfaceServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/Environment.h"
#include "ui/theme/Theme.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <cmath>

namespace qv {

namespace {

constexpr int kRowHeight = 28;
constexpr double kLeadingTitleX = 36;
constexpr double kPlainTitleX = 11;
constexpr double kTrailingInset = 14;
constexpr double kSubmenuExtra = 24;
constexpr double kKeyExtra = 24;
constexpr double kHighlightDuration = 0.16;
constexpr int kSeparatorHeight = 11;

// Smoothstep over the duration: the cubic bezier (1/3, 0), (2/3, 1) is exactly t²(3 − 2t).
const Animation& highlightCurve() {
  static const Animation curve = Animation::timingCurve(1.0 / 3, 0, 2.0 / 3, 1, kHighlightDuration);
  return curve;
}

QString escapedTitle(QString title) { return title.replace(u'&', QStringLiteral("&&")); }

// Paints the rows of PanelMenus (and the menu's surface); the menu's behaviour stays native.
class MenuRowStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    switch (metric) {
      case PM_MenuPanelWidth: return 1;
      case PM_MenuHMargin: return 0;
      case PM_MenuVMargin: return 4;
      default: return QProxyStyle::pixelMetric(metric, option, widget);
    }
  }

  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    switch (hint) {
      case SH_Menu_AllowActiveAndDisabled: return 0;  // the keyboard skips disabled rows
      case SH_Menu_FlashTriggeredItem: return 0;
      case SH_Menu_FadeOutOnHide: return 0;
      case SH_Menu_MouseTracking: return 1;
      default: return QProxyStyle::styleHint(hint, option, widget, data);
    }
  }

  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override {
    if (type == CT_MenuItem) {
      const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
      if (const PanelMenuRowView* row = rowOf(option)) return menuRowFittingSize(row->row());
      if (item && item->menuItemType == QStyleOptionMenuItem::Separator) return {1, kSeparatorHeight};
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
  }

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    const auto* menu = qobject_cast<const PanelMenu*>(widget);
    if (menu && element == PE_PanelMenu) {
      painter->fillRect(option->rect, surface(menu->isDark()));
      return;
    }
    if (menu && element == PE_FrameMenu) {
      painter->save();
      painter->setPen(QPen(primaryColor(menu->isDark(), menu->isDark() ? 0.16 : 0.14), 1));
      painter->drawRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5));
      painter->restore();
      return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
  }

  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    const auto* menu = qobject_cast<const PanelMenu*>(widget);
    if (!menu) return QProxyStyle::drawControl(element, option, painter, widget);
    switch (element) {
      case CE_MenuEmptyArea:
      case CE_MenuVMargin:
      case CE_MenuHMargin: painter->fillRect(option->rect, surface(menu->isDark())); return;
      case CE_MenuItem: break;
      default: return QProxyStyle::drawControl(element, option, painter, widget);
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::TextAntialiasing);
    painter->fillRect(option->rect, surface(menu->isDark()));
    if (const PanelMenuRowView* row = rowOf(option)) {
      drawRow(*painter, QRectF(option->rect), *row, *menu);
    } else if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
               item && item->menuItemType == QStyleOptionMenuItem::Separator) {
      const QRectF line(option->rect.left() + 10, option->rect.center().y(), option->rect.width() - 20, 1);
      painter->fillRect(line, primaryColor(menu->isDark(), 0.1));
    }
    painter->restore();
  }

 private:
  static const PanelMenuRowView* rowOf(const QStyleOption* option) {
    return option ? qobject_cast<const PanelMenuRowView*>(option->styleObject) : nullptr;
  }
  static QColor surface(bool dark) { return dark ? QColor(40, 40, 43) : QColor(246, 246, 247); }

  static void drawRow(QPainter& painter, const QRectF& bounds, const PanelMenuRowView& action, const PanelMenu& menu) {
    const MenuRow& row = action.row();
    const bool dark = menu.isDark();
    const bool enabled = action.isEnabled();
    const double dpr = painter.device()->devicePixelRatioF();
    const double a = enabled ? unitClamped(action.highlightAmount()) : 0;
    QColor text;
    if (enabled) {
      if (a > 0.001) {
        const QColor base = dark ? QColor::fromRgbF(0.403921568627451f, 0.43137254901960786f, 0.8980392156862745f, 0.6f)
                                 : withAlpha(Theme::accentNS(), 0.22);
        const QRectF highlight = bounds.adjusted(4, 1.5, -4, -1.5);
        painter.fillPath(Fx::roundedRect(highlight, 10), withAlpha(base, a * base.alphaF()));
      }
      text = row.tint.isValid() ? withAlpha(row.tint, 0.85 + 0.15 * a) : primaryColor(dark, 0.65 + 0.25 * a);
    } else {
      text = primaryColor(dark, 0.25);  // the disabled text colour
    }

    const double middle = bounds.center().y();
    if (row.dotColor.isValid()) {
      double b = 1;
      if (menu.hasCheckedRow()) b = row.isChecked ? 1 : 0.45;
      const QRectF dot(bounds.left() + 14.5, middle - 4.5, 9, 9);
      QPainterPath oval;
      oval.addEllipse(dot);
      painter.fillPath(oval, withAlpha(row.dotColor, enabled ? b : 0.4));
      painter.setPen(QPen(primaryColor(dark, 0.15 * b), 0.5));
      painter.setBrush(Qt::NoBrush);
      painter.drawEllipse(dot.adjusted(0.25, 0.25, -0.25, -0.25));
    } else if (!row.icon.isNull()) {
      const QPixmap picture = row.icon.pixmap(QSize(16, 16), dpr, enabled ? QIcon::Normal : QIcon::Disabled);
      const QSizeF size = picture.deviceIndependentSize();
      painter.drawPixmap(QPointF(bounds.left() + 11 + (16 - size.width()) / 2, middle - size.height() / 2), picture);
    } else if (!row.symbol.isEmpty()) {
      const QColor color = !enabled             ? text
                           : row.tint.isValid() ? withAlpha(row.tint, 1)
                                                : primaryColor(dark, 0.55 + 0.3 * a);
      const QImage symbol = Symbols::image(row.symbol, 13, color, dpr);
      if (!symbol.isNull()) {
        const QSizeF size = symbol.deviceIndependentSize();
        painter.drawImage(QPointF(bounds.left() + 11 + (16 - size.width()) / 2, middle - size.height() / 2), symbol);
      }
    }

    const QFont& font = menuRowFont();
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.setPen(text);
    const double titleX = bounds.left() + (row.hasLeading() ? kLeadingTitleX : kPlainTitleX);
    painter.drawText(QRectF(titleX, bounds.top(), bounds.right() - titleX, bounds.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, row.title);
    const QColor trailing = enabled ? primaryColor(dark, 0.32 + 0.28 * a) : text;
    if (!row.keyDisplay.isEmpty()) {
      const double width = metrics.horizontalAdvance(row.keyDisplay);
      painter.setPen(trailing);
      painter.drawText(QRectF(bounds.right() - kTrailingInset - width, bounds.top(), width + 1, bounds.height()),
                       Qt::AlignLeft | Qt::AlignVCenter, row.keyDisplay);
    }
    if (row.hasSubmenu()) {
      const QImage chevron = Symbols::image(QStringLiteral("chevron.right"), 10, trailing, dpr);
      const QSizeF size = chevron.deviceIndependentSize();
      painter.drawImage(QPointF(bounds.right() - kTrailingInset - size.width(), middle - size.height() / 2), chevron);
    }
  }
};

QStyle* menuRowStyle() {
  static QPointer<QStyle> style;
  if (!style) {
    style = new MenuRowStyle;
    style->setParent(QCoreApplication::instance());  // lives as long as the application
  }
  return style;
}

}  // namespace

const QFont& menuRowFont() {
  static const QFont font = systemFont(13);
  return font;
}

QSize menuRowFittingSize(const MenuRow& row) {
  const QFontMetricsF metrics(menuRowFont());
  double width = std::ceil(metrics.horizontalAdvance(row.title)) + (row.hasLeading() ? kLeadingTitleX : kPlainTitleX) +
                 kTrailingInset;
  if (row.hasSubmenu()) width += kSubmenuExtra;
  if (!row.keyDisplay.isEmpty()) width += std::ceil(metrics.horizontalAdvance(row.keyDisplay)) + kKeyExtra;
  return {int(width), kRowHeight};
}

// ---- PanelMenuRowView ----------------------------------------------------------------------------

PanelMenuRowView::PanelMenuRowView(PanelMenu& menu, MenuRow row)
    : QAction(escapedTitle(row.title), &menu), row_(std::move(row)), highlight_(*menu.context().frameClock) {
  setEnabled(row_.isEnabled);
  if (!row_.icon.isNull()) setIcon(row_.icon);
  else if (!row_.symbol.isEmpty()) setIcon(Symbols::icon(row_.symbol));
  setShortcut(row_.keys);
  // The menu itself matches the keys (keyPressEvent); registered for the window they could
  // fire while the menu is closed.
  setShortcutContext(Qt::WidgetShortcut);
  setShortcutVisibleInContextMenu(false);  // the row paints its own key text
  // Only the dot shows the current choice; assistive technology hears it as checked.
  setCheckable(row_.isChecked);
  setChecked(row_.isChecked);
  highlight_.setOnChange([this, &menu] { menu.update(menu.actionGeometry(this)); });
}

void PanelMenuRowView::setHighlighted(bool highlighted) {
  const double target = highlighted ? 1.0 : 0.0;
  if (target == highlight_.target()) return;
  highlight_.animateTo(target, highlightCurve());
}

// ---- PanelMenu ---------------------------------------------------------------------------------

PanelMenu::PanelMenu(InterfaceServices& context, std::vector<MenuRow> rows, QWidget* parent)
    : QMenu(parent), context_(context) {
  setStyle(menuRowStyle());
  setFont(menuRowFont());
  connect(this, &QMenu::aboutToShow, this, [this] { chosen_ = false; });
  setRows(std::move(rows));
}

PanelMenu::~PanelMenu() = default;

bool PanelMenu::isDark() const { return context_.environment && context_.environment->isDark(); }

void PanelMenu::setRows(std::vector<MenuRow> rows) {
  clear();
  for (const auto& submenu : submenus_)
    if (submenu) submenu->deleteLater();  // it may be open; gone once control is back in the loop
  submenus_.clear();
  for (MenuRow& row : rows) {
    if (row.isSeparator) {
      addSeparator();
      continue;
    }
    std::vector<MenuRow> subrows = std::move(row.submenu);
    row.submenu.clear();
    const bool opensSubmenu = !subrows.empty();
    if (opensSubmenu) row.submenu.resize(1);  // keeps hasSubmenu() for the chevron
    auto* action = new PanelMenuRowView(*this, std::move(row));
    if (opensSubmenu) {
      auto* submenu = new PanelMenu(context_, std::move(subrows), this);
      submenu->setTitle(action->text());
      action->setMenu(submenu);
      submenus_.push_back(submenu);
    }
    connect(action, &QAction::triggered, this, [this, action] { run(action); });
    addAction(action);
  }
}

std::vector<PanelMenuRowView*> PanelMenu::rowActions() const {
  std::vector<PanelMenuRowView*> rows;
  for (QAction* action : actions())
    if (auto* row = qobject_cast<PanelMenuRowView*>(action)) rows.push_back(row);
  return rows;
}

PanelMenuRowView* PanelMenu::rowTitled(const QString& title) const {
  for (PanelMenuRowView* row : rowActions())
    if (row->row().title == title) return row;
  return nullptr;
}

bool PanelMenu::hasCheckedRow() const {
  for (const PanelMenuRowView* row : rowActions())
    if (row->row().isChecked) return true;
  return false;
}

void PanelMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const {
  QMenu::initStyleOption(option, action);
  // Lets the style find the row it sizes and paints.
  option->styleObject = const_cast<QAction*>(action);
}

bool PanelMenu::event(QEvent* event) {
  // Claims its rows' keys before any shortcut of the application sees them.
  if (event->type() == QEvent::ShortcutOverride && rowForKeys(*static_cast<QKeyEvent*>(event))) {
    event->accept();
    return true;
  }
  // The event may delete the menu (a deferred delete).
  const QPointer<PanelMenu> self(this);
  const bool handled = QMenu::event(event);
  if (self) syncHighlights();
  return handled;
}

PanelMenuRowView* PanelMenu::rowForKeys(const QKeyEvent& event) const {
  const QKeySequence pressed(event.keyCombination());
  for (PanelMenuRowView* row : rowActions())
    if (!row->row().keys.isEmpty() && row->row().keys.matches(pressed) == QKeySequence::ExactMatch) return row;
  return nullptr;
}

void PanelMenu::keyPressEvent(QKeyEvent* event) {
  PanelMenuRowView* row = event->modifiers() != Qt::NoModifier ? rowForKeys(*event) : nullptr;
  if (!row || !row->isEnabled()) return QMenu::keyPressEvent(event);
  event->accept();
  // As a click would: the menu closes, then the row runs (queued, see run).
  hide();
  row->trigger();
}

void PanelMenu::syncHighlights() {
  QAction* active = isVisible() ? activeAction() : nullptr;
  for (PanelMenuRowView* row : rowActions()) row->setHighlighted(row == active && row->isEnabled());
}

void PanelMenu::run(PanelMenuRowView* row) {
  if (chosen_ || !row->isEnabled() || row->menu()) return;
  chosen_ = true;
  // Queued: the menu has closed, and its handler returns before the action can open a dialog
  // or delete anything.
  context_.scheduler->post([action = row->row().action] {
    if (action) action();
  });
}

}  // namespace qv
