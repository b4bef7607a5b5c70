#include "preview/ItemPreviewView.h"

#include "cards/ViewServices.h"
#include "items/stores/ImageStore.h"
#include "items/writer/PasteboardWriter.h"
#include "platform/Workspace.h"
#include "platform/keys/KeyCodes.h"
#include "preview/EditableTextView.h"
#include "preview/LinkOpening.h"
#include "preview/PreviewCaption.h"
#include "preview/PreviewContent.h"
#include "preview/PreviewContentBox.h"
#include "preview/PreviewSizing.h"
#include "preview/ShareItems.h"
#include "preview/SharePickerAnchor.h"
#include "state/PanelState.h"
#include "ui/Translucency.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/OrnamentRail.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/text/Fonts.h"
#include "ui/text/TextBlock.h"
#include "ui/theme/Environment.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QPainter>
#include <QShortcut>
#include <cmath>

namespace qv {

namespace {

// How often at most a concealed content's picture is drawn again while the content changes.
constexpr double kPictureInterval = 1.0 / 20;

QRegion regionOf(const QPainterPath& shape) { return QRegion(shape.toFillPolygon().toPolygon()); }

}  // namespace

// ---- Pure rules ---------------------------------------------------------------------------------

std::optional<QUrl> ItemPreviewView::fileURL(const ClipboardItem& item) { return localFileURL(item); }

QList<ShareItem> ItemPreviewView::shareItems(const ClipboardItem& item, const ImageStore& images) {
  return qv::shareItems(item, images);
}

int ItemPreviewView::toolbarActionCount(const ClipboardItem& item) {
  int count = 4;
  if (item.plainText()) ++count;
  if (std::holds_alternative<CodePayload>(item.payload) || std::holds_alternative<TextPayload>(item.payload)) ++count;
  if (std::holds_alternative<LinkPayload>(item.payload)) ++count;
  if (fileURL(item)) ++count;
  return count;
}

double ItemPreviewView::previewHeight(const ClipboardItem& item, double availableHeight) {
  const int buttons = toolbarActionCount(item);
  // The rail's buttons, 4 apart, inside 6 of padding, with 28 to spare.
  const double minimum = std::max(
      OrnamentRailButton::kFace * buttons + kRailSpacing * (buttons - 1) + 2 * kRailPadding + 28,
      kMinimumContentHeight);
  const double allowed = std::max(minimum, std::min(std::max(availableHeight, minimum), kMaximumContentHeight));
  const double width = PreviewSizing::preferredWidth(item) - kRailWidth - kRowSpacing;
  const double wanted = std::max(PreviewSizing::preferredHeight(item, width), minimum);
  return std::min(allowed, wanted);
}

QString ItemPreviewView::revealLabel() {
  return QStringLiteral("Show in Files  ") + keys::shortcutText({keys::code::R, keys::kCommandFlag});
}

std::vector<ItemPreviewView::ToolbarRow> ItemPreviewView::toolbarRows(const ClipboardItem& item, bool isPinned,
                                                                      bool isSharing, bool isEditing) {
  if (isEditing)
    return {{QStringLiteral("checkmark"), QStringLiteral("Save changes"), true, Action::save},
            {QStringLiteral("xmark"), QStringLiteral("Discard changes"), false, Action::discard}};
  std::vector<ToolbarRow> rows;
  rows.push_back({QStringLiteral("xmark"), QStringLiteral("Close"), false, Action::close});
  rows.push_back({QStringLiteral("doc.on.doc"), QStringLiteral("Copy to clipboard"), false, Action::copy});
  if (item.plainText())
    rows.push_back({QStringLiteral("textformat"), QStringLiteral("Copy as plain text"), false, Action::copyPlainText});
  if (std::holds_alternative<CodePayload>(item.payload) || std::holds_alternative<TextPayload>(item.payload))
    rows.push_back({QStringLiteral("pencil"), QStringLiteral("Edit"), false, Action::edit});
  rows.push_back({QStringLiteral("square.and.arrow.up"),
                  isSharing ? QStringLiteral("Close share sheet") : QStringLiteral("Share"), isSharing, Action::share});
  rows.push_back({isPinned ? QStringLiteral("pin.fill") : QStringLiteral("pin"),
                  isPinned ? QStringLiteral("Unpin") : QStringLiteral("Pin"), isPinned, Action::pin});
  if (std::holds_alternative<LinkPayload>(item.payload))
    rows.push_back({QStringLiteral("safari"), QStringLiteral("Open in Browser"), false, Action::openInBrowser});
  if (fileURL(item)) rows.push_back({QStringLiteral("magnifyingglass"), revealLabel(), false, Action::reveal});
  return rows;
}

// ---- The pane -----------------------------------------------------------------------------------

ItemPreviewView::ItemPreviewView(ViewServices& context, PanelState& state, Props props, Callbacks callbacks,
                                 QWidget* parent)
    : PaintedWidget(context, parent),
      context_(context),
      state_(state),
      props_(std::move(props)),
      callbacks_(std::move(callbacks)),
      box_(new QWidget(this)),
      contentFade_(context, CrossFade::Outgoing::remove),
      frame_(new PreviewContentFrame(context, box_)),
      cover_(new PreviewConcealCover(context, box_)),
      caption_(new PreviewCaption(context, &state, this)),
      shareAnchor_(new SharePickerAnchor(context, this)),
      railPresence_(*context.frameClock, 1.0),
      railEntrance_(*context.frameClock, 0.0),
      captionEntrance_(*context.frameClock, 0.0),
      session_(context, state, ItemPaneSession::Surface::panel, *shareAnchor_,
               {[this] { editingChanged(); }, [this] { syncRail(); }}) {
  setHoverEnabled(false);
  railPresence_.setOnChange([this] { applyEntrance(); });
  for (Animated<double>* entrance : {&railEntrance_, &captionEntrance_})
    entrance->setOnChange([this] {
      applyEntrance();
      update();
      Q_EMIT entranceStepped();
      // In: the pane shows live from now on.
      if (!isEntering()) contentPicture_ = QImage();
    });
  cover_->hide();
  connect(&state_, &PanelState::pinnedIDsChanged, this, &ItemPreviewView::syncRail);
  connect(&state_, &PanelState::sensitiveIDsChanged, this, &ItemPreviewView::syncConcealment);
  connect(&state_, &PanelState::peekedIDsChanged, this, &ItemPreviewView::syncConcealment);
  connect(&state_, &PanelState::edgeSideChanged, this, [this] {
    relayout();
    update();
  });
  connect(context_.environment.get(), &Environment::changed, this, &ItemPreviewView::scheduleConcealedPicture);
  session_.setItem(props_.item);
  previewHeight_ = previewHeight(props_.item, props_.availableHeight);
  showContent();
  syncCaption();
  syncRail();
  syncRevealShortcut();
  syncConcealment();
  applyEntrance();
  resize(sizeHint());
  relayout();
}

ItemPreviewView::~ItemPreviewView() {
  // The content reports its paints here: it goes while this pane is whole.
  contentFade_.finish();
  delete content_.data();
}

void ItemPreviewView::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  const Props previous = std::exchange(props_, props);
  previewHeight_ = previewHeight(props_.item, props_.availableHeight);
  // Another item: nothing of the first one stays, not its editor nor its share menu.
  if (session_.setItem(props_.item)) showContent();
  else if (!showsSameContent(previous.item, props_.item) && !session_.isEditing()) showContent();
  syncCaption();
  syncRail();
  syncRevealShortcut();
  syncConcealment();
  updateGeometry();
  resize(sizeHint());
  relayout();
  update();
}

