#include "preview/EditableTextView.h"

#include "ui/InterfaceServices.h"
#include "ui/controls/OverlayScroller.h"
#include "ui/controls/TextViewers.h"
#include "ui/text/Fonts.h"
#include "ui/text/TextPieces.h"
#include "ui/theme/Environment.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <cmath>

namespace qv {

namespace {

// The characters of the line break a paragraph break stands for, in the break's character
// format (the format of the paragraph after it): the text keeps each break in the form it came
// in, and none for a break that only cuts a long line. A break without it is one the user typed.
constexpr int kBreakProperty = QTextFormat::UserProperty + 71;

QTextCharFormat breakFormat(const QString& characters) {
  QTextCharFormat format;
  format.setProperty(kBreakProperty, characters);
  return format;
}

// The characters of the break before `block`: `typedBreak` for one the user typed.
QString breakBefore(const QTextBlock& block, const QString& typedBreak) {
  const QTextCharFormat format = block.charFormat();
  return format.hasProperty(kBreakProperty) ? format.stringProperty(kBreakProperty) : typedBreak;
}

// How many characters of `text` from `at` on make a line break, 0 when none: each form a
// document would read as a paragraph break (its own separators, U+FDD0 and U+FDD1, included).
qsizetype lineBreakLength(QStringView text, qsizetype at) {
  const QChar c = text[at];
  if (c == u'\r') return at + 1 < text.size() && text[at + 1] == u'\n' ? 2 : 1;
  return c == u'\n' || c == QChar::ParagraphSeparator || c == u'\uFDD0' || c == u'\uFDD1' ? 1 : 0;
}

// Inserts `text` with each of its line breaks a paragraph break that remembers its characters.
void insertKeepingBreaks(QTextCursor& cursor, QStringView text) {
  qsizetype start = 0;
  for (qsizetype at = 0; at < text.size();) {
    const qsizetype length = lineBreakLength(text, at);
    if (length == 0) {
      ++at;
      continue;
    }
    if (at > start) cursor.insertText(text.sliced(start, at - start).toString(), QTextCharFormat());
    cursor.insertBlock(QTextBlockFormat(), breakFormat(text.sliced(at, length).toString()));
    at += length;
    start = at;
  }
  if (text.size() > start) cursor.insertText(text.sliced(start).toString(), QTextCharFormat());
}

// Inserts `text`, its long lines held as paragraphs of a chunk each (see the class).
void insertHoldingLongLines(QTextCursor& cursor, QStringView text) {
  qsizetype at = 0;
  for (const qsizetype end : longLineBreaks(text, QVTextViewer::kChunkLength, QVTextViewer::kLongestWholeParagraph)) {
    insertKeepingBreaks(cursor, text.sliced(at, end - at));
    cursor.insertBlock(QTextBlockFormat(), breakFormat(QString()));
    at = end;
  }
  insertKeepingBreaks(cursor, text.sliced(at));
}

}  // namespace

EditableTextView::EditableTextView(InterfaceServices& context, bool isMonospaced, QWidget* parent,
                                   const EditableTextLook& look)
    : NoCompletionTextView(parent),
      context_(context),
      monospaced_(isMonospaced),
      look_(look),
      layout_(new IncrementalDocumentLayout(document())) {
  document()->setDocumentLayout(layout_);
  connect(layout_, &IncrementalDocumentLayout::workWaiting, this, [this] { scheduleLayout(); });
  setAcceptRichText(false);
  setUndoRedoEnabled(true);
  setLineWrapMode(QTextEdit::WidgetWidth);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFrameShape(QFrame::NoFrame);
  setAutoFillBackground(false);
  viewport()->setAutoFillBackground(false);
  document()->setDocumentMargin(0);
  document()->setDefaultFont(monospaced_ ? monospacedFont(look_.fontSize) : systemFont(look_.fontSize));
  setFont(document()->defaultFont());
  applyColors();
  if (context_.environment) connect(context_.environment.get(), &Environment::changed, this, [this] { applyColors(); });
  scroller_ = new OverlayScroller(context, *this);
  connect(this, &QTextEdit::textChanged, this, [this] {
    if (!applying_) reportEdit();
  });
  connect(this, &QTextEdit::selectionChanged, this, [this] { publishWholeSelection(); });
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    // Paragraphs scrolled into view are laid out before they are painted.
    if (!anchoring_) keepInView(layout_->anchorAt(value));
  });
  applyInset();
}

