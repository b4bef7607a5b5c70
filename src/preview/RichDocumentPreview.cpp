#include "preview/RichDocumentPreview.h"

#include "base/FreedMemory.h"
#include "base/NativePath.h"
#include "base/Url.h"
#include "cards/ViewServices.h"
#include "cards/content/FileIcons.h"
#include "preview/FileThumbnailView.h"
#include "preview/QuickLookButton.h"
#include "preview/document/RichDocumentReader.h"
#include "ui/controls/ProgressSpinner.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace qv {

namespace {

// What shows for a document that cannot be read: the file's thumbnail filling the view, with the
// regular Quick Look button over its bottom edge.
class DocumentThumbnailFallback : public QWidget {
 public:
  DocumentThumbnailFallback(ViewServices& services, const QString& path, const QString& filename, QWidget* parent)
      : QWidget(parent),
        thumbnail_(new FileThumbnailView(services, this)),
        quickLook_(new QuickLookButton(services, this)) {
    thumbnail_->setProps({path, filename, RichDocumentPreview::kThumbnailInset,
                          RichDocumentPreview::kThumbnailCornerRadius, RichDocumentPreview::kThumbnailRenderSize});
    quickLook_->setProps({path, false});
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    thumbnail_->setGeometry(rect());
    // The button's widget leaves room for its shadow around the capsule: the capsule itself
    // sits the padding above the bottom.
    const QSize button = quickLook_->sizeHint();
    quickLook_->setGeometry(QRect(QPoint((width() - button.width()) / 2, 0), button));
    const int capsuleBottom = int(std::ceil(quickLook_->capsuleRect().bottom()));
    quickLook_->move(quickLook_->x(), height() - int(RichDocumentPreview::kQuickLookBottomPadding) - capsuleBottom);
  }

 private:
  FileThumbnailView* thumbnail_;
  QuickLookButton* quickLook_;
};

// One of a document's points in font points of the screen: 1 point = 1 pixel.
double fontPointsPerPoint() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
  return 72.0 / dpi;
}

}  // namespace

const QStringList& RichDocumentPreview::documentExtensions() {
  static const QStringList extensions = {QStringLiteral("doc"),   QStringLiteral("docx"), QStringLiteral("odt"),
                                         QStringLiteral("rtf"),   QStringLiteral("rtfd"), QStringLiteral("webarchive"),
                                         QStringLiteral("wordml")};
  return extensions;
}

bool RichDocumentPreview::takes(const QString& filename) {
  // A folder's final slash is not part of its name (an RTFD package is a folder).
  return documentExtensions().contains(FileIcons::pathExtension(filename).toLower());
}

RichDocumentPreview::RichDocumentPreview(ViewServices& context, QWidget* parent)
    : QWidget(parent),
      context_(context),
      viewer_(new QVTextViewer(context, this)),
      spinner_(new ProgressSpinner(context, this)) {
  // Tab stops every half inch, as word processors set them by default.
  QTextOption option = viewer_->document()->defaultTextOption();
  option.setTabStopDistance(kDefaultTabInterval);
  viewer_->document()->setDefaultTextOption(option);
  viewer_->setProps({}, viewerCallbacks());
  showState();
}

RichDocumentPreview::~RichDocumentPreview() { release(); }

void RichDocumentPreview::release() {
  if (!cancelRead_) return;
  cancelRead_->store(true);
  cancelRead_.reset();
  ++generation_;
  // What the document took goes back to the system once this preview has let go of it, after
  // the read being given up.
  context_.queue(QLatin1String(kQueueName))->async([] { returnFreedMemory(); });
}

void RichDocumentPreview::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!hasProps_ || released_ || !cancelRead_ || failed_) return;
  released_ = true;
  document_.reset();
  viewer_->setProps({}, viewerCallbacks());
  release();
}

void RichDocumentPreview::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!released_) return;
  released_ = false;
  startLoading();
}

void RichDocumentPreview::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (hasProps_ && props == props_) return;
  props_ = props;
  hasProps_ = true;
  startLoading();
}

RichDocumentPreview::Shown RichDocumentPreview::shown() const {
  if (document_) return Shown::document;
  return failed_ ? Shown::failed : Shown::loading;
}

void RichDocumentPreview::startLoading() {
  if (cancelRead_) cancelRead_->store(true);
  cancelRead_ = std::make_shared<std::atomic<bool>>(false);
  const quint64 generation = ++generation_;
  document_.reset();
  failed_ = false;
  viewer_->setProps({}, viewerCallbacks());  // lets the last document go
  if (fallback_) {
    // A new file gets a fresh thumbnail; the old one goes once its events are done.
    fallback_->hide();
    fallback_->deleteLater();
    fallback_ = nullptr;
  }
  const QString path = localFilePath(props_.url);
  if (path.isEmpty()) {
    documentArrived(nullptr);
    return;
  }
  showState();
  DocumentReadOptions options;
  options.fontPointsPerPoint = fontPointsPerPoint();
  std::shared_ptr<Scheduler> scheduler = context_.scheduler;
  const Guard guard(this);
  // The worker holds copies only; what it gives back is dropped unless this view still shows
  // the URL it was asked for.
  context_.queue(QLatin1String(kQueueName))
      ->async([scheduler, guard, this, generation, path, options, cancel = cancelRead_]() mutable {
        options.cancelled = cancel.get();
        std::optional<AttributedText> read = readRichDocument(path, options);
        // The reader's working memory (many times the document) is free now: hand it back.
        returnFreedMemory();
        if (cancel->load()) return;
        SharedAttributedText document = read ? std::make_shared<const AttributedText>(std::move(*read))
                                             : SharedAttributedText();
        scheduler->post(
            [this, generation, document] {
              if (generation == generation_) documentArrived(document);
            },
            guard);
      });
}

void RichDocumentPreview::documentArrived(SharedAttributedText document) {
  if (document) {
    document_ = std::move(document);
    viewer_->setProps({QString(), document_, false, QSizeF(kInsetWidth, kInsetHeight)}, viewerCallbacks());
  } else {
    failed_ = true;
    fallback_ = new DocumentThumbnailFallback(context_, localFilePath(props_.url), lastPathComponent(props_.url), this);
  }
  showState();
}

QVTextViewer::Callbacks RichDocumentPreview::viewerCallbacks() {
  // Read when the viewer reports, so a report goes to the callbacks of the latest props.
  return {[this](bool above, bool below) {
    if (const auto onEdgesChange = callbacks_.onEdgesChange) onEdgesChange(above, below);
  }};
}

void RichDocumentPreview::showState() {
  const Shown state = shown();
  viewer_->setVisible(state == Shown::document);
  spinner_->setVisible(state == Shown::loading);
  if (fallback_) fallback_->setVisible(state == Shown::failed);
  placeChildren();
}

void RichDocumentPreview::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  placeChildren();
}

void RichDocumentPreview::placeChildren() {
  viewer_->setGeometry(rect());
  if (fallback_) fallback_->setGeometry(rect());
  const QSize spinner = spinner_->sizeHint();
  spinner_->setGeometry(QRect(QPoint((width() - spinner.width()) / 2, (height() - spinner.height()) / 2), spinner));
}

}  // namespace qv