void ItemPreviewView::setTranslucency(TranslucencySupport support) {
  if (support == support_) return;
  support_ = support;
  cover_->setTranslucency(support);
  update();
}

// ---- Geometry -----------------------------------------------------------------------------------

bool ItemPreviewView::onLeft() const { return state_.edgeSide() == QLatin1String("left"); }

bool ItemPreviewView::isPinned() const { return state_.pinnedIDs().contains(props_.item.id); }

double ItemPreviewView::paneWidth() const { return PreviewSizing::preferredWidth(props_.item); }

double ItemPreviewView::contentWidth() const { return paneWidth() - kRailWidth - kRowSpacing; }

double ItemPreviewView::contentBoxHeight() const { return previewHeight_; }

double ItemPreviewView::captionBoxHeight() const { return caption_->sizeHint().height() + 2 * kCaptionPaddingV; }

QSizeF ItemPreviewView::paneSize() const {
  return {paneWidth(), contentBoxHeight() + kStackSpacing + captionBoxHeight()};
}

QRectF ItemPreviewView::boxesRect() const { return QRectF(QPointF(kShadowRoom, kShadowRoom), paneSize()); }

QRectF ItemPreviewView::contentBoxRect() const {
  const QRectF boxes = boxesRect();
  const double x = onLeft() ? boxes.left() + kRailWidth + kRowSpacing : boxes.left();
  return {x, boxes.top(), contentWidth(), contentBoxHeight()};
}

