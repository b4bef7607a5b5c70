#include "ui/controls/AnimatedAppIconView.h"

#include "ui/InterfaceServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/theme/Theme.h"

#include <QGuiApplication>
#include <QPainter>
#include <cmath>

namespace qv {

namespace {

constexpr double kFrame = 1.18;
constexpr double kGlowDiameter = 0.91;
constexpr double kDimBrightness = -0.34;
constexpr double kDimSaturation = 0.65;
constexpr double kFloatRise = 0.045;
// Shadow at rest and while floated up: opacity, radius and y offset (radius and offset in sizes).
constexpr double kShadowRest[3] = {0.22, 0.057, 0.045};
constexpr double kShadowUp[3] = {0.12, 0.125, 0.102};

// Brightness shift, then saturation (luminance kept), of every pixel.
QImage adjusted(QImage image, double brightness, double saturation) {
  image = image.convertToFormat(QImage::Format_ARGB32);
  const int shift = int(std::lround(brightness * 255));
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = line[x];
      double r = std::clamp(qRed(p) + shift, 0, 255), g = std::clamp(qGreen(p) + shift, 0, 255),
             b = std::clamp(qBlue(p) + shift, 0, 255);
      const double luminance = 0.2126 * r + 0.7152 * g + 0.0722 * b;
      auto saturate = [&](double c) {
        return std::clamp(int(std::lround(luminance + (c - luminance) * saturation)), 0, 255);
      };
      line[x] = qRgba(saturate(r), saturate(g), saturate(b), qAlpha(p));
    }
  }
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The icon's shape in black, blurred by `radius`, on a canvas with room for the blur.
QImage silhouette(const QImage& icon, double radius) {
  const double dpr = icon.devicePixelRatio();
  const int margin = int(std::ceil(Fx::blurMargin(radius) * dpr));
  QImage shape(icon.size() + QSize(2 * margin, 2 * margin), QImage::Format_ARGB32_Premultiplied);
  shape.fill(Qt::transparent);
  shape.setDevicePixelRatio(dpr);
  {
    QPainter painter(&shape);
    painter.drawImage(QPointF(margin / dpr, margin / dpr), icon);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), shape.deviceIndependentSize()), Qt::black);
  }
  return Fx::blurred(shape, radius);
}

}  // namespace

AnimatedAppIconView::AnimatedAppIconView(InterfaceServices& context, double size, QIcon icon, QWidget* parent)
    : PaintedWidget(context, parent),
      size_(size),
      icon_(icon.isNull() ? QGuiApplication::windowIcon() : std::move(icon)),
      appear_(*context.frameClock),
      lit_(*context.frameClock),
      float_(*context.frameClock) {
  setHoverEnabled(false);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  for (auto* value : {&appear_, &lit_, &float_}) value->setOnChange([this] { update(); });
  if (context.environment)
    connect(context.environment.get(), &Environment::changed, this, [this] { followReduceMotion(); });
}

AnimatedAppIconView::~AnimatedAppIconView() = default;

QSize AnimatedAppIconView::sizeHint() const {
  const int edge = int(std::ceil(kFrame * size_));
  return {edge, edge};
}

AccessibilityInfo AnimatedAppIconView::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Graphic;
  info.hidden = true;
  return info;
}

void AnimatedAppIconView::showEvent(QShowEvent* event) {
  PaintedWidget::showEvent(event);
  if (!started_) {
    // Started once, on the first appearance; the steps run even if the view is hidden early.
    started_ = true;
    Scheduler& scheduler = *context().scheduler;
    steps_[0] = scheduler.after(
        0.15, [this] { appear(); }, this);
    steps_[1] = scheduler.after(
        0.5, [this] { lightUp(); }, this);
    steps_[2] = scheduler.after(
        2.5,
        [this] {
          floating_ = true;
          startFloating();
        },
        this);
  } else {
    startFloating();
  }
}

void AnimatedAppIconView::hideEvent(QHideEvent* event) {
  PaintedWidget::hideEvent(event);
  // Off screen the loop would only wake the frame clock for nothing.
  float_.jumpTo(0);
}

void AnimatedAppIconView::appear() {
  if (reduced()) appear_.jumpTo(1);
  else appear_.animateTo(1, Animation::spring(0.6, 0.85, 0));
}

void AnimatedAppIconView::lightUp() {
  if (reduced()) lit_.jumpTo(1);
  else lit_.animateTo(1, Animation::easeInOut(1.8));
}

