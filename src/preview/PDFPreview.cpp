#include "preview/PDFPreview.h"

#include "base/NativePath.h"
#include "base/Url.h"
#include "cards/ViewServices.h"
#include "cards/content/CardContentStyle.h"
#include "ui/InterfaceServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace qv {

namespace {

constexpr double kDividerWidth = 1;
// The chevrons come from the icon theme, whose chevron nearly fills its square: at the font size
// it matches the glyph of that size.
constexpr double kSymbolScale = 1.0;
// The thin material: what lies behind, blurred by this radius, under a veil.
constexpr double kBackdropBlur = 12;

// The material takes the appearance's own tone over whatever lies behind it: a page is usually
// white, and the dark appearance's light ink must still read on it.
QColor materialVeil(const EnvironmentValues& environment) {
  return environment.isDark() ? QColor::fromRgbF(0.12f, 0.12f, 0.14f, 0.62f) : QColor::fromRgbF(1, 1, 1, 0.55f);
}

}  // namespace

// ---- PagerHalf -------------------------------------------------------------------------------

PagerHalf::PagerHalf(InterfaceServices& context, QWidget* parent) : PaintedWidget(context, parent) {
  setHoverEnabled(false);
}

void PagerHalf::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  props_ = props;
  // A disabled half never counts as hovered.
  setHoverEnabled(props.enabled);
  setToolTip(label());
  resize(sizeHint());
  update();
}

QSizeF PagerHalf::faceSize(bool compact) { return compact ? QSizeF(30, 22) : QSizeF(34, 26); }

QSize PagerHalf::sizeHint() const { return faceSize(props_.compact).toSize(); }

QString PagerHalf::label() const {
  return props_.symbol == u"chevron.left" ? QCoreApplication::translate("PDFPreview", "Previous page")
                                          : QCoreApplication::translate("PDFPreview", "Next page");
}

double PagerHalf::symbolOpacity() const {
  if (!props_.enabled) return 0.22;
  return lerp(0.7, 0.95, unitClamped(hoverProgress()));
}

double PagerHalf::backgroundOpacity() const { return props_.enabled ? 0.1 * unitClamped(hoverProgress()) : 0; }

void PagerHalf::setTransition(const QTransform& transform, double opacity) {
  if (transform == transition_ && opacity == transitionOpacity_) return;
  transition_ = transform;
  transitionOpacity_ = opacity;
  update();
}

AccessibilityInfo PagerHalf::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Button;
  info.name = label();
  if (props_.enabled)
    info.press = [this] {
      if (const auto action = callbacks_.action) action();
    };
  return info;
}

void PagerHalf::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void PagerHalf::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && hits(event->position());
  pressed_ = false;
  event->accept();
  if (!click || !props_.enabled) return;
  // Read now: the action of the props shown when the click lands.
  if (const auto action = callbacks_.action) action();
}

void PagerHalf::paint(QPainter& painter) {
  if (transitionOpacity_ <= 0) return;
  const EnvironmentValues environment = this->environment();
  painter.setTransform(transition_, true);
  painter.setOpacity(transitionOpacity_);
  const QRectF face(rect());
  if (const double fill = backgroundOpacity(); fill > 0) {
    // The outer end follows the capsule's round end; the inner edge meets the divider square.
    const bool leading = props_.symbol == u"chevron.left";
    const QRectF capsule = leading ? face.adjusted(0, 0, face.height(), 0) : face.adjusted(-face.height(), 0, 0, 0);
    painter.save();
    painter.setClipRect(face);
    painter.fillPath(Fx::continuousRoundedRect(capsule, face.height() / 2), primaryColor(environment, fill));
    painter.restore();
  }
  const double size = (props_.compact ? 10 : 11) * kSymbolScale;
  const QImage symbol = Symbols::image(props_.symbol, size, primaryColor(environment, symbolOpacity()),
                                       Fx::painterScale(painter));
  painter.drawImage(QRectF(face.center().x() - size / 2, face.center().y() - size / 2, size, size), symbol);
}

// ---- PdfPager --------------------------------------------------------------------------------

PdfPager::PdfPager(InterfaceServices& context, QWidget* parent)
    : PaintedWidget(context, parent), previous_(new PagerHalf(context, this)), next_(new PagerHalf(context, this)) {
  setHoverEnabled(false);
  setProps({}, {});
}

QSizeF PdfPager::capsuleSize(bool compact) {
  const QSizeF half = PagerHalf::faceSize(compact);
  return QSizeF(2 * half.width() + kDividerWidth, half.height());
}

double PdfPager::shadowMargin() {
  const ThemeShadow& shadow = Theme::shadowLow();
  return std::ceil(Fx::blurMargin(shadow.primary.radius) + std::abs(shadow.primary.y));
}

QRectF PdfPager::capsule() const {
  return QRectF(QPointF(shadowMargin(), shadowMargin()), capsuleSize(props_.compact));
}

