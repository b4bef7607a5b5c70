#pragma once
#include "app/PanelInputWatch.h"
#include "app/PanelWindowSurface.h"
#include "items/model/ClipboardItem.h"
#include "items/transform/TextTransform.h"
#include "items/writer/PasteBack.h"
#include "items/writer/PasteSender.h"
#include "platform/Compositor.h"
#include "platform/GlobalPointerMonitor.h"
#include "platform/Scheduler.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"
#include "ui/anim/AnimatedValue.h"

#include <QObject>
#include <QPointF>
#include <QRegion>
#include <functional>
#include <memory>
#include <optional>

class QKeyEvent;
class QWindow;
class QWidget;

namespace qv {

struct AppContext;
class PanelState;
class QuorvalenPanel;
class PanelView;
namespace keys {
struct KeyPress;
}

// Owns the one PanelState and the edge panel's window: places the window at the edge of the
// screen under the pointer, slides and fades it in and out, pre-warms it at launch, watches
// clicks and keys only while it is shown, hides it when it loses the focus and forgets its
// place when the screens change. While shown it holds the band between its column and the
// screen's edge: a pointer resting against the edge stays off the window below, which a window
// manager whose focus follows the pointer would otherwise give the focus (as the column slides
// in over the pointer and on past it), closing the panel as it opens.
class PanelController : public QObject {
  Q_OBJECT
 public:
  static constexpr double kPanelWidth = 916;
  static constexpr double kInitialHeight = 900;
  static constexpr double kSlideDistance = 320;
  static constexpr double kToggleGuardSeconds = 0.15;
  static constexpr double kShowSlideSeconds = 0.32;
  static constexpr double kHideSlideSeconds = 0.28;
  static constexpr double kOrderOutDelaySeconds = 0.32;
  static constexpr double kFadeOutDelaySeconds = 0.16;
  static constexpr double kPreWarmStepSeconds = 0.35;
  // Paste timings: hide -> activating the target; a copy-only pick -> hiding; that hide ->
  // the copied toast ends; a copy-only pick -> asking for the paste permission; Ctrl+C of a
  // multi-selection -> its toast ends; a paste that could not be typed -> its toast ends.
  static constexpr double kPasteActivateDelaySeconds = PasteBack::kActivateDelaySeconds;
  static constexpr double kCopyOnlyHideSeconds = 1.2;
  static constexpr double kToastAfterHideSeconds = 0.35;
  static constexpr double kPermissionRequestSeconds = 1.6;
  static constexpr double kCopiedToastSeconds = 1.0;
  static constexpr double kNotPastedToastSeconds = 1.6;

  explicit PanelController(AppContext& context, QObject* parent = nullptr);
  ~PanelController() override;

  PanelState& state();
  void showPanel();  // shows when not visible; nothing otherwise
  void hidePanel();  // hides when visible; nothing otherwise
  // Hides the panel and takes its window off the screen at once, without the slide; true when
  // its window was on screen until now.
  bool orderOutNow();
  // Hides when visible, and the keys typed while the focus goes back reach the window that gets
  // it; shows only > 0.15 s after the last hide.
  void togglePanel();
  void preWarm();  // once at launch, right after construction
  // The side ("left"/"right") on which the edge trigger fired; used and cleared by the next
  // placement when the side setting is "both".
  void setPendingEdgeSide(const QString& side);
  std::optional<QString> pendingEdgeSide() const { return pendingEdgeSide_; }
  // Told true when the panel shows and false when it hides.
  std::function<void(bool)> onVisibilityChange;
  // Whether a point of the screen lies on the program's tray icon: a press there is the icon's
  // (it toggles the panel or opens the tray menu over it), never a click beside the panel.
  std::function<bool(QPointF globalPosition)> isStatusItemAt;
  // Asked for when a pick could only copy because keys may not be posted (1.6 s after it); the
  // application shell lets the user grant the permission.
  std::function<void()> onPastePermissionNeeded;
  // Told when a paste was not typed into the previous application (it quit, its window did not
  // come back, or keys cannot be posted): the item is only on the clipboard. The shell tells
  // the user, since the panel has already gone.
  std::function<void(PasteOutcome)> onPasteNotDelivered;
  // The application in front when the panel last opened: the paste target.
  std::optional<RunningApp> previousApp() const { return previousApp_; }
  // When the panel last hid, in scheduler uptime (far in the past before the first hide).
  double lastHideTime() const { return lastHideTime_; }
  QWidget* panelWindow() const;
  QuorvalenPanel* panel() const { return panel_.get(); }

  // ---- Placement ----------------------------------------------------------------------------
  // The side for a placement on `screen` from the side setting (clears a pending side it uses).
  QString resolveEdgeSide(const ScreenInfo& screen);
  // Puts the window at the edge of the screen under the pointer, as tall as its usable area.
  void placeOnEdge();
  // Keeps a visible panel's frame on its screen's edge after a layout change.
  void repositionIfNeeded();
  std::optional<ScreenInfo> currentScreen() const { return currentScreen_; }

