#include "preview/PreviewContent.h"

#include "base/NativePath.h"
#include "base/Url.h"
#include "cards/ViewServices.h"
#include "cards/content/ColorCardContent.h"
#include "cards/content/FileIcons.h"
#include "preview/DownsampledImageView.h"
#include "preview/FileDisplay.h"
#include "preview/FileThumbnailView.h"
#include "preview/FolderPreview.h"
#include "preview/LinkPreview.h"
#include "preview/PDFPreview.h"
#include "preview/PreviewSizing.h"
#include "preview/QuickLookButton.h"
#include "preview/RichDocumentPreview.h"
#include "preview/TextFilePreview.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/TextViewers.h"
#include "ui/fx/Fx.h"
#include "ui/text/Fonts.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace qv {

namespace {

constexpr double kImagePadding = 12;
constexpr double kImageCornerRadius = 12;
const QSizeF kTextInset(16, 14);

// A view that fills its parent with `child` inset by `margin` on every side.
QWidget* padded(QWidget* child, double margin, QWidget* parent) {
  auto* frame = new QWidget(parent);
  auto* layout = new QVBoxLayout(frame);
  const int m = int(std::lround(margin));
  layout->setContentsMargins(m, m, m, m);
  layout->setSpacing(0);
  child->setParent(frame);
  layout->addWidget(child);
  return frame;
}

// A file's thumbnail with the Quick Look button over its bottom centre.
class ThumbnailWithQuickLook : public QWidget {
 public:
  ThumbnailWithQuickLook(ViewServices& context, const FilePayload& file, const FileContentSizes& sizes, QWidget* parent)
      : QWidget(parent),
        thumbnail_(new FileThumbnailView(context, this)),
        button_(new QuickLookButton(context, this)),
        padding_(sizes.quickLookBottomPadding) {
    const QString path = file->url ? file->url->toLocalFile() : QString();
    thumbnail_->setProps(
        {path, file->name, sizes.thumbnailInset, sizes.thumbnailCornerRadius, sizes.thumbnailRenderSize});
    button_->setProps({path, sizes.compactQuickLook});
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    thumbnail_->setGeometry(rect());
    const QSize size = button_->sizeHint();
    button_->resize(size);
    // The capsule, not the room around it for its shadow, stands `padding_` above the bottom.
    const QRectF capsule = button_->capsuleRect();
    button_->move(int(std::lround((width() - size.width()) / 2.0)),
                  int(std::lround(height() - padding_ - capsule.bottom())));
  }

 private:
  FileThumbnailView* thumbnail_;
  QuickLookButton* button_;
  double padding_;
};

}  // namespace

// ---- Colour swatch -----------------------------------------------------------------------------

ColorSwatchView::ColorSwatchView(InterfaceServices& context, QWidget* parent) : PaintedWidget(context, parent) {
  setHoverEnabled(false);
  title_.setStyle(TextStyle{monospacedFont(kTitleSize, QFont::DemiBold), 0, 1});
  detail_.setStyle(TextStyle{monospacedFont(kDetailSize), 0, 1});
  setProps({});
}

void ColorSwatchView::setProps(const Props& props) {
  props_ = props;
  title_.setText(title(props.r, props.g, props.b));
  detail_.setText(rgbText(props.r, props.g, props.b));
  update();
}

QString ColorSwatchView::title(int r, int g, int b) {
  return QString::asprintf("#%02X%02X%02X", std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
}

QString ColorSwatchView::rgbText(int r, int g, int b) { return QStringLiteral("rgb(%1, %2, %3)").arg(r).arg(g).arg(b); }

QColor ColorSwatchView::ink() const {
  return ColorCardContent::usesBlackInk(props_.r, props_.g, props_.b) ? QColor(Qt::black) : QColor(Qt::white);
}

QRectF ColorSwatchView::swatchRect() const { return QRectF(rect()).adjusted(kPadding, kPadding, -kPadding, -kPadding); }

AccessibilityInfo ColorSwatchView::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Graphic;
  info.name = title(props_.r, props_.g, props_.b);
  info.description = rgbText(props_.r, props_.g, props_.b);
  return info;
}

