#include "ui/controls/TextInput.h"

#include "ui/InterfaceServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/text/Fonts.h"
#include "ui/theme/Environment.h"

#include <QKeyEvent>

namespace qv {

void disableAutomaticSubstitutions(QWidget& textWidget) {
  textWidget.setInputMethodHints(textWidget.inputMethodHints() | kNoTextServiceHints);
  if (auto* line = qobject_cast<QLineEdit*>(&textWidget)) line->setCompleter(nullptr);
  if (auto* text = qobject_cast<QTextEdit*>(&textWidget)) text->setAutoFormatting(QTextEdit::AutoNone);
}

void applyLabelColors(QWidget& widget, bool dark) {
  QPalette colors = widget.palette();
  colors.setColor(QPalette::Text, primaryColor(dark, 0.85));
  colors.setColor(QPalette::PlaceholderText, primaryColor(dark, 0.25));
  colors.setColor(QPalette::Base, Qt::transparent);
  widget.setPalette(colors);
}

QVTextField::QVTextField(InterfaceServices& context, const QString& placeholder, double fontSize, QWidget* parent)
    : QVSearchTextField(parent), context_(context) {
  setFrame(false);
  setAutoFillBackground(false);
  applyColors();
  if (context_.environment) connect(context_.environment.get(), &Environment::changed, this, [this] { applyColors(); });
  setAttribute(Qt::WA_MacShowFocusRect, false);
  setFont(systemFont(fontSize));
  setPlaceholderText(placeholder);
  // Grows into spare room and gives it up first.
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
    props_.text = text;
    if (const auto onTextChange = callbacks_.onTextChange) onTextChange(text);
    if (!editing_) {
      editing_ = true;
      notifyFocus(true);
    }
  });
}

void QVTextField::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  if (props.resignToken != lastResignToken_) {
    lastResignToken_ = props.resignToken;
    context_.scheduler->post([this] { resignFocus(); }, this);
  }
  if (props.focusToken != lastFocusToken_) {
    lastFocusToken_ = props.focusToken;
    context_.scheduler->post([this, selectAll = props.selectAllOnFocus] { takeFocus(selectAll); }, this);
  }
  if (text() != props.text) setText(props.text);
  props_ = props;
}

void QVTextField::takeFocus(bool selectAll) {
  if (!isVisible() || !isEnabled()) return;
  setFocus(Qt::OtherFocusReason);
  if (window()->focusWidget() != this) return;  // the window refused
  if (selectAll) {
    QLineEdit::selectAll();
  } else {
    deselect();
    setCursorPosition(int(text().size()));
  }
  notifyFocus(true);
}

void QVTextField::resignFocus() {
  // A field that was never shown and holds no focus counts as the focused one.
  QWidget* focused = window()->focusWidget();
  if (focused != this && (isVisible() || focused)) return;
  // Losing the focus here is reported once, below, not by focusOutEvent as well.
  resigning_ = true;
  clearFocus();
  resigning_ = false;
  editing_ = false;
  notifyFocus(false);
}

void QVTextField::applyColors() { applyLabelColors(*this, context_.environment && context_.environment->isDark()); }

void QVTextField::notifyFocus(bool focused) {
  if (const auto onFocusChange = callbacks_.onFocusChange) onFocusChange(focused);
}

void QVTextField::keyPressEvent(QKeyEvent* event) {
  const bool plainReturn = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
  if (plainReturn) {
    // Handled here, also without a submit action: nothing is inserted and editing goes on.
    if (const auto onSubmit = callbacks_.onSubmit) onSubmit();
    event->accept();
    return;
  }
  QVSearchTextField::keyPressEvent(event);
}

void QVTextField::focusInEvent(QFocusEvent* event) {
  editing_ = false;
  QVSearchTextField::focusInEvent(event);
  // A click into the field is the user picking it: its owner must know before the first key,
  // or it would take that key for its own as well.
  if (event->reason() == Qt::MouseFocusReason) {
    editing_ = true;
    notifyFocus(true);
  }
}

void QVTextField::focusOutEvent(QFocusEvent* event) {
  QVSearchTextField::focusOutEvent(event);
  if (resigning_) return;
  // A menu opening or the window going to the background does not end editing.
  if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) return;
  editing_ = false;
  notifyFocus(false);
}

}  // namespace qv
