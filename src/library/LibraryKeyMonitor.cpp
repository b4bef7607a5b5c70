#include "library/LibraryKeyMonitor.h"

#include "base/Log.h"
#include "library/LibraryModel.h"
#include "platform/keys/KeyPress.h"
#include "state/PanelState.h"
#include "ui/anim/Transaction.h"
#include "ui/theme/Theme.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>
#include <QWindow>

namespace qv {

namespace {
// A field the user types into; a read-only text (a viewer) leaves the keys to the library.
bool takesTyping(const QWidget& widget) {
  if (const auto* line = qobject_cast<const QLineEdit*>(&widget)) return !line->isReadOnly();
  if (const auto* text = qobject_cast<const QTextEdit*>(&widget)) return !text->isReadOnly();
  if (const auto* plain = qobject_cast<const QPlainTextEdit*>(&widget)) return !plain->isReadOnly();
  return false;
}
}  // namespace

LibraryKeyMonitor::LibraryKeyMonitor(LibraryModel& model, QWidget& window, QObject* parent)
    : QObject(parent), model_(model), window_(&window) {}

LibraryKeyMonitor::~LibraryKeyMonitor() { setActive(false); }

void LibraryKeyMonitor::setActive(bool active) {
  if (active == active_ || !qApp) return;
  active_ = active;
  // Removing it from inside its own eventFilter (a key that closes the window) is safe.
  if (active) qApp->installEventFilter(this);
  else qApp->removeEventFilter(this);
}

bool LibraryKeyMonitor::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !window_) return false;
  // A key reaches the native window first and then the focused widget: the window sees each
  // press once, and only the library's own (not a menu's, not another window's of the program).
  if (!watched->isWindowType() || static_cast<QWindow*>(watched) != window_->windowHandle()) return false;
  return handleKeyPress(*static_cast<QKeyEvent*>(event));
}

LibraryKeyContext LibraryKeyMonitor::context() const {
  const PanelState& state = model_.state();
  LibraryKeyContext context;
  context.detailEditingActive = state.detailEditingActive();
  context.cardHovered = model_.hoveredID().has_value();
  context.query = model_.query();
  context.columnsPerRow = columnsPerRow ? columnsPerRow() : 1;
  context.filteredCount = int(model_.filteredItems().size());
  context.hasSelection = model_.selection().has_value();
  context.copyTargetGone = (context.cardHovered || context.hasSelection) && !copyTarget();
  context.hasMultiSelection = !state.multiSelectedIDs().isEmpty();
  context.detailOpen = model_.previewID().has_value();
  context.filterSurfaceOpen = state.libraryFilterSurfaceOpen();
  const QWidget* focused = QApplication::focusWidget();
  const QWidget* search = searchField ? searchField() : nullptr;
  if (focused && window_ && focused->window() == window_) {
    if (search && (focused == search || search->isAncestorOf(focused)))
      context.focusedField = LibraryFocusedField::searchField;
    else if (takesTyping(*focused)) context.focusedField = LibraryFocusedField::otherTextField;
  }
  return context;
}

bool LibraryKeyMonitor::handleKeyPress(const QKeyEvent& event) {
  const LibraryKeyCommand command = libraryKeyCommand(keys::KeyPress::from(event), context());
  if (command.kind == LibraryKeyCommand::Kind::pass) return false;
  run(command);
  return true;
}