QRectF ItemPreviewView::railRect() const {
  const QRectF content = contentBoxRect();
  const auto count = double(rows_.size());
  const double height = OrnamentRailButton::kFace * count + kRailSpacing * std::max(0.0, count - 1) + 2 * kRailPadding;
  const double x = onLeft() ? boxesRect().left() : content.right() + kRowSpacing;
  return {x, content.center().y() - height / 2, kRailWidth, height};
}

QRectF ItemPreviewView::captionBoxRect() const {
  const QRectF boxes = boxesRect();
  const double maximum = paneWidth() - kRailWidth - kRowSpacing;
  const double width = std::min(caption_->sizeHint().width() + 2 * kCaptionPaddingH, maximum);
  const double centre = boxes.center().x() + (onLeft() ? kCaptionShift : -kCaptionShift);
  return {centre - width / 2, contentBoxRect().bottom() + kStackSpacing, width, captionBoxHeight()};
}

QSize ItemPreviewView::sizeHint() const {
  const QSizeF pane = paneSize();
  return QSizeF(pane.width() + 2 * kShadowRoom, pane.height() + 2 * kShadowRoom).toSize();
}

QPainterPath ItemPreviewView::hitShape() const {
  QPainterPath shape = Fx::continuousRoundedRect(contentBoxRect(), kContentRadius);
  shape.addPath(Fx::continuousRoundedRect(railRect(), kRailRadius));
  shape.addPath(Fx::continuousRoundedRect(captionBoxRect(), kCaptionRadius));
  shape.setFillRule(Qt::WindingFill);
  return shape;
}

bool ItemPreviewView::event(QEvent* event) {
  // The caption asks for another width as its age or detail changes: its box follows.
  if (event->type() == QEvent::LayoutRequest) {
    relayout();
    update();
  }
  return PaintedWidget::event(event);
}

void ItemPreviewView::resizeEvent(QResizeEvent* event) {
  PaintedWidget::resizeEvent(event);
  relayout();
}

void ItemPreviewView::relayout() {
  const QRectF content = contentBoxRect();
  box_->setGeometry(content.toRect());
  const QRectF inside(QPointF(0, 0), content.size());
  box_->setMask(regionOf(Fx::continuousRoundedRect(inside, kContentRadius)));
  if (content_) content_->setGeometry(inside.toRect());
  if (QWidget* leaving = contentFade_.outgoing()) leaving->setGeometry(inside.toRect());
  cover_->setGeometry(inside.toRect());
  frame_->setGeometry(inside.toRect());
  frame_->raise();
  // The window is cut to the boxes: the panel re-reads the shape when it changes.
  if (const QPainterPath shape = hitShape(); shape != laidOutShape_) {
    laidOutShape_ = shape;
    updateGeometry();
  }
  caption_->setGeometry(
      captionBoxRect().adjusted(kCaptionPaddingH, kCaptionPaddingV, -kCaptionPaddingH, -kCaptionPaddingV).toRect());
  applyEntrance();
  // The share menu opens from behind the Share button, where it stands once the rail is in.
  const QRectF rail = railRect();
  double y = rail.top() + kRailPadding;
  for (size_t i = 0; i < rows_.size() && i < buttons_.size(); ++i, y += OrnamentRailButton::kFace + kRailSpacing)
    if (rows_[i].action == Action::share)
      shareAnchor_->setGeometry(
          QRectF(rail.left() + kRailPadding, y, OrnamentRailButton::kFace, OrnamentRailButton::kFace).toRect());
  shareAnchor_->lower();
  if (concealed_) scheduleConcealedPicture();
}

