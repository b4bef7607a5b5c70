#pragma once
#include "items/model/ClipboardItem.h"
#include "library/LibraryWindow.h"
#include "platform/Compositor.h"
#include "platform/Scheduler.h"
#include "platform/Workspace.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

namespace qv {

struct LibraryServices;
class LibraryModel;
class LibraryView;
class FilterPanelView;
class LibraryKeyMonitor;
class PanelState;

// Opens the library window: made on the first request, then kept and shown again with all its
// view state (scope, query, selection). It remembers the application that was in front when
// the library opened, keeps the window's frame between launches, and reports every change of
// the window's visibility. One per process (shared), kept until the process ends.
class LibraryWindowController : public QObject {
  Q_OBJECT
 public:
  // A moved or resized window is saved this long after it came to rest.
  static constexpr double kFrameSaveDelaySeconds = 0.5;

  explicit LibraryWindowController(LibraryServices& context);
  ~LibraryWindowController() override;

  // The process's one controller, made on first use.
  static LibraryWindowController& shared(LibraryServices& context);

  // Told true each time the library is shown or comes back from being minimised, and false
  // when it is closed, hidden or minimised.
  std::function<void(bool)> onVisibilityChange;
  // Told when a paste-back could not be typed into the application the user came from (it is
  // gone, never became active, or keys cannot be posted): the item was only copied, and the
  // library has gone, so the user hears it from elsewhere.
  std::function<void()> onPasteNotDelivered;

  // Builds the window on the first call (on the screen under the pointer, or at its saved
  // frame) and otherwise brings it back, un-minimised, in front. The view keeps the state it
  // was first given while that lives.
  void show(PanelState& state);
  // The application that was in front when the library was last opened (not this program).
  const std::optional<RunningApp>& previousApp() const { return previousApp_; }
  // The state given to the latest show.
  PanelState* shownState() const;

  LibraryWindow* window() const { return window_.get(); }
  LibraryModel* model() const;
  bool isVisible() const { return window_ && window_->isOnScreen(); }
  // The rows now listed (tests).
  QStringList listedRows() const;
  // The window's keyboard; active while the window is on screen.
  LibraryKeyMonitor* keyFilter() const;

 private:
  void build();
  void bind(PanelState& state);
  // Paste-back: the window is ordered out (not closed) and gives up the keyboard focus.
  void hideForPaste();
  void sync();
  void report(bool visible);
  void screenChanged();
  void scheduleFrameSave();
  void saveFrame();
  std::optional<QRectF> savedFrame() const;

  LibraryServices& context_;
  std::unique_ptr<LibraryWindow> window_;
  QPointer<LibraryModel> model_;
  QPointer<LibraryKeyMonitor> keys_;
  // The control the open filter surface was last placed under.
  std::optional<int> placedOpenerValue_;
  QPointer<PanelState> boundState_;
  QPointer<PanelState> shownState_;
  std::optional<RunningApp> previousApp_;
  // What the owner was told last; show() tells it anew in any case.
  std::optional<bool> reported_;
  bool showing_ = false;
  bool syncPending_ = false;
  WorkItem frameSave_;
};

}  // namespace qv
