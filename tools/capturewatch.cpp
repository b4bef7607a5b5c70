// Runs the real clipboard monitor on the X11 desktop and prints each captured item as one JSON
// line; end-to-end tests drive it under Xvfb. Commands on stdin, one a line:
//   write TEXT   raise the own-write counter and write TEXT to the clipboard (as a pick would)
//   state        the change count, whether it is ours, and the own-write counter
//   busy PATH    hold up the main thread until the file PATH exists (at most 60 s)
//   quit
#include "ToolLines.h"
#include "app/AppContext.h"
#include "items/ItemServices.h"
#include "items/capture/ClipboardMonitor.h"
#include "platform/Pasteboard.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <thread>

using qv::tools::answer;

int main(int argc, char** argv) {
  using namespace qv;
  QApplication application(argc, argv);
  const std::shared_ptr<AppContext> context = AppContext::makeReal();
  installItemServices(*context);

  ClipboardMonitor monitor(*context, [](const ClipboardItem& item, bool blurred) {
    answer({{QStringLiteral("item"), rawValue(item.contentType)},
            {QStringLiteral("text"), item.plainText().value_or(QString())},
            {QStringLiteral("source"), item.sourceAppBundleID},
            {QStringLiteral("blurred"), blurred}});
  });
  monitor.start();

  qv::tools::CommandLoop input([&](const qv::tools::Command& line) {
    const QString& command = line.name;
    if (command == "write") {
      PasteboardWrite write;
      write.text = line.rest;
      ClipboardMonitor::skipNextChanges(*context).raise();
      context->pasteboard->write(write);
      answer({{QStringLiteral("wrote"), true}});
    } else if (command == "state") {
      const PasteboardChange change = context->pasteboard->currentChange();
      answer({{QStringLiteral("count"), change.count},
              {QStringLiteral("own"), change.ownWrite},
              {QStringLiteral("skipNextChanges"), ClipboardMonitor::skipNextChanges(*context).count()}});
    } else if (command == "busy") {
      answer({{QStringLiteral("busy"), true}});
      QElapsedTimer held;
      held.start();
      while (!QFileInfo::exists(line.rest) && held.elapsed() < 60000)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      answer({{QStringLiteral("free"), held.elapsed()}});
    } else if (command == "quit") {
      QCoreApplication::quit();
    } else {
      answer({{QStringLiteral("error"), command}});
    }
  });
  answer({{QStringLiteral("ready"), true}, {QStringLiteral("pid"), qint64(getpid())}});
  return QApplication::exec();
}
