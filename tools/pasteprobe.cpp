// Picks items the way the edge panel does, on the real services: writes them to the clipboard,
// hides its own window and pastes into the application that was in front. Reports on stdout:
// "ready"; "remembered <window id> <window class>" (or "remembered none"); "panel active";
// "own-write" each time the writer announces a write; "written true|false"; "outcome <name>".
// Commands on stdin: "remember" notes the frontmost application; "panel" shows and focuses a
// small window in place of the panel; "pick <text>" writes a text item and pastes it.
#include "ToolLines.h"
#include "app/AppContext.h"
#include "items/ItemServices.h"
#include "items/writer/PasteSender.h"
#include "items/writer/PasteboardWriter.h"

#include <QApplication>
#include <QLabel>
#include <QUuid>
#include <QWindow>
#include <cstdio>

namespace {
using qv::tools::say;
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  auto context = qv::AppContext::makeReal();
  qv::installItemServices(*context);
  context->pasteboardWriter->setOwnWriteHook([] { say("own-write"); });

  std::optional<qv::RunningApp> previous;
  QLabel panel(QStringLiteral("panel"));
  panel.resize(200, 100);
  QObject::connect(&app, &QApplication::focusWindowChanged, [&](QWindow* window) {
    if (window && window == panel.windowHandle()) say("panel active");
  });

  qv::tools::CommandLoop input([&](const qv::tools::Command& line) {
    const QString& command = line.name;
    if (command == QLatin1String("remember")) {
      previous = context->workspace->frontmostApplication();
      say(previous ? QStringLiteral("remembered %1 %2").arg(previous->windowId).arg(previous->windowClass)
                   : QStringLiteral("remembered none"));
    } else if (command == QLatin1String("panel")) {
      panel.show();
      panel.raise();
      panel.activateWindow();
    } else if (command == QLatin1String("pick")) {
      const auto item = qv::ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.example.Probe"),
                                                QDateTime::currentDateTimeUtc(), qv::TextPayload{line.rest});
      say(QStringLiteral("written %1").arg(context->pasteboardWriter->write(item) ? "true" : "false"));
      panel.hide();
      // As the panel does: the target is activated 0.2 s after the window hid.
      context->scheduler->after(0.2, [&, target = previous] {
        context->pasteSender->activateAndPaste(
            target, [](qv::PasteOutcome outcome) { say(QStringLiteral("outcome ") + qv::pasteOutcomeName(outcome)); });
      });
    }
  });
  say("ready");
  return app.exec();
}
