// Runs the edge panel on the real services with a hand-driven animation clock, so that a test
// can stop a slide midway. Prints "ready", then "visible true"/"visible false" as the panel
// shows and hides, "panel active" when its window gets the keyboard focus, and "not pasted
// <outcome>" when a pick could not be typed into the previous application. Commands on stdin:
//   items <n>          fills the history with n text items
//   side <value>       stores the side setting ("left", "right", "both")
//   show | hide | toggle
//   advance <seconds>  moves the animation clock forward (in frames of 1/60 s)
//   status             answers "status visible=<0|1> mapped=<0|1> x= y= w= h= window=<id> compositor=<0|1>"
//   shot <path>        once the screen settled, saves the whole screen as PNG (a relative path in
//                      build/screenshots) and answers "shot <path>"
//   quicklook <path>   shows the file in Quick Look as its button does; then "quicklook shows <what>"
//                      (picture, thumbnail or details) once known, "quicklook active" when its window
//                      gets the keyboard focus and "quicklook closed" when it closes
//   quicklook-status   answers "quicklook visible=<0|1> x= y= w= h=" (the window's frame)
//   file <path>        puts a file item for that path at the front of the history
//   preview <index>    opens the preview of the listed item at that index, as Space on it does
//   filters on|off     opens or closes the filter panel
//   kinds              puts one item of each other kind at the front: colour, image, link, code
//   appearance <name>  "light", "dark" or "system", as the settings apply it
//   preview-status     answers "preview shown=<0|1> anchor=<y> content=x,y,w,h rail=… caption=…"
//                      (screen coordinates; anchor -1 for none) once the pane has arrived, and
//                      "quicklook=x,y" where its Quick Look button is, if it has one
#include "ToolLines.h"
#include "app/AppContext.h"
#include "app/PanelController.h"
#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "items/model/ClipboardItem.h"
#include "panel/PanelView.h"
#include "platform/QuickLook.h"
#include "preview/ItemPreviewView.h"
#include "preview/PreviewServices.h"
#include "preview/QuickLookButton.h"
#include "preview/QuickLookWindow.h"
#include "state/PanelState.h"
#include "ui/Appearance.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"

#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

