#include "ui/controls/PillDropdown.h"

#include "platform/MenuPresenter.h"
#include "ui/InterfaceServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace qv {

namespace {

constexpr double kHeight = 26;
constexpr double kPaddingH = 10;
constexpr double kSpacing = 5;
constexpr double kChevron = 7;
constexpr double kMarginH = 3;
constexpr double kMarginV = 1;
constexpr double kMenuLift = 4;

QFont labelFont() { return systemFont(11, QFont::Medium); }

}  // namespace

// ---- QVMenuTrigger -----------------------------------------------------------------------------

std::vector<MenuRow> QVMenuTrigger::rows() const {
  std::vector<MenuRow> rows;
  for (size_t index = 0; index < items_.size(); ++index) {
    MenuRow row;
    row.title = items_[index].title;
    row.isChecked = items_[index].isChecked;
    // Read when chosen: the trigger may have taken new callbacks since the menu opened, or be gone.
    row.action = [callbacks = std::weak_ptr<Callbacks>(callbacks_), index = int(index)] {
      const std::shared_ptr<Callbacks> current = callbacks.lock();
      if (!current || !current->onChoose) return;
      const auto onChoose = current->onChoose;
      onChoose(index);
    };
    rows.push_back(std::move(row));
  }
  return rows;
}

void QVMenuTrigger::setItems(std::vector<QVDropdownItem> items, Callbacks callbacks) {
  *callbacks_ = std::move(callbacks);
  const bool changed = items != items_;
  items_ = std::move(items);
  if (changed && *openMenu_) (*openMenu_)->setRows(rows());
}

void QVMenuTrigger::open(const QPoint& globalTopLeft) {
  auto menu = std::make_unique<PanelMenu>(context_, rows());
  *openMenu_ = menu.get();
  // Closed is closed, whether the menu is deleted at once or later.
  QObject::connect(menu.get(), &QMenu::aboutToHide, menu.get(),
                   [slot = std::weak_ptr<QPointer<PanelMenu>>(openMenu_), closing = menu.get()] {
                     if (auto open = slot.lock(); open && *open == closing) *open = nullptr;
                   });
  context_.menuPresenter->popUp(std::move(menu), globalTopLeft);
}

// ---- PillDropdown ----------------------------------------------------------------------------

PillDropdown::PillDropdown(InterfaceServices& context, Props props, Callbacks callbacks, QWidget* parent)
    : PaintedWidget(context, parent), trigger_(context) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  props_ = std::move(props);
  trigger_.setItems(props_.items, std::move(callbacks));
}

void PillDropdown::setProps(const Props& props, Callbacks callbacks) {
  trigger_.setItems(props.items, std::move(callbacks));
  if (props == props_) return;
  props_ = props;
  updateGeometry();
  update();
}

QSizeF PillDropdown::pillSize() const {
  const double label = QFontMetricsF(labelFont()).horizontalAdvance(props_.label);
  return {std::ceil(label + kSpacing + kChevron + 2 * kPaddingH), kHeight};
}

QSize PillDropdown::sizeHint() const {
  const QSizeF pill = pillSize();
  return QSize(int(std::ceil(pill.width() + 2 * kMarginH)), int(std::ceil(pill.height() + 2 * kMarginV)));
}

QRectF PillDropdown::pillRect() const {
  const QSizeF pill = pillSize();
  const QPointF centre = QRectF(rect()).center();
  return QRectF(centre.x() - pill.width() / 2, centre.y() - pill.height() / 2, pill.width(), pill.height());
}

QPainterPath PillDropdown::hitShape() const { return Fx::continuousRoundedRect(pillRect(), kHeight / 2); }

AccessibilityInfo PillDropdown::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::ButtonMenu;
  info.name = props_.label;
  info.press = [this] { const_cast<PillDropdown*>(this)->openMenu(); };
  return info;
}

void PillDropdown::openMenu() {
  const QRectF pill = pillRect();
  trigger_.open(mapToGlobal(QPoint(int(std::lround(pill.left())), int(std::lround(pill.top() - kMenuLift)))));
}

void PillDropdown::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton) openMenu();
}

void PillDropdown::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const double hover = hoverProgress();
  const double h = unitClamped(hover);
  const QRectF pill = pillRect();
  painter.save();
  const double scale = lerp(1, 1.02, hover);
  painter.translate(pill.center());
  painter.scale(scale, scale);
  painter.translate(-pill.center());
  const QPainterPath capsule = Fx::continuousRoundedRect(pill, kHeight / 2);
  painter.setClipPath(capsule);
  painter.fillPath(capsule, primaryColor(env, lerp(0.05, 0.08, h)));
  // A centred stroke: half of it is clipped away with the capsule.
  painter.strokePath(capsule, QPen(primaryColor(env, lerp(0.10, 0.13, h)), 0.5));

  const QFont font = labelFont();
  const double labelWidth = QFontMetricsF(font).horizontalAdvance(props_.label);
  const double x = pill.left() + kPaddingH;
  painter.setFont(font);
  painter.setPen(primaryColor(env, 1));
  painter.drawText(QRectF(x, pill.top(), labelWidth + 1, pill.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   props_.label);
  const double dpr = painter.device()->devicePixelRatioF();
  const QImage chevron = Symbols::image(QStringLiteral("chevron.down"), kChevron, primaryColor(env, 0.5), dpr);
  painter.drawImage(QPointF(x + labelWidth + kSpacing, pill.center().y() - kChevron / 2), chevron);
  painter.restore();
}

}  // namespace qv