// ---- Content ------------------------------------------------------------------------------------

EditableTextView* ItemPreviewView::editor() const { return qobject_cast<EditableTextView*>(content_.data()); }

const QImage& ItemPreviewView::concealedPicture() const { return cover_->picture(); }

void ItemPreviewView::showContent(const std::optional<Animation>& animation) {
  if (session_.isEditing()) setContent(session_.makeEditor(box_), animation);
  else setContent(makePreviewContent(context_, props_.item, box_), animation);
}

void ItemPreviewView::setContent(QWidget* content, const std::optional<Animation>& animation) {
  if (content_) {
    for (QObject* each : content_->findChildren<QObject*>()) each->removeEventFilter(this);
    content_->removeEventFilter(this);
  }
  content_ = content;
  if (content) {
    content->setParent(box_);
    content->setGeometry(QRect(QPoint(0, 0), box_->size()));
    content->lower();
    watchContent(content);
    if (concealed_) setHiddenFromAccessibility(*content, true);
  }
  // Under the cover only its blurred picture shows: no fade to draw there.
  contentFade_.swapTo(content, concealed_ ? std::nullopt : animation);
  if (content && concealed_) drawConcealedPicture();
}

// ---- Concealment --------------------------------------------------------------------------------

void ItemPreviewView::syncConcealment() {
  const bool concealed = state_.isConcealed(props_.item.id);
  if (concealed == concealed_) return;
  concealed_ = concealed;
  if (content_) setHiddenFromAccessibility(*content_, concealed);
  if (concealed) {
    drawConcealedPicture();
    cover_->show();
    cover_->raise();
    frame_->raise();
  } else {
    pictureWork_.cancel();
    cover_->hide();
    cover_->setPicture({});
  }
}

void ItemPreviewView::watchContent(QObject* object) {
  object->installEventFilter(this);
  for (QObject* child : object->children())
    if (child->isWidgetType()) watchContent(child);
}

bool ItemPreviewView::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ChildAdded:
      if (auto* child = static_cast<QChildEvent*>(event)->child(); child && child->isWidgetType()) watchContent(child);
      break;
    case QEvent::Paint:
      // The content changed under the cover: its picture follows (not for the picture's own
      // drawing, which paints the content too).
      if (concealed_ && !drawingPicture_) scheduleConcealedPicture();
      break;
    default: break;
  }
  return PaintedWidget::eventFilter(watched, event);
}

void ItemPreviewView::scheduleConcealedPicture() {
  if (!concealed_ || pictureWork_.isPending()) return;
  pictureWork_ = context_.scheduler->after(
      kPictureInterval, [this] { drawConcealedPicture(); }, Guard(this));
}

void ItemPreviewView::drawConcealedPicture() {
  if (!concealed_ || !content_ || content_->size().isEmpty()) return;
  drawingPicture_ = true;
  QImage picture = widgetPicture(*content_);
  drawingPicture_ = false;
  picture = Fx::blurred(picture, kSensitiveBlur);
  // Covering repaints what lies under it: a picture that came out the same ends the round.
  if (picture == cover_->picture()) return;
  cover_->setPicture(std::move(picture));
}

// ---- Rail, caption, share, shortcut ---------------------------------------------------------------

void ItemPreviewView::syncRail() {
  std::vector<ToolbarRow> rows = toolbarRows(props_.item, isPinned(), session_.isSharing(), session_.isEditing());
  const bool moved = rows.size() != rows_.size();
  rows_ = std::move(rows);
  while (buttons_.size() > rows_.size()) {
    delete buttons_.back();
    buttons_.pop_back();
  }
  while (buttons_.size() < rows_.size()) {
    auto* button = new OrnamentRailButton(context_, {}, {}, this);
    button->show();
    buttons_.push_back(button);
  }
  for (size_t i = 0; i < rows_.size(); ++i) {
    const ToolbarRow& row = rows_[i];
    buttons_[i]->setToolTip(row.label);
    buttons_[i]->setProps({row.icon, row.isSelected, false, true, false},
                          {[this, action = row.action] { run(action); }});
  }
  applyEntrance();
  if (moved) {
    relayout();
    update();
  }
}

