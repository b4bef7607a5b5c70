#include "preview/ItemPreviewView.h"

#include "cards/ViewServices.h"
#include "preview/EditableTextView.h"
#include "preview/PreviewCaption.h"
#include "preview/PreviewContent.h"
#include "preview/PreviewContentBox.h"
#include "preview/PreviewSizing.h"
#include "preview/ShareItems.h"
#include "preview/SharePickerAnchor.h"
#include "state/PanelState.h"
#include "ui/Translucency.h"
#include "ui/controls/OrnamentRail.h"
#include "ui/fx/Fx.h"
#include "ui/theme/Environment.h"
#include "ui/theme/Theme.h"

#include <QCoreApplication>
#include <QPainter>
#include <QShortcut>

namespace qv {

namespace {

QRegion regionOf(const QPainterPath& shape) { return QRegion(shape.toFillPolygon().toPolygon()); }

}  // namespace

// ---- Pure rules ---------------------------------------------------------------------------------

std::optional<QUrl> ItemPreviewView::fileURL(const ClipboardItem& item) { return localFileURL(item); }

QList<ShareItem> ItemPreviewView::shareItems(const ClipboardItem& item, const ImageStore& images) {
  return qv::shareItems(item, images);
}

// ---- The pane -----------------------------------------------------------------------------------

ItemPreviewView::ItemPreviewView(ViewServices& context, PanelState& state, Props props, Callbacks callbacks,
                                 QWidget* parent)
    : PaintedWidget(context, parent),
      context_(context),
      state_(state),
      props_(std::move(props)),
      callbacks_(std::move(callbacks)),
      rail_(context, this, [this](Action action) { run(action); }),
      box_(new QWidget(this)),
      contentFade_(context, CrossFade::Outgoing::remove),
      frame_(new PreviewContentFrame(context, box_)),
      concealment_(context, box_, frame_),
      caption_(new PreviewCaption(context, &state, this)),
      shareAnchor_(new SharePickerAnchor(context, this)),
      entrance_(
          context, [this] { applyEntrance(); },
          [this] {
            applyEntrance();
            update();
            Q_EMIT entranceStepped();
            // In: the pane shows live from now on.
            if (!isEntering()) contentPicture_ = QImage();
          }),
      session_(context, state, ItemPaneSession::Surface::panel, *shareAnchor_,
               {[this] { editingChanged(); }, [this] { syncRail(); }}) {
  setHoverEnabled(false);
  connect(&state_, &PanelState::pinnedIDsChanged, this, &ItemPreviewView::syncRail);
  connect(&state_, &PanelState::sensitiveIDsChanged, this, &ItemPreviewView::syncConcealment);
  connect(&state_, &PanelState::peekedIDsChanged, this, &ItemPreviewView::syncConcealment);
  connect(&state_, &PanelState::edgeSideChanged, this, [this] {
    relayout();
    update();
  });
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
  concealment_.setTranslucency(support);
  update();
}

// ---- Geometry -----------------------------------------------------------------------------------

bool ItemPreviewView::onLeft() const { return state_.edgeSide() == QLatin1String("left"); }

bool ItemPreviewView::isPinned() const { return state_.pinnedIDs().contains(props_.item.id); }

PreviewPaneBoxes ItemPreviewView::boxes() const {
  return {PreviewSizing::preferredWidth(props_.item), previewHeight_, QSizeF(caption_->sizeHint()), rail_.height(),
          onLeft()};
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
  concealment_.setGeometry(inside.toRect());
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
  if (const std::optional<QRectF> share = rail_.shareFace(railRect())) shareAnchor_->setGeometry(share->toRect());
  shareAnchor_->lower();
  concealment_.schedulePicture();
}

// ---- Content ------------------------------------------------------------------------------------

EditableTextView* ItemPreviewView::editor() const { return qobject_cast<EditableTextView*>(content_.data()); }

void ItemPreviewView::showContent(const std::optional<Animation>& animation) {
  if (session_.isEditing()) setContent(session_.makeEditor(box_), animation);
  else setContent(makePreviewContent(context_, props_.item, box_), animation);
}

void ItemPreviewView::setContent(QWidget* content, const std::optional<Animation>& animation) {
  content_ = content;
  if (content) {
    content->setParent(box_);
    content->setGeometry(QRect(QPoint(0, 0), box_->size()));
    content->lower();
  }
  concealment_.setContent(content);
  // Under the cover only its blurred picture shows: no fade to draw there.
  contentFade_.swapTo(content, concealment_.isConcealed() ? std::nullopt : animation);
  concealment_.drawPicture();
}

// ---- Concealment --------------------------------------------------------------------------------

void ItemPreviewView::syncConcealment() { concealment_.setConcealed(state_.isConcealed(props_.item.id)); }

// ---- Rail, caption, share, shortcut ---------------------------------------------------------------

void ItemPreviewView::syncRail() {
  const bool moved = rail_.setRows(toolbarRows(props_.item, isPinned(), session_.isSharing(), session_.isEditing()));
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
  entrance_.fadeInRail();
}

void ItemPreviewView::hideEvent(QHideEvent* event) {
  PaintedWidget::hideEvent(event);
  // A pane that leaves while editing must give the panel its keys back.
  session_.releaseEditFlag();
}

// ---- Entrance -----------------------------------------------------------------------------------

void ItemPreviewView::showEvent(QShowEvent* event) {
  PaintedWidget::showEvent(event);
  if (!entrance_.hasEntered()) entrance_.enter(support_.compositor);
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
  for (OrnamentRailButton* button : rail_.buttons())
    button->render(&painter, button->pos(), QRegion(), QWidget::DrawChildren);
  caption_->render(&painter, caption_->pos(), QRegion(), QWidget::DrawChildren);
  return image;
}

void ItemPreviewView::applyEntrance() {
  // The rail grows about its middle.
  const EntranceLook rail = entranceLook(entrance_.rail());
  rail_.place(railRect(), rail.scale, rail.opacity * entrance_.railPresence());
  // The caption grows from its box's top.
  const EntranceLook caption = entranceLook(entrance_.caption());
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
      entering(rail, kRailRadius, 0.18, entrance_.rail(), rail.center()),
      entering(caption, kCaptionRadius, 0.16, entrance_.caption(), QPointF(caption.center().x(), caption.top())),
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