EditableTextView::~EditableTextView() {
  // Read now: a host that keeps the text after the editor takes it while the document is there.
  if (const auto onLeave = callbacks_.onLeave) onLeave();
}

void EditableTextView::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == this->props()) return;
  props_ = props;
  applyText(props_.text);
}

const EditableTextView::Props& EditableTextView::props() const {
  currentText();
  return props_;
}

const QString& EditableTextView::currentText() const {
  if (textStale_) {
    props_.text = textOfDocument(*document(), lineBreak_);
    textStale_ = false;
  }
  return props_.text;
}

QString EditableTextView::lineBreakOf(const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text.at(i) == u'\n') return QStringLiteral("\n");
    if (text.at(i) == u'\r')
      return i + 1 < text.size() && text.at(i + 1) == u'\n' ? QStringLiteral("\r\n") : QStringLiteral("\r");
  }
  return QStringLiteral("\n");
}

bool EditableTextView::followsSoftBreak(const QTextBlock& block) {
  // A block's character format is its break's.
  const QTextCharFormat format = block.charFormat();
  return block.previous().isValid() && format.hasProperty(kBreakProperty) &&
         format.stringProperty(kBreakProperty).isEmpty();
}

QString EditableTextView::textOfDocument(const QTextDocument& document, const QString& typedBreak) {
  return textBetween(document, 0, document.characterCount() - 1, typedBreak);
}

QString EditableTextView::textBetween(const QTextDocument& document, int start, int end, const QString& typedBreak) {
  // Each paragraph's raw text: it keeps no-break spaces (the plain text turns them into spaces).
  QString text;
  text.reserve(std::max(0, end - start));
  for (QTextBlock block = document.findBlock(start); block.isValid() && block.position() <= end; block = block.next()) {
    if (block.position() > start) text += breakBefore(block, typedBreak);
    const int from = std::max(start - block.position(), 0);
    const int to = std::min(end - block.position(), block.length() - 1);
    if (to > from) text += QStringView(block.text()).mid(from, to - from);
  }
  return text;
}

void EditableTextView::applyText(const QString& text) {
  applying_ = true;
  lineBreak_ = lineBreakOf(text);
  QFont font = document()->defaultFont();
  // As in the viewer: a line longer than a piece is shaped only where its script needs it.
  font.setStyleStrategy(hasLineLongerThan(text, QVTextViewer::kPieceLength) ? QFont::PreferNoShaping
                                                                            : QFont::PreferDefault);
  document()->setDefaultFont(font);
  // Filling in is no edit: nothing of it can be undone, and the user types once it is in.
  document()->setUndoRedoEnabled(false);
  document()->clear();
  // Keys typed into the text this one replaces are not for it.
  typedWhileFilling_.clear();
  textStale_ = false;
  fill_ = Fill{text, 0, longLineBreaks(text, QVTextViewer::kChunkLength, QVTextViewer::kLongestWholeParagraph), 0};
  ++fillGeneration_;
  setReadOnly(true);
  applyInset();
  applying_ = false;
  fillNextPiece();
}

