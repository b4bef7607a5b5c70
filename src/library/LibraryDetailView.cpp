#include "library/LibraryDetailView.h"

#include "base/FreedMemory.h"
#include "cards/ViewServices.h"
#include "items/stores/ImageStore.h"
#include "items/writer/PasteboardWriter.h"
#include "library/LibraryDetailParts.h"
#include "library/LibraryDetailSizing.h"
#include "library/LibraryHeaderButton.h"
#include "library/PreviewFade.h"
#include "platform/SerialQueue.h"
#include "platform/Workspace.h"
#include "preview/DownsampledImageView.h"
#include "preview/EditableTextView.h"
#include "preview/LinkOpening.h"
#include "preview/PreviewCaption.h"
#include "preview/PreviewContent.h"
#include "preview/PreviewSizing.h"
#include "preview/ShareItems.h"
#include "preview/SharePickerAnchor.h"
#include "state/PanelState.h"
#include "ui/Translucency.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/PillButtons.h"
#include "ui/controls/TextViewers.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/text/Fonts.h"
#include "ui/text/TextBlock.h"
#include "ui/theme/Theme.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHideEvent>
#include <QPainter>
#include <algorithm>

namespace qv {

namespace {

constexpr double kImagePadding = 10;
constexpr double kImageRadius = 12;
// The colour swatch stands 14 inside the body; the preview's swatch keeps 20 of its own.
constexpr double kSwatchPadding = 14;

bool hasPicture(const ClipboardItem& item, const ImageStore& images) {
  const auto* image = fieldsIf<ImagePayload>(&item.payload);
  return image && (!image->image.isNull() || QFileInfo::exists(images.filePath(item.idString())));
}

// A text or code viewer on its way out reports its edges to nobody.
void silenceViewer(QWidget* content) {
  if (auto* viewer = qobject_cast<QVTextViewer*>(content)) viewer->setProps(viewer->props(), {});
  if (auto* code = qobject_cast<QVCodeViewer*>(content)) code->setProps(code->props(), {});
}

}  // namespace

// ---- Rules -----------------------------------------------------------------------------------------

bool LibraryDetailView::canEdit(const ClipboardItem& item, bool isHidden) {
  return !isHidden && editableText(item).has_value();
}

double LibraryDetailView::viewerHeight(const ClipboardItem& item, double width, double availableHeight) {
  using namespace libraryDetail;
  return std::min(std::max(availableHeight - kViewerHeightReserve, kMinimumViewerHeight),
                  std::max(PreviewSizing::preferredHeight(item, width - kContentInset), kMinimumViewerHeight));
}

double LibraryDetailView::fittingHeight(const ClipboardItem& item, double width, double candidateHeight) {
  return libraryDetail::fittingHeight(item, width, candidateHeight);
}

// ---- The pane -----------------------------------------------------------------------------------------

LibraryDetailView::LibraryDetailView(ViewServices& context, PanelState& state, Props props, Callbacks callbacks,
                                     QWidget* parent)
    : LibraryDetailPane(context, parent),
      context_(context),
      state_(state),
      props_(std::move(props)),
      callbacks_(std::move(callbacks)),
      header_(
          context, this, [this](Action action) { run(action); }, [this] { cancelEditing(); }, [this] { saveEdit(); }),
      caption_(new PreviewCaption(context, &state, this)),
      contentFade_(context, CrossFade::Outgoing::remove),
      session_(context, state, ItemPaneSession::Surface::library, header_.shareAnchor(),
               {[this] { editingChanged(); }, [this] { syncRow(); }}) {
  setHoverEnabled(false);
  caption_->raise();
  connect(&state_, &PanelState::pinnedIDsChanged, this, &LibraryDetailView::syncRow);
  connect(&state_, &PanelState::sensitiveIDsChanged, this, &LibraryDetailView::syncHidden);
  connect(&state_, &PanelState::peekedIDsChanged, this, &LibraryDetailView::syncHidden);
  shownHidden_ = isHidden();
  session_.setItem(props_.item);
  caption_->setProps({props_.item});
  header_.showFace(false, std::nullopt);
  showContent();
  syncRow();
  resize(sizeHint());
  relayout();
}

LibraryDetailView::~LibraryDetailView() {
  // The viewers report to this pane: they go while it is whole.
  contentFade_.finish();
  delete content_.data();
}

void LibraryDetailView::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  // A pane that let go of its content (closed) shows it again, whatever the item.
  if (props == props_ && content_) return;
  const Props previous = std::exchange(props_, props);
  // Nothing of the previous item stays: not its edit, not its share menu.
  const bool otherItem = session_.setItem(props_.item);
  caption_->setProps({props_.item});
  shownHidden_ = isHidden();
  if (!content_ || otherItem || (!isEditing() && !showsSameContent(previous.item, props_.item))) showContent();
  if (otherItem) syncHeader(std::nullopt);
  syncRow();
  if (previous.width != props_.width || previous.availableHeight != props_.availableHeight) {
    updateGeometry();
    resize(sizeHint());
  }
  relayout();
  update();
}

