#include "library/LibraryDetailParts.h"

#include "cards/ViewServices.h"
#include "cards/content/CardContentStyle.h"
#include "cards/content/FileIcons.h"
#include "preview/FileDisplay.h"
#include "preview/LinkPreview.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/text/Fonts.h"
#include "ui/theme/Theme.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>
#include <cmath>

namespace qv {

namespace {

void drawSymbol(QPainter& painter, const QString& symbol, double size, const QColor& ink, QPointF centre) {
  const QImage image = Symbols::image(symbol, size, ink, Fx::painterScale(painter));
  if (image.isNull()) return;
  const QSizeF shown = image.deviceIndependentSize();
  painter.drawImage(QPointF(centre.x() - shown.width() / 2, centre.y() - shown.height() / 2), image);
}

// A selectable label in the pane's own type and ink, following the colour scheme.
void styleLabel(QLabel& label, const QFont& font) {
  label.setFont(font);
  label.setTextInteractionFlags(Qt::TextSelectableByMouse);
  label.setContextMenuPolicy(Qt::NoContextMenu);
  label.setAttribute(Qt::WA_TranslucentBackground);
}

void setInk(QLabel& label, const QColor& ink) {
  QPalette palette = label.palette();
  palette.setColor(QPalette::WindowText, ink);
  palette.setColor(QPalette::Text, ink);
  label.setPalette(palette);
}

}  // namespace

// ---- Path label ----------------------------------------------------------------------------------

ElidedPathLabel::ElidedPathLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void ElidedPathLabel::setFullText(const QString& text) {
  full_ = text;
  setToolTip(text);
  elide();
}

void ElidedPathLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  elide();
}

void ElidedPathLabel::elide() { setText(fontMetrics().elidedText(full_, Qt::ElideMiddle, std::max(0, width()))); }

// ---- Hidden placeholder ------------------------------------------------------------------------------

HiddenPlaceholderView::HiddenPlaceholderView(InterfaceServices& context, QWidget* parent)
    : PaintedWidget(context, parent),
      title_(title(), TextStyle{systemFont(12, QFont::Medium), 0, 1, Qt::AlignHCenter}),
      message_(message(), TextStyle{systemFont(10.5), 0, 0, Qt::AlignHCenter}) {
  setHoverEnabled(false);
}

QString HiddenPlaceholderView::title() { return QCoreApplication::translate("LibraryDetailView", "Hidden"); }

QString HiddenPlaceholderView::message() {
  return QCoreApplication::translate("LibraryDetailView", "Press the eye above to reveal");
}

AccessibilityInfo HiddenPlaceholderView::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::StaticText;
  info.name = title();
  info.description = message();
  return info;
}

void HiddenPlaceholderView::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const double width = this->width();
  double y = 28;
  drawSymbol(painter, QStringLiteral("eye.slash.fill"), 22, primaryColor(env, 0.3), QPointF(width / 2, y + 11));
  y += 22 + 10;
  title_.draw(painter, QPointF(0, y), width, primaryColor(env, 0.55));
  y += title_.size(width).height() + 3;
  message_.draw(painter, QPointF(0, y), width, primaryColor(env, 0.35));
}

// ---- Unavailable placeholder -------------------------------------------------------------------------

UnavailablePlaceholderView::UnavailablePlaceholderView(InterfaceServices& context, QWidget* parent)
    : PaintedWidget(context, parent) {
  setHoverEnabled(false);
  title_.setStyle(TextStyle{systemFont(13, QFont::Medium), 0, 0, Qt::AlignHCenter});
  message_.setStyle(TextStyle{systemFont(11), 0, 0, Qt::AlignHCenter});
}

void UnavailablePlaceholderView::setProps(const Props& props) {
  if (props == props_) return;
  props_ = props;
  title_.setText(props.title);
  message_.setText(props.message);
  update();
}

AccessibilityInfo UnavailablePlaceholderView::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::StaticText;
  info.name = props_.title;
  info.description = props_.message;
  return info;
}

void UnavailablePlaceholderView::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const double padding = 24;
  const double width = std::max(0.0, this->width() - 2 * padding);
  double y = padding;
  drawSymbol(painter, props_.symbol, 28, labelColor(env, LabelLevel::tertiary), QPointF(this->width() / 2, y + 14));
  y += 28 + 8;
  title_.draw(painter, QPointF(padding, y), width, labelColor(env, LabelLevel::primary));
  y += title_.size(width).height() + 8;
  message_.draw(painter, QPointF(padding, y), width, labelColor(env, LabelLevel::secondary));
}

