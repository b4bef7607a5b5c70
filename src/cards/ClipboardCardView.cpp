#include "cards/ClipboardCardView.h"

#include "base/RelativeDateText.h"
#include "cards/content/CardContentItem.h"
#include "cards/content/CardContentStyle.h"
#include "items/identity/AppIdentity.h"
#include "platform/Scheduler.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QPainter>
#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>

namespace qv {

namespace {

using CardContentStyle::black;
using CardContentStyle::white;

constexpr double kGlowWidth = 2.5;
constexpr double kGlowRadius = 8;
constexpr double kGlowOpacity = 0.55;
constexpr double kRingWidth = 2.5;
constexpr double kRingOverlap = 0.5;
constexpr double kFloorInsetX = 7;
constexpr double kFloorInsetTop = 144;
constexpr double kFloorRadius = 6;
constexpr double kFloorDrop = 5;
constexpr double kSheenEnd = 0.35;
constexpr double kSheenBorderWidth = 0.75;
constexpr double kEyeSize = 22;
constexpr double kEyeEnterScale = 0.85;
constexpr double kEdgeZ = 5;

QRectF cardRect() { return QRectF(QPointF(0, 0), CardContentStyle::cardSize()); }

// Cached images are made per whole quarter of a device pixel per point, so that a lifted
// card (2.5 % larger) keeps using them.

ShadowLayer floorShadow(bool dark) { return {black(dark ? 0.46 : 0.17), kFloorRadius, 0, kFloorDrop}; }

QRectF floorRect() {
  const QRectF card = cardRect();
  return card.adjusted(kFloorInsetX, kFloorInsetTop, -kFloorInsetX, 0);
}

// Whole points, so that the glow's image lands on whole device pixels.
double glowReach() { return std::ceil(kGlowWidth / 2 + Fx::blurMargin(kGlowRadius) + 1); }

void paintGlow(QPainter& painter) {
  QPainterPathStroker stroker;
  stroker.setWidth(kGlowWidth);
  const QPainterPath line = stroker.createStroke(
      Fx::continuousRoundedRect(cardRect(), ClipboardCardView::kCornerRadius));
  QColor shadow = Theme::accent();
  shadow.setAlphaF(float(kGlowOpacity));
  Fx::drawShadow(painter, line, ShadowLayer{shadow, kGlowRadius, 0, 0});
  painter.fillPath(line, Theme::accent());
}

// Sheen and hairline, in front of everything on the card.
void paintEdges(QPainter& painter, const EnvironmentValues& env) {
  const QRectF card = cardRect();
  const double radius = ClipboardCardView::kCornerRadius;
  const bool dark = env.isDark();
  if (!env.reduceTransparency) {
    painter.fillPath(
        Fx::continuousRoundedRect(card, radius),
        Fx::linearGradient(card, {0.5, 0}, {0.5, kSheenEnd}, {{0, white(dark ? 0.06 : 0.35)}, {1, white(0)}}));
    Fx::strokeInnerBorder(
        painter, card, radius,
        Fx::linearGradient(card, {0.5, 0}, {0.5, 1}, {{0, white(dark ? 0.2 : 0.9)}, {1, white(dark ? 0.04 : 0.15)}}),
        kSheenBorderWidth);
  }
  const double opacity = env.reduceTransparency ? (dark ? 0.22 : 0.2) : (dark ? 0.09 : 0.13);
  Fx::strokeInnerBorder(painter, card, radius, dark ? white(opacity) : black(opacity),
                        env.reduceTransparency ? 1.0 : 0.5);
}

// Clears what lies outside the card's shape, with antialiased edges.
void clipToCard(QImage& image) {
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setCompositionMode(QPainter::CompositionMode_Clear);
  QPainterPath outside;
  outside.setFillRule(Qt::OddEvenFill);
  outside.addRect(cardRect().adjusted(-1, -1, 1, 1));
  outside.addPath(Fx::continuousRoundedRect(cardRect(), ClipboardCardView::kCornerRadius));
  painter.fillPath(outside, Qt::black);
}

}  // namespace

// The sheen, hairline and selection ring lie in front of the badges, so they are a child item
// over the overlay. It takes no pointer and has no accessible face.
class CardEdgeItem final : public QGraphicsItem {
 public:
  explicit CardEdgeItem(ClipboardCardView& card) : QGraphicsItem(&card), card_(card) {
    setAcceptedMouseButtons(Qt::NoButton);
    setAcceptHoverEvents(false);
    setZValue(kEdgeZ);
  }
  QRectF boundingRect() const override { return card_.rect().adjusted(-1, -1, 1, 1); }  // the ring's overlap
  QPainterPath shape() const override { return {}; }
  void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override {
    painter->setRenderHint(QPainter::Antialiasing);
    card_.paintEdge(*painter);
  }

