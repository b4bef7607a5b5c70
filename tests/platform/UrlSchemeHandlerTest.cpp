// The desktop's handler of a link scheme, asked through xdg-mime without blocking.
#include "platform/x11/X11Workspace.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>

using namespace qv;

namespace {

// Runs `workspace.findUrlSchemeHandler` with a PATH that holds only `script` as xdg-mime (or
// nothing), and waits up to 10 s for the answer (none when it has not come by then).
std::optional<QString> askWith(const QByteArray& script) {
  QTemporaryDir bin;
  if (!script.isEmpty()) {
    QFile tool(bin.filePath("xdg-mime"));
    tool.open(QIODevice::WriteOnly);
    tool.write(script);
    tool.close();
    tool.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
  }
  const QByteArray path = qgetenv("PATH");
  const QByteArray display = qgetenv("DISPLAY");
  qputenv("PATH", bin.path().toUtf8());
  qunsetenv("DISPLAY");
  std::optional<QString> answer, answeredInTime;
  {
    x11::X11Workspace workspace(nullptr);
    workspace.findUrlSchemeHandler("appstream", [&](const QString& id) { answer = id; });
    QDeadlineTimer deadline(10000);
    while (!answer && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    answeredInTime = answer;  // not what the end of the workspace answers
  }
  qputenv("PATH", path);
  if (!display.isEmpty()) qputenv("DISPLAY", display);
  return answeredInTime;
}

}  // namespace

TEST(UrlSchemeHandler, IsTheDesktopIdXdgMimeNamesAndEmptyWhenThereIsNoneOrNoTool) {
  EXPECT_EQ(askWith("#!/bin/sh\n[ \"$3\" = x-scheme-handler/appstream ] && echo org.gnome.Software.desktop\n"),
            QString("org.gnome.Software"));
  EXPECT_EQ(askWith("#!/bin/sh\nexit 4\n"), QString());
  EXPECT_EQ(askWith(""), QString());
}

// An xdg-mime that never answers is ended: "no handler", well before the wait's own deadline.
TEST(UrlSchemeHandler, AQueryThatHangsAnswersNone) { EXPECT_EQ(askWith("#!/bin/sh\nexec /bin/sleep 60\n"), QString()); }