void EditableTextView::fillNextPiece() {
  if (!fill_) return;
  Fill& fill = *fill_;
  applying_ = true;
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  // Room for the breaks of long lines: a piece adds at most kPieceLength characters.
  constexpr qsizetype kPiece = QVTextViewer::kPieceLength -
                               (QVTextViewer::kPieceLength / QVTextViewer::kChunkLength + 1);
  const qsizetype limit = fill.position + kPiece;
  while (fill.position < fill.text.size() && fill.position < limit) {
    qsizetype end = pieceEnd(fill.text, fill.position, limit);
    const bool breaksHere = fill.nextBreak < fill.breaks.size() && fill.breaks[fill.nextBreak] <= end;
    if (breaksHere) end = fill.breaks[fill.nextBreak];
    insertKeepingBreaks(cursor, QStringView(fill.text).sliced(fill.position, end - fill.position));
    fill.position = end;
    if (breaksHere) {
      cursor.insertBlock(QTextBlockFormat(), breakFormat(QString()));
      ++fill.nextBreak;
    }
  }
  cursor.endEditBlock();
  applying_ = false;
  if (fill.position < fill.text.size()) {
    const quint64 generation = fillGeneration_;
    context_.scheduler->post(
        [this, generation] {
          if (generation == fillGeneration_) fillNextPiece();
        },
        this);
    return;
  }
  fill_.reset();
  document()->setUndoRedoEnabled(true);
  setReadOnly(false);
  // The view's own cursor went along with the text: it starts at the top, as after setPlainText.
  setTextCursor(QTextCursor(document()));
  verticalScrollBar()->setValue(0);
  if (caretPending_) placeCaretAtEnd();
  applyTypedWhileFilling();
}

void EditableTextView::applyTypedWhileFilling() {
  std::vector<std::unique_ptr<QEvent>> typed = std::exchange(typedWhileFilling_, {});
  for (const std::unique_ptr<QEvent>& event : typed) {
    // A key that brought another text (or took the editor away) ends what was typed for this one.
    if (fill_) return;
    if (event->type() == QEvent::KeyPress) keyPressEvent(static_cast<QKeyEvent*>(event.get()));
    else inputMethodEvent(static_cast<QInputMethodEvent*>(event.get()));
  }
}

void EditableTextView::applyInset() {
  QTextFrame* root = document()->rootFrame();
  QTextFrameFormat format = root->frameFormat();
  format.setLeftMargin(look_.inset.width());
  format.setRightMargin(look_.inset.width());
  format.setTopMargin(look_.inset.height());
  format.setBottomMargin(look_.inset.height());
  root->setFrameFormat(format);
}

void EditableTextView::applyColors() {
  applyLabelColors(*this, context_.environment && context_.environment->isDark());
}

void EditableTextView::reportEdit() {
  // The text is built when asked for: on a long text a pass over it at every key would lag.
  textStale_ = true;
  // Read now: the host may have replaced the callbacks since the editor was made.
  if (const auto onEdit = callbacks_.onEdit) onEdit();
}

void EditableTextView::publishWholeSelection() {
  const QTextCursor cursor = textCursor();
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!cursor.hasSelection() || !clipboard || !clipboard->supportsSelection()) return;
  if (cursor.selectionStart() != 0 || cursor.selectionEnd() != document()->characterCount() - 1) return;
  clipboard->setMimeData(createMimeDataFromSelection(), QClipboard::Selection);
}

bool EditableTextView::canInsertFromMimeData(const QMimeData* source) const {
  return source && (source->hasText() || source->hasHtml());
}

QMimeData* EditableTextView::createMimeDataFromSelection() const {
  // Plain text only: the characters of the text, its line breaks each in its own form and the
  // line whole across its soft breaks.
  const QTextCursor cursor = textCursor();
  auto* mime = new QMimeData;
  mime->setText(textBetween(*document(), cursor.selectionStart(), cursor.selectionEnd(), lineBreak_));
  return mime;
}

void EditableTextView::insertFromMimeData(const QMimeData* source) {
  if (!source) return;
  // Only the text of a rich paste: formatting never enters the editor.
  QString text = source->hasText()   ? source->text()
                 : source->hasHtml() ? QTextDocumentFragment::fromHtml(source->html()).toPlainText()
                                     : QString();
  if (text.isEmpty()) return;
  QTextCursor cursor = textCursor();
  // A long line pasted is held in chunks as one given is (one edit to undo); its line breaks stay
  // as they were copied.
  cursor.beginEditBlock();
  insertHoldingLongLines(cursor, text);
  cursor.endEditBlock();
  setTextCursor(cursor);
  ensureCursorVisible();
}

