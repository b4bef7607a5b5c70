#include "app/EditKeyMonitor.h"

#include "preview/EditableTextView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace qv {
namespace {

// What a text control allows besides being editable: pasting, undoing, giving its text away
// (a password field never does).
struct TextAbilities {
  bool canPaste = true;
  bool canUndo = false;
  bool revealsText = true;
};

template <typename Edit>
bool performOnText(EditKeyMonitor::EditAction action, Edit* edit, TextAbilities abilities) {
  using Action = EditKeyMonitor::EditAction;
  const bool editable = !edit->isReadOnly();
  switch (action) {
    case Action::paste:
      if (!editable || !abilities.canPaste) return false;
      edit->paste();
      return true;
    case Action::copy:
      if (!abilities.revealsText) return false;
      edit->copy();
      return true;
    case Action::cut:
      if (!editable || !abilities.revealsText) return false;
      edit->cut();
      return true;
    case Action::selectAll: edit->selectAll(); return true;
    case Action::undo:
      if (!editable || !abilities.canUndo) return false;
      edit->undo();
      return true;
    case Action::none: return false;
  }
  return false;
}

}  // namespace

EditKeyMonitor::EditKeyMonitor(QObject* parent) : QObject(parent) {
  if (QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
}

EditKeyMonitor::~EditKeyMonitor() {
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

EditKeyMonitor::EditAction EditKeyMonitor::actionFor(const QKeyEvent& event) {
  // Exactly Ctrl: Shift, Alt, Meta and the keypad flag make it someone else's key. Caps lock is
  // no modifier here, and the key code ignores it.
  const Qt::KeyboardModifiers relevant = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier |
                                         Qt::KeypadModifier | Qt::GroupSwitchModifier;
  if ((event.modifiers() & relevant) != Qt::ControlModifier) return EditAction::none;
  switch (event.key()) {
    case Qt::Key_V: return EditAction::paste;
    case Qt::Key_C: return EditAction::copy;
    case Qt::Key_X: return EditAction::cut;
    case Qt::Key_A: return EditAction::selectAll;
    case Qt::Key_Z: return EditAction::undo;
    default: return EditAction::none;
  }
}

bool EditKeyMonitor::perform(EditAction action, QWidget* target) {
  if (action == EditAction::none || !target) return false;
  // An editor whose text is still coming in takes its keys once it is in, in the order typed.
  if (auto* editor = qobject_cast<EditableTextView*>(target); editor && editor->isFilling()) return false;
  if (auto* line = qobject_cast<QLineEdit*>(target))
    return performOnText(action, line, {true, line->isUndoAvailable(), line->echoMode() == QLineEdit::Normal});
  if (auto* text = qobject_cast<QTextEdit*>(target))
    return performOnText(action, text, {text->canPaste(), text->document()->isUndoAvailable(), true});
  if (auto* plain = qobject_cast<QPlainTextEdit*>(target))
    return performOnText(action, plain, {plain->canPaste(), plain->document()->isUndoAvailable(), true});
  return false;
}

bool EditKeyMonitor::eventFilter(QObject* watched, QEvent* event) {
  // Seen once, on its way to the focused widget (the window and the parents see it too).
  if (event->type() != QEvent::KeyPress || watched != QApplication::focusWidget()) return false;
  const EditAction action = actionFor(static_cast<const QKeyEvent&>(*event));
  if (action == EditAction::none) return false;
  return perform(action, QApplication::focusWidget());
}

}  // namespace qv
