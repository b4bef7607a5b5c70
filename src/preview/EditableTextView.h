#pragma once
#include "ui/controls/TextInput.h"

#include <QString>
#include <functional>

namespace qv {

struct InterfaceServices;
class OverlayScroller;

// The inline editor of a text or code item (the preview pane, the library's detail pane): plain
// text only, with undo, 13-point text (monospaced for code) inset 8 points left and right and
// 10 above and below, wrapping at the view's width, with an overlay scroller. The host owns the
// string: `props.text` is shown, and every edit by the user reports the whole new string once.
// Text the user did not edit is never reported, so it comes back exactly as it was given; an
// edited text keeps its line breaks in the form the text used ("\r\n" stays "\r\n"). Once after
// it first shows, the editor takes the focus with the caret after the last character.
class EditableTextView : public NoCompletionTextView {
  Q_OBJECT
 public:
  struct Props {
    QString text{};
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void(const QString&)> onTextChange;  // every edit by the user, with the whole text
  };

  static constexpr double kFontSize = 13;
  static constexpr double kInsetWidth = 8;
  static constexpr double kInsetHeight = 10;

  // `isMonospaced` is fixed for the editor's life: a code editor is a new editor.
  EditableTextView(InterfaceServices& context, bool isMonospaced, QWidget* parent = nullptr);

  // Callbacks are replaced on every call. A text other than the one shown replaces it (an edit
  // of the user's own comes back equal and changes nothing: caret and undo stay).
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  bool isMonospaced() const { return monospaced_; }
  // The text as it stands: the given text until the user edits it.
  const QString& currentText() const { return props_.text; }

  // The text a document holds, given back with `lineBreak` between its paragraphs; characters
  // the document keeps as they are (no-break spaces, line separators) stay.
  static QString textOfDocument(const QTextDocument& document, const QString& lineBreak);
  // The line break a text uses: its first "\r\n", "\r" or "\n"; "\n" when it has none.
  static QString lineBreakOf(const QString& text);

 protected:
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void applyText(const QString& text);
  void applyInset();
  void applyColors();
  void placeCaretAtEnd();
  void reportEdit();

  InterfaceServices& context_;
  bool monospaced_;
  Props props_;
  Callbacks callbacks_;
  QString lineBreak_ = QStringLiteral("\n");
  bool applying_ = false;
  bool focusScheduled_ = false;
  OverlayScroller* scroller_;
};

}  // namespace qv