QPainterPath PdfPager::hitShape() const {
  const QRectF shape = capsule();
  return Fx::continuousRoundedRect(shape, shape.height() / 2);
}

void PdfPager::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  // The halves' actions read this pager's callbacks when clicked, so they stay current.
  previous_->setProps({QStringLiteral("chevron.left"), props.pageIndex >= 1, props.compact}, {[this] {
                        if (const auto action = callbacks_.previous) action();
                      }});
  next_->setProps({QStringLiteral("chevron.right"), props.pageIndex < props.pageCount - 1, props.compact}, {[this] {
                    if (const auto action = callbacks_.next) action();
                  }});
  if (props == props_ && !size().isEmpty()) return;
  props_ = props;
  const double margin = shadowMargin();
  resize((capsuleSize(props.compact) + QSizeF(2 * margin, 2 * margin)).toSize());
  placeHalves();
  update();
}

void PdfPager::resizeEvent(QResizeEvent* event) {
  PaintedWidget::resizeEvent(event);
  placeHalves();
}

void PdfPager::placeHalves() {
  const QRectF shape = capsule();
  const QSizeF half = PagerHalf::faceSize(props_.compact);
  previous_->setGeometry(QRectF(shape.topLeft(), half).toRect());
  next_->setGeometry(QRectF(QPointF(shape.left() + half.width() + kDividerWidth, shape.top()), half).toRect());
  setTransition(scale_, opacity_);
}

void PdfPager::setTransition(double scale, double opacity) {
  scale_ = scale;
  opacity_ = opacity;
  const QPointF centre = capsule().center();
  for (PagerHalf* half : {previous_, next_}) {
    const QPointF local = centre - QPointF(half->pos());
    QTransform transform;
    transform.translate(local.x(), local.y());
    transform.scale(scale, scale);
    transform.translate(-local.x(), -local.y());
    half->setTransition(transform, opacity);
  }
  update();
}

void PdfPager::paint(QPainter& painter) {
  if (opacity_ <= 0) return;
  const EnvironmentValues environment = this->environment();
  const QRectF shape = capsule();
  const double radius = shape.height() / 2;
  painter.translate(shape.center());
  painter.scale(scale_, scale_);
  painter.translate(-shape.center());
  painter.setOpacity(opacity_);
  Fx::drawShadows(painter, shape, radius, Theme::shadowLow());
  const QPainterPath path = Fx::continuousRoundedRect(shape, radius);
  painter.save();
  painter.setClipPath(path);
  if (!props_.backdrop.isNull()) painter.drawImage(shape.topLeft(), props_.backdrop);
  painter.fillPath(path, materialVeil(environment));
  painter.fillPath(path, primaryColor(environment, 0.07));
  painter.restore();
  const double dividerHeight = props_.compact ? 12 : 14;
  const double dividerX = shape.left() + PagerHalf::faceSize(props_.compact).width();
  painter.fillRect(QRectF(dividerX, shape.center().y() - dividerHeight / 2, kDividerWidth, dividerHeight),
                   primaryColor(environment, 0.18));
  Fx::strokeInnerBorder(painter, shape, radius, primaryColor(environment, 0.12), 0.5);
}

// ---- PDFPreview ------------------------------------------------------------------------------

PDFPreview::PDFPreview(ViewServices& context, QWidget* parent)
    : PaintedWidget(context, parent),
      loader_(context, [this](const PdfPageLoader::Page& page) { pageArrived(page); }),
      pager_(new PdfPager(context, this)),
      failure_(new MissingFileView(context, this)),
      presence_(*context.frameClock, 0.0) {
  setHoverEnabled(false);
  pager_->hide();
  failure_->hide();
  presence_.setOnChange([this] {
    const double presence = unitClamped(presence_.value());
    const bool reduced = this->context().reduceMotion && this->context().reduceMotion->isEnabled();
    pager_->setTransition(reduced ? 1.0 : lerp(0.9, 1.0, presence), presence);
    pager_->setVisible(presence > 0 || presence_.target() > 0);
  });
}

PDFPreview::~PDFPreview() = default;

void PDFPreview::setProps(const Props& props) {
  if (hasProps_ && props == props_) {
    // Every update looks again at a file that did not open (the worker opens it only when it
    // has changed).
    if (failed_ && isLocalFile()) requestPage();
    return;
  }
  const bool otherFile = !hasProps_ || props.url != props_.url;
  props_ = props;
  hasProps_ = true;
  if (otherFile) {
    // Another file: its first answer decides.
    loader_.cancel();
    retry_.cancel();
    image_ = QImage();
    requestedPixels_ = QSize();
    failed_ = false;
    failure_->setProps({lastPathComponent(props.url), false});
    if (isLocalFile()) {
      ++opens_;
      requestPage();
    } else {
      pageArrived({});
    }
  }
  updatePager();
  placePager();
  update();
}

QSize PDFPreview::wantedPixels() const {
  const double ratio = pixelRatio_ > 0 ? pixelRatio_ : devicePixelRatioF();
  return QSize(int(std::lround(width() * ratio)), int(std::lround(height() * ratio)));
}

