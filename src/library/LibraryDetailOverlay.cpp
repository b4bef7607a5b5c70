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

namespace {

// The pane's shadow, painted at the overlay's opacity; the pointer passes through it.
class DetailShadow : public QWidget {
 public:
  DetailShadow(LibraryDetailOverlay& overlay, QWidget* parent) : QWidget(parent), overlay_(overlay) {
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    setAttribute(Qt::WA_TranslucentBackground, true);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(overlay_.shownOpacity());
    const double room = LibraryDetailOverlay::kShadowRoom;
    Fx::drawShadow(painter, QRectF(rect()).adjusted(room, room, -room, -room), LibraryDetailStandIn::kCornerRadius,
                   ShadowLayer{QColor::fromRgbF(0, 0, 0, LibraryDetailOverlay::kShadowOpacity),
                               LibraryDetailOverlay::kShadowRadius, 0, LibraryDetailOverlay::kShadowOffsetY});
  }

 private:
  LibraryDetailOverlay& overlay_;
};

}  // namespace

LibraryDetailOverlay::LibraryDetailOverlay(InterfaceServices& context, QWidget* parent)
    : PaintedWidget(context, parent), presence_(*context.frameClock, 0.0) {
  setHoverEnabled(false);
  setAttribute(Qt::WA_TranslucentBackground, true);
  presence_.setOnChange([this] { apply(); });
  hide();
}

LibraryDetailOverlay::~LibraryDetailOverlay() { delete shadow_.data(); }

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
  if (!shadow_ && parentWidget()) shadow_ = new DetailShadow(*this, parentWidget());
  if (!visible) {
    hide();
    if (shadow_) shadow_->hide();
    return;
  }
  const QSizeF pane = props_.paneSize;
  const QPointF topLeft(area_.center().x() - pane.width() / 2,
                        area_.bottom() - kBottomPadding - pane.height() + travel());
  setGeometry(QRectF(topLeft, pane).toAlignedRect());
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
  if (shadow_) {
    shadow_->setGeometry(geometry().adjusted(-int(kShadowRoom), -int(kShadowRoom), int(kShadowRoom), int(kShadowRoom)));
    shadow_->show();
    shadow_->stackUnder(this);
    shadow_->update();
  }
  if (isHidden()) show();
  raise();
  if (shadow_) shadow_->stackUnder(this);
}

QPainterPath LibraryDetailOverlay::hitShape() const {
  QPainterPath path;
  path.addRect(slotRect());
  return path;
}

}  // namespace qv