void EditableTextView::keyPressEvent(QKeyEvent* event) {
  // Until the text is in the editor is read-only: what is typed meanwhile waits, in order.
  if (fill_) {
    typedWhileFilling_.emplace_back(event->clone());
    event->accept();
    return;
  }
  // Return breaks the line with a plain break, never in the format of a soft break next to the
  // caret; Shift+Return would insert a line separator inside the paragraph: the same break.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !isReadOnly() &&
      !(event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))) {
    QTextCursor cursor = textCursor();
    cursor.insertBlock(cursor.blockFormat(), QTextCharFormat());
    setTextCursor(cursor);
    ensureCursorVisible();
    event->accept();
    return;
  }
  if (deleteAcrossSoftBreak(event)) return;
  NoCompletionTextView::keyPressEvent(event);
}

void EditableTextView::inputMethodEvent(QInputMethodEvent* event) {
  if (fill_ && !event->commitString().isEmpty()) {
    typedWhileFilling_.emplace_back(event->clone());
    event->accept();
    return;
  }
  NoCompletionTextView::inputMethodEvent(event);
}

bool EditableTextView::deleteAcrossSoftBreak(QKeyEvent* event) {
  const bool back = event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier);
  const bool forward = event == QKeySequence::Delete;
  if (isReadOnly() || (!back && !forward)) return false;
  QTextCursor cursor = textCursor();
  if (cursor.hasSelection()) return false;
  const QTextBlock block = cursor.block();
  if (back && cursor.atBlockStart() && followsSoftBreak(block) && block.previous().length() > 1) {
    cursor.setPosition(block.position() - 1);
    cursor.deletePreviousChar();
  } else if (forward && cursor.atBlockEnd() && block.next().isValid() && followsSoftBreak(block.next()) &&
             block.next().length() > 1) {
    cursor.setPosition(block.next().position());
    cursor.deleteChar();
  } else {
    return false;
  }
  setTextCursor(cursor);
  ensureCursorVisible();
  event->accept();
  return true;
}

void EditableTextView::showEvent(QShowEvent* event) {
  NoCompletionTextView::showEvent(event);
  if (focusScheduled_) return;
  focusScheduled_ = true;
  // Once, after the window has placed the editor: typing goes here without a click.
  context_.scheduler->post(
      [this] {
        if (isVisible()) setFocus(Qt::OtherFocusReason);
        if (fill_) caretPending_ = true;
        else placeCaretAtEnd();
      },
      this);
}

void EditableTextView::resizeEvent(QResizeEvent* event) {
  // A new width sets every paragraph waiting: the text at the top stays there.
  const IncrementalDocumentLayout::Anchor anchor = layout_->anchorAt(verticalScrollBar()->value());
  NoCompletionTextView::resizeEvent(event);
  keepInView(anchor);
}

void EditableTextView::scheduleLayout() {
  if (layoutScheduled_) return;
  layoutScheduled_ = true;
  context_.scheduler->post([this] { layoutStep(); }, this);
}

void EditableTextView::layoutStep() {
  layoutScheduled_ = false;
  const IncrementalDocumentLayout::Anchor anchor = layout_->anchorAt(verticalScrollBar()->value());
  const bool waiting = layout_->layoutSome(verticalScrollBar()->value(), QVTextViewer::kLayoutBudget,
                                           QVTextViewer::kLayoutMilliseconds);
  keepInView(anchor);
  if (waiting) scheduleLayout();
}

void EditableTextView::keepInView(const IncrementalDocumentLayout::Anchor& anchor) {
  anchoring_ = true;
  verticalScrollBar()->setValue(int(std::lround(layout_->layoutView(anchor, viewport()->height()))));
  anchoring_ = false;
}

void EditableTextView::placeCaretAtEnd() {
  caretPending_ = false;
  QTextCursor cursor = textCursor();
  cursor.movePosition(QTextCursor::End);
  setTextCursor(cursor);
  ensureCursorVisible();
}

}  // namespace qv
