// A window with one text field for paste tests. Reports on stdout:
//   "ready <window id>" once shown, "active" / "inactive" as it gains or loses the focus,
//   "key press|release <key> <modifiers> <time ms>" for every key the field receives (modifiers
//   as a sum of 1 Shift, 2 Ctrl, 4 Alt, 8 Meta), "text <text>" whenever its text changes,
//   "click <x> <y>" for every mouse press (screen coordinates).
// Commands on stdin: "text" prints the current text; "quit" leaves.
// "--class <name>" gives the window that WM_CLASS class (to pose as a terminal emulator).
// "--multiline" makes the field a multi-line editor that also reports "pasted <hex>": the bytes
// (UTF-8, in hexadecimal) of each text pasted into it, exactly as the clipboard gave them.
#include "ToolLines.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <cstdio>

namespace {

using qv::tools::say;

int modifierBits(Qt::KeyboardModifiers modifiers) {
  return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
         (modifiers & Qt::AltModifier ? 4 : 0) | (modifiers & Qt::MetaModifier ? 8 : 0);
}

class KeyReporter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) {
      const QPointF at = static_cast<QMouseEvent*>(event)->globalPosition();
      say(QStringLiteral("click %1 %2").arg(qRound(at.x())).arg(qRound(at.y())));
    }
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
      const auto* key = static_cast<QKeyEvent*>(event);
      say(QStringLiteral("key %1 %2 %3 %4")
              .arg(event->type() == QEvent::KeyPress ? "press" : "release")
              .arg(key->key())
              .arg(modifierBits(key->modifiers()))
              .arg(key->timestamp()));
    }
    return QObject::eventFilter(watched, event);
  }
};

// A multi-line editor normalises line ends as it inserts; the report is taken before that.
class PastedTextReporter : public QPlainTextEdit {
 protected:
  void insertFromMimeData(const QMimeData* source) override {
    if (source && source->hasText())
      say(QStringLiteral("pasted ") + QString::fromLatin1(source->text().toUtf8().toHex()));
    QPlainTextEdit::insertFromMimeData(source);
  }
};

}  // namespace

int main(int argc, char** argv) {
  // Qt names the window's WM_CLASS after the application when the platform starts.
  for (int index = 1; index + 1 < argc; ++index)
    if (QByteArray(argv[index]) == "--class") QCoreApplication::setApplicationName(QString::fromUtf8(argv[index + 1]));
  QApplication app(argc, argv);
  const bool multiline = QCoreApplication::arguments().contains(QStringLiteral("--multiline"));
  QLineEdit line;
  PastedTextReporter lines;
  QWidget& field = multiline ? static_cast<QWidget&>(lines) : line;
  const auto text = [&] { return multiline ? lines.toPlainText() : line.text(); };
  field.setWindowTitle(QStringLiteral("Paste target"));
  field.resize(400, multiline ? 200 : 40);
  KeyReporter reporter;
  field.installEventFilter(&reporter);
  QObject::connect(&line, &QLineEdit::textChanged, [](const QString& now) { say("text " + now); });
  QObject::connect(&lines, &QPlainTextEdit::textChanged, [&] { say("text " + text()); });
  QObject::connect(&app, &QApplication::focusChanged, [&](QWidget*, QWidget* now) {
    say(now == &field ? QStringLiteral("active") : QStringLiteral("inactive"));
  });

  qv::tools::CommandLoop input([&](const qv::tools::Command& command) {
    if (command.name == "text") say("text " + text());
    if (command.name == "quit") app.quit();
  });

  field.show();
  say(QStringLiteral("ready %1").arg(field.winId()));
  return app.exec();
}
