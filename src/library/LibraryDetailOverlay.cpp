#include "library/LibraryDetailOverlay.h"

#include "items/model/ContentType.h"
#include "ui/InterfaceServices.h"
#include "ui/Translucency.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/text/Fonts.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <algorithm>

namespace qv {

// ---- Stand-in --------------------------------------------------------------------------------

LibraryDetailStandIn::LibraryDetailStandIn(InterfaceServices& context, QWidget* parent)
    : LibraryDetailPane(parent), context_(context) {
  setAttribute(Qt::WA_TranslucentBackground, true);
}

void LibraryDetailStandIn::showItem(const ClipboardItem& item, double width, double availableHeight,
                                    std::function<void()> onClose) {
  title_ = firstLine(item.plainText().value_or(rawValue(item.contentType)));
  onClose_ = std::move(onClose);
  resize(QSizeF(width, availableHeight).toSize());
  update();
}

void LibraryDetailStandIn::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const EnvironmentValues env = context_.environment ? context_.environment->values() : EnvironmentValues{};
  const QRectF frame = rect();
  const QPainterPath shape = Fx::continuousRoundedRect(frame, kCornerRadius);
  painter.fillPath(shape, Translucency::backgroundColor(Material::menu, env, TranslucencySupport{}));
  Fx::strokeInnerBorder(painter, frame, kCornerRadius, QBrush(primaryColor(env, 0.12)), 0.5);
  painter.setFont(systemFont(13, QFont::Medium));
  painter.setPen(labelColor(env, LabelLevel::primary));
  const QRectF text = frame.adjusted(20, 18, -20, -18);
  painter.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                   painter.fontMetrics().elidedText(title_, Qt::ElideRight, int(text.width()) * 3));
}

// ---- Overlay ---------------------------------------------------------------------------------

LibraryDetailOverlay::LibraryDetailOverlay(InterfaceServices& context, QWidget* parent)
    : PaintedWidget(context, parent), presence_(*context.frameClock, 0.0) {
  setHoverEnabled(false);
  setAttribute(Qt::WA_TranslucentBackground, true);
  presence_.setOnChange([this] { apply(); });
  hide();
}

LibraryDetailOverlay::~LibraryDetailOverlay() = default;

bool LibraryDetailOverlay::reducedMotion() const {
  return context().reduceMotion && context().reduceMotion->isEnabled();
}

void LibraryDetailOverlay::setProps(const Props& props) {
  if (props == props_) return;
  const bool comes = props.shown != props_.shown;
  props_ = props;
  if (pane_) pane_->setGeometry(slotRect().toAlignedRect());
  if (comes) presence_.setTarget(props_.shown ? 1.0 : 0.0);
  apply();
}

void LibraryDetailOverlay::setPane(LibraryDetailPane* pane) {
  if (pane_ == pane) return;
  delete pane_.data();
  pane_ = pane;
  if (!pane) return;
  pane->setParent(this);
  pane->setGeometry(slotRect().toAlignedRect());
  pane->show();
}

QRectF LibraryDetailOverlay::slotRect() const {
  return {kShadowRoom, kShadowRoom, props_.paneSize.width(), props_.paneSize.height()};
}

double LibraryDetailOverlay::travel() const {
  if (reducedMotion()) return 0;
  // From just below the area's bottom edge.
  return (1 - std::clamp(presence_.value(), 0.0, 1.2)) * (props_.paneSize.height() + kBottomPadding);
}

double LibraryDetailOverlay::shownOpacity() const { return std::clamp(presence_.value(), 0.0, 1.0); }

void LibraryDetailOverlay::place(const QRectF& area) {
  area_ = area;
  apply();
}

void LibraryDetailOverlay::apply() {
  const double opacity = shownOpacity();
  const bool visible = props_.shown || opacity > 0.001;
  if (!visible) {
    hide();
    return;
  }
  const QSizeF pane = props_.paneSize;
  const QSizeF outer(pane.width() + 2 * kShadowRoom, pane.height() + 2 * kShadowRoom);
  const double left = area_.center().x() - outer.width() / 2;
  const double top = area_.bottom() - kBottomPadding - pane.height() - kShadowRoom + travel();
  setGeometry(QRectF(QPointF(left, top), outer).toAlignedRect());
  // A whole pane with its children fades: the one place an opacity effect is worth it, and only
  // while it moves.
  if (opacity < 0.999) {
    if (!fade_) {
      fade_ = new QGraphicsOpacityEffect(this);
      setGraphicsEffect(fade_);
    }
    fade_->setOpacity(opacity);
  } else if (fade_) {
    setGraphicsEffect(nullptr);
    fade_ = nullptr;
  }
  if (isHidden()) {
    show();
    raise();
  }
  update();
}

QPainterPath LibraryDetailOverlay::hitShape() const {
  QPainterPath path;
  path.addRect(slotRect());
  return path;
}

void LibraryDetailOverlay::paint(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing);
  Fx::drawShadow(painter, slotRect(), LibraryDetailStandIn::kCornerRadius,
                 ShadowLayer{QColor::fromRgbF(0, 0, 0, kShadowOpacity), kShadowRadius, 0, kShadowOffsetY});
}

}  // namespace qv
