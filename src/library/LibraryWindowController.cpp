#include "library/LibraryWindowController.h"

#include "base/FreedMemory.h"
#include "base/Log.h"
#include "library/LibraryActions.h"
#include "library/LibraryGridView.h"
#include "library/LibraryHeader.h"
#include "library/LibraryKeyMonitor.h"
#include "library/LibraryModel.h"
#include "library/LibraryPlacement.h"
#include "library/LibraryServices.h"
#include "library/LibraryView.h"
#include "panel/FilterPanel.h"
#include "platform/SerialQueue.h"
#include "state/PanelState.h"
#include "ui/Translucency.h"
#include "ui/controls/TextInput.h"

namespace qv {

// ---- LibraryWindowController -----------------------------------------------------------------

LibraryWindowController::LibraryWindowController(LibraryServices& context) : context_(context) {}

LibraryWindowController::~LibraryWindowController() {
  frameSave_.cancel();
  if (window_) {
    // Going away is not the user closing it.
    window_->onScreenChange = nullptr;
    window_->onFrameChange = nullptr;
  }
}

PanelState* LibraryWindowController::shownState() const { return shownState_; }
LibraryModel* LibraryWindowController::model() const { return model_; }

LibraryWindowController& LibraryWindowController::shared(LibraryServices& context) {
  if (!context.libraryWindow) context.libraryWindow = std::make_shared<LibraryWindowController>(context);
  return *context.libraryWindow;
}

void LibraryWindowController::show(PanelState& state) {
  shownState_ = &state;
  const qint64 ownPid = context_.workspace ? context_.workspace->ownPid() : 0;
  previousApp_ = libraryWindow::previousAppAfterShow(
      previousApp_, context_.workspace ? context_.workspace->frontmostApplication() : std::nullopt, ownPid);

  const bool first = !window_;
  if (first) build();
  showing_ = true;
  // The view keeps its first state; only when that is gone does it take the new one.
  if (!boundState_) bind(state);
  sync();
  const QList<ScreenInfo> screens = context_.screens ? context_.screens->screens() : QList<ScreenInfo>();
  const QPointF pointer = context_.screens ? context_.screens->pointerLocation() : QPointF();
  if (first) {
    const QRect frame = libraryWindow::initialFrame(screens, pointer, savedFrame()).toRect();
    window_->setGeometry(frame);
    qCInfo(lcApp).nospace() << "Library opens at " << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                            << frame.height();
  } else {
    if (window_->isMinimized()) window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    // Its monitor gone since: back where the user is, at its size.
    if (const std::optional<QRectF> moved = libraryWindow::frameOffScreens(screens, pointer, window_->geometry())) {
      const QRect frame = moved->toRect();
      window_->setGeometry(frame);
      qCInfo(lcApp).nospace() << "Library's screen is gone: it opens at " << frame.x() << "," << frame.y() << " "
                              << frame.width() << "x" << frame.height();
    }
  }
  // Every show leaves nothing focused: the search field takes the keys only once clicked.
  if (QWidget* focused = window_->focusWidget(); focused && focused != window_.get()) focused->clearFocus();
  window_->setFocus(Qt::OtherFocusReason);
  window_->show();
  window_->raise();
  window_->activateWindow();
  // But an edit kept open while the window was away takes the keys again, caret and all.
  if (QWidget* editor = window_->view() ? window_->view()->detailEditor() : nullptr)
    editor->setFocus(Qt::OtherFocusReason);
  showing_ = false;
  if (keys_) keys_->setActive(window_->isOnScreen());
  // A window closed through its window manager may come back as a new native window.
  qCInfo(lcApp).nospace() << "Library shown in window 0x" << Qt::hex << window_->winId();
  if (model_) qCInfo(lcApp) << "Library shows" << model_->statusLine().text;
  report(true);
}

void LibraryWindowController::build() {
  window_ = std::make_unique<LibraryWindow>(
      context_, context_.compositor ? context_.compositor->support() : TranslucencySupport{});
  window_->onScreenChange = [this] { screenChanged(); };
  window_->onFrameChange = [this] { scheduleFrameSave(); };
  window_->onClickAway = [this] {
    if (model_) model_->state().setLibraryFilterSurfaceOpen(false);
  };
  // Closed at quit while the state it shows still lives (its filter surface writes to the state
  // as it hides), and so that its frame is kept.
  if (QCoreApplication::instance())
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, window_.get(), [this] { window_->hide(); });
  // A compositor that comes or goes while the program runs: translucent or opaque from then on.
  if (context_.compositor)
    connect(context_.compositor.get(), &Compositor::changed, window_.get(),
            [this] { window_->setTranslucency(context_.compositor->support()); });
}