void ColorSwatchView::paint(QPainter& painter) {
  const QRectF swatch = swatchRect();
  if (swatch.isEmpty()) return;
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillPath(Fx::continuousRoundedRect(swatch, kCornerRadius),
                   QColor(std::clamp(props_.r, 0, 255), std::clamp(props_.g, 0, 255), std::clamp(props_.b, 0, 255)));
  const double width = std::max(0.0, swatch.width() - 2 * kTextPadding);
  const QSizeF titleSize = title_.size(width);
  const QSizeF detailSize = detail_.size(width);
  const double top = swatch.bottom() - kTextPadding - detailSize.height() - kLineSpacing - titleSize.height();
  const double left = swatch.left() + kTextPadding;
  const QColor ink = this->ink();
  title_.draw(painter, QPointF(left, top), width, withAlpha(ink, 0.95));
  detail_.draw(painter, QPointF(left, top + titleSize.height() + kLineSpacing), width, withAlpha(ink, 0.6));
}

// ---- Missing file ------------------------------------------------------------------------------

MissingFileView::MissingFileView(ViewServices& context, QWidget* parent)
    : PaintedWidget(context, parent), icon_(FileIcons::shared(context)) {
  setHoverEnabled(false);
  TextStyle nameStyle{systemFont(13, QFont::Medium), 0, kNameLineLimit, Qt::AlignHCenter};
  name_.setStyle(nameStyle);
  TextStyle noticeStyle{systemFont(11), 0, 0, Qt::AlignHCenter};
  notice_.setStyle(noticeStyle);
  notice_.setText(notice());
}

void MissingFileView::setProps(const Props& props) {
  if (props == props_ && icon_.appliedKey()) return;
  props_ = props;
  // Which icon a name gets is decided by its extension; a folder's name has none to speak of.
  icon_.setProps({props.name, false});
  name_.setText(props.name);
  update();
}

QString MissingFileView::notice() {
  return QCoreApplication::translate("MissingFileView", "File no longer available at original location");
}

double MissingFileView::textWidth() const { return std::max(0.0, width() - 2 * kPaddingH); }

double MissingFileView::groupTop() const {
  double height = kIconSide + kSpacing + name_.size(textWidth()).height();
  if (props_.hadLocation) height += kSpacing + notice_.size(textWidth()).height();
  return (this->height() - height) / 2;
}

QRectF MissingFileView::iconRect() const { return QRectF((width() - kIconSide) / 2, groupTop(), kIconSide, kIconSide); }

QRectF MissingFileView::nameRect() const {
  return QRectF(kPaddingH, iconRect().bottom() + kSpacing, textWidth(), name_.size(textWidth()).height());
}

QRectF MissingFileView::noticeRect() const {
  if (!props_.hadLocation) return {};
  return QRectF(kPaddingH, nameRect().bottom() + kSpacing, textWidth(), notice_.size(textWidth()).height());
}

QStringList MissingFileView::nameLines() const { return name_.lines(textWidth()); }

AccessibilityInfo MissingFileView::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::StaticText;
  info.name = props_.name;
  if (props_.hadLocation) info.description = notice();
  return info;
}

void MissingFileView::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  painter.setRenderHint(QPainter::Antialiasing);
  icon_.paint(painter, iconRect());
  const QRectF name = nameRect();
  name_.draw(painter, name.topLeft(), name.width(), primaryColor(env, 0.85));
  if (props_.hadLocation) {
    const QRectF notice = noticeRect();
    notice_.draw(painter, notice.topLeft(), notice.width(), primaryColor(env, 0.4));
  }
}

// ---- File route --------------------------------------------------------------------------------

