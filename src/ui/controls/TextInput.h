#pragma once
#include <QLineEdit>
#include <QTextEdit>
#include <functional>

namespace qv {

struct InterfaceServices;

// Where the user types, the input method neither predicts nor capitalises by itself, no
// completion list appears and no automatic formatting rewrites what was typed.
inline constexpr Qt::InputMethodHints kNoTextServiceHints = Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase;

// Switches those services off on any text widget (line edits, text edits).
void disableAutomaticSubstitutions(QWidget& textWidget);

// The colour scheme's label colours on a text widget (text at 0.85, placeholder at 0.25), with
// no background of its own; the program's text controls follow the scheme with them.
void applyLabelColors(QWidget& widget, bool dark);

// A text widget of `Base` whose text services cannot be switched on again: whatever hints are
// set, the input method is told the services are off, and focusing it switches them off anew.
template <typename Base>
class WithoutTextServices : public Base {
 public:
  explicit WithoutTextServices(QWidget* parent = nullptr) : Base(parent) { disableAutomaticSubstitutions(*this); }
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override {
    const QVariant answer = Base::inputMethodQuery(query);
    return query == Qt::ImHints ? QVariant(int(Qt::InputMethodHints(answer.toInt()) | kNoTextServiceHints)) : answer;
  }

 protected:
  void focusInEvent(QFocusEvent* event) override {
    disableAutomaticSubstitutions(*this);
    Base::focusInEvent(event);
  }
};

// The multi-line text view of editors and viewers.
class NoCompletionTextView : public WithoutTextServices<QTextEdit> {
  Q_OBJECT
 public:
  using WithoutTextServices::WithoutTextServices;
};

// The single-line field of the search bars and forms. Hosts tell it apart by its class.
class QVSearchTextField : public WithoutTextServices<QLineEdit> {
  Q_OBJECT
 public:
  using WithoutTextServices::WithoutTextServices;
};

// The owner's text field: the text flows both ways, Return submits (once, keeping the focus
// and inserting nothing), and the owner moves the focus by raising tokens. Edits, Return and
// focus changes call the callbacks given with the latest props. Each new token value
// acts once, on the next turn of the event loop, never inside the update; when both change in
// one update the resign runs first. Tokens start at 0, so a first token other than 0 acts.
class QVTextField : public QVSearchTextField {
  Q_OBJECT
 public:
  struct Props {
    QString text{};
    int focusToken = 0;
    int resignToken = 0;
    // On a focus request: select the whole text, or put the caret after the last character.
    bool selectAllOnFocus = false;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void(const QString&)> onTextChange;  // every edit by the user
    std::function<void()> onSubmit;                    // Return
    // true: focused by a request, or editing began; false: resigned, or editing ended.
    std::function<void(bool)> onFocusChange;
  };

  // Placeholder and font size are set here only.
  QVTextField(InterfaceServices& context, const QString& placeholder, double fontSize, QWidget* parent = nullptr);

  // The callbacks replace the previous ones, whatever the props.
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  const Callbacks& callbacks() const { return callbacks_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void takeFocus(bool selectAll);
  void resignFocus();
  void notifyFocus(bool focused);
  void applyColors();

  InterfaceServices& context_;
  Callbacks callbacks_;
  Props props_;
  int lastFocusToken_ = 0;
  int lastResignToken_ = 0;
  bool editing_ = false;  // an edit happened since the field took focus
  bool resigning_ = false;
};

}  // namespace qv
