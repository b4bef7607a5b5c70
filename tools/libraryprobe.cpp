// Runs the library window on the real services with its detail pane, so that a test on a private X
// server can look at every kind, click the pane's buttons and type into its editor. Prints
// "ready". Commands on stdin:
//   kinds              fills the history: a long text, code, an image, a colour, a link, a file
//                      that is there, a file that is gone, a sensitive text, a file copied without
//                      its size (indices 0 … 8)
//   text <encoded>     puts a text item with that percent-encoded text at the front of the history
//                      (index 0), so that any text can be shown and edited
//   detail <index>     shows that item in the detail pane (the first time it opens the library)
//   reopen             opens the library again, as the tray's Open Library does
//   appearance <name>  "light", "dark" or "system", as the settings apply it
//   button <help>      answers "button x y", the middle of the action button with that help text on
//                      the screen, or "button none"; the edit bar's pills are "Cancel" and "Save";
//                      also "New category", the category form's "Name" field while it shows, and
//                      "Grid", a place on the grid beside the filter surface
//   status             answers "status open= editing= active= hidden= copied= compositor= focus=
//                      query= draft= caption= text=" (whether the library is on screen; whether the
//                      pane's material is translucent; what has the keys: "search", "name",
//                      "editor", "window" or "none"; the search query, the editor's draft, the
//                      caption's detail line and the item's text in the history now,
//                      percent-encoded)
//   shot <path>        once the screen settled, saves the whole screen as PNG (a relative path in
//                      build/screenshots) and answers "shot <path>"
#include "ProbeKit.h"
#include "ToolLines.h"
#include "app/AppContext.h"
#include "app/EditKeyMonitor.h"
#include "items/ItemServices.h"
#include "library/LibraryDetailView.h"
#include "library/LibraryGridView.h"
#include "library/LibraryHeaderButton.h"
#include "library/LibraryModel.h"
#include "library/LibraryView.h"
#include "library/LibraryWindowController.h"
#include "panel/CategoryForm.h"
#include "panel/FilterPanel.h"
#include "preview/EditableTextView.h"
#include "preview/PreviewCaption.h"
#include "preview/PreviewServices.h"
#include "state/PanelState.h"
#include "ui/Appearance.h"
#include "ui/InterfaceServices.h"
#include "ui/controls/PillButtons.h"
#include "ui/controls/TextInput.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWidget>