FileContentRoute fileContentRoute(const FilePayload& file) {
  // A remote address is never looked up on this disk: its path may name a local file.
  if (!file->url || !file->url->isLocalFile()) return FileContentRoute::missing;
  const QUrl& url = file->url->qurl();
  const PathKind kind = pathKind(file->url->toLocalFile());
  if (kind == PathKind::none) return FileContentRoute::missing;
  // Folders are copied with or without the trailing slash.
  if (url.path().endsWith(u'/') || kind == PathKind::folder) return FileContentRoute::folder;
  if (PreviewSizing::fileSizeClass(file) == PreviewSizing::FileSizeClass::document)
    return FileContentRoute::richDocument;
  if (TextFilePreview::canPreview(url)) return FileContentRoute::textFile;
  if (isPDF(url)) return FileContentRoute::pdf;
  return FileContentRoute::thumbnail;
}

QWidget* makeFileContent(ViewServices& context, const FilePayload& file, const FileContentSizes& sizes,
                         QWidget* parent) {
  const FileContentRoute route = fileContentRoute(file);
  switch (route) {
    case FileContentRoute::missing: {
      auto* notice = new MissingFileView(context, parent);
      notice->setProps({file->name, file->url.has_value()});
      return notice;
    }
    case FileContentRoute::folder: {
      auto* folder = new FolderPreview(context, parent);
      folder->setProps({file->url->toLocalFile()});
      return folder;
    }
    case FileContentRoute::thumbnail: return new ThumbnailWithQuickLook(context, file, sizes, parent);
    case FileContentRoute::textFile: {
      auto* text = new TextFilePreview(context, parent);
      text->setProps({file->url->qurl()}, {});
      return text;
    }
    case FileContentRoute::pdf: {
      auto* pdf = new PDFPreview(context, parent);
      pdf->setProps({file->url->qurl(), sizes.compactPdf});
      return pdf;
    }
    case FileContentRoute::richDocument: {
      auto* document = new RichDocumentPreview(context, parent);
      document->setProps({file->url->qurl()}, {});
      return document;
    }
  }
  return new QWidget(parent);
}

// ---- By kind -----------------------------------------------------------------------------------

QWidget* makePreviewContent(ViewServices& context, const ClipboardItem& item, QWidget* parent) {
  if (const auto* text = std::get_if<TextPayload>(&item.payload)) {
    auto* viewer = new QVTextViewer(context, parent);
    viewer->setProps({text->text, {}, false, kTextInset}, {});
    return viewer;
  }
  if (const auto* code = std::get_if<CodePayload>(&item.payload)) {
    auto* viewer = new QVCodeViewer(context, parent);
    viewer->setProps({code->source, code->language}, {});
    return viewer;
  }
  if (std::holds_alternative<ImagePayload>(item.payload)) {
    auto* image = new DownsampledImageView(context);
    image->setCornerRadius(kImageCornerRadius);
    image->setProps(DownsampledImageView::Props::of(item));
    return padded(image, kImagePadding, parent);
  }
  if (std::holds_alternative<LinkPayload>(item.payload)) {
    // The description is not shown here.
    auto* link = new LinkPreviewContent(context, parent);
    link->setProps(LinkPreviewContent::Props::of(item));
    return link;
  }
  if (const auto* color = std::get_if<ColorPayload>(&item.payload)) {
    auto* swatch = new ColorSwatchView(context, parent);
    swatch->setProps({color->r, color->g, color->b});
    return swatch;
  }
  if (const auto* file = std::get_if<FilePayload>(&item.payload)) return makeFileContent(context, *file, {}, parent);
  return new QWidget(parent);
}

std::optional<QString> editableText(const ClipboardItem& item) {
  if (const auto* code = std::get_if<CodePayload>(&item.payload)) return code->source;
  if (const auto* text = std::get_if<TextPayload>(&item.payload)) return text->text;
  return std::nullopt;
}

std::optional<QUrl> localFileURL(const ClipboardItem& item) {
  const auto* file = fieldsIf<FilePayload>(&item.payload);
  if (!file || !file->url || !file->url->isLocalFile()) return std::nullopt;
  return file->url->qurl();
}

bool showsSameContent(const ClipboardItem& a, const ClipboardItem& b) { return a.id == b.id && a.payload == b.payload; }

}  // namespace qv