void LibraryDetailView::showItem(const ClipboardItem& item, double width, double availableHeight,
                                 std::function<void()> onClose) {
  setProps({item, width, availableHeight}, {std::move(onClose)});
}

void LibraryDetailView::setTranslucency(TranslucencySupport support) {
  if (support == support_) return;
  support_ = support;
  update();
}

bool LibraryDetailView::isHidden() const { return state_.isConcealed(props_.item.id); }

LibraryDetailView::Marks LibraryDetailView::marks() const {
  const QUuid& id = props_.item.id;
  return {state_.sensitiveIDs().contains(id), state_.peekedIDs().contains(id), state_.pinnedIDs().contains(id), copied_,
          session_.isSharing()};
}

EditableTextView* LibraryDetailView::editor() const { return qobject_cast<EditableTextView*>(content_.data()); }

double LibraryDetailView::viewerHeight() const {
  return viewerHeight(props_.item, props_.width, props_.availableHeight);
}

// ---- Geometry ----------------------------------------------------------------------------------------

QSize LibraryDetailView::sizeHint() const { return QSizeF(props_.width, props_.availableHeight).toSize(); }

QRectF LibraryDetailView::headerRect() const {
  return QRectF(kPadding, kPadding, width() - 2 * kPadding, kHeaderHeight);
}

QRectF LibraryDetailView::bodyRect() const {
  const double top = kPadding + kHeaderHeight + kHeaderSpacing;
  return QRectF(kPadding, top, width() - 2 * kPadding, std::max(0.0, height() - top - kPadding));
}

QPainterPath LibraryDetailView::hitShape() const { return Fx::continuousRoundedRect(QRectF(rect()), kCornerRadius); }

void LibraryDetailView::resizeEvent(QResizeEvent* event) {
  LibraryDetailPane::resizeEvent(event);
  relayout();
}

bool LibraryDetailView::event(QEvent* event) {
  // The caption asks for another width as its age changes: the header makes room for it.
  if (event->type() == QEvent::LayoutRequest && caption_ && caption_->sizeHint() != captionHint_) relayout();
  return LibraryDetailPane::event(event);
}

void LibraryDetailView::relayout() {
  const QRectF header = headerRect();
  const double rowLeft = header_.place(header, width(), isEditing());
  // The caption takes what the row leaves, past the flexible space (at least 12) between them.
  const double captionRoom = rowLeft - kRowPadding - 2 * kCaptionSpacing - 12 - header.left();
  const QSize captionSize = captionHint_ = caption_->sizeHint();
  const double captionWidth = std::clamp(double(captionSize.width()), 0.0, std::max(0.0, captionRoom));
  caption_->setGeometry(
      QRectF(header.left(), header.center().y() - captionSize.height() / 2.0, captionWidth, captionSize.height())
          .toAlignedRect());

  if (!content_) return;
  const QRectF body = bodyRect();
  // A library too short for the viewer's floor frames the pane lower than the viewer plus the
  // header: the viewer then ends at the body's bottom, inside the pane, with its fade.
  const double viewer = std::min(viewerHeight(), body.height());
  QRectF frame = body;
  if (editor()) {
    frame = QRectF(body.left() + kEditorPadding, body.top() + kEditorPadding, body.width() - 2 * kEditorPadding,
                   std::min(viewer, body.height() - 2 * kEditorPadding));
  } else if (!shownHidden_) {
    if (std::holds_alternative<TextPayload>(props_.item.payload) ||
        std::holds_alternative<CodePayload>(props_.item.payload)) {
      frame.setHeight(viewer);
    } else if (qobject_cast<DownsampledImageView*>(content_.data())) {
      frame = body.adjusted(kImagePadding, kImagePadding, -kImagePadding, -kImagePadding);
    } else if (qobject_cast<ColorSwatchView*>(content_.data())) {
      const double inset = kSwatchPadding - ColorSwatchView::kPadding;
      frame = body.adjusted(inset, inset, -inset, -inset);
    }
  }
  content_->setGeometry(frame.toAlignedRect());
}

