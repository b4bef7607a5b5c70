#pragma once
#include "items/model/ClipboardItem.h"
#include "library/LibraryKeys.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QKeyEvent;
class QWidget;

namespace qv {

class LibraryModel;

// The library window's keyboard: while it is active (the window is shown), an application-wide
// filter reads the key presses that reach the library window, and only those, and runs what the
// library's key table asks for on the model: moving the selection, the detail pane, the Escape
// cascade, and through the actions copying and pasting back. A key it takes goes no further;
// any other continues to the window and its focused field.
class LibraryKeyMonitor : public QObject {
  Q_OBJECT
 public:
  // What the keys do with an item; each does nothing while unset.
  struct Actions {
    std::function<void(const ClipboardItem&)> copy;
    // `plainText` from Shift.
    std::function<void(const ClipboardItem&, bool plainText)> pasteBack;
  };

  LibraryKeyMonitor(LibraryModel& model, QWidget& window, QObject* parent = nullptr);
  ~LibraryKeyMonitor() override;

  // The grid's columns now (Up and Down move by one row).
  std::function<int()> columnsPerRow;
  // The library's search field, whose keys depend on the query.
  std::function<const QWidget*()> searchField;
  Actions actions;

  // Installs or removes the filter.
  void setActive(bool active);
  bool isActive() const { return active_; }

  // What a key press would look at now.
  LibraryKeyContext context() const;
  // Decides on one key press aimed at the library window and runs it: true when it was taken.
  bool handleKeyPress(const QKeyEvent& event);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void run(const LibraryKeyCommand& command);
  void moveSelection(int step);
  void toggleDetail();
  void escape(LibraryEscapeStep step);
  void logDetail() const;
  std::optional<ClipboardItem> copyTarget() const;

  LibraryModel& model_;
  QPointer<QWidget> window_;
  bool active_ = false;
};

}  // namespace qv
