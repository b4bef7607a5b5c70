#include "library/LibraryDetailView.h"

#include "cards/ViewServices.h"
#include "items/stores/ImageStore.h"
#include "items/writer/PasteboardWriter.h"
#include "library/LibraryDetailParts.h"
#include "library/LibraryDetailSizing.h"
#include "library/LibraryHeaderButton.h"
#include "library/PreviewFade.h"
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
#include "ui/controls/ControlStyle.h"
#include "ui/controls/PillButtons.h"
#include "ui/controls/TextViewers.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/text/Fonts.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHideEvent>
#include <QPainter>

namespace qv {

namespace {

constexpr double kImagePadding = 10;
constexpr double kImageRadius = 12;
// The colour swatch stands 14 inside the body; the preview's swatch keeps 20 of its own.
constexpr double kSwatchPadding = 14;

std::optional<QUrl> localFileURL(const ClipboardItem& item) {
  const auto* file = std::get_if<FilePayload>(&item.payload);
  if (!file || !file->url || !file->url->qurl().isLocalFile()) return std::nullopt;
  return file->url->qurl();
}

bool hasPicture(const ClipboardItem& item, const ImageStore& images) {
  const auto* image = std::get_if<ImagePayload>(&item.payload);
  return image && (!image->image.isNull() || QFileInfo::exists(images.filePath(item.idString())));
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

std::vector<LibraryDetailView::ActionButton> LibraryDetailView::actionButtons(const ClipboardItem& item,
                                                                              const Marks& marks) {
  const bool hidden = marks.isSensitive && !marks.isPeeked;
  std::vector<ActionButton> row;
  if (marks.isSensitive)
    row.push_back({Action::peek, hidden ? QStringLiteral("eye") : QStringLiteral("eye.slash"),
                   hidden ? tr("Peek") : tr("Hide again")});
  row.push_back({Action::copy, marks.copied ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc"),
                 tr("Copy to the clipboard")});
  if (item.plainText()) row.push_back({Action::copyPlainText, QStringLiteral("textformat"), tr("Copy as plain text")});
  if (canEdit(item, hidden)) row.push_back({Action::edit, QStringLiteral("pencil"), tr("Edit")});
  row.push_back({Action::share, QStringLiteral("square.and.arrow.up"),
                 marks.isSharing ? tr("Close share sheet") : tr("Share"), marks.isSharing});
  row.push_back({Action::pin, marks.isPinned ? QStringLiteral("pin.fill") : QStringLiteral("pin"),
                 marks.isPinned ? tr("Unpin") : tr("Keep regardless of retention"), marks.isPinned});
  if (localFileURL(item)) row.push_back({Action::reveal, QStringLiteral("magnifyingglass"), tr("Show in Files")});
  if (std::holds_alternative<LinkPayload>(item.payload))
    row.push_back({Action::openLink, QStringLiteral("safari"), tr("Open link")});
  row.push_back({Action::remove, QStringLiteral("trash"), tr("Delete this item"), false, true});
  row.push_back({Action::close, QStringLiteral("xmark"), tr("Close")});
  return row;
}

// ---- The pane -----------------------------------------------------------------------------------------

LibraryDetailView::LibraryDetailView(ViewServices& context, PanelState& state, Props props, Callbacks callbacks,
                                     QWidget* parent)
    : LibraryDetailPane(context, parent),
      context_(context),
      state_(state),
      props_(std::move(props)),
      callbacks_(std::move(callbacks)),
      cancel_(new ToolbarPillButton(context, {tr("Cancel"), false}, {[this] { cancelEditing(); }}, this)),
      save_(new ToolbarPillButton(context, {tr("Save"), true}, {[this] { saveEdit(); }}, this)),
      editingLabel_(tr("Editing"), TextStyle{systemFont(12, QFont::Medium), 0, 1}),
      caption_(new PreviewCaption(context, &state, this)),
      shareAnchor_(new SharePickerAnchor(context, this)) {
  setHoverEnabled(false);
  for (int i = 0; i < kActionCount; ++i) {
    buttons_[i] = new LibraryHeaderButton(context, this);
    buttons_[i]->hide();
  }
  cancel_->hide();
  save_->hide();
  shareAnchor_->setAttribute(Qt::WA_TransparentForMouseEvents);
  connect(&state_, &PanelState::pinnedIDsChanged, this, &LibraryDetailView::syncRow);
  connect(&state_, &PanelState::sensitiveIDsChanged, this, &LibraryDetailView::syncHidden);
  connect(&state_, &PanelState::peekedIDsChanged, this, &LibraryDetailView::syncHidden);
  connect(&state_, &PanelState::cancelDetailEditTriggerChanged, this, &LibraryDetailView::cancelEditTriggered);
  shownHidden_ = isHidden();
  caption_->setProps({props_.item});
  showContent();
  syncRow();
  resize(sizeHint());
  relayout();
}

LibraryDetailView::~LibraryDetailView() {
  releaseEditFlag();
  // The viewers report to this pane: they go while it is whole.
  delete content_.data();
}

void LibraryDetailView::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  const Props previous = std::exchange(props_, props);
  const bool otherItem = previous.item.id != props_.item.id;
  if (otherItem) {
    // Nothing of the previous item stays: not its edit, not its share menu.
    if (editing_) {
      draft_.clear();
      editing_ = false;
      if (state_.detailEditingActive()) state_.setDetailEditingActive(false);
    }
    sharing_ = false;
  }
  caption_->setProps({props_.item});
  shownHidden_ = isHidden();
  if (otherItem || (!editing_ && !showsSameContent(previous.item, props_.item))) showContent();
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
          sharing_};
}

LibraryHeaderButton* LibraryDetailView::button(Action action) const {
  LibraryHeaderButton* button = buttons_[size_t(action)];
  return button->isVisibleTo(this) ? button : nullptr;
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

QRectF LibraryDetailView::editBarRect() const {
  // Right of the caption, padded 14 across and 10 up and down.
  const QRectF header = headerRect();
  const double left = caption_->geometry().right() + kCaptionSpacing;
  return QRectF(left, header.top(), header.right() - left, header.height()).adjusted(kRowPadding, 0, -kRowPadding, 0);
}

QPainterPath LibraryDetailView::hitShape() const { return Fx::continuousRoundedRect(QRectF(rect()), kCornerRadius); }

void LibraryDetailView::resizeEvent(QResizeEvent* event) {
  LibraryDetailPane::resizeEvent(event);
  relayout();
}

void LibraryDetailView::relayout() {
  const QRectF header = headerRect();
  // The action row (or the edit bar's buttons) from the right, 14 in from the edge.
  double right = header.right() - kRowPadding;
  double rowLeft = right;
  if (editing_) {
    for (ToolbarPillButton* pill : {save_, cancel_}) {
      const QSize size = pill->sizeHint();
      rowLeft = right - size.width();
      pill->setGeometry(
          QRectF(rowLeft, header.center().y() - size.height() / 2.0, size.width(), size.height()).toAlignedRect());
      right = rowLeft - kButtonSpacing;
    }
    // The pencil, "Editing" and the space before the pills.
    rowLeft -= 11 + kButtonSpacing + editingLabel_.size(0).width() + kButtonSpacing;
  } else {
    for (auto it = row_.rbegin(); it != row_.rend(); ++it) {
      LibraryHeaderButton* button = buttons_[size_t(it->action)];
      rowLeft = right - LibraryHeaderButton::kSide;
      button->setGeometry(QRectF(rowLeft, header.center().y() - LibraryHeaderButton::kSide / 2,
                                 LibraryHeaderButton::kSide, LibraryHeaderButton::kSide)
                              .toAlignedRect());
      right = rowLeft - kButtonSpacing;
    }
    shareAnchor_->setGeometry(buttons_[size_t(Action::share)]->geometry());
    shareAnchor_->lower();
  }
  // The caption takes what the row leaves, past the flexible space (at least 12) between them.
  const double captionRoom = rowLeft - kRowPadding - 2 * kCaptionSpacing - 12 - header.left();
  const QSize captionSize = caption_->sizeHint();
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
  if (editing_) {
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

void LibraryDetailView::showContent() {
  if (content_) {
    // The viewer goes later: until then it reports its edges to nobody.
    if (auto* viewer = qobject_cast<QVTextViewer*>(content_.data())) viewer->setProps(viewer->props(), {});
    if (auto* code = qobject_cast<QVCodeViewer*>(content_.data())) code->setProps(code->props(), {});
    content_->hide();
    content_->deleteLater();
  }
  fade_ = nullptr;
  QWidget* content = nullptr;
  const ClipboardItem& item = props_.item;
  if (shownHidden_) {
    content = new HiddenPlaceholderView(context_, this);
  } else if (editing_) {
    auto* editor = new EditableTextView(context_, std::holds_alternative<CodePayload>(item.payload), this);
    editor->setProps({draft_}, {[this](const QString& text) { draft_ = text; }});
    content = editor;
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
      row->setProps({file->name, file->url});
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
  content->show();
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
    if (hidden && editing_) {
      draft_.clear();
      endEditing();
    } else {
      showContent();
    }
    caption_->update();
  }
  syncRow();
}

// ---- Action row ---------------------------------------------------------------------------------------------

void LibraryDetailView::syncRow() {
  const std::vector<ActionButton> row = editing_ ? std::vector<ActionButton>{} : actionButtons(props_.item, marks());
  const bool moved = [&] {
    if (row.size() != row_.size()) return true;
    for (size_t i = 0; i < row.size(); ++i)
      if (row[i].action != row_[i].action) return true;
    return false;
  }();
  row_ = row;
  std::array<bool, kActionCount> shown{};
  for (const ActionButton& each : row_) {
    LibraryHeaderButton* button = buttons_[size_t(each.action)];
    shown[size_t(each.action)] = true;
    button->setToolTip(each.help);
    button->setAccessibleName(each.help);
    button->setProps({each.symbol, each.isActive, each.isDestructive}, {[this, action = each.action] { run(action); }});
  }
  for (int i = 0; i < kActionCount; ++i) buttons_[i]->setVisible(shown[i]);
  cancel_->setVisible(editing_);
  save_->setVisible(editing_);
  syncShareAnchor();
  if (moved) relayout();
  update();
}

void LibraryDetailView::syncShareAnchor() {
  shareAnchor_->setProps({shareItems(props_.item, *context_.imageStore), shareTrigger_}, {[this](bool presenting) {
                           if (presenting == sharing_) return;
                           sharing_ = presenting;
                           syncRow();
                         }});
}

// ---- Actions ------------------------------------------------------------------------------------------------

void LibraryDetailView::run(Action action) {
  const ClipboardItem item = props_.item;
  switch (action) {
    case Action::peek: state_.togglePeek(item); break;
    case Action::copy: copy(); break;
    case Action::copyPlainText: copyAsPlainText(); break;
    case Action::edit: beginEditing(); break;
    case Action::share:
      ++shareTrigger_;
      syncShareAnchor();
      break;
    case Action::pin: state_.togglePin(item); break;
    case Action::reveal:
      if (const std::optional<QUrl> url = localFileURL(item)) context_.workspace->revealFile(url->toLocalFile());
      break;
    case Action::openLink:
      if (const auto* link = std::get_if<LinkPayload>(&item.payload)) openLink(context_, link->url.qurl());
      break;
    case Action::remove:
      state_.removeItem(item);
      close();
      break;
    case Action::close: close(); break;
  }
}

void LibraryDetailView::close() {
  if (const auto onClose = callbacks_.onClose) onClose();
}

void LibraryDetailView::copy() {
  if (!context_.pasteboardWriter->write(props_.item, false, std::nullopt)) {
    state_.shake(props_.item);
    return;
  }
  markCopied();
}

void LibraryDetailView::copyAsPlainText() {
  // Like Copy: the check mark says only what is true.
  if (!context_.pasteboardWriter->write(props_.item, true, std::nullopt)) {
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
  if (editing_ || !canEdit(props_.item, isHidden())) return;
  draft_ = editableText(props_.item).value_or(QString());
  if (!state_.detailEditingActive()) state_.setDetailEditingActive(true);
  editing_ = true;
  showContent();
  syncRow();
  relayout();
}

void LibraryDetailView::endEditing() {
  if (state_.detailEditingActive()) state_.setDetailEditingActive(false);
  if (!editing_) return;
  editing_ = false;
  showContent();
  syncRow();
  relayout();
}

void LibraryDetailView::cancelEditing() {
  draft_.clear();
  endEditing();
}

void LibraryDetailView::saveEdit() {
  if (!editing_) return;
  // Copies: the state hands this pane the edited item as it notifies.
  const ClipboardItem item = props_.item;
  const QString text = draft_;
  state_.updateText(item, text);
  endEditing();
}

void LibraryDetailView::cancelEditTriggered() {
  if (editing_) cancelEditing();
}

void LibraryDetailView::releaseEditFlag() {
  if (editing_ && state_.detailEditingActive()) state_.setDetailEditingActive(false);
}

void LibraryDetailView::hideEvent(QHideEvent* event) {
  LibraryDetailPane::hideEvent(event);
  // A pane the library takes away while editing gives the window its keys back; a minimised
  // window keeps the edit.
  if (!event->spontaneous() && editing_) cancelEditing();
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
  Translucency::paintBackground(painter, Fx::continuousRoundedRect(box, kCornerRadius), Material::menu, env, support_);
  Fx::strokeInnerBorder(painter, box, kCornerRadius, primaryColor(env, 0.12), 0.5);
  const bool dark = env.isDark();
  const QLinearGradient rim = Fx::linearGradient(
      box, {0, 0}, {0, 1},
      {{0, QColor::fromRgbF(1, 1, 1, dark ? 0.2f : 0.9f)}, {1, QColor::fromRgbF(1, 1, 1, dark ? 0.04f : 0.15f)}});
  Fx::strokeInnerBorder(painter, box, kCornerRadius, rim, 0.75);
  if (editing_) {
    const QRectF bar = editBarRect();
    const QColor secondary = labelColor(env, LabelLevel::secondary);
    const QImage pencil = Symbols::image(QStringLiteral("pencil"), 11, secondary, Fx::painterScale(painter));
    if (!pencil.isNull())
      painter.drawImage(QPointF(bar.left(), bar.center().y() - pencil.deviceIndependentSize().height() / 2), pencil);
    const QSizeF label = editingLabel_.size(0);
    editingLabel_.draw(painter, QPointF(bar.left() + 11 + kButtonSpacing, bar.center().y() - label.height() / 2), 0,
                       labelColor(env, LabelLevel::primary));
  }
}

}  // namespace qv
