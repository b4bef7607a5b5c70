// Runs the edge trigger and the global shortcut on the real services, as the program does, and
// reports on stdout: "ready", "show <side>" when the edge trigger fires, "hotkey" on a press.
// Commands on stdin: "shortcut <keyCode> <modifiers>" stores a shortcut as the settings window
// would; "touch" writes an unrelated setting; "armed" answers "armed <side>" or "armed none", the
// side whose dwell runs or has fired, after every pointer event read so far. Used by end-to-end tests and to measure
// the CPU cost of watching the pointer.
#include "ToolLines.h"
#include "app/AppContext.h"
#include "app/EdgeTrigger.h"
#include "app/HotkeyManager.h"

#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  auto context = qv::AppContext::makeReal();
  using qv::tools::say;

  qv::EdgeTrigger edge(*context, [&](const QString& side) { say("show " + side); });
  auto applyEdge = [&] {
    edge.update(context->settings->stringOr("qv.edgeSide", "right"),
                context->settings->doubleOr("qv.edgeDwellDelay", 0.3));
    edge.start();
  };
  applyEdge();
  QObject::connect(context->settings.get(), &qv::SettingsStore::changed, &edge, applyEdge);
  qv::HotkeyManager hotkey(*context, [&] { say("hotkey"); });

  qv::tools::CommandLoop input([&](const qv::tools::Command& line) {
    const QStringList& words = line.words;
    if (words.value(0) == "shortcut" && words.size() == 3) {
      context->settings->set("qv.shortcut.keyCode", words[1].toInt(nullptr, 0));
      context->settings->set("qv.shortcut.modifiers", words[2].toInt(nullptr, 0));
    } else if (words.value(0) == "armed") {
      say("armed " + edge.armedSide().value_or("none"));
    } else if (words.value(0) == "touch") {
      context->settings->set("qv.probe.touched", context->settings->intOr("qv.probe.touched", 0) + 1);
    }
  });
  say("ready");
  return app.exec();
}
