#pragma once
#include "items/model/ClipboardItem.h"
#include "library/LibraryDetailHeader.h"
#include "library/LibraryDetailOverlay.h"
#include "platform/Compositor.h"
#include "preview/CrossFade.h"
#include "preview/ItemPaneSession.h"
#include "ui/theme/Environment.h"

#include <QImage>
#include <QPointer>
#include <functional>
#include <vector>

namespace qv {

struct ViewServices;
class PanelState;
class PreviewCaption;
class PreviewFade;
class EditableTextView;

// The library's detail pane: one item at full size, floating over the grid. A header row holds
// the item's caption and its actions (or, while the item's text is edited, the edit bar); the
// body shows the item by kind, or a placeholder while the item is sensitive and not peeked at.
// The host frames the pane at `width` × `availableHeight` (fittingHeight) and closes it
// through onClose (Close, and after Delete).
//
// It acts on the item through the state (peek, pin, delete, the edited text, the two editing
// signals), the clipboard writer, the share picker and the workspace. A clipboard write that
// fails changes no button and shakes the item's card. Another item given to the pane drops an
// open edit before it shows.
//
// An edit ends only by Save, Cancel, Escape (the state's cancel trigger) or another item: the
// window closing, hiding for a paste-back or minimising keeps it, draft and all, for when it
// shows again; only the library closing the pane itself ends it. A pane the library closed
// also lets go of its content (a document's text and layout) and makes it again for the next
// item. Going into and out of editing and peeking at a hidden item crossfade the header and the
// body on the standard spring. The editing, sharing and actions on the item are
// ItemPaneSession's, shared with the preview pane.
class LibraryDetailView : public LibraryDetailPane {
  Q_OBJECT
 public:
  struct Props {
    ClipboardItem item;
    double width = 0;
    double availableHeight = 0;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void()> onClose;
  };

  using Action = LibraryDetailAction;
  static constexpr int kActionCount = kLibraryDetailActionCount;
  using ActionButton = LibraryDetailActionButton;
  using Marks = LibraryDetailHeader::Marks;

  static constexpr double kPadding = 10;
  static constexpr double kHeaderHeight = 38;
  static constexpr double kHeaderSpacing = 12;
  static constexpr double kRowPadding = 14;
  static constexpr double kButtonSpacing = 8;
  static constexpr double kCaptionSpacing = 16;
  static constexpr double kFadeDepth = 22;
  static constexpr double kEditorPadding = 6;
  static constexpr double kCopiedDuration = 1.2;

  LibraryDetailView(ViewServices& context, PanelState& state, Props props, Callbacks callbacks,
                    QWidget* parent = nullptr);
  ~LibraryDetailView() override;

  // Callbacks are replaced on every call. Another item ends an open edit (its draft dropped)
  // before it shows.
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  // The overlay's way in: the same as setProps.
  void showItem(const ClipboardItem& item, double width, double availableHeight,
                std::function<void()> onClose) override;
  // Its background is filled over what lies below, not blended with it.
  bool replacesWhatLiesBelow() const override { return true; }
  // Whether the pane's material may be translucent (the library window's, as the compositor offers).
  void setTranslucency(TranslucencySupport support);
  TranslucencySupport translucency() const { return support_; }

  // ---- Rules --------------------------------------------------------------------------------------
  // A text or code item that is not hidden.
  static bool canEdit(const ClipboardItem& item, bool isHidden);
  // The height of the text viewer, the code viewer and the editor in a pane `width` wide and
  // `availableHeight` high: the item's preferred preview height at `width` − 20, at least 290, at
  // most `availableHeight` − 150 unless that is below 290.
  static double viewerHeight(const ClipboardItem& item, double width, double availableHeight);
  // The height the pane needs for `item` at `width` with `candidateHeight` available: the
  // content's estimate (a file's is (width − 20) × 1.25) held like the viewer, plus 70 for the
  // header, the spacing under it and the padding. A candidate below 440 always gives 360.
  static double fittingHeight(const ClipboardItem& item, double width, double candidateHeight);

  // ---- Actions ------------------------------------------------------------------------------------
  void beginEditing();
  void endEditing();
  void cancelEditing();
  void saveEdit();
  void copy();
  void copyAsPlainText();

  // ---- What it shows ------------------------------------------------------------------------------
  bool isHidden() const;
  bool isEditing() const { return session_.isEditing(); }
  const QString& draft() const { return session_.draft(); }
  bool copied() const { return copied_; }
  bool isSharing() const { return session_.isSharing(); }
  int shareTrigger() const { return session_.shareTrigger(); }
  bool previewTopFade() const { return topFade_; }
  bool previewBottomFade() const { return bottomFade_; }
  const std::vector<ActionButton>& actionRow() const { return header_.row(); }
  // The shown button of an action; null while it is not in the row (or the row is leaving).
  LibraryHeaderButton* button(Action action) const { return header_.button(action); }
  ToolbarPillButton* cancelButton() const { return header_.cancelButton(); }
  ToolbarPillButton* saveButton() const { return header_.saveButton(); }
  // The header's two faces, the action row and the edit bar, crossfade through this.
  const CrossFade& headerFade() const { return header_.fade(); }
  // The body's view and the one fading out while it is replaced.
  const CrossFade& contentFade() const { return contentFade_; }
  // The body's view: a viewer, the editor, a placeholder or a renderer; none once the library
  // closed the pane (until it shows an item again).
  QWidget* content() const { return content_; }
  EditableTextView* editor() const;
  // The fade over the text or code viewer; null for other content.
  PreviewFade* fade() const { return fade_; }
  PreviewCaption& caption() const { return *caption_; }
  SharePickerAnchor& shareAnchor() const { return header_.shareAnchor(); }
  QRectF headerRect() const;
  QRectF bodyRect() const;
  // The height of the text and code viewers and of the editor.
  double viewerHeight() const;

  QSize sizeHint() const override;
  QPainterPath hitShape() const override;
  AccessibilityInfo accessibility() const override;

 protected:
  bool event(QEvent* event) override;
  void paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  Marks marks() const;
  void run(Action action);
  void close();
  void markCopied();
  void updateEdgeFades(bool top, bool bottom);
  void editingChanged();
  void syncHidden();
  void syncRow();
  void syncHeader(const std::optional<Animation>& animation);
  void showContent(const std::optional<Animation>& animation = std::nullopt);
  void letGoOfContent();
  void relayout();
  // The hairline and the rims at `scale`, stroked once per size rather than at every repaint of
  // a part of the pane.
  const QImage& rims(const EnvironmentValues& environment, double scale);

  struct Rims {
    QSize size;
    double scale = 0;
    EnvironmentValues environment;
    QImage image;
  };
  ViewServices& context_;
  PanelState& state_;
  Props props_;
  Callbacks callbacks_;
  TranslucencySupport support_;
  std::vector<Rims> rims_;
  bool copied_ = false;
  bool topFade_ = false;
  bool bottomFade_ = false;
  bool shownHidden_ = false;
  LibraryDetailHeader header_;
  PreviewCaption* caption_;
  QSize captionHint_;  // the caption's size hint when it was last placed
  QPointer<QWidget> content_;
  PreviewFade* fade_ = nullptr;
  CrossFade contentFade_;
  // Last: it drives the share anchor and calls back into the pane.
  ItemPaneSession session_;
};

}  // namespace qv
