#include "preview/LinkPreview.h"

#include "cards/ViewServices.h"
#include "cards/content/CardContentStyle.h"
#include "items/link/OGImageCache.h"
#include "items/model/ClipboardItem.h"
#include "platform/Workspace.h"
#include "preview/FileDisplay.h"
#include "preview/LinkOpening.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace qv {

QColor linkColor(const EnvironmentValues& environment, bool hovered) {
  const bool dark = environment.isDark();
  QColor color = dark ? QColor(150, 155, 245) : Theme::accent();
  color.setAlphaF(float(hovered ? 1.0 : dark ? 0.94 : 0.8));
  return color;
}

// ---- LinkOpenButton --------------------------------------------------------------------------

LinkOpenButton::LinkOpenButton(InterfaceServices& context, QWidget* parent) : PaintedWidget(context, parent) {
  setToolTip(helpText());
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

QString LinkOpenButton::helpText() { return QCoreApplication::translate("LinkOpenButton", "Open in your browser"); }

TextStyle LinkOpenButton::style(bool underlined) const {
  QFont font = systemFont(props_.fontSize);
  font.setUnderline(underlined);
  TextStyle textStyle{font};
  textStyle.lineLimit = 2;
  return textStyle;
}

void LinkOpenButton::setProps(const Props& props) {
  if (hasProps_ && props == props_) return;
  props_ = props;
  hasProps_ = true;
  label_ = TextBlock(abbreviatedPath(props.url), style(isHovered()));
  updateGeometry();
  update();
}

QStringList LinkOpenButton::lines() const { return label_.lines(width()); }

bool LinkOpenButton::isUnderlined() const { return label_.style().font.underline(); }

double LinkOpenButton::textOpacity() const {
  return lerp(linkColor(environment()).alphaF(), 1.0, unitClamped(hoverProgress()));
}

int LinkOpenButton::heightForWidth(int width) const { return int(std::ceil(label_.size(width).height())); }

QSize LinkOpenButton::sizeHint() const {
  const QSizeF natural = label_.size(0);
  return QSize(int(std::ceil(natural.width())), int(std::ceil(natural.height())));
}

QPainterPath LinkOpenButton::hitShape() const {
  QPainterPath path;
  const QSizeF text = label_.size(width());
  path.addRect(QRectF(0, 0, std::min<double>(width(), text.width()), std::min<double>(height(), text.height())));
  return path;
}

AccessibilityInfo LinkOpenButton::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Link;
  info.name = helpText();
  info.value = label_.text();
  info.press = [this] { const_cast<LinkOpenButton*>(this)->open(); };
  return info;
}

void LinkOpenButton::hoverChanged(bool hovered) {
  label_.setStyle(style(hovered));
  update();
}

void LinkOpenButton::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void LinkOpenButton::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && hits(event->position());
  pressed_ = false;
  event->accept();
  if (click) open();
}

void LinkOpenButton::open() {
  // The one rule for links: web and mail at once, anything else after a question. Whether the
  // desktop could open it changes nothing here.
  openLink(context(), props_.url.qurl());
}

void LinkOpenButton::paint(QPainter& painter) {
  label_.draw(painter, QPointF(0, 0), width(), withAlpha(linkColor(environment()), textOpacity()));
}

// ---- LinkPreviewContent ----------------------------------------------------------------------