  // ---- Clicks and keys while shown ----------------------------------------------------------
  // What presses do while the panel shows (PanelInputWatch).
  void handleLocalClick(QWindow* window, QPointF position) { input_.handleLocalClick(window, position); }
  void handleGlobalPress(QPointF globalPosition) { input_.handleGlobalPress(globalPosition); }
  bool isOutsideContent(QPointF position) const { return input_.isOutsideContent(position); }
  void closeOverlaysIfOutside(QPointF position) { input_.closeOverlaysIfOutside(position); }
  // Every key press while the panel is shown; true when it was handled. The event continues
  // to normal dispatch either way.
  bool handleKeyDown(const QKeyEvent& event);
  // The window lost the keyboard focus (to Quick Look it stays).
  void handleResignKey();
  // After the selection moved: an open preview follows it.
  void syncPreviewToSelection();
  // Removes the space that the key giving up the search focus also typed into the field.
  void stripTypedSpace(const QString& previousQuery);

  // ---- Paste actions ------------------------------------------------------------------------
  // Writes the item to the clipboard, then either pastes it into the previous application or,
  // without the paste permission, only copies it and shows the copied feedback.
  void pasteItem(const ClipboardItem& item, bool plainText, std::optional<TextTransform> transform);
  // The same for a bare text (the joined text of a multi-selection).
  void pasteText(const QString& text);
  // Copy-only feedback: the paste hint on the item's card (or the copied toast without an
  // item), the panel hides 1.2 s later and the permission is asked for 1.6 s later.
  void showCopiedFeedback(const std::optional<ClipboardItem>& item);

  // ---- Observation (tests, benchmarks, screenshots) -----------------------------------------
  bool isPreWarming() const { return isPreWarming_; }
  bool isOrderOutPending() const { return pendingOrderOut_.isPending(); }
  bool hasClickMonitors() const { return input_.hasClickMonitors(); }
  bool hasKeyMonitor() const { return input_.hasKeyMonitor(); }
  double slideOffset() const { return slide_.value(); }
  double alpha() const { return alpha_.value(); }
  const TranslucencySupport& translucency() const { return surface_.translucency(); }
  // The parts of the window that show something: the column and the open overlays, moved with
  // the slide, in window coordinates. Empty while pre-warming. Only they take clicks; without a
  // compositor the window is also cut to them.
  QRegion contentRegion() const;
  // The panel's content, built on first use: a launch leaves it to the first turn of the event
  // loop (the pre-warm then paints it) unless the panel shows before.
  PanelView* rootView();

 private:
  void installHostingView();
  void installPasteActions();
  void handlePasteAction(const ClipboardItem& item, bool plainText);
  void handlePasteTransformedAction(const ClipboardItem& item, TextTransform transform);
  void handlePasteMultiAction(const QList<ClipboardItem>& items);
  bool pastePermissionHeld() const;
  void finishPaste(const std::optional<ClipboardItem>& item, bool hadPermission,
                   const std::optional<RunningApp>& target);
  void resignKeyWindow();
  void closeKeepingTypedKeys();
  void holdTypedKeys(quint32 pickingKey);
  void handlePasteOutcome(PasteOutcome outcome);
  void hideAfterCopyFeedback();
  void scheduleToastReset(double seconds);
  void cancelCopyFeedback();
  // Keys (PanelControllerKeys.cpp).
  bool handleKey(const keys::KeyPress& key);
  bool handleListKey(const keys::KeyPress& key);
  bool handleCommandKey(const keys::KeyPress& key);
  bool handleGeneralKey(const keys::KeyPress& key);
  void pasteFromKeyboard(const keys::KeyPress& key);
  void copyFromKeyboard();
  bool canPreview() const;
  void previewFromKeyboard();
  void takeOutTypedSpace();
  void escapeOneLevel();
  bool keyboardPlainText(const keys::KeyPress& key) const;
  std::optional<ClipboardItem> hoveredItem() const;
  std::optional<ClipboardItem> selectedItem() const;
  void observePanelLayoutState();
  void observeScreenChanges();
  void scheduleWindowUpdate();
  void endPresenting();
  void fadeOutIfHidden(bool reduceMotion);
  void finishHide();
  void prewarmStep(QPointF target, bool last);
  void resetOnShow();
  void resetOnHide();
  bool isOnLeft() const;
  double slideOffsetForSide() const;
  bool reduceMotion() const;
  void applyAlpha();
  void updateShape();
  void followCompositor();
  // Holds the edge band while the panel shows, gives it back once it hides.
  void holdEdgeBand();

  AppContext& context_;
  std::unique_ptr<PanelState> state_;
  std::unique_ptr<QuorvalenPanel> panel_;
  PanelWindowSurface surface_;
  PanelInputWatch input_;
  PanelView* rootView_ = nullptr;
  Animated<double> slide_;
  Animated<double> alpha_;
  Animated<QPointF> prewarmPosition_;
  bool isPreWarming_ = false;
  WorkItem pendingOrderOut_;
  WorkItem pendingWindowUpdate_;
  WorkItem presentingWork_;
  WorkItem fadeOutWork_;
  std::optional<ScreenInfo> currentScreen_;
  std::optional<QString> pendingEdgeSide_;
  double lastHideTime_ = -1e9;  // scheduler uptime
  std::optional<RunningApp> previousApp_;
  quint32 keyBeingHandled_ = 0;     // native code of the key press being handled, 0 outside one
  PasteBack pasteBack_;             // activating the target after the hide
  WorkItem copyOnlyHideWork_;       // hiding after the copied feedback
  WorkItem toastResetWork_;         // ending the copied toast
  WorkItem permissionRequestWork_;  // asking for the paste permission
};

}  // namespace qv