// ---- Content ---------------------------------------------------------------------------------------------

void LibraryDetailView::showContent(const std::optional<Animation>& animation) {
  // The viewer goes later: until then it reports its edges to nobody.
  if (content_) silenceViewer(content_);
  fade_ = nullptr;
  QWidget* content = nullptr;
  const ClipboardItem& item = props_.item;
  if (shownHidden_) {
    content = new HiddenPlaceholderView(context_, this);
  } else if (isEditing()) {
    content = session_.makeEditor(this);
  } else if (const auto* text = std::get_if<TextPayload>(&item.payload)) {
    auto* viewer = new QVTextViewer(context_, this);
    viewer->setProps({text->text, {}, false, QSizeF(14, 12)},
                     {[this](bool top, bool bottom) { updateEdgeFades(top, bottom); }});
    content = viewer;
  } else if (const auto* code = std::get_if<CodePayload>(&item.payload)) {
    auto* viewer = new QVCodeViewer(context_, this);
    viewer->setProps({code->source, code->language}, {[this](bool top, bool bottom) { updateEdgeFades(top, bottom); }});
    content = viewer;
  } else if (std::holds_alternative<ImagePayload>(item.payload)) {
    if (hasPicture(item, *context_.imageStore)) {
      auto* image = new DownsampledImageView(context_, this);
      image->setCornerRadius(kImageRadius);
      image->setProps(DownsampledImageView::Props::of(item));
      content = image;
    } else {
      auto* placeholder = new UnavailablePlaceholderView(context_, this);
      placeholder->setProps(
          {QStringLiteral("photo"), tr("Image Unavailable"), tr("The file behind this item is missing.")});
      content = placeholder;
    }
  } else if (std::holds_alternative<LinkPayload>(item.payload)) {
    auto* link = new DetailLinkView(context_, this);
    link->setProps(DetailLinkView::Props::of(item));
    content = link;
  } else if (const auto* color = std::get_if<ColorPayload>(&item.payload)) {
    auto* swatch = new ColorSwatchView(context_, this);
    swatch->setProps({color->r, color->g, color->b});
    content = swatch;
  } else if (const auto* file = std::get_if<FilePayload>(&item.payload)) {
    const FileContentRoute route = fileContentRoute(*file);
    if (route == FileContentRoute::missing) {
      auto* row = new DetailFileRow(context_, this);
      row->setProps({(*file)->name, (*file)->url});
      content = row;
    } else {
      content = new DetailFileContent(context_, *file, route, this);
    }
  }
  if (!content) content = new QWidget(this);
  if (qobject_cast<QVTextViewer*>(content) || qobject_cast<QVCodeViewer*>(content)) {
    fade_ = new PreviewFade(context_, content);
    fade_->setProps({topFade_, bottomFade_, kFadeDepth});
  }
  content_ = content;
  content->lower();
  relayout();
  contentFade_.swapTo(content, animation);
}

void LibraryDetailView::updateEdgeFades(bool top, bool bottom) {
  topFade_ = top;
  bottomFade_ = bottom;
  if (fade_) fade_->setProps({top, bottom, kFadeDepth});
}

void LibraryDetailView::syncHidden() {
  const bool hidden = isHidden();
  if (hidden != shownHidden_) {
    shownHidden_ = hidden;
    // An item hidden again (its peek ran out) takes its text out of sight, the editor too.
    if (hidden && isEditing()) session_.discardEdit();
    else if (content_) showContent(Transaction::current().animation);
    caption_->update();
  }
  syncRow();
}

// ---- Header -------------------------------------------------------------------------------------------------

void LibraryDetailView::syncHeader(const std::optional<Animation>& animation) {
  header_.showFace(isEditing(), animation);
}

void LibraryDetailView::syncRow() {
  // While editing the row has no actions; its buttons keep their look while it fades out.
  const bool moved = header_.setRow(
      isEditing() ? std::vector<ActionButton>{} : LibraryDetailHeader::rowFor(props_.item, marks()), isEditing());
  if (moved) relayout();
  update();
}

// ---- Actions ------------------------------------------------------------------------------------------------

void LibraryDetailView::run(Action action) {
  switch (action) {
    case Action::peek:
      // The placeholder and the content crossfade.
      withAnimation(Theme::springStandard(), [this] { session_.togglePeek(); });
      break;
    case Action::copy: copy(); break;
    case Action::copyPlainText: copyAsPlainText(); break;
    case Action::edit: beginEditing(); break;
    case Action::share: session_.pressShare(); break;
    case Action::pin: session_.togglePin(); break;
    case Action::reveal: session_.reveal(); break;
    case Action::openLink: session_.openLink(); break;
    case Action::remove:
      session_.remove();
      close();
      break;
    case Action::close: close(); break;
  }
}

