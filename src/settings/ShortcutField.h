#pragma once
#include "platform/keys/KeyCodes.h"

#include <QLineEdit>
#include <functional>

namespace qv {

// A field that records the global shortcut: focus it and press the keys. Backspace or Delete
// alone clears the shortcut; Escape leaves it as it was. Keys without Ctrl, Alt or Super are
// refused, since a global grab of them would take them from every other program.
class ShortcutField : public QLineEdit {
  Q_OBJECT
 public:
  static constexpr char kPlaceholder[] = "Click and press a shortcut";
  static constexpr char kNeedsModifier[] = "Hold Ctrl, Alt or Super with the key";

  explicit ShortcutField(keys::StoredShortcut current, QWidget* parent = nullptr);
  // Told the new shortcut (keyCode -1 when cleared).
  std::function<void(const keys::StoredShortcut&)> onChange;
  const keys::StoredShortcut& shortcut() const { return shortcut_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void show(const keys::StoredShortcut& shortcut);

  keys::StoredShortcut shortcut_;
};

}  // namespace qv