void LibraryKeyMonitor::run(const LibraryKeyCommand& command) {
  using Kind = LibraryKeyCommand::Kind;
  PanelState& state = model_.state();
  switch (command.kind) {
    case Kind::pass:
    case Kind::swallow: return;
    case Kind::minimise:
      if (window_) window_->showMinimized();
      return;
    case Kind::close:
      if (window_) window_->close();
      return;
    case Kind::quit: QCoreApplication::quit(); return;
    case Kind::openSettings: state.openSettingsAction()(); return;
    case Kind::copy:
      if (const std::optional<ClipboardItem> target = copyTarget(); target && actions.copy) actions.copy(*target);
      return;
    case Kind::quickPaste: {
      const FilteredItems items = model_.filteredItems();
      if (command.index < items.size() && actions.pasteBack) {
        qCInfo(lcApp) << "Library pastes item" << command.index + 1 << (command.plainText ? "as plain text" : "");
        actions.pasteBack(items.at(command.index), command.plainText);
      }
      return;
    }
    case Kind::moveSelection: moveSelection(command.step); return;
    case Kind::toggleDetail: toggleDetail(); return;
    case Kind::escape: escape(command.escape); return;
  }
}

std::optional<ClipboardItem> LibraryKeyMonitor::copyTarget() const {
  // Looked up in the whole history: a selected card narrowed away still copies.
  const std::optional<QUuid> id = model_.hoveredID() ? model_.hoveredID() : model_.selection();
  if (!id) return std::nullopt;
  for (const ClipboardItem& item : model_.state().items())
    if (item.id == *id) return item;
  return std::nullopt;
}

void LibraryKeyMonitor::moveSelection(int step) {
  const FilteredItems items = model_.filteredItems();
  if (items.isEmpty()) return;
  const std::optional<QUuid> current = model_.selection() ? model_.selection() : model_.hoveredID();
  std::optional<int> index;
  if (current)
    for (int i = 0; i < items.size(); ++i)
      if (items.at(i).id == *current) {
        index = i;
        break;
      }
  const int target = libraryMoveTarget(index, step, int(items.size()));
  if (index && target == *index) return;
  const QUuid id = items.at(target).id;
  qCDebug(lcApp) << "Library selection on row" << target + 1;
  model_.setSelection(id);
  model_.setKeyboardScrollTarget(id);
  // An open detail pane follows the selection, not a first pick.
  if (index && model_.previewID()) withAnimation(Theme::springCritical(), [&] { model_.setPreviewID(id); });
}

void LibraryKeyMonitor::toggleDetail() {
  std::optional<QUuid> target = model_.hoveredID() ? model_.hoveredID() : model_.selection();
  if (!target) {
    const FilteredItems items = model_.filteredItems();
    if (!items.isEmpty()) target = items.first().id;
  }
  withAnimation(Theme::springCritical(), [&] {
    if (!target) {
      model_.setPreviewID(std::nullopt);
      return;
    }
    model_.setPreviewID(model_.previewID() == target ? std::nullopt : target);
    model_.setSelection(target);
  });
  logDetail();
}

void LibraryKeyMonitor::logDetail() const {
  if (!lcApp().isDebugEnabled()) return;
  const std::optional<QUuid> shown = model_.previewID();
  if (!shown) {
    qCDebug(lcApp) << "Library detail closed";
    return;
  }
  const FilteredItems items = model_.filteredItems();
  for (int i = 0; i < items.size(); ++i)
    if (items.at(i).id == *shown) qCDebug(lcApp) << "Library detail shows row" << i + 1;
}

void LibraryKeyMonitor::escape(LibraryEscapeStep step) {
  PanelState& state = model_.state();
  switch (step) {
    case LibraryEscapeStep::cancelEdit: state.raiseCancelDetailEditTrigger(); return;
    case LibraryEscapeStep::closeFilterSurface: state.setLibraryFilterSurfaceOpen(false); return;
    case LibraryEscapeStep::clearMultiSelection: state.setMultiSelectedIDs({}); return;
    case LibraryEscapeStep::closeDetail:
      withAnimation(Theme::springCritical(), [&] { model_.setPreviewID(std::nullopt); });
      logDetail();
      return;
    case LibraryEscapeStep::clearSelection:
      model_.setSelection(std::nullopt);
      qCDebug(lcApp) << "Library selection cleared";
      return;
    case LibraryEscapeStep::none: return;
  }
}

}  // namespace qv
