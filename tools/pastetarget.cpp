// A window with one text field for paste tests. Reports on stdout:
//   "ready <window id>" once shown, "active" / "inactive" as it gains or loses the focus,
//   "key press|release <key> <modifiers> <time ms>" for every key the field receives (modifiers
//   as a sum of 1 Shift, 2 Ctrl, 4 Alt, 8 Meta), "text <text>" whenever its text changes,
//   "click <x> <y>" for every mouse press (screen coordinates).
// Commands on stdin: "text" prints the current text; "quit" leaves.
// "--class <name>" gives the window that WM_CLASS class (to pose as a terminal emulator).
#include "ToolLines.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
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

}  // namespace

int main(int argc, char** argv) {
  // Qt names the window's WM_CLASS after the application when the platform starts.
  for (int index = 1; index + 1 < argc; ++index)
    if (QByteArray(argv[index]) == "--class") QCoreApplication::setApplicationName(QString::fromUtf8(argv[index + 1]));
  QApplication app(argc, argv);
  QLineEdit field;
  field.setWindowTitle(QStringLiteral("Paste target"));
  field.resize(400, 40);
  KeyReporter reporter;
  field.installEventFilter(&reporter);
  QObject::connect(&field, &QLineEdit::textChanged, [](const QString& text) { say("text " + text); });
  QObject::connect(&app, &QApplication::focusChanged, [&](QWidget*, QWidget* now) {
    say(now == &field ? QStringLiteral("active") : QStringLiteral("inactive"));
  });

  qv::tools::StdinLines input([&](const QByteArray& line) {
    if (line.trimmed() == "text") say("text " + field.text());
    if (line.trimmed() == "quit") app.quit();
  });

  field.show();
  say(QStringLiteral("ready %1").arg(field.winId()));
  return app.exec();
}
