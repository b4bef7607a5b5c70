#include "library/LibraryWindowController.h"
#include "panel/PanelView.h"

#include "items/model/ContentType.h"
#include "library/LibraryServices.h"
#include "state/PanelState.h"

#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace qv {

// Reports its own showing and hiding, whoever caused it (the close button, the window manager).
class LibraryWindowController::Window : public QWidget {
 public:
  std::function<void(bool)> onShown;

 protected:
  void showEvent(QShowEvent* event) override {
    QWidget::showEvent(event);
    if (onShown) onShown(true);
  }
  void hideEvent(QHideEvent* event) override {
    QWidget::hideEvent(event);
    if (onShown) onShown(false);
  }
};

LibraryWindowController::LibraryWindowController(LibraryServices& context) : context_(context) {}
LibraryWindowController::~LibraryWindowController() {
  if (window_) window_->onShown = nullptr;  // going away is not the user closing it
}

LibraryWindowController& LibraryWindowController::shared(LibraryServices& context) {
  if (!context.libraryWindow) context.libraryWindow = std::make_shared<LibraryWindowController>(context);
  return *context.libraryWindow;
}

QWidget* LibraryWindowController::window() const { return window_.get(); }
bool LibraryWindowController::isVisible() const { return window_ && window_->isVisible(); }

void LibraryWindowController::show(PanelState& state) {
  if (!window_) {
    window_ = std::make_unique<Window>();
    window_->setWindowTitle(QStringLiteral("Quorvalen Library"));
    window_->resize(720, 560);
    auto* layout = new QVBoxLayout(window_.get());
    search_ = new QLineEdit(window_.get());
    search_->setPlaceholderText(QStringLiteral("Search"));
    search_->setClearButtonEnabled(true);
    list_ = new QListWidget(window_.get());
    layout->addWidget(search_);
    layout->addWidget(list_);
    QObject::connect(search_, &QLineEdit::textChanged, list_, [this] { reload(); });
    window_->onShown = [this](bool visible) { notify(visible); };
  }
  if (state_ != &state) {
    QObject::disconnect(itemsConnection_);
    state_ = &state;
    itemsConnection_ = QObject::connect(&state, &PanelState::itemsChanged, list_, [this] { reload(); });
  }
  reload();
  if (window_->isMinimized()) window_->showNormal();
  const bool wasVisible = window_->isVisible();
  window_->show();
  window_->raise();
  window_->activateWindow();
  // Already visible: show() sends no show event, but the caller is told all the same.
  if (wasVisible) notify(true);
}

void LibraryWindowController::notify(bool visible) {
  if (onVisibilityChange) onVisibilityChange(visible);
}

void LibraryWindowController::reload() {
  if (!list_ || !state_) return;
  const QString query = search_->text().trimmed();
  list_->clear();
  // The history is kept newest first.
  for (const ClipboardItem& item : state_->items()) {
    const QString text = item.plainText().value_or(rawValue(item.contentType));
    if (!query.isEmpty() && !text.contains(query, Qt::CaseInsensitive)) continue;
    // A sensitive item is found by its text but never shown in the clear.
    list_->addItem(state_->isConcealed(item.id) ? QString::fromLatin1(kConcealedRowText) : firstLine(text));
  }
}

QStringList LibraryWindowController::listedRows() const {
  QStringList rows;
  for (int row = 0; list_ && row < list_->count(); ++row) rows << list_->item(row)->text();
  return rows;
}

}  // namespace qv
