#pragma once
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class QLineEdit;
class QListWidget;

namespace qv {

struct LibraryServices;
class PanelState;

// The library window: for now a plain window that lists the history, newest first, under a
// search field. One per process (shared), kept until the process ends.
class LibraryWindowController {
 public:
  explicit LibraryWindowController(LibraryServices& context);
  ~LibraryWindowController();

  // The process's one controller, made on first use.
  static LibraryWindowController& shared(LibraryServices& context);

  // Told true when the window shows and false when it closes or hides.
  std::function<void(bool)> onVisibilityChange;

  // Builds the window on the first call and otherwise brings it back (un-minimised), in front.
  void show(PanelState& state);
  QWidget* window() const;
  bool isVisible() const;
  // The rows now listed (tests).
  QStringList listedRows() const;

 private:
  class Window;
  void reload();
  void notify(bool visible);

  LibraryServices& context_;
  QPointer<PanelState> state_;
  std::unique_ptr<Window> window_;
  QLineEdit* search_ = nullptr;
  QListWidget* list_ = nullptr;
  QMetaObject::Connection itemsConnection_;
};

}  // namespace qv