 private:
  ClipboardCardView& card_;
};

bool ClipboardCardView::Props::operator==(const Props& other) const {
  return item.id == other.item.id && item.contentType == other.item.contentType &&
         item.sourceAppBundleID == other.item.sourceAppBundleID && item.capturedAt == other.item.capturedAt &&
         item.payload == other.item.payload && isSelected == other.isSelected && isPinned == other.isPinned &&
         isSensitive == other.isSensitive && category == other.category && activeFacets == other.activeFacets;
}

ClipboardCardView::ClipboardCardView(ViewServices& context, QGraphicsItem* parent)
    : PaintedItem(context, parent),
      services_(context),
      content_(std::make_unique<CardContentItem>(context)),
      selection_(*context.frameClock, 0.0),
      blur_(*context.frameClock, 0.0),
      eye_(*context.frameClock, 0.0),
      lift_(*context.frameClock, 0.0) {
  setSize(CardContentStyle::cardSize());
  // Hover, clicks and the pointing hand belong to the host.
  setHoverEnabled(false);
  overlay_ = new CardOverlay(context, this);
  edge_ = new CardEdgeItem(*this);
  connect(content_.get(), &CardContentItem::contentChanged, this, &ClipboardCardView::contentChanged);
  if (context.environment) connect(context.environment.get(), &Environment::changed, this, [this] { edge_->update(); });
  selection_.setOnChange([this] {
    update();
    edge_->update();
  });
  blur_.setOnChange([this] { update(); });
  eye_.setOnChange([this] { update(); });
  lift_.setOnChange([this] {
    setTransform(Fx::hoverLift(lift_.value()).transform(rect()));
    update();
  });
}

ClipboardCardView::~ClipboardCardView() = default;

bool ClipboardCardView::setProps(const Props& props, Callbacks callbacks) {
  if (hasProps_ && props == props_) {
    overlay_->setProps(overlay_->props(), std::move(callbacks));
    return false;
  }
  const bool animated = hasProps_ && props.item.id == props_.item.id;
  props_ = props;
  hasProps_ = true;
  if (content_->setItem(props_.item)) ++generation_;
  overlay_->setProps(CardOverlay::Props::of(props_.item, props_.isPinned, props_.category, props_.actionRowWidth),
                     std::move(callbacks));
  retarget(animated);
  repaint();
  return true;
}

void ClipboardCardView::retarget(bool animated) {
  const ReduceMotion* reduceMotion = services_.reduceMotion.get();
  auto unlessReduced = [&](const Animation& animation) -> std::optional<Animation> {
    if (!animated) return std::nullopt;
    return reduceMotion ? reduceMotion->unlessReduced(animation) : animation;
  };
  selection_.animateTo(props_.isSelected ? 1.0 : 0.0, unlessReduced(Theme::springSnappy()));
  blur_.animateTo(props_.isSensitive ? kSensitiveBlur : 0.0, unlessReduced(Theme::springStandard()));
  // The eye comes and goes with whatever animation the change arrives with.
  if (animated) eye_.setTarget(props_.isSensitive ? 1.0 : 0.0);
  else eye_.jumpTo(props_.isSensitive ? 1.0 : 0.0);
}

void ClipboardCardView::setLifted(bool lifted, bool animated) {
  if (lifted == lifted_) {
    if (!animated) lift_.jumpTo(lifted ? 1.0 : 0.0);
    return;
  }
  lifted_ = lifted;
  const ReduceMotion* reduceMotion = services_.reduceMotion.get();
  if (!animated) lift_.jumpTo(lifted ? 1.0 : 0.0);
  else
    lift_.animateTo(lifted ? 1.0 : 0.0,
                    reduceMotion ? reduceMotion->unlessReduced(Theme::springSnappy()) : Theme::springSnappy());
}

void ClipboardCardView::repaint() {
  ++repaintRequests_;
  update();
}

void ClipboardCardView::contentChanged() {
  ++generation_;
  repaint();
}

QPainterPath ClipboardCardView::cardShape() const { return Fx::continuousRoundedRect(rect(), kCornerRadius); }

QMarginsF ClipboardCardView::paintOverflow() const {
  // The glow on every side, the floor shadow below, and the lift's shadows around; the scene
  // asks often, so it is worked out once.
  static const QMarginsF overflow = [] {
    double sides = glowReach(), top = glowReach(),
           bottom = std::max(glowReach(), kFloorDrop + Fx::blurMargin(kFloorRadius) + 1);
    for (const ShadowLayer& layer : Fx::hoverLift(1).shadows) {
      const double reach = Fx::blurMargin(layer.radius) + 1;
      sides = std::max(sides, reach + std::abs(layer.x));
      top = std::max(top, reach - layer.y);
      bottom = std::max(bottom, reach + layer.y);
    }
    return QMarginsF(std::ceil(sides), std::ceil(top), std::ceil(sides), std::ceil(bottom));
  }();
  return overflow;
}

double ClipboardCardView::eyeScale() const {
  const bool reduced = services_.reduceMotion && services_.reduceMotion->isEnabled();
  return reduced ? 1.0 : lerp(kEyeEnterScale, 1.0, eye_.value());
}

QString ClipboardCardView::accessibleLabel() const {
  if (!hasProps_) return {};
  const ClipboardItem& item = props_.item;
  auto appName = [this](const QString& id) { return services_.appIdentity ? services_.appIdentity->appName(id) : id; };
  const QDateTime now = services_.scheduler->now();
  if (!props_.isSensitive) return item.accessibilityLabel(appName, now);
  // Never any part of the content.
  return QStringLiteral("Hidden clip from ") + sourceDisplayName(item.sourceAppBundleID, appName) +
         QStringLiteral(", ") + relativeDateText(item.capturedAt, now);
}

AccessibilityInfo ClipboardCardView::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Button;
  info.name = accessibleLabel();
  info.selectable = true;
  info.selected = props_.isSelected;
  return info;
}

