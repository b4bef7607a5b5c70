#pragma once
#include "ui/controls/TextInput.h"
#include "ui/text/IncrementalDocumentLayout.h"

#include <QSizeF>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTextBlock;

namespace qv {

// How an editor's text stands: its size and its inset from the editor's edges. A host that swaps
// a viewer for the editor gives the viewer's, so that the text stands still through the swap.
struct EditableTextLook {
  double fontSize = 13;
  QSizeF inset{8, 10};
};

struct InterfaceServices;
class OverlayScroller;

// The inline editor of a text or code item (the preview pane, the library's detail pane): plain
// text only, with undo, 13-point text (monospaced for code) inset 8 points left and right and
// 10 above and below unless the host gives another look, wrapping at the view's width, with an
// overlay scroller. The host owns the string: `props.text` is shown, and every edit by the user
// is reported; the text it made is built only when asked for (`currentText()`), since building it
// costs a pass over the whole text and a key must not. Showing the text is no edit, and an edit
// changes only what the user changed: each line break the text holds (CR LF, LF, CR, U+2029, and
// U+FDD0 and U+FDD1, which a document reads as breaks too) is a paragraph break that remembers
// its characters, every other character stays itself, and a break the user types takes the form
// of the text's first CR LF, CR or LF. An edit undone by hand thus reports the text as given.
// Copying, cutting and dragging give the characters of the text; a paste keeps its own breaks.
// Select All sets the X selection, as any other selection does.
// Once after it first shows, the editor takes the focus with the caret after the last character.
// However long its lines, no step of the main thread handles more than a bounded part of the
// text, as in the text viewer: a long text goes in a piece per turn (the editor is read-only
// until it is in, and what is typed meanwhile goes in, in order, once it is), a long line, given or pasted, is held as
// paragraphs of a chunk each joined by soft breaks (a paragraph break whose character format says so: never part of the
// text, nor of what is copied), and paragraphs are laid out a budget per turn, those in view first. Backspace and
// Delete next to a soft break remove the character beyond it.
class EditableTextView : public NoCompletionTextView {
  Q_OBJECT
 public:
  struct Props {
    QString text{};
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void()> onEdit{};   // every edit by the user; `currentText()` has the text
    std::function<void()> onLeave{};  // the editor goes: `currentText()` still answers
  };

  // `isMonospaced` and `look` are fixed for the editor's life: a code editor is a new editor.
  EditableTextView(InterfaceServices& context, bool isMonospaced, QWidget* parent = nullptr,
                   const EditableTextLook& look = {});

  ~EditableTextView() override;

  // Callbacks are replaced on every call. A text other than the one shown replaces it (an edit
  // of the user's own comes back equal and changes nothing: caret and undo stay).
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const;
  bool isMonospaced() const { return monospaced_; }
  // The text as it stands: the given text until the user edits it. Built at the first call after
  // an edit.
  const QString& currentText() const;

  // Whether pieces of the text are still to come (the editor is read-only meanwhile).
  bool isFilling() const { return fill_.has_value(); }
  const IncrementalDocumentLayout& textLayout() const { return *layout_; }

  // The text a document holds: each paragraph break given back as the characters it remembers
  // (nothing for a soft break), `typedBreak` for one the user typed; characters the document
  // keeps as they are (no-break spaces, line separators) stay.
  static QString textOfDocument(const QTextDocument& document, const QString& typedBreak);
  // The same for the characters from `start` to `end`.
  static QString textBetween(const QTextDocument& document, int start, int end, const QString& typedBreak);
  // Whether the paragraph break before `block` only breaks a long line.
  static bool followsSoftBreak(const QTextBlock& block);
  // The line break a text uses, which the user's breaks take: its first "\r\n", "\r" or "\n";
  // "\n" when it has none.
  static QString lineBreakOf(const QString& text);

 protected:
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
  QMimeData* createMimeDataFromSelection() const override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void applyText(const QString& text);
  // Adds the next piece of the text being filled in; schedules the one after it.
  void fillNextPiece();
  // A key that would only remove a soft break removes the character beyond it instead.
  bool deleteAcrossSoftBreak(QKeyEvent* event);
  void scheduleLayout();
  void layoutStep();
  // Lays out what shows and keeps the text at the top of the view where `anchor` says.
  void keepInView(const IncrementalDocumentLayout::Anchor& anchor);
  void applyInset();
  void applyColors();
  void placeCaretAtEnd();
  void reportEdit();
  // Types what came while the text was filling in.
  void applyTypedWhileFilling();
  // Select All selects without setting the X selection, which any other selection sets.
  void publishWholeSelection();

  InterfaceServices& context_;
  bool monospaced_;
  EditableTextLook look_;
  mutable Props props_;
  mutable bool textStale_ = false;  // edited since `props_.text` was last built
  Callbacks callbacks_;
  QString lineBreak_ = QStringLiteral("\n");  // what a break the user types stands for
  bool applying_ = false;
  bool focusScheduled_ = false;
  bool caretPending_ = false;  // placed at the end once the text is in
  // The text still being filled in, how far it is in, where its long lines break.
  struct Fill {
    QString text;
    qsizetype position = 0;
    std::vector<qsizetype> breaks;
    size_t nextBreak = 0;
  };
  std::optional<Fill> fill_;
  std::vector<std::unique_ptr<QEvent>> typedWhileFilling_;
  quint64 fillGeneration_ = 0;
  IncrementalDocumentLayout* layout_;
  bool layoutScheduled_ = false;
  bool anchoring_ = false;
  OverlayScroller* scroller_;
};

}  // namespace qv