// ---- Link ----------------------------------------------------------------------------------------

DetailLinkView::DetailLinkView(ViewServices& context, QWidget* parent)
    : LinkContentBase(context, 12, parent), address_(new QLabel(this)) {
  title_.setStyle(TextStyle{systemFont(14, QFont::DemiBold)});
  description_.setStyle(TextStyle{systemFont(12)});
  domain_.setStyle(TextStyle{systemFont(11)});
  styleLabel(*address_, systemFont(12));
  address_->setWordWrap(true);
  address_->setTextFormat(Qt::PlainText);
  address_->hide();
  if (context.environment)
    connect(context.environment.get(), &Environment::changed, this, [this] { applyAddressColor(); });
  applyAddressColor();
}

void DetailLinkView::takeProps(bool) {
  title_.setText(props().title.value_or(QString()));
  description_.setText(props().description.value_or(QString()));
  domain_.setText(props().domain);
  address_->setVisible(!isWebAddress());
  if (!isWebAddress()) address_->setText(abbreviatedPath(props().url));
}

void DetailLinkView::imageChanged() {
  placeChildren();
  updateGeometry();
  update();
}

bool DetailLinkView::showsImage() const { return props().ogImageURL && image_.hasImage(); }

QColor DetailLinkView::addressColor() const { return environment().isDark() ? QColor(150, 155, 245) : Theme::accent(); }

void DetailLinkView::applyAddressColor() { setInk(*address_, addressColor()); }

DetailLinkView::Layout DetailLinkView::layoutFor(double width) const {
  Layout result;
  const double inner = std::max(0.0, width - 2 * kPadding);
  double y = kPadding;
  if (showsImage()) {
    result.image = QRectF(kPadding, y, inner, kImageHeight);
    y += kImageHeight + 2 + kSpacing;
  }
  if (!title_.text().isEmpty()) {
    result.title = QRectF(kPadding, y, inner, title_.size(inner).height());
    y += result.title.height() + kSpacing;
  }
  const double addressHeight = isWebAddress() ? openButton()->heightForWidth(int(inner))
                                              : address_->heightForWidth(int(inner));
  result.address = QRectF(kPadding, y, inner, std::max(0.0, addressHeight));
  y += result.address.height() + kSpacing;
  if (!description_.text().isEmpty()) {
    result.description = QRectF(kPadding, y, inner, description_.size(inner).height());
    y += result.description.height() + kSpacing;
  }
  result.domain = QRectF(kPadding, y, inner, domain_.size(inner).height());
  return result;
}

DetailLinkView::Layout DetailLinkView::layout() const { return layoutFor(width()); }

int DetailLinkView::heightForWidth(int width) const {
  return int(std::ceil(layoutFor(width).domain.bottom() + kPadding));
}

void DetailLinkView::resizeEvent(QResizeEvent* event) {
  PaintedWidget::resizeEvent(event);
  placeChildren();
}

void DetailLinkView::placeChildren() {
  const QRect address = layout().address.toAlignedRect();
  openButton()->setGeometry(address);
  address_->setGeometry(address);
}

void DetailLinkView::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const Layout laidOut = layout();
  if (!laidOut.image.isNull()) {
    painter.save();
    painter.setClipPath(Fx::continuousRoundedRect(laidOut.image, kImageRadius));
    image_.draw(painter, laidOut.image,
                CardContentStyle::fillCropSource(QSizeF(image_.image().size()), laidOut.image.size()));
    painter.restore();
  }
  if (!laidOut.title.isNull())
    title_.draw(painter, laidOut.title.topLeft(), laidOut.title.width(), labelColor(env, LabelLevel::primary));
  if (!laidOut.description.isNull())
    description_.draw(painter, laidOut.description.topLeft(), laidOut.description.width(),
                      labelColor(env, LabelLevel::secondary));
  domain_.draw(painter, laidOut.domain.topLeft(), laidOut.domain.width(), labelColor(env, LabelLevel::tertiary));
}

// ---- Missing file row ---------------------------------------------------------------------------------

DetailFileRow::DetailFileRow(ViewServices& context, QWidget* parent)
    : PaintedWidget(context, parent), icon_(FileIcons::shared(context)), folder_(new QLabel(this)) {
  setHoverEnabled(false);
  name_.setStyle(TextStyle{systemFont(13, QFont::Medium), 0, 2});
  styleLabel(*folder_, systemFont(11));
  folder_->setTextFormat(Qt::PlainText);
  if (context.environment)
    connect(context.environment.get(), &Environment::changed, this,
            [this] { setInk(*folder_, labelColor(environment(), LabelLevel::secondary)); });
  setInk(*folder_, labelColor(environment(), LabelLevel::secondary));
}

