#pragma once
#include "items/model/ClipboardItem.h"
#include "platform/Compositor.h"
#include "platform/Scheduler.h"
#include "platform/SharePicker.h"
#include "preview/CrossFade.h"
#include "preview/ItemPaneSession.h"
#include "preview/PreviewConcealment.h"
#include "preview/PreviewPaneBoxes.h"
#include "preview/PreviewPaneEntrance.h"
#include "preview/PreviewRail.h"
#include "ui/view/PaintedWidget.h"

#include <QPointer>
#include <QUrl>
#include <functional>
#include <optional>
#include <vector>

class QShortcut;

namespace qv {

struct ViewServices;
class ImageStore;
class PanelState;
class OrnamentRailButton;
class PreviewCaption;
class SharePickerAnchor;
class EditableTextView;
class PreviewContentFrame;

// The pane beside the edge panel that shows one item at a readable size, in three boxes: the
// content box (the item's renderer, or the editor of a text or code item while editing), the
// toolbar rail beside it on the side facing the panel, and the caption under the content box.
// The box sizes come from the item alone (PreviewSizing) and the height the panel can give.
//
// It acts on the item through the state (pin, edited text, the edit flag), the clipboard writer
// and the workspace; closing is the host's (Callbacks::onClose). A sensitive item that is not
// peeked at shows a blurred picture of its content (PreviewConcealment); the live view under it
// takes no pointer, says nothing to screen readers and, while editing, keeps the keyboard. Only
// the three boxes take the pointer (hitShape): a click beside them reaches the window below.
//
// The pane arrives with its content box; the rail follows 0.05 s later and the caption 0.08 s
// later, each growing from 0.9 (the rail about its middle, the caption from its top) while it
// fades in, on the snappy spring (only fading with reduced motion; at once without a
// compositor). Going into and out of editing crossfades the content and brings in the other
// set of rail buttons on the standard spring. The editing, sharing and actions on the item are
// ItemPaneSession's, shared with the library's detail pane.
class ItemPreviewView : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    ClipboardItem item;
    double availableHeight = 0;  // what the host can give the pane
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void()> onClose;
  };

  // What a rail button does, and a button as it shows now (PreviewRail's).
  using Action = PreviewRailAction;
  using ToolbarRow = PreviewRailRow;

  static constexpr double kRailWidth = 46;
  static constexpr double kRailPadding = 6;
  static constexpr double kRailSpacing = 4;
  static constexpr double kRailRadius = 23;
  static constexpr double kRowSpacing = 12;
  static constexpr double kStackSpacing = 8;
  static constexpr double kContentRadius = 20;
  static constexpr double kCaptionRadius = 11;
  static constexpr double kCaptionPaddingH = 11;
  static constexpr double kCaptionPaddingV = 6;
  // The caption box moves this far towards the content box, so that it centres under it.
  static constexpr double kCaptionShift = 29;
  static constexpr double kMinimumContentHeight = 200;
  static constexpr double kMaximumContentHeight = 620;
  // The boxes stand this far inside the widget's edges, where their shadows fall.
  static constexpr int kShadowRoom = 14;

  ItemPreviewView(ViewServices& context, PanelState& state, Props props, Callbacks callbacks,
                  QWidget* parent = nullptr);
  ~ItemPreviewView() override;

  // Callbacks are replaced on every call. Another payload of the same item gets a new renderer
  // (an open editor stays with its draft); another item starts the pane afresh.
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  // Whether the boxes may be translucent (a compositor runs).
  void setTranslucency(TranslucencySupport support);

  // ---- Pure rules -------------------------------------------------------------------------------
  // The file URL of a file item that has one (a remote address is none).
  static std::optional<QUrl> fileURL(const ClipboardItem& item);
  // The rail's buttons outside edit mode: 4, one more each for a plain-text form, a text or code
  // item, a link and a file URL.
  static int toolbarActionCount(const ClipboardItem& item) { return PreviewRail::actionCount(item); }
  // The content box: tall enough for the rail (at least 200), at most what the host gives (at most
  // 620), as tall as the content wants in between.
  static double previewHeight(const ClipboardItem& item, double availableHeight) {
    return PreviewPaneBoxes::contentHeightFor(item, availableHeight, toolbarActionCount(item));
  }
  // What the share menu offers for an item (the library's detail pane shares the same).
  static QList<ShareItem> shareItems(const ClipboardItem& item, const ImageStore& images);
  static std::vector<ToolbarRow> toolbarRows(const ClipboardItem& item, bool isPinned, bool isSharing, bool isEditing) {
    return PreviewRail::rowsFor(item, isPinned, isSharing, isEditing);
  }
  // "Show in Files  Ctrl+R": the shortcut in the desktop's words.
  static QString revealLabel() { return PreviewRail::revealLabel(); }

  // ---- Actions (the rail's) ---------------------------------------------------------------------
  void beginEditing();
  void endEditing();
  void saveEdit();
  void discardEdit();
  void copyToClipboard();
  void copyAsPlainText();
  void openInBrowser();
  void revealInFinder();

  // ---- What it shows ----------------------------------------------------------------------------
  bool isEditing() const { return session_.isEditing(); }
  const QString& draft() const { return session_.draft(); }
  bool isSharing() const { return session_.isSharing(); }
  int shareTrigger() const { return session_.shareTrigger(); }
  bool isConcealed() const { return concealment_.isConcealed(); }
  // The boxes in this widget's coordinates.
  QRectF contentBoxRect() const { return boxes().content(); }
  QRectF railRect() const { return boxes().rail(); }
  QRectF captionBoxRect() const { return boxes().caption(); }
  // The three boxes' extent, without the room of their shadows.
  QSizeF paneSize() const { return boxes().paneSize(); }
  const std::vector<ToolbarRow>& rows() const { return rail_.rows(); }
  const std::vector<OrnamentRailButton*>& railButtons() const { return rail_.buttons(); }
  // 0 … 1: how far the rail's buttons have faded in after the editor opened or closed.
  double railPresence() const { return entrance_.railPresence(); }
  // 0 … 1: how far the rail and the caption have come in since the pane first showed.
  double railEntrance() const { return entrance_.rail(); }
  double captionEntrance() const { return entrance_.caption(); }
  // The scale and opacity a box entering at `presence` is drawn with.
  using EntranceLook = PreviewPaneEntrance::Look;
  EntranceLook entranceLook(double presence) const { return entrance_.look(presence); }
  bool isEntering() const { return entrance_.isEntering(); }
  // The pane as a host pictures it while it arrives: the content box from a picture taken at the
  // first call (it has no transition of its own, and it is the costly part), the boxes, the
  // rail and the caption drawn anew as they enter.
  QImage arrivalPicture();
  // The content and the editor crossfade through this; the view fading out is its outgoing().
  const CrossFade& contentFade() const { return contentFade_; }
  // The live renderer or the editor.
  QWidget* content() const { return content_; }
  EditableTextView* editor() const;
  PreviewCaption& caption() const { return *caption_; }
  SharePickerAnchor& shareAnchor() const { return *shareAnchor_; }
  // The blurred picture over a concealed item's content (null otherwise).
  const QImage& concealedPicture() const { return concealment_.picture(); }
  bool hasRevealShortcut() const { return revealShortcut_ != nullptr; }

  QSize sizeHint() const override { return boxes().widgetSize(); }
  QSize minimumSizeHint() const override { return sizeHint(); }
  QPainterPath hitShape() const override;
  AccessibilityInfo accessibility() const override;

 Q_SIGNALS:
  // The rail or the caption moved on in its entrance (a host that pictures the pane while it
  // arrives takes a new picture).
  void entranceStepped();

 protected:
  bool event(QEvent* event) override;
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  bool onLeft() const;
  bool isPinned() const;
  PreviewPaneBoxes boxes() const;
  void relayout();
  void syncRail();
  void syncCaption();
  void syncRevealShortcut();
  void editingChanged();
  void applyEntrance();
  void showContent(const std::optional<Animation>& animation = std::nullopt);
  void setContent(QWidget* content, const std::optional<Animation>& animation);
  void syncConcealment();
  void run(Action action);
  void close();

  ViewServices& context_;
  PanelState& state_;
  Props props_;
  Callbacks callbacks_;
  TranslucencySupport support_;
  // The content box's height for the props: measuring a long text is not for every paint.
  double previewHeight_ = 0;
  PreviewRail rail_;
  QPainterPath laidOutShape_;  // the hit shape the window was last cut to
  QWidget* box_;               // the content box: clips the content to its shape
  QPointer<QWidget> content_;
  CrossFade contentFade_;
  PreviewContentFrame* frame_;
  PreviewConcealment concealment_;
  PreviewCaption* caption_;
  SharePickerAnchor* shareAnchor_;
  QShortcut* revealShortcut_ = nullptr;
  PreviewPaneEntrance entrance_;
  QImage contentPicture_;  // the content box while the pane arrives
  // Last: it drives the share anchor and calls back into the pane.
  ItemPaneSession session_;
};

}  // namespace qv