void AnimatedAppIconView::startFloating() {
  if (!floating_ || !isVisible() || reduced() || float_.isAnimating()) return;
  float_.jumpTo(0);
  float_.animateTo(1, Animation::easeInOut(2.8).repeatForever(true));
}

void AnimatedAppIconView::followReduceMotion() {
  if (!reduced()) {
    startFloating();
    return;
  }
  // Whatever is under way finishes at once; the float rests.
  if (appear_.isAnimating()) appear_.jumpTo(1);
  if (lit_.isAnimating()) lit_.jumpTo(1);
  float_.jumpTo(0);
}

QRectF AnimatedAppIconView::iconRect() const {
  const QPointF centre = QRectF(rect()).center();
  const double scale = lerp(0.94, 1, appear_.value());
  const double edge = size_ * scale;
  const double rise = kFloatRise * size_ * float_.value() * scale;
  return QRectF(centre.x() - edge / 2, centre.y() - edge / 2 - rise, edge, edge);
}

const QImage& AnimatedAppIconView::glowImage(double dpr) {
  const double lit = unitClamped(lit_.value());
  if (glow_.key == lit && glow_.dpr == dpr) return glow_.image;
  const double diameter = kGlowDiameter * size_;
  const double blur = size_ * lerp(0.068, 0.205, lit);
  const double margin = Fx::blurMargin(blur);
  const double edge = diameter + 2 * margin;
  QImage image(QSize(int(std::ceil(edge * dpr)), int(std::ceil(edge * dpr))), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withAlpha(Theme::accent(), 0.24 * lit));
    painter.drawEllipse(QRectF(margin, margin, diameter, diameter));
  }
  glow_ = {Fx::blurred(image, blur), lit, dpr};
  return glow_.image;
}

const QImage& AnimatedAppIconView::iconImage(double dpr) {
  const double lit = unitClamped(lit_.value());
  if (icon_image_.key == lit && icon_image_.dpr == dpr) return icon_image_.image;
  const int pixels = int(std::ceil(size_ * dpr));
  QImage raw = icon_.pixmap(QSize(pixels, pixels))
                   .toImage()
                   .scaled(pixels, pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  QImage image = adjusted(raw, lerp(kDimBrightness, 0, lit), lerp(kDimSaturation, 1, lit));
  image.setDevicePixelRatio(dpr);
  if (shadowDpr_ != dpr) {
    shadowNear_ = silhouette(image, size_ * kShadowRest[1]);
    shadowFar_ = silhouette(image, size_ * kShadowUp[1]);
    shadowDpr_ = dpr;
  }
  icon_image_ = {image, lit, dpr};
  return icon_image_.image;
}

void AnimatedAppIconView::paint(QPainter& painter) {
  const double appear = appear_.value();
  if (appear <= 0) return;
  const double dpr = painter.device()->devicePixelRatioF();
  const QPointF centre = QRectF(rect()).center();
  painter.save();
  painter.setOpacity(unitClamped(appear));
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  const double scale = lerp(0.94, 1, appear);
  painter.translate(centre);
  painter.scale(scale, scale);
  painter.translate(-centre);

  if (lit_.value() > 0) {
    const QImage& glow = glowImage(dpr);
    const QSizeF glowSize = glow.deviceIndependentSize();
    painter.drawImage(QPointF(centre.x() - glowSize.width() / 2, centre.y() - glowSize.height() / 2), glow);
  }

  if (!icon_.isNull()) {
    const QImage& icon = iconImage(dpr);
    const double f = unitClamped(float_.value());
    const QRectF iconArea(centre.x() - size_ / 2, centre.y() - size_ / 2 - kFloatRise * size_ * f, size_, size_);
    // Two blurs cross-faded stand in for one that deepens and softens while the icon rises.
    const double shadowY = size_ * lerp(kShadowRest[2], kShadowUp[2], f);
    const QPointF shadowCentre(iconArea.center().x(), centre.y() + shadowY - kFloatRise * size_ * f);
    for (const auto& [shadow, weight] :
         {std::pair{&shadowNear_, (1 - f) * kShadowRest[0]}, std::pair{&shadowFar_, f * kShadowUp[0]}}) {
      if (weight <= 0) continue;
      const QSizeF s = shadow->deviceIndependentSize();
      painter.setOpacity(unitClamped(appear) * weight);
      painter.drawImage(QPointF(shadowCentre.x() - s.width() / 2, shadowCentre.y() - s.height() / 2), *shadow);
    }
    painter.setOpacity(unitClamped(appear));
    painter.drawImage(iconArea, icon);
  }
  painter.restore();
}

}  // namespace qv