bool PDFPreview::isLocalFile() const { return !localFilePath(props_.url).isEmpty(); }

void PDFPreview::requestPage() {
  if (!hasProps_ || !isLocalFile()) return;
  requestedPixels_ = wantedPixels();
  loader_.request(localFilePath(props_.url), pageIndex_, requestedPixels_);
}

void PDFPreview::retryLater() {
  if (retry_.isPending() || !isLocalFile()) return;
  retry_ = context().scheduler->after(
      kRetryInterval,
      [this] {
        // Looked at again while it shows; a hidden view looks when it shows again.
        if (failed_ && isVisible()) requestPage();
      },
      this);
}

void PDFPreview::pageArrived(const PdfPageLoader::Page& page) {
  pageCount_ = page.pageCount;
  pageIndex_ = page.index;
  if (page.pageCount == 0) {
    // The file's icon and name, no pager; looked at again in a while.
    failed_ = true;
    image_ = QImage();
    retryLater();
  } else {
    failed_ = false;
    if (!page.image.isNull()) image_ = page.image;
  }
  failure_->setVisible(failed_);
  // The size changed while the page was drawn: draw it again.
  if (!failed_ && page.pageCount > 0 && requestedPixels_ != wantedPixels()) requestPage();
  updatePager();
  update();
}

void PDFPreview::goTo(int index) {
  if (index < 0 || index >= pageCount_ || index == pageIndex_) return;
  pageIndex_ = index;
  updatePager();
  requestPage();
}

void PDFPreview::updatePager() {
  const bool shown = pageCount_ >= 2;
  if ((presence_.target() > 0.5) != shown) presence_.animateTo(shown ? 1.0 : 0.0, Theme::springSnappy());
  pager_->setProps({props_.compact, pageIndex_, pageCount_, pagerBackdrop()},
                   {[this] { goTo(pageIndex_ - 1); }, [this] { goTo(pageIndex_ + 1); }});
  placePager();
}

void PDFPreview::placePager() {
  const QSize size = pager_->size();
  const double bottom = height() - pagerBottomDistance(props_.compact) + PdfPager::shadowMargin();
  pager_->move(int(std::lround((width() - size.width()) / 2.0)), int(std::lround(bottom - size.height())));
}

QImage PDFPreview::pagerBackdrop() const {
  if (image_.isNull() || pageCount_ < 2) return {};
  const QRectF page = pageRect();
  const QSizeF capsuleSize = PdfPager::capsuleSize(props_.compact);
  const double bottom = height() - pagerBottomDistance(props_.compact);
  const QRectF capsule(QPointF((width() - capsuleSize.width()) / 2, bottom - capsuleSize.height()), capsuleSize);
  if (!capsule.intersects(page)) return {};
  const double ratio = devicePixelRatioF();
  QImage behind((capsuleSize * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
  behind.setDevicePixelRatio(ratio);
  behind.fill(Qt::transparent);
  QPainter painter(&behind);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.translate(-capsule.topLeft());
  painter.drawImage(page, image_);
  painter.end();
  return Fx::blurred(behind, kBackdropBlur, Fx::BlurEdges::extend);
}

QRectF PDFPreview::pageRect() const {
  if (image_.isNull()) return {};
  return CardContentStyle::fitRect(QSizeF(image_.size()), QRectF(rect()));
}

void PDFPreview::resizeEvent(QResizeEvent* event) {
  PaintedWidget::resizeEvent(event);
  failure_->setGeometry(rect());
  placePager();
  if (!failed_ && hasProps_ && wantedPixels() != requestedPixels_) requestPage();
  updatePager();
}

void PDFPreview::showEvent(QShowEvent* event) {
  PaintedWidget::showEvent(event);
  // Shown on another screen: drawn again at its pixel ratio. A file that did not open is looked
  // at again.
  if (hasProps_ && (failed_ || wantedPixels() != requestedPixels_)) requestPage();
}

void PDFPreview::paint(QPainter& painter) {
  // Painted at another pixel ratio than the page was drawn for (another screen, or a picture of
  // the view at a higher one): drawn again for it, after this paint. The device transform holds
  // the target's ratio even where the painter was handed down (QWidget::render); a view shown
  // smaller for a moment (a transition) keeps its own ratio.
  const double deviceScale = std::sqrt(std::abs(painter.deviceTransform().determinant()));
  const double ratio = std::max(devicePixelRatioF(), std::round(deviceScale * 4) / 4);
  if (ratio != pixelRatio_ && !failed_ && hasProps_) {
    pixelRatio_ = ratio;
    context().scheduler->post(
        [this] {
          if (!failed_ && wantedPixels() != requestedPixels_) requestPage();
        },
        this);
  }
  if (image_.isNull()) return;
  painter.setClipPath(Fx::continuousRoundedRect(QRectF(rect()), cornerRadius(props_.compact)));
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(pageRect(), image_);
}

}  // namespace qv
