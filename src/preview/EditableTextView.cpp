#include "preview/EditableTextView.h"

#include "ui/InterfaceServices.h"
#include "ui/controls/OverlayScroller.h"
#include "ui/text/Fonts.h"
#include "ui/theme/Environment.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextFrame>

namespace qv {

EditableTextView::EditableTextView(InterfaceServices& context, bool isMonospaced, QWidget* parent)
    : NoCompletionTextView(parent), context_(context), monospaced_(isMonospaced) {
  setAcceptRichText(false);
  setUndoRedoEnabled(true);
  setLineWrapMode(QTextEdit::WidgetWidth);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFrameShape(QFrame::NoFrame);
  setAutoFillBackground(false);
  viewport()->setAutoFillBackground(false);
  document()->setDocumentMargin(0);
  document()->setDefaultFont(monospaced_ ? monospacedFont(kFontSize) : systemFont(kFontSize));
  setFont(document()->defaultFont());
  applyColors();
  if (context_.environment) connect(context_.environment.get(), &Environment::changed, this, [this] { applyColors(); });
  scroller_ = new OverlayScroller(context, *this);
  connect(this, &QTextEdit::textChanged, this, [this] {
    if (!applying_) reportEdit();
  });
  applyInset();
}

void EditableTextView::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  props_ = props;
  applyText(props_.text);
}

QString EditableTextView::lineBreakOf(const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text.at(i) == u'\n') return QStringLiteral("\n");
    if (text.at(i) == u'\r')
      return i + 1 < text.size() && text.at(i + 1) == u'\n' ? QStringLiteral("\r\n") : QStringLiteral("\r");
  }
  return QStringLiteral("\n");
}

QString EditableTextView::textOfDocument(const QTextDocument& document, const QString& lineBreak) {
  // The raw text keeps no-break spaces (the plain text turns them into spaces) and separates
  // paragraphs with U+2029.
  QString text = document.toRawText();
  text.replace(QChar::ParagraphSeparator, lineBreak);
  return text;
}

void EditableTextView::applyText(const QString& text) {
  applying_ = true;
  lineBreak_ = lineBreakOf(text);
  setPlainText(text);
  applyInset();
  applying_ = false;
}

void EditableTextView::applyInset() {
  QTextFrame* root = document()->rootFrame();
  QTextFrameFormat format = root->frameFormat();
  format.setLeftMargin(kInsetWidth);
  format.setRightMargin(kInsetWidth);
  format.setTopMargin(kInsetHeight);
  format.setBottomMargin(kInsetHeight);
  root->setFrameFormat(format);
}

void EditableTextView::applyColors() {
  applyLabelColors(*this, context_.environment && context_.environment->isDark());
}

void EditableTextView::reportEdit() {
  const QString text = textOfDocument(*document(), lineBreak_);
  if (text == props_.text) return;  // a format change, not an edit
  props_.text = text;
  // Read now: the host may have replaced the callbacks since the editor was made.
  if (callbacks_.onTextChange) callbacks_.onTextChange(text);
}

bool EditableTextView::canInsertFromMimeData(const QMimeData* source) const {
  return source && (source->hasText() || source->hasHtml());
}

void EditableTextView::insertFromMimeData(const QMimeData* source) {
  if (!source) return;
  // Only the text of a rich paste: formatting never enters the editor.
  QString text = source->hasText()   ? source->text()
                 : source->hasHtml() ? QTextDocumentFragment::fromHtml(source->html()).toPlainText()
                                     : QString();
  if (text.isEmpty()) return;
  QTextCursor cursor = textCursor();
  cursor.insertText(text, QTextCharFormat());
  setTextCursor(cursor);
  ensureCursorVisible();
}

void EditableTextView::keyPressEvent(QKeyEvent* event) {
  // Shift+Return would insert a line separator inside the paragraph: the text gets a plain line
  // break as with Return.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      event->modifiers().testFlag(Qt::ShiftModifier)) {
    textCursor().insertBlock();
    ensureCursorVisible();
    event->accept();
    return;
  }
  NoCompletionTextView::keyPressEvent(event);
}

void EditableTextView::showEvent(QShowEvent* event) {
  NoCompletionTextView::showEvent(event);
  if (focusScheduled_) return;
  focusScheduled_ = true;
  // Once, after the window has placed the editor: typing goes here without a click.
  context_.scheduler->post(
      [this] {
        if (isVisible()) setFocus(Qt::OtherFocusReason);
        placeCaretAtEnd();
      },
      this);
}

void EditableTextView::placeCaretAtEnd() {
  QTextCursor cursor = textCursor();
  cursor.movePosition(QTextCursor::End);
  setTextCursor(cursor);
  ensureCursorVisible();
}

}  // namespace qv