namespace {

TextStyle lines(QFont font, int limit) {
  TextStyle style{std::move(font)};
  style.lineLimit = limit;
  return style;
}

// The link symbol at the placeholder's size and ultra-light weight: two chain links on the
// rising diagonal, overlapping in the middle (the icon theme's "link" is an insertion arrow).
void drawLinkGlyph(QPainter& painter, QPointF centre, double size, const QColor& color) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(centre);
  painter.rotate(-45);
  painter.setPen(QPen(color, std::max(1.0, size * 0.045), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  const QSizeF link(size * 0.62, size * 0.29);
  for (const double offset : {-size * 0.21, size * 0.21}) {
    const QRectF shape(QPointF(offset - link.width() / 2, -link.height() / 2), link);
    painter.drawRoundedRect(shape, link.height() / 2, link.height() / 2);
  }
  painter.restore();
}

}  // namespace

// ---- What both panes' link views share -------------------------------------------------------

LinkProps LinkProps::of(const ClipboardItem& item) {
  LinkProps props;
  props.itemID = item.idString();
  if (const auto* link = fieldsIf<LinkPayload>(&item.payload)) {
    props.url = link->url;
    props.domain = link->domain;
    props.title = link->title;
    props.description = link->description;
    props.ogImageURL = link->ogImageURL;
  }
  return props;
}

bool isWebAddress(const Url& url) {
  const QString scheme = url.scheme();
  return scheme.compare(QLatin1StringView("http"), Qt::CaseInsensitive) == 0 ||
         scheme.compare(QLatin1StringView("https"), Qt::CaseInsensitive) == 0;
}

LinkContentBase::LinkContentBase(ViewServices& context, double addressFontSize, QWidget* parent)
    : PaintedWidget(context, parent),
      services_(context),
      image_(
          context, [this] { imageChanged(); }, QLatin1String(kQueueName), CardImageLoader::Overtaken::skip),
      addressFontSize_(addressFontSize),
      button_(new LinkOpenButton(context, this)) {
  setHoverEnabled(false);
  button_->hide();
}

void LinkContentBase::setProps(const Props& props) {
  if (hasProps_ && props == props_) return;
  const bool otherItem = !hasProps_ || props.itemID != props_.itemID;
  const bool otherReference = otherItem || props.ogImageURL != props_.ogImageURL;
  props_ = props;
  hasProps_ = true;
  // A new item starts without an image; within an item the image is only ever added.
  if (otherItem) image_.reset();
  takeProps(otherItem);
  // Only a page image that was cached: nothing is fetched from here.
  if (otherReference && props.ogImageURL && services_.ogImageCache)
    image_.request(
        [cache = services_.ogImageCache, id = props.itemID]() -> std::optional<QImage> {
          QImage image = cache->load(id);
          if (image.isNull()) return std::nullopt;
          return image;
        },
        imagePlacement());
  const bool web = isWebAddress();
  if (web) button_->setProps({props.url, addressFontSize_});
  button_->setVisible(web);
  placeChildren();
  updateGeometry();
  update();
}

AccessibilityInfo LinkContentBase::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Grouping;
  info.name = props_.title && !props_.title->isEmpty() ? *props_.title : props_.domain;
  info.description = isWebAddress() ? QString() : abbreviatedPath(props_.url);
  return info;
}

// ---- The preview's link card ---------------------------------------------------------------------

