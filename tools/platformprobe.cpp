// Drives the real X11 desktop services from stdin, one command a line, one JSON answer a line;
// end-to-end tests run it under Xvfb as a Qt program on the xcb platform.
//   change | waitchange COUNT MS | read | readasync MS | writetext TEXT | writecolor #RRGGBB |
//   windows | frontmost | previous | ownwindow | remember | activateremembered | switchto ID | app PID |
//   containing PID | quit
#include "ToolLines.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11WindowList.h"
#include "platform/x11/X11Workspace.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QWidget>

namespace {

using qv::tools::answer;

using namespace qv;

QJsonObject changeJson(const PasteboardChange& change) {
  return {{QStringLiteral("count"), change.count},
          {QStringLiteral("own"), change.ownWrite},
          {QStringLiteral("ownerPid"), change.ownerPid}};
}

QJsonObject contentJson(const PasteboardContent& content) {
  QJsonObject data;
  for (const PasteboardItem& item : content.items)
    for (auto it = item.data.constBegin(); it != item.data.constEnd(); ++it)
      if (!data.contains(it.key()))
        data.insert(it.key(),
                    QString::fromLatin1(QCryptographicHash::hash(it.value(), QCryptographicHash::Sha1).toHex()) +
                        QLatin1Char(':') + QString::number(it.value().size()));
  QJsonArray images;
  for (const QImage& image : content.images()) images.append(QJsonArray{image.width(), image.height()});
  QJsonArray files;
  for (const QUrl& url : content.fileUrls()) files.append(url.toString(QUrl::FullyEncoded));
  QJsonObject result{{QStringLiteral("count"), content.changeCount},
                     {QStringLiteral("complete"), content.complete},
                     {QStringLiteral("items"), int(content.items.size())},
                     {QStringLiteral("types"), QJsonArray::fromStringList(content.types())},
                     {QStringLiteral("data"), data},
                     {QStringLiteral("images"), images},
                     {QStringLiteral("files"), files}};
  if (const auto text = content.string()) {
    result.insert(QStringLiteral("text"), text->left(200));
    result.insert(QStringLiteral("textLength"), int(text->size()));
  }
  if (const auto html = content.string(QLatin1String(mime::kHtml)))
    result.insert(QStringLiteral("html"), html->left(200));
  if (const auto color = content.color()) {
    result.insert(QStringLiteral("color"), color->name(QColor::HexRgb).toUpper());
    result.insert(QStringLiteral("alpha"), color->alpha());
  }
  return result;
}

QJsonObject appJson(const std::optional<RunningApp>& app) {
  if (!app) return {{QStringLiteral("none"), true}};
  return {{QStringLiteral("pid"), app->pid},           {QStringLiteral("window"), qint64(app->windowId)},
          {QStringLiteral("class"), app->windowClass}, {QStringLiteral("id"), app->desktopId},
          {QStringLiteral("file"), app->desktopFile},  {QStringLiteral("exe"), app->executable}};
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  auto pasteboard = std::make_shared<x11::X11Pasteboard>();
  auto windows = std::make_shared<x11::X11WindowList>();
  auto workspace = std::make_shared<x11::X11Workspace>(windows);
  std::optional<RunningApp> lastFrontmost;
  QWidget ownWindow;

  qv::tools::CommandLoop input([&](const qv::tools::Command& line) {
    const QStringList& words = line.words;
    const QString& command = line.name;
    const QString& rest = line.rest;
    if (command == "change") {
      answer(changeJson(pasteboard->currentChange()));
    } else if (command == "waitchange") {
      const qint64 from = words.value(1).toLongLong();
      QElapsedTimer clock;
      clock.start();
      while (pasteboard->changeCount() == from && clock.elapsed() < words.value(2).toInt()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
      }
      answer(changeJson(pasteboard->currentChange()));
    } else if (command == "read") {
      QElapsedTimer clock;
      clock.start();
      const PasteboardContent content = pasteboard->read();
      const double blockedMs = double(clock.nsecsElapsed()) / 1e6;
      QJsonObject result = contentJson(content);
      result.insert(QStringLiteral("blockedMs"), blockedMs);
      result.insert(QStringLiteral("fetchMs"), pasteboard->lastReadMilliseconds());
      answer(result);
    } else if (command == "readasync") {
      QElapsedTimer clock;
      clock.start();
      std::optional<PasteboardContent> got;
      pasteboard->readAsync([&got](const PasteboardContent& content) { got = content; });
      while (!got && clock.elapsed() < words.value(1).toInt()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
      }
      QJsonObject result = got ? contentJson(*got) : QJsonObject{{QStringLiteral("timeout"), true}};
      result.insert(QStringLiteral("waitedMs"), double(clock.nsecsElapsed()) / 1e6);
      result.insert(QStringLiteral("fetchMs"), pasteboard->lastReadMilliseconds());
      answer(result);
    } else if (command == "writetext") {
      PasteboardWrite item;
      item.text = rest;
      pasteboard->write(item);
      answer({{QStringLiteral("ok"), true}});
    } else if (command == "writecolor") {
      PasteboardWrite item;
      item.color = QColor(rest);
      item.text = rest;
      pasteboard->write(item);
      answer({{QStringLiteral("ok"), true}});
    } else if (command == "windows") {
      QJsonArray list;
      for (const WindowInfo& window : windows->windows())
        list.append(QJsonObject{{QStringLiteral("id"), qint64(window.id)},
                                {QStringLiteral("layer"), window.layer},
                                {QStringLiteral("x"), window.bounds.x()},
                                {QStringLiteral("y"), window.bounds.y()},
                                {QStringLiteral("w"), window.bounds.width()},
                                {QStringLiteral("h"), window.bounds.height()},
                                {QStringLiteral("alpha"), window.alpha ? *window.alpha : -1.0},
                                {QStringLiteral("pid"), window.ownerPid},
                                {QStringLiteral("class"), window.windowClass},
                                {QStringLiteral("type"), window.windowType},
                                {QStringLiteral("overrideRedirect"), window.overrideRedirect}});
      answer({{QStringLiteral("windows"), list},
              {QStringLiteral("rebuilds"), windows->rebuildCount()},
              {QStringLiteral("overlayCandidate"), windows->hasOverlayCandidate()}});
    } else if (command == "frontmost") {
      answer(appJson(workspace->frontmostApplication()));
    } else if (command == "previous") {
      answer(appJson(workspace->previousApplication()));
    } else if (command == "ownwindow") {
      // A window of the probe's own takes the focus, as the panel does.
      ownWindow.setWindowTitle(QStringLiteral("Probe window"));
      ownWindow.resize(200, 100);
      ownWindow.show();
      ownWindow.activateWindow();
      answer({{QStringLiteral("window"), qint64(ownWindow.winId())}});
    } else if (command == "remember") {
      lastFrontmost = workspace->frontmostApplication();
      answer(appJson(lastFrontmost));
    } else if (command == "app") {
      answer(appJson(workspace->applicationForPid(words.value(1).toLongLong())));
    } else if (command == "containing") {
      const auto id = workspace->containingApplicationId(words.value(1).toLongLong());
      answer({{QStringLiteral("id"), id ? *id : QString()}});
    } else if (command == "activateremembered") {
      answer({{QStringLiteral("ok"), lastFrontmost ? workspace->activate(*lastFrontmost) : false}});
    } else if (command == "switchto") {
      answer({{QStringLiteral("ok"), workspace->switchToApplication(words.value(1))}});
    } else if (command == "quit") {
      QCoreApplication::quit();
    } else {
      answer({{QStringLiteral("error"), command}});
    }
  });
  answer({{QStringLiteral("ready"), pasteboard->usesX11Reader()}, {QStringLiteral("pid"), qint64(getpid())}});
  return QApplication::exec();
}