void DetailFileRow::setProps(const Props& props) {
  if (props == props_) return;
  props_ = props;
  const bool isFolder = props.url && props.url->path().endsWith(u'/');
  icon_.setProps({props.name, isFolder});
  name_.setText(props.name);
  folder_->setText(folderText());
  folder_->setVisible(props.url.has_value());
  resizeEvent(nullptr);
  update();
}

QString DetailFileRow::folderText() const {
  if (!props_.url) return {};
  QString path = props_.url->path();
  while (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
  return QFileInfo(path).path();
}

double DetailFileRow::rowTop() const { return kPadding; }

QRectF DetailFileRow::iconRect() const { return QRectF(kPadding, rowTop(), kIconSide, kIconSide); }

void DetailFileRow::resizeEvent(QResizeEvent* event) {
  if (event) PaintedWidget::resizeEvent(event);
  const double left = kPadding + kIconSide + kSpacing;
  const double width = std::max(0.0, this->width() - left - kPadding);
  const double nameHeight = name_.size(width).height();
  const double folderHeight = props_.url ? folder_->sizeHint().height() : 0;
  const double textTop = rowTop() + std::max(0.0, (kIconSide - nameHeight - 3 - folderHeight) / 2);
  folder_->setGeometry(QRectF(left, textTop + nameHeight + 3, width, folderHeight).toAlignedRect());
}

AccessibilityInfo DetailFileRow::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::StaticText;
  info.name = props_.name;
  info.description = folderText();
  return info;
}

void DetailFileRow::paint(QPainter& painter) {
  icon_.paint(painter, iconRect());
  const double left = kPadding + kIconSide + kSpacing;
  const double width = std::max(0.0, this->width() - left - kPadding);
  const double nameHeight = name_.size(width).height();
  const double folderHeight = props_.url ? folder_->sizeHint().height() : 0;
  const double textTop = rowTop() + std::max(0.0, (kIconSide - nameHeight - 3 - folderHeight) / 2);
  name_.draw(painter, QPointF(left, textTop), width, labelColor(environment(), LabelLevel::primary));
}

// ---- File content --------------------------------------------------------------------------------

FileContentSizes DetailFileContent::sizes() {
  FileContentSizes sizes;
  sizes.compactPdf = false;
  sizes.thumbnailInset = 0;
  sizes.thumbnailCornerRadius = 8;
  sizes.thumbnailRenderSize = QSizeF(900, 1100);
  sizes.compactQuickLook = false;
  sizes.quickLookBottomPadding = 12;
  return sizes;
}

double DetailFileContent::minimumRendererHeight(FileContentRoute route) {
  switch (route) {
    case FileContentRoute::folder:
    case FileContentRoute::thumbnail: return 260;
    case FileContentRoute::richDocument:
    case FileContentRoute::textFile:
    case FileContentRoute::pdf: return 300;
    case FileContentRoute::missing: return 0;
  }
  return 0;
}

DetailFileContent::DetailFileContent(ViewServices& context, const FilePayload& file, FileContentRoute route,
                                     QWidget* parent)
    : QWidget(parent),
      route_(route),
      renderer_(makeFileContent(context, file, sizes(), this)),
      caption_(new ElidedPathLabel(this)) {
  styleLabel(*caption_, systemFont(11));
  const auto applyInk = [this, &context] {
    const EnvironmentValues env = context.environment ? context.environment->values() : EnvironmentValues{};
    setInk(*caption_, labelColor(env, LabelLevel::tertiary));
  };
  if (context.environment) connect(context.environment.get(), &Environment::changed, this, applyInk);
  applyInk();
  caption_->setFullText(file->url ? file->url->qurl().toLocalFile() : QString());
}

void DetailFileContent::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const double inner = std::max(0.0, width() - 2 * kPadding);
  const double captionHeight = caption_->sizeHint().height();
  const double rendererHeight = std::max(minimumRendererHeight(route_),
                                         height() - 2 * kPadding - kSpacing - captionHeight);
  renderer_->setGeometry(QRectF(kPadding, kPadding, inner, rendererHeight).toAlignedRect());
  caption_->setGeometry(QRectF(kPadding, kPadding + rendererHeight + kSpacing, inner, captionHeight).toAlignedRect());
}

}  // namespace qv