void LibraryWindowController::bind(PanelState& state) {
  delete window_->view();
  delete window_->filterSurface();
  delete model_.data();
  boundState_ = &state;
  model_ = new LibraryModel(state, *context_.scheduler, window_.get());
  model_->onQueryRested = [queue = context_.queue(QLatin1String(kFreedMemoryQueue))] {
    queue->async([] { returnFreedMemory(); });
  };
  auto* actions = new LibraryActions(context_, state, model_);
  actions->setHost({[this] { return previousApp_; }, [this] { hideForPaste(); },
                    [this] {
                      if (onPasteNotDelivered) onPasteNotDelivered();
                    }});
  model_->setActions(actions);
  auto* view = new LibraryView(context_, *model_, window_.get());
  auto* surface = new FilterPanelView(context_, state, FilterSurface::library, window_.get());
  window_->setContent(view, surface);
  // The keyboard goes with the model it acts on.
  keys_ = new LibraryKeyMonitor(*model_, *window_, model_);
  keys_->columnsPerRow = [view] { return view->grid().columns(); };
  keys_->searchField = [view]() -> const QWidget* { return &view->searchField(); };
  // The same copy and paste-back as the cards'.
  keys_->actions = {[actions](const ClipboardItem& item) { actions->copyItem(item); },
                    [actions](const ClipboardItem& item, bool plainText) { actions->pasteBack(item, plainText); }};
  keys_->setActive(window_->isOnScreen());
  connect(model_, &LibraryModel::changed, window_.get(), [this] { sync(); });
  // Marks that change what a card shows.
  for (auto signal :
       {&PanelState::sensitiveIDsChanged, &PanelState::autoSensitiveIDsChanged, &PanelState::peekedIDsChanged,
        &PanelState::pasteHintItemIDChanged, &PanelState::copiedItemIDChanged})
    connect(&state, signal, window_.get(), [this] { sync(); });
}

void LibraryWindowController::hideForPaste() {
  if (!window_) return;
  if (QWidget* focused = window_->focusWidget()) focused->clearFocus();
  // Hiding reports the library off screen (screenChanged).
  window_->hide();
  qCInfo(lcApp) << "Library ordered out for a paste";
}

void LibraryWindowController::sync() {
  if (!window_ || !model_ || !boundState_ || !window_->view()) return;
  LibraryView& view = *window_->view();
  // A hidden library is brought up to date when it shows again.
  if (!window_->isOnScreen() && !showing_) {
    syncPending_ = true;
    return;
  }
  syncPending_ = false;
  view.sync();
  FilterPanelView* surface = window_->filterSurface();
  const bool open = model_->state().libraryFilterSurfaceOpen();
  const auto frameOf = [this](const QWidget& control) {
    return QRect(control.mapTo(window_.get(), QPoint()), control.size());
  };
  if (surface && open) {
    const LibraryModel::FilterOpener opener = model_->filterOpener();
    QWidget* anchor = &view.filterButton();
    if (opener == LibraryModel::FilterOpener::addButton)
      anchor = view.pencilButton() ? view.pencilButton() : &view.newCategoryButton();
    const bool moved = placedOpenerValue_ && *placedOpenerValue_ != int(opener);
    placedOpenerValue_ = int(opener);
    window_->placeFilterSurface(QRectF(frameOf(*anchor)), moved);
  }
  QList<QRect> keepPresses = {frameOf(view.filterButton()), frameOf(view.newCategoryButton())};
  if (view.pencilButton()) keepPresses << frameOf(*view.pencilButton());
  const bool changed = surface && window_->isFilterSurfaceOpen() != open;
  window_->setFilterSurfaceOpen(open, keepPresses);
  if (changed) qCInfo(lcApp) << (open ? "Library filter surface opened" : "Library filter surface closed");
}

void LibraryWindowController::report(bool visible) {
  reported_ = visible;
  qCInfo(lcApp) << (visible ? "Library on screen" : "Library off screen");
  if (onVisibilityChange) onVisibilityChange(visible);
}

LibraryKeyMonitor* LibraryWindowController::keyFilter() const { return keys_; }

void LibraryWindowController::screenChanged() {
  // The keyboard is the library's exactly while it is on screen.
  if (keys_) keys_->setActive(window_->isOnScreen());
  if (showing_) return;  // show() reports once it is done
  const bool onScreen = window_->isOnScreen();
  if (onScreen && syncPending_) sync();
  if (!onScreen) saveFrame();
  // Minimising counts as leaving the screen, so the edge trigger works again meanwhile.
  if (reported_ != onScreen) report(onScreen);
}

std::optional<QRectF> LibraryWindowController::savedFrame() const {
  if (!context_.settings) return std::nullopt;
  return libraryWindow::decodeSavedFrame(context_.settings->value(QString::fromLatin1(libraryWindow::kSavedFrameKey)));
}

void LibraryWindowController::scheduleFrameSave() {
  if (!window_ || !window_->isVisible() || !context_.scheduler) return;
  frameSave_.cancel();
  frameSave_ = context_.scheduler->after(
      kFrameSaveDelaySeconds, [this] { saveFrame(); }, this);
}

void LibraryWindowController::saveFrame() {
  frameSave_.cancel();
  // A minimised, maximised or full-screen window keeps the frame it had before.
  if (!window_ || !context_.settings || window_->windowState() != Qt::WindowNoState) return;
  const QRectF frame = window_->geometry();
  const QList<ScreenInfo> screens = context_.screens ? context_.screens->screens() : QList<ScreenInfo>();
  const std::optional<ScreenInfo> screen = screenContaining(screens, frame.center());
  const QString encoded = libraryWindow::encodeSavedFrame(frame, screen ? screen->frame : QRectF());
  const QString key = QString::fromLatin1(libraryWindow::kSavedFrameKey);
  if (context_.settings->stringValue(key) != encoded) context_.settings->set(key, encoded);
}

QStringList LibraryWindowController::listedRows() const {
  return window_ && window_->view() ? window_->view()->listedRows() : QStringList();
}

}  // namespace qv
