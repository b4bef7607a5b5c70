// Two ends of a drag-and-drop for end-to-end tests of dragging items out.
//   dragprobe source   a window that drags one code item out when pressed; prints
//                      "ready <x> <y>" (its centre on screen) and "result <action>" after the drop.
//   dragprobe target   a window that accepts drops; prints "ready <x> <y>", "enter", then for a
//                      drop "text <text with \n escaped>", "url <url>" per URL and "dropped".
// Temporary files go to the temporary folder of the environment (TMPDIR).
#include "ToolLines.h"
#include "base/Uuid.h"
#include "items/drag/ItemDragProvider.h"
#include "items/stores/ImageStore.h"
#include "platform/DragStarter.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

using qv::tools::say;

class Source : public QWidget {
 protected:
  void mousePressEvent(QMouseEvent*) override {
    const qv::Paths paths = qv::Paths::fromEnvironment();
    const qv::ImageStore images(paths);
    const auto item = qv::ClipboardItem::make(
        qv::newUuid(), QStringLiteral("org.example.Editor"), QDateTime::currentDateTimeUtc(),
        qv::CodePayload{QStringLiteral("fn main() {}\n"), QStringLiteral("rust")});
    qv::QtDragStarter starter;
    const Qt::DropAction action = starter.startDrag(
        qv::ItemDragProvider::makeItemProvider({item}, images, paths.temp()), this, QPixmap(), {});
    say(QStringLiteral("result %1").arg(int(action)));
  }
};

class Target : public QWidget {
 public:
  Target() { setAcceptDrops(true); }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override {
    say(QStringLiteral("enter"));
    event->acceptProposedAction();
  }
  void dropEvent(QDropEvent* event) override {
    const QMimeData* mime = event->mimeData();
    if (mime->hasFormat(QStringLiteral("text/plain")))
      say(QStringLiteral("text ") + mime->text().replace(u'\n', QStringLiteral("\\n")));
    for (const QUrl& url : mime->urls()) say(QStringLiteral("url ") + url.toString());
    event->acceptProposedAction();
    say(QStringLiteral("dropped"));
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const bool source = app.arguments().value(1) == QLatin1String("source");
  std::unique_ptr<QWidget> window = source ? std::unique_ptr<QWidget>(new Source) : std::make_unique<Target>();
  window->setWindowTitle(source ? QStringLiteral("drag source") : QStringLiteral("drop target"));
  window->resize(300, 300);
  window->move(source ? 50 : 700, 100);
  window->show();
  // Report the centre once the window is on screen and placed.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!window->windowHandle() || !window->windowHandle()->isExposed()) return;
    poll.stop();
    const QPoint centre = window->mapToGlobal(window->rect().center());
    say(QStringLiteral("ready %1 %2").arg(centre.x()).arg(centre.y()));
  });
  poll.start(20);
  return app.exec();
}