void LibraryDetailView::close() {
  if (const auto onClose = callbacks_.onClose) onClose();
}

void LibraryDetailView::copy() {
  if (!session_.copy(false)) {
    state_.shake(props_.item);
    return;
  }
  markCopied();
}

void LibraryDetailView::copyAsPlainText() {
  // Like Copy: the check mark says only what is true.
  if (!session_.copy(true)) {
    state_.shake(props_.item);
    return;
  }
  markCopied();
}

void LibraryDetailView::markCopied() {
  copied_ = true;
  syncRow();
  // Not cancelled by a later copy: the first copy's timer clears the mark.
  context_.scheduler->after(
      kCopiedDuration,
      [this] {
        copied_ = false;
        syncRow();
      },
      Guard(this));
}

// ---- Editing -------------------------------------------------------------------------------------------------

void LibraryDetailView::beginEditing() {
  if (!canEdit(props_.item, isHidden())) return;
  session_.beginEditing();
}

void LibraryDetailView::endEditing() { session_.endEditing(); }

void LibraryDetailView::cancelEditing() { session_.discardEdit(); }

void LibraryDetailView::saveEdit() { session_.saveEdit(); }

void LibraryDetailView::editingChanged() {
  // The viewer and the editor, and the action row and the edit bar, crossfade.
  const Animation animation = Theme::springStandard();
  showContent(animation);
  syncRow();
  syncHeader(animation);
  relayout();
}

void LibraryDetailView::hideEvent(QHideEvent* event) {
  LibraryDetailPane::hideEvent(event);
  // The window closing, hiding for a paste-back or being minimised keeps everything, an open
  // edit included, for when it shows again.
  if (isWindow() || isVisibleTo(window())) return;
  // The library closed the pane: an open edit goes with it and the window's keys come back, and
  // the content lets go of its item (a document's text and layout take tens of megabytes); the
  // next item shown makes it again.
  if (isEditing()) cancelEditing();
  letGoOfContent();
}

void LibraryDetailView::letGoOfContent() {
  if (!content_) return;
  contentFade_.finish();
  QWidget* content = content_;
  content_ = nullptr;
  fade_ = nullptr;
  topFade_ = bottomFade_ = false;
  rims_.clear();
  silenceViewer(content);
  // Gone on the next turn (the pane may close inside one of its events); what it took then goes
  // back to the system, off the main thread.
  std::shared_ptr<SerialQueue> queue = context_.queue(QLatin1String(kFreedMemoryQueue));
  connect(content, &QObject::destroyed, [queue] { queue->async([] { returnFreedMemory(); }); });
  content->hide();
  content->deleteLater();
}

// ---- Painting ----------------------------------------------------------------------------------------------

AccessibilityInfo LibraryDetailView::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Pane;
  info.name = tr("Details");
  return info;
}

void LibraryDetailView::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF box(rect());
  Translucency::fillBackground(painter, Fx::continuousRoundedRect(box, kCornerRadius), Material::menu, env, support_);
  Fx::drawImage(painter, QPointF(0, 0), rims(env, Fx::layerScale(painter)));
}

const QImage& LibraryDetailView::rims(const EnvironmentValues& environment, double scale) {
  const QSize size = this->size();
  for (const Rims& kept : rims_)
    if (kept.size == size && kept.scale == scale && kept.environment == environment) return kept.image;
  QImage image((QSizeF(size) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(scale);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0, 0, size.width(), size.height());
    Translucency::strokeHairline(painter, Fx::continuousRoundedRect(box, kCornerRadius), environment);
    Fx::strokeInnerBorder(painter, box, kCornerRadius, primaryColor(environment, 0.12), 0.5);
    const bool dark = environment.isDark();
    const QLinearGradient rim = Fx::linearGradient(
        box, {0, 0}, {0, 1},
        {{0, QColor::fromRgbF(1, 1, 1, dark ? 0.2f : 0.9f)}, {1, QColor::fromRgbF(1, 1, 1, dark ? 0.04f : 0.15f)}});
    Fx::strokeInnerBorder(painter, box, kCornerRadius, rim, 0.75);
  }
  // The window's scale and at most one other (a picture of the window taken at its own).
  if (rims_.size() == 2) rims_.erase(rims_.begin());
  rims_.push_back({size, scale, environment, std::move(image)});
  return rims_.back().image;
}

}  // namespace qv