void ItemPreviewView::syncCaption() { caption_->setProps({props_.item}); }

void ItemPreviewView::syncRevealShortcut() {
  const bool wanted = fileURL(props_.item).has_value();
  if (wanted == (revealShortcut_ != nullptr)) return;
  if (!wanted) {
    delete revealShortcut_;
    revealShortcut_ = nullptr;
    return;
  }
  revealShortcut_ = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this);
  revealShortcut_->setContext(Qt::WindowShortcut);
  connect(revealShortcut_, &QShortcut::activated, this, &ItemPreviewView::revealInFinder);
}

// ---- Actions ------------------------------------------------------------------------------------

void ItemPreviewView::run(Action action) {
  switch (action) {
    case Action::close: close(); break;
    case Action::copy: copyToClipboard(); break;
    case Action::copyPlainText: copyAsPlainText(); break;
    case Action::edit: beginEditing(); break;
    case Action::share: session_.pressShare(); break;
    case Action::pin: session_.togglePin(); break;
    case Action::openInBrowser: openInBrowser(); break;
    case Action::reveal: revealInFinder(); break;
    case Action::save: saveEdit(); break;
    case Action::discard: discardEdit(); break;
  }
}

void ItemPreviewView::close() {
  if (const auto onClose = callbacks_.onClose) onClose();
}

void ItemPreviewView::copyToClipboard() {
  if (session_.copy(false)) close();
}

void ItemPreviewView::copyAsPlainText() {
  // Like Copy: a write that failed leaves the pane open, so nothing looks copied that was not.
  if (session_.copy(true)) close();
}

void ItemPreviewView::openInBrowser() {
  if (session_.openLink()) close();
}

void ItemPreviewView::revealInFinder() {
  if (session_.reveal()) close();
}

void ItemPreviewView::beginEditing() { session_.beginEditing(); }

void ItemPreviewView::endEditing() { session_.endEditing(); }

void ItemPreviewView::saveEdit() { session_.saveEdit(); }

void ItemPreviewView::discardEdit() { session_.discardEdit(); }

void ItemPreviewView::editingChanged() {
  // The editor and the viewer crossfade, and the other set of buttons comes in, on the
  // standard spring.
  showContent(Theme::springStandard());
  syncRail();
  fadeInRail();
}

void ItemPreviewView::fadeInRail() {
  railPresence_.jumpTo(0);
  railPresence_.animateTo(1.0, Theme::springStandard());
}

void ItemPreviewView::hideEvent(QHideEvent* event) {
  PaintedWidget::hideEvent(event);
  // A pane that leaves while editing must give the panel its keys back.
  session_.releaseEditFlag();
}

// ---- Entrance -----------------------------------------------------------------------------------

void ItemPreviewView::showEvent(QShowEvent* event) {
  PaintedWidget::showEvent(event);
  if (!entered_) enter();
}

void ItemPreviewView::enter() {
  entered_ = true;
  // Without a compositor nothing blends: the boxes are there at once.
  if (!support_.compositor) {
    railEntrance_.jumpTo(1);
    captionEntrance_.jumpTo(1);
    return;
  }
  railEntrance_.animateTo(1, Theme::springSnappy().delay(kRailEntranceDelay));
  captionEntrance_.animateTo(1, Theme::springSnappy().delay(kCaptionEntranceDelay));
}

