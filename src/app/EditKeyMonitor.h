#pragma once
#include <QObject>

class QKeyEvent;
class QWidget;

namespace qv {

// Ctrl with V, C, X, A or Z (and no other modifier) sends paste, copy, cut, select-all or undo
// to the focused text field of the program's windows. The key is swallowed only when the field
// took the action; otherwise it goes on as usual. Installed on the application for good.
class EditKeyMonitor : public QObject {
  Q_OBJECT
 public:
  enum class EditAction { none, paste, copy, cut, selectAll, undo };

  explicit EditKeyMonitor(QObject* parent = nullptr);
  ~EditKeyMonitor() override;

  // The action a key press asks for; none unless exactly Ctrl is held.
  static EditAction actionFor(const QKeyEvent& event);
  // Sends `action` to `target` when it is a text control that can take it; false otherwise.
  static bool perform(EditAction action, QWidget* target);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace qv
