#include "settings/ShortcutField.h"

#include <QKeyEvent>

namespace qv {

ShortcutField::ShortcutField(keys::StoredShortcut current, QWidget* parent) : QLineEdit(parent) {
  setReadOnly(true);
  setPlaceholderText(QString::fromLatin1(kPlaceholder));
  setAccessibleName(QStringLiteral("Keyboard shortcut"));
  show(current);
}

void ShortcutField::show(const keys::StoredShortcut& shortcut) {
  shortcut_ = shortcut;
  setText(keys::shortcutText(shortcut));
}

void ShortcutField::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const Qt::KeyboardModifiers held = event->modifiers() & ~Qt::KeypadModifier;
  if (key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Alt || key == Qt::Key_Meta ||
      key == Qt::Key_Super_L || key == Qt::Key_Super_R || key == Qt::Key_AltGr) {
    return;  // a modifier alone: wait for the key
  }
  if (held == Qt::NoModifier && key == Qt::Key_Escape) {
    show(shortcut_);
    clearFocus();
    return;
  }
  if (held == Qt::NoModifier && (key == Qt::Key_Backspace || key == Qt::Key_Delete)) {
    show({});
    if (onChange) onChange(shortcut_);
    return;
  }
  const std::optional<keys::StoredShortcut> recorded = keys::shortcutFromQt(key, event->modifiers());
  if (!recorded) {
    setText(QString());
    setPlaceholderText(QString::fromLatin1(kNeedsModifier));
    return;
  }
  show(*recorded);
  if (onChange) onChange(shortcut_);
}

void ShortcutField::focusOutEvent(QFocusEvent* event) {
  setPlaceholderText(QString::fromLatin1(kPlaceholder));
  show(shortcut_);
  QLineEdit::focusOutEvent(event);
}

}  // namespace qv