using namespace qv;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The program's edit keys (Ctrl+V, C, X, A, Z), which reach the editor through it.
  EditKeyMonitor editKeys;
  auto context = tools::makeViewContext();
  using qv::tools::say;

  PanelState state(*context);
  QTemporaryDir files;
  LibraryWindowController library(*context);
  const auto pane = [&]() -> LibraryDetailView* {
    return library.window() ? library.window()->findChild<LibraryDetailView*>() : nullptr;
  };
  const auto shown = [&]() -> std::optional<ClipboardItem> {
    if (!pane() || !pane()->isVisible()) return std::nullopt;
    for (const ClipboardItem& item : state.items())
      if (item.id == pane()->props().item.id) return item;
    return std::nullopt;
  };

  qv::tools::CommandLoop input([&](const tools::Command& line) {
    const QStringList& words = line.words;
    const QString& command = line.name;
    if (command == "kinds") {
      const QDateTime now = QDateTime::currentDateTimeUtc().addSecs(-120);
      QString essay;
      for (int i = 1; i <= 60; ++i)
        essay += QStringLiteral("%1. The quick brown fox jumps over the lazy dog, again and again.\n").arg(i);
      const QImage picture = tools::sampleLandscape();
      const QString notes = files.filePath(QStringLiteral("notes.txt"));
      QFile file(notes);
      if (file.open(QIODevice::WriteOnly)) file.write("Shopping\n- bread\n- apples\n- coffee beans\n");
      file.close();
      const QString table = files.filePath(QStringLiteral("prices.csv"));
      QFile csv(table);
      if (csv.open(QIODevice::WriteOnly)) csv.write(QByteArray(2500, ','));
      csv.close();
      const QList<ClipboardItem> items = {
          ClipboardItem::make(QUuid::createUuid(), "org.gnome.TextEditor", now, TextPayload{essay}),
          ClipboardItem::make(
              QUuid::createUuid(), "org.gnome.TextEditor", now,
              CodePayload{"def greet(name):\n    return f\"Hello, {name}!\"\n\nprint(greet(\"World\"))\n", "Python"}),
          ClipboardItem::make(QUuid::createUuid(), "org.gnome.Loupe", now,
                              ImagePayload{picture, "landscape.png", 1200, 800, "48 KB"}),
          ClipboardItem::make(QUuid::createUuid(), "org.gimp.GIMP", now, ColorPayload{"#FFCC00", 255, 204, 0}),
          ClipboardItem::make(QUuid::createUuid(), "firefox", now,
                              LinkPayload{*parseStrictUrl("https://example.org/articles/preview-panes"),
                                          "example.org",
                                          QString("Designing preview panes"),
                                          QString("Notes on panes that show one thing at a readable size."),
                                          {}}),
          ClipboardItem::make(QUuid::createUuid(), "org.gnome.Nautilus", now,
                              FilePayload{"notes.txt", "42 bytes", Url::fromLocalFile(notes)}),
          ClipboardItem::make(QUuid::createUuid(), "org.gnome.Nautilus", now,
                              FilePayload{"Quarterly report.pdf", "2 MB",
                                          Url::fromLocalFile(files.filePath("gone/Quarterly report.pdf"))}),
          ClipboardItem::make(QUuid::createUuid(), "org.gnome.TextEditor", now,
                              TextPayload{QStringLiteral("The door code is 4711")}),
          ClipboardItem::make(QUuid::createUuid(), "org.gnome.Nautilus", now,
                              FilePayload{"prices.csv", QString(), Url::fromLocalFile(table)}),
      };
      state.setItems(items);
      state.toggleSensitive(items.at(7).id);
    } else if (command == "text") {
      const QString text = QUrl::fromPercentEncoding(words.value(1).toLatin1());
      state.addItem(ClipboardItem::make(QUuid::createUuid(), "org.gnome.TextEditor", QDateTime::currentDateTimeUtc(),
                                        TextPayload{text}));
    } else if (command == "detail") {
      const int index = words.value(1).toInt();
      if (index < 0 || index >= state.items().size()) return;
      if (!library.window() || !library.window()->isVisible()) library.show(state);
      library.model()->setPreviewID(state.items().at(index).id);
    } else if (command == "reopen") {
      library.show(state);
    } else if (command == "appearance") {
      applyAppearance(*context, words.value(1));
    } else if (command == "button") {
      const QString help = words.mid(1).join(' ');
      QWidget* target = nullptr;
      if (LibraryDetailView* view = shown() ? pane() : nullptr) {
        for (const auto& each : view->actionRow())
          if (each.help == help) target = view->button(each.action);
        if (help == "Cancel" && view->isEditing()) target = view->cancelButton();
        if (help == "Save" && view->isEditing()) target = view->saveButton();
      }
      LibraryView* view = library.window() ? library.window()->view() : nullptr;
      FilterPanelView* surface = library.window() ? library.window()->filterSurface() : nullptr;
      if (view && help == "New category") target = &view->newCategoryButton();
      if (surface && surface->isVisible() && surface->formView() && help == "Name")
        target = &surface->formView()->nameField();
      if (view && help == "Grid") {
        const QPoint at = view->grid().mapToGlobal(QPoint(view->grid().width() - 60, 60));
        say(QString("button %1 %2").arg(at.x()).arg(at.y()));
        return;
      }
      if (!target) {
        say("button none");
      } else {
        const QPoint middle = target->mapToGlobal(target->rect().center());
        say(QString("button %1 %2").arg(middle.x()).arg(middle.y()));
      }
    } else if (command == "status") {
      const std::optional<ClipboardItem> item = shown();
      const QString text = item ? item->plainText().value_or(QString()) : QString();
      // The text last: percent signs in it must not meet arg().
      const auto encoded = [](const QString& value) { return QString::fromLatin1(QUrl::toPercentEncoding(value)); };
      const QWidget* focused = QApplication::focusWidget();
      LibraryView* view = library.window() ? library.window()->view() : nullptr;
      FilterPanelView* surface = library.window() ? library.window()->filterSurface() : nullptr;
      QString focus = QStringLiteral("none");
      if (view && view->searchField().hasFocus()) focus = QStringLiteral("search");
      else if (surface && surface->formView() && surface->formView()->nameField().hasFocus())
        focus = QStringLiteral("name");
      else if (pane() && pane()->editor() && pane()->editor()->hasFocus()) focus = QStringLiteral("editor");
      else if (focused && focused == library.window()) focus = QStringLiteral("window");
      else if (focused) focus = QString::fromLatin1(focused->metaObject()->className());
      say(QString("status open=%1 editing=%2 active=%3 hidden=%4 copied=%5 compositor=%6 focus=%7 query=%8 ")
              .arg(int(library.isVisible()))
              .arg(int(pane() && pane()->isEditing()))
              .arg(int(state.detailEditingActive()))
              .arg(int(pane() && pane()->isHidden()))
              .arg(int(pane() && pane()->copied()))
              .arg(int(pane() && pane()->translucency().compositor))
              .arg(focus, encoded(library.model() ? library.model()->query() : QString())) +
          "draft=" + encoded(pane() ? pane()->draft() : QString()) +
          " caption=" + encoded(item ? pane()->caption().content().detailText : QString()) + " text=" + encoded(text));
    } else if (command == "shot") {
      tools::shotWhenSettled(words.value(1), 500);
    }
  });
  QTimer::singleShot(100, &app, [] { say("ready"); });
  return app.exec();
}