QImage ItemPreviewView::arrivalPicture() {
  if (contentPicture_.isNull()) contentPicture_ = widgetPicture(*box_);
  const double dpr = devicePixelRatioF();
  QImage image((QSizeF(size()) * dpr).toSize().expandedTo({1, 1}), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  paint(painter);
  Fx::drawImage(painter, box_->pos(), contentPicture_);
  for (OrnamentRailButton* button : buttons_) button->render(&painter, button->pos(), QRegion(), QWidget::DrawChildren);
  caption_->render(&painter, caption_->pos(), QRegion(), QWidget::DrawChildren);
  return image;
}

ItemPreviewView::EntranceLook ItemPreviewView::entranceLook(double presence) const {
  const double opacity = std::clamp(presence, 0.0, 1.0);
  const bool reduced = context_.reduceMotion && context_.reduceMotion->isEnabled();
  return {reduced ? 1.0 : kEntranceScale + (1 - kEntranceScale) * presence, opacity};
}

void ItemPreviewView::applyEntrance() {
  // The rail grows about its middle: each button's face from the middle of its place, moved
  // towards the rail's middle as the rail grows.
  const EntranceLook rail = entranceLook(railEntrance_.value());
  const double presence = railPresence_.value();
  const QRectF railBox = railRect();
  double y = railBox.top() + kRailPadding;
  for (OrnamentRailButton* button : buttons_) {
    const QPointF middle(railBox.left() + kRailPadding + OrnamentRailButton::kFace / 2,
                         y + OrnamentRailButton::kFace / 2);
    const QPointF shown = railBox.center() + (middle - railBox.center()) * rail.scale;
    button->setGeometry(QRectF(shown - QPointF(OrnamentRailButton::kFace, OrnamentRailButton::kFace) / 2,
                               QSizeF(OrnamentRailButton::kFace, OrnamentRailButton::kFace))
                            .toRect());
    button->setTransitionLook(rail.scale, rail.opacity * presence);
    y += OrnamentRailButton::kFace + kRailSpacing;
  }
  // The caption grows from its box's top.
  const EntranceLook caption = entranceLook(captionEntrance_.value());
  caption_->setTransitionLook(caption.scale, caption.opacity, QPointF(caption_->width() / 2.0, -kCaptionPaddingV));
}

// ---- Painting -----------------------------------------------------------------------------------

AccessibilityInfo ItemPreviewView::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::Pane;
  info.name = QCoreApplication::translate("ItemPreviewView", "Preview");
  return info;
}

void ItemPreviewView::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF content = contentBoxRect();
  // The rail and the caption as they stand in their entrance: grown about their anchor (the
  // rail's middle, the caption's top), corners and all, and faded.
  struct MenuBox {
    QRectF rect;
    double radius;
    double hairlineTop;
    double opacity;
  };
  const auto entering = [this](const QRectF& box, double radius, double hairlineTop, double presence, QPointF anchor) {
    const EntranceLook look = entranceLook(presence);
    const QRectF grown(anchor + (box.topLeft() - anchor) * look.scale, box.size() * look.scale);
    return MenuBox{grown, radius * look.scale, hairlineTop, look.opacity};
  };
  const QRectF rail = railRect();
  const QRectF caption = captionBoxRect();
  const MenuBox menus[] = {
      entering(rail, kRailRadius, 0.18, railEntrance_.value(), rail.center()),
      entering(caption, kCaptionRadius, 0.16, captionEntrance_.value(), QPointF(caption.center().x(), caption.top())),
  };
  // Without a compositor the window is cut to the boxes: a shadow would only darken their rims.
  // Every shadow goes under every box.
  if (support_.compositor) {
    Fx::drawShadows(painter, content, kContentRadius, Theme::shadowLow());
    for (const MenuBox& box : menus) {
      if (box.opacity <= 0) continue;
      painter.setOpacity(box.opacity);
      Fx::drawShadows(painter, box.rect, box.radius, Theme::shadowLow());
    }
    painter.setOpacity(1);
  }

  painter.fillPath(Fx::continuousRoundedRect(content, kContentRadius),
                   Translucency::backgroundColor(Material::panel, env, support_));
  paintPreviewSheen(painter, content);

  for (const MenuBox& box : menus) {
    if (box.opacity <= 0) continue;
    painter.setOpacity(box.opacity);
    Translucency::paintBackground(painter, Fx::continuousRoundedRect(box.rect, box.radius), Material::menu, env,
                                  support_);
    Fx::strokeInnerBorder(painter, box.rect, box.radius, previewWhiteFade(box.rect, box.hairlineTop, 0.03), 0.5);
  }
  painter.setOpacity(1);
}

}  // namespace qv