LinkPreviewContent::LinkPreviewContent(ViewServices& context, QWidget* parent)
    : LinkContentBase(context, 11, parent), progress_(*context.frameClock, 0.0) {
  progress_.setOnChange([this] {
    placeChildren();
    update();
  });
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

void LinkPreviewContent::takeProps(bool otherItem) {
  title_ = TextBlock(props().title.value_or(QString()), lines(systemFont(15, QFont::DemiBold), 3));
  domain_ = TextBlock(props().domain, lines(systemFont(11), 1));
  address_ = TextBlock(abbreviatedPath(props().url), lines(systemFont(11), 2));
  if (otherItem) progress_.jumpTo(0);
}

CardImageLoader::PlacementFor LinkPreviewContent::imagePlacement() const {
  const double width = this->width();
  const double scale = devicePixelRatioF();
  return [width, scale](const QImage& image) -> std::optional<CardImageLoader::Placement> {
    if (width <= 0) return std::nullopt;
    const QSizeF target(width, kImageHeight);
    return CardImageLoader::Placement{CardContentStyle::fillCropSource(QSizeF(image.size()), target),
                                      (target * scale).toSize(), scale};
  };
}

void LinkPreviewContent::imageChanged() {
  if (image_.hasImage() && progress_.target() < 1) {
    const std::optional<Animation> animation = Theme::springGentle();
    progress_.animateTo(1, animation);
    updateGeometry();
  }
  update();
}

LinkPreviewContent::Layout LinkPreviewContent::layoutFor(double width) const {
  Layout result;
  const double p = unitClamped(progress_.value());
  // Under reduced motion the image only fades in: the band takes its height at once.
  const bool reduced = services_.reduceMotion && services_.reduceMotion->isEnabled();
  const double headerHeight = image_.hasImage() ? (reduced ? kImageHeight : lerp(kPlaceholderHeight, kImageHeight, p))
                                                : kPlaceholderHeight;
  result.header = QRectF(0, 0, width, headerHeight);
  const double textWidth = std::max(0.0, width - 2 * kSideInset);
  double y = headerHeight + kVerticalInset;
  if (!title_.text().isEmpty()) {
    const QSizeF size = title_.size(textWidth);
    result.title = QRectF(kSideInset, y, textWidth, size.height());
    result.titleLines = title_.lineCount(textWidth);
    y += size.height() + kSpacing;
  }
  result.domain = QRectF(kSideInset, y, textWidth, domain_.size(textWidth).height());
  y += result.domain.height() + kSpacing;
  const double addressHeight = isWebAddress() ? openButton()->heightForWidth(int(textWidth))
                                              : address_.size(textWidth).height();
  result.address = QRectF(kSideInset, y, textWidth, addressHeight);
  return result;
}

LinkPreviewContent::Layout LinkPreviewContent::layout() const { return layoutFor(width()); }

QStringList LinkPreviewContent::titleLines() const {
  return title_.text().isEmpty() ? QStringList() : title_.lines(std::max(0.0, width() - 2 * kSideInset));
}

int LinkPreviewContent::heightForWidth(int width) const {
  const Layout laidOut = layoutFor(width);
  const double settledHeader = image_.hasImage() ? kImageHeight : kPlaceholderHeight;
  return int(std::ceil(laidOut.address.bottom() + kVerticalInset + settledHeader - laidOut.header.height()));
}

QSize LinkPreviewContent::sizeHint() const { return QSize(320, heightForWidth(320)); }

void LinkPreviewContent::resizeEvent(QResizeEvent* event) {
  PaintedWidget::resizeEvent(event);
  placeChildren();
}

void LinkPreviewContent::placeChildren() {
  if (isWebAddress()) openButton()->setGeometry(layout().address.toAlignedRect());
}

void LinkPreviewContent::paint(QPainter& painter) {
  const EnvironmentValues environment = this->environment();
  const Layout laidOut = layout();
  const double p = image_.hasImage() ? unitClamped(progress_.value()) : 0;
  const QRectF header = laidOut.header;
  if (p < 1) {
    painter.save();
    painter.setOpacity(1 - p);
    painter.fillRect(header, primaryColor(environment, 0.05));
    drawLinkGlyph(painter, header.center(), 32, primaryColor(environment, 0.18));
    painter.restore();
  }
  if (p > 0) {
    painter.save();
    painter.setOpacity(p);
    painter.setClipRect(header);
    // Scaled to fill the full band; a growing header shows its top.
    const QRectF band(header.topLeft(), QSizeF(header.width(), kImageHeight));
    const QRectF source = CardContentStyle::fillCropSource(QSizeF(image_.image().size()), band.size());
    image_.draw(painter, band, source);
    painter.restore();
  }
  if (!laidOut.title.isNull())
    title_.draw(painter, laidOut.title.topLeft(), laidOut.title.width(), primaryColor(environment, 0.88));
  domain_.draw(painter, laidOut.domain.topLeft(), laidOut.domain.width(), primaryColor(environment, 0.42));
  if (!isWebAddress())
    address_.draw(painter, laidOut.address.topLeft(), laidOut.address.width(), linkColor(environment));
}

}  // namespace qv