const QImage& ClipboardCardView::contentLayer(Layer layer, double scale, const EnvironmentValues& environment) {
  if (layers_.generation != generation_ || layers_.environment != environment || layers_.scale != scale)
    layers_ = ContentLayers{generation_, environment, scale, {}, {}};
  if (layers_.sharp.isNull() && (layer == Layer::sharp || layers_.blurred.isNull())) {
    const QRectF card = rect();
    QImage image(QSize(int(std::ceil(card.width() * scale)), int(std::ceil(card.height() * scale))),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    content_->paintContent(painter, card, environment);
    painter.end();
    clipToCard(image);
    layers_.sharp = std::move(image);
    ++contentRenders_;
  }
  if (layer == Layer::sharp) return layers_.sharp;
  if (layers_.blurred.isNull()) {
    // The blur spreads the content and fades its edges; the shape clips it again.
    layers_.blurred = Fx::blurred(layers_.sharp, kSensitiveBlur, Fx::BlurEdges::transparent);
    clipToCard(layers_.blurred);
  }
  return layers_.blurred;
}

void ClipboardCardView::paintContentLayer(QPainter& painter, double scale, const EnvironmentValues& environment) {
  const double blur = std::clamp(blur_.value() / kSensitiveBlur, 0.0, 1.0);
  if (blur < 1e-3) {
    Fx::drawImage(painter, QPointF(0, 0), contentLayer(Layer::sharp, scale, environment));
    return;
  }
  if (blur > 1 - 1e-3) {
    Fx::drawImage(painter, QPointF(0, 0), contentLayer(Layer::blurred, scale, environment));
    return;
  }
  // While the blur moves, the sharp and the blurred layer cross-fade: summed with weights that
  // add up to one, so the card stays as opaque as its content throughout.
  const QImage& sharp = contentLayer(Layer::sharp, scale, environment);
  const QImage& blurred = contentLayer(Layer::blurred, scale, environment);
  if (crossFade_.size() != sharp.size() || crossFade_.devicePixelRatio() != scale) {
    crossFade_ = QImage(sharp.size(), QImage::Format_ARGB32_Premultiplied);
    crossFade_.setDevicePixelRatio(scale);
  }
  crossFade_.fill(Qt::transparent);
  QPainter mix(&crossFade_);
  mix.setOpacity(1 - blur);
  Fx::drawImage(mix, QPointF(0, 0), sharp);
  mix.setCompositionMode(QPainter::CompositionMode_Plus);
  mix.setOpacity(blur);
  Fx::drawImage(mix, QPointF(0, 0), blurred);
  mix.end();
  Fx::drawImage(painter, QPointF(0, 0), crossFade_);
}

void ClipboardCardView::paintEye(QPainter& painter, double scale, const EnvironmentValues& environment) {
  const double presence = std::min(1.0, eye_.value());
  if (presence <= 1e-3) return;
  const QColor tint = CardContentStyle::primary(environment, 0.45);
  if (eyeImage_.isNull() || eyeImage_.devicePixelRatio() != scale || eyeTint_ != tint.rgba()) {
    eyeImage_ = Symbols::image(QStringLiteral("eye.slash.fill"), kEyeSize, tint, scale);
    eyeTint_ = tint.rgba();
  }
  painter.save();
  painter.setOpacity(painter.opacity() * presence);
  painter.translate(rect().center());
  painter.scale(eyeScale(), eyeScale());
  painter.drawImage(QPointF(-kEyeSize / 2, -kEyeSize / 2), eyeImage_);
  painter.restore();
}

void ClipboardCardView::paintItem(QPainter& painter) {
  ++paints_;
  const EnvironmentValues env = environment();
  const double scale = Fx::layerScale(painter);
  const QRectF card = rect();
  if (const double lift = lift_.value(); lift > 1e-3) {
    painter.save();
    painter.setOpacity(painter.opacity() * std::min(1.0, lift));
    for (ShadowLayer layer : Fx::hoverLift(1).shadows) {
      layer.y *= lift;
      Fx::drawShadow(painter, card, kCornerRadius, layer);
    }
    painter.restore();
  }
  Fx::drawShadow(painter, floorRect(), kCornerRadius, floorShadow(env.isDark()));
  if (const double selection = std::min(1.0, selection_.value()); selection > 1e-3) {
    const QRectF bounds = card.adjusted(-glowReach(), -glowReach(), glowReach(), glowReach());
    painter.save();
    painter.setOpacity(painter.opacity() * selection);
    Fx::drawImage(painter, bounds.topLeft(),
                  CardContentStyle::sharedLayer(QStringLiteral("card-glow"), bounds, scale, paintGlow));
    painter.restore();
  }
  paintContentLayer(painter, scale, env);
  paintEye(painter, scale, env);
  dropUnusedLayers();
}

void ClipboardCardView::paintEdge(QPainter& painter) {
  const EnvironmentValues env = environment();
  const double scale = Fx::layerScale(painter);
  const QRectF card = rect();
  const QString name = QStringLiteral("card-edge-%1%2")
                           .arg(env.isDark() ? QStringLiteral("dark") : QStringLiteral("light"),
                                env.reduceTransparency ? QStringLiteral("-solid") : QString());
  Fx::drawImage(painter, QPointF(0, 0),
                CardContentStyle::sharedLayer(name, card, scale, [&](QPainter& layer) { paintEdges(layer, env); }));
  if (const double selection = std::min(1.0, selection_.value()); selection > 1e-3) {
    // The ring reaches half a point past the edge, under the glow's line, so that no light
    // seam shows where the content's antialiased edge lies between the two.
    const QRectF ring = card.adjusted(-kRingOverlap, -kRingOverlap, kRingOverlap, kRingOverlap);
    const QRectF bounds = card.adjusted(-2, -2, 2, 2);
    painter.save();
    painter.setOpacity(painter.opacity() * selection);
    Fx::drawImage(painter, bounds.topLeft(),
                  CardContentStyle::sharedLayer(QStringLiteral("card-ring"), bounds, scale, [&](QPainter& layer) {
                    Fx::strokeInnerBorder(layer, ring, kCornerRadius + kRingOverlap, Theme::accent(),
                                          kRingWidth + kRingOverlap);
                  }));
    painter.restore();
  }
}

void ClipboardCardView::dropUnusedLayers() {
  if (blur_.isAnimating()) return;
  if (blur_.target() > 0) layers_.sharp = QImage();
  else layers_.blurred = QImage();
  crossFade_ = QImage();
}

}  // namespace qv