using namespace qv;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  auto context = AppContext::makeReal();
  auto clock = std::make_shared<ManualFrameClock>();
  context->frameClock = clock;
  installItemServices(*context);
  installInterfaceServices(*context);
  installPreviewServices(*context);
  using qv::tools::say;

  PanelController controller(*context);
  auto* quickLook = dynamic_cast<QuickLookWindow*>(context->quickLook.get());
  QObject::connect(quickLook, &QuickLookWindow::shownChanged, [&] {
    static const char* const names[] = {"pending", "picture", "thumbnail", "details"};
    const auto shown = quickLook->view()->shown();
    if (shown != QuickLookView::Shown::pending) say(QString("quicklook shows ") + names[int(shown)]);
  });
  QObject::connect(&app, &QGuiApplication::focusWindowChanged, [&](QWindow* window) {
    if (window && quickLook->ownsWindow(window)) say("quicklook active");
  });
  QObject::connect(quickLook, &QuickLookWindow::closed, [] { say("quicklook closed"); });
  controller.onVisibilityChange = [&](bool visible) { say(visible ? "visible true" : "visible false"); };
  controller.onPasteNotDelivered = [&](PasteOutcome outcome) {
    say(QString("not pasted ") + pasteOutcomeName(outcome));
  };
  QObject::connect(&app, &QGuiApplication::focusWindowChanged, [&](QWindow* window) {
    if (window && window == controller.panelWindow()->windowHandle()) say("panel active");
  });
  controller.preWarm();

  auto run = [&](const QStringList& words) {
    const QString command = words.value(0);
    if (command == "items") {
      QList<ClipboardItem> items;
      const int count = words.value(1).toInt();
      const QDateTime now = QDateTime::currentDateTimeUtc();
      const QStringList apps = {"org.gnome.TextEditor", "firefox", "org.gnome.Terminal"};
      for (int i = 0; i < count; ++i)
        items << ClipboardItem::make(QUuid::createUuid(), apps[i % apps.size()], now.addSecs(-i * 60),
                                     TextPayload{QString("Copied text number %1 — the quick brown fox").arg(i)});
      controller.state().setItems(items);
    } else if (command == "side") {
      context->settings->set("qv.edgeSide", words.value(1));
    } else if (command == "show") {
      controller.showPanel();
    } else if (command == "hide") {
      controller.hidePanel();
    } else if (command == "toggle") {
      controller.togglePanel();
    } else if (command == "advance") {
      const int frames = int(words.value(1).toDouble() * 60 + 0.5);
      clock->advanceFrames(frames);
    } else if (command == "status") {
      QWidget* window = controller.panelWindow();
      const QRect frame = window->geometry();
      say(QString("status visible=%1 mapped=%2 x=%3 y=%4 w=%5 h=%6 window=%7 compositor=%8")
              .arg(int(controller.state().isVisible()))
              .arg(int(window->isVisible()))
              .arg(frame.x())
              .arg(frame.y())
              .arg(frame.width())
              .arg(frame.height())
              .arg(quint64(window->winId()))
              .arg(int(controller.translucency().compositor)));
    } else if (command == "file") {
      QList<ClipboardItem> items = controller.state().items();
      const QString path = words.mid(1).join(' ');
      items.prepend(ClipboardItem::make(QUuid::createUuid(), "org.gnome.Nautilus", QDateTime::currentDateTimeUtc(),
                                        FilePayload{QFileInfo(path).fileName(), {}, Url::fromLocalFile(path)}));
      controller.state().setItems(items);
    } else if (command == "preview") {
      const auto items = controller.state().filteredItems();
      if (const int index = words.value(1).toInt(); index >= 0 && index < items.size())
        controller.state().retargetPreview(items.at(index));
    } else if (command == "kinds") {
      QList<ClipboardItem> items = controller.state().items();
      const QDateTime now = QDateTime::currentDateTimeUtc();
      QImage picture(1200, 800, QImage::Format_RGB32);
      picture.fill(QColor(90, 150, 220));
      {
        QPainter painter(&picture);
        painter.setBrush(QColor(250, 210, 90));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPointF(850, 250), 110, 110);
        painter.fillRect(QRect(0, 560, 1200, 240), QColor(80, 150, 90));
      }
      const Url link = *parseStrictUrl("https://example.org/articles/preview-panes");
      const QList<ClipboardItem> kinds = {
          ClipboardItem::make(QUuid::createUuid(), "org.gimp.GIMP", now, ColorPayload{"#ffcc00", 255, 204, 0}),
          ClipboardItem::make(QUuid::createUuid(), "org.gnome.Loupe", now,
                              ImagePayload{picture, "landscape.png", 1200, 800, "48 KB"}),
          ClipboardItem::make(QUuid::createUuid(), "firefox", now,
                              LinkPayload{link, "example.org", QString("Designing preview panes"), {}, {}}),
          ClipboardItem::make(
              QUuid::createUuid(), "org.gnome.TextEditor", now,
              CodePayload{"def greet(name):\n    return f\"Hello, {name}!\"\n\nprint(greet(\"World\"))", "Python"}),
      };
      items = kinds + items;
      controller.state().setItems(items);
    } else if (command == "appearance") {
      applyAppearance(*context, words.value(1));
    } else if (command == "filters") {
      controller.state().setShowFilterPanel(words.value(1) == "on");
    } else if (command == "preview-status") {
      auto* pane = qobject_cast<ItemPreviewView*>(controller.rootView()->sideSurfaceWidget());
      const auto box = [&](const QRectF& rect) {
        const QPoint at = pane->mapToGlobal(rect.topLeft().toPoint());
        return QString("%1,%2,%3,%4").arg(at.x()).arg(at.y()).arg(int(rect.width())).arg(int(rect.height()));
      };
      const std::optional<double> anchor = controller.state().previewAnchorY();
      const QWidget* root = controller.rootView();
      if (!pane) {
        say("preview shown=0");
      } else {
        QString answer = QString("preview shown=1 anchor=%1 content=%2 rail=%3 caption=%4")
                             .arg(anchor ? root->mapToGlobal(QPoint(0, int(*anchor))).y() : -1)
                             .arg(box(pane->contentBoxRect()), box(pane->railRect()), box(pane->captionBoxRect()));
        // The Quick Look button of a file shown by its thumbnail: the middle of its capsule.
        if (auto* button = pane->findChild<QuickLookButton*>(); button && button->isVisible()) {
          const QPoint middle = button->mapToGlobal(button->capsuleRect().center().toPoint());
          answer += QString(" quicklook=%1,%2").arg(middle.x()).arg(middle.y());
        }
        say(answer);
      }
    } else if (command == "quicklook") {
      openQuickLook(*context, QUrl::fromLocalFile(words.mid(1).join(' ')));
    } else if (command == "quicklook-status") {
      const QRect frame = quickLook->window() ? quickLook->window()->frameGeometry() : QRect();
      say(QString("quicklook visible=%1 x=%2 y=%3 w=%4 h=%5")
              .arg(int(quickLook->isVisible()))
              .arg(frame.x())
              .arg(frame.y())
              .arg(frame.width())
              .arg(frame.height()));
    } else if (command == "shot") {
      const QString path = words.value(1);
      // Let the window system (and a compositor) draw the last frame first.
      QTimer::singleShot(400, &app, [path] {
        QApplication::primaryScreen()->grabWindow(0).save(tools::screenshotPath(path), "PNG");
        say("shot " + path);
      });
    }
  };

  qv::tools::StdinLines input(
      [&](const QByteArray& bytes) {
        const QString line = QString::fromUtf8(bytes).simplified();
        if (!line.isEmpty()) run(line.split(' '));
      },
      [] { QApplication::quit(); });
  // The pre-warm runs on the animation clock: let it finish before reporting ready.
  clock->advanceFrames(60);
  QTimer::singleShot(100, &app, [&] {
    clock->advanceFrames(60);
    QTimer::singleShot(100, &app, [&] { say("ready"); });
  });
  return app.exec();
}
