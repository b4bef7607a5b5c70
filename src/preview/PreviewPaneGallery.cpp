#include "preview/PreviewPaneGallery.h"

#include "cards/ViewServices.h"
#include "items/stores/ImageStore.h"
#include "platform/fake/FakeThumbnailService.h"
#include "preview/ItemPreviewView.h"
#include "preview/SampleDocuments.h"
#include "state/PanelState.h"
#include "ui/controls/ControlStyle.h"
#include "ui/text/Fonts.h"
#include "ui/view/GalleryRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <cmath>

namespace qv {

namespace {

struct Pane {
  QString title;
  ClipboardItem item;
  std::function<void(PanelState&, ItemPreviewView&)> prepare = {};
};

QImage meadow(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, size.height());
  sky.setColorAt(0, QColor(110, 170, 235));
  sky.setColorAt(1, QColor(200, 225, 245));
  painter.fillRect(image.rect(), sky);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(250, 210, 90));
  painter.drawEllipse(QPointF(size.width() * 0.75, size.height() * 0.28), size.height() * 0.12, size.height() * 0.12);
  painter.setBrush(QColor(80, 150, 90));
  QPainterPath hills;
  hills.moveTo(0, size.height());
  for (int x = 0; x <= size.width(); x += 8)
    hills.lineTo(x, size.height() * (0.66 + 0.07 * std::sin(x * 7.0 / size.width())));
  hills.lineTo(size.width(), size.height());
  painter.drawPath(hills);
  return image;
}

// Panes side by side with their titles above them, as they stand beside a right-hand panel.
QImage paneSheet(GalleryScene& scene, const std::vector<Pane>& panes, const QString& edgeSide = {}) {
  ViewServices& services = scene.services<ViewServices>();
  PanelState state(services);
  state.setEdgeSide(edgeSide);
  QList<ClipboardItem> items;
  for (const Pane& pane : panes) items << pane.item;
  state.setItems(items);
  std::vector<std::unique_ptr<ItemPreviewView>> views;
  double width = 10, height = 0;
  for (const Pane& pane : panes) {
    auto view = std::make_unique<ItemPreviewView>(services, state, ItemPreviewView::Props{pane.item, 700},
                                                  ItemPreviewView::Callbacks{});
    view->setAttribute(Qt::WA_DontShowOnScreen);
    // As a compositor shows it: with the boxes' shadows.
    view->setTranslucency({true, false});
    view->resize(view->sizeHint());
    view->show();
    if (pane.prepare) pane.prepare(state, *view);
    width += view->width() + 10;
    height = std::max(height, double(view->height()));
    views.push_back(std::move(view));
  }
  if (scene.settle) scene.settle();
  // The gallery's thumbnails answer as the desktop does for a file it cannot draw: none.
  if (auto* thumbnails = dynamic_cast<FakeThumbnailService*>(services.thumbnailService.get())) thumbnails->answerAll();
  scene.runFrames(120);
  if (scene.settle) scene.settle();
  scene.runFrames(30);
  GallerySheet sheet(scene, {width, height + 30});
  double x = 10;
  for (size_t i = 0; i < views.size(); ++i) {
    sheet.painter().setFont(systemFont(10));
    sheet.painter().setPen(primaryColor(scene.environment, 0.45));
    sheet.painter().drawText(QPointF(x + ItemPreviewView::kShadowRoom, 16), panes[i].title);
    sheet.put(*views[i], {x, 24});
    x += views[i]->width() + 10;
  }
  views.clear();
  if (scene.settle) scene.settle();
  return sheet.finish();
}

ClipboardItem item(ClipboardPayload payload, const QString& source, const QDateTime& now, int secondsAgo) {
  return ClipboardItem::make(QUuid::createUuid(), source, now.addSecs(-secondsAgo), std::move(payload));
}

QString notes() {
  return QStringLiteral(
      "Meeting notes — Thursday\n\nAgenda:\n• Budget for Q3 (Anna)\n• Launch date: 14 March\n• Open questions "
      "from the last review\n\nDecisions will go out by mail before the end of the week, with the minutes and "
      "the list of who does what.");
}

QImage textAndCode(GalleryScene& scene) {
  const QDateTime now = scene.context.scheduler->now();
  QString wide;
  for (int i = 0; i < 14; ++i)
    wide += QStringLiteral(
                "%1  2026-03-14 09:%2:11  GET /api/v2/items?page=%1&size=50&sort=recent  200  12ms  agent=Mozilla/5.0 "
                "(X11; Linux)\n")
                .arg(i + 1)
                .arg(10 + i);
  return paneSheet(
      scene, {
                 {QStringLiteral("Text"), item(TextPayload{notes()}, QStringLiteral("org.gnome.TextEditor"), now, 125)},
                 {QStringLiteral("Wide text"), item(TextPayload{wide}, QStringLiteral("org.gnome.Terminal"), now, 40)},
                 {QStringLiteral("Code"),
                  item(CodePayload{QStringLiteral("func greet(_ name: String) -> String {\n    let greeting = \"Hello, "
                                                  "\\(name)!\"\n    return greeting\n}\n\nprint(greet(\"World\"))"),
                                   QStringLiteral("Swift")},
                       QStringLiteral("org.gnome.TextEditor"), now, 3600)},
             });
}

QImage pictureAndColour(GalleryScene& scene) {
  ViewServices& services = scene.services<ViewServices>();
  const QDateTime now = services.scheduler->now();
  const QImage picture = meadow({1600, 1000});
  const QImage portrait = meadow({700, 1000});
  return paneSheet(scene, {
                              {QStringLiteral("Image"),
                               item(ImagePayload{picture, QStringLiteral("meadow.png"), 1600, 1000, "1.2 MB"},
                                    QStringLiteral("org.gnome.Loupe"), now, 300)},
                              {QStringLiteral("Portrait image"),
                               item(ImagePayload{portrait, QStringLiteral("portrait.png"), 700, 1000, "420 KB"},
                                    QStringLiteral("org.gnome.Loupe"), now, 300)},
                              {QStringLiteral("Colour, light"),
                               item(ColorPayload{"#ffcc00", 255, 204, 0}, QStringLiteral("org.gimp.GIMP"), now, 60)},
                              {QStringLiteral("Colour, dark"),
                               item(ColorPayload{"#2E3A59", 46, 58, 89}, QStringLiteral("org.gimp.GIMP"), now, 60)},
                          });
}

QImage linksAndFiles(GalleryScene& scene) {
  ViewServices& services = scene.services<ViewServices>();
  const QDateTime now = services.scheduler->now();
  const Url link = *parseStrictUrl(QStringLiteral("https://example.org/articles/preview-panes"));
  return paneSheet(
      scene,
      {
          {QStringLiteral("Link"),
           item(LinkPayload{link, QStringLiteral("example.org"), QStringLiteral("Designing preview panes"),
                            std::nullopt, std::nullopt},
                QStringLiteral("org.mozilla.firefox"), now, 600)},
          {QStringLiteral("File gone from its place"),
           item(FilePayload{QStringLiteral("Quarterly report (final, reviewed).pdf"), QStringLiteral("2.1 MB"),
                            Url::fromLocalFile(QStringLiteral("/nonexistent/Quarterly report (final, reviewed).pdf"))},
                QStringLiteral("org.gnome.Nautilus"), now, 86400)},
          {QStringLiteral("File without a location"),
           item(FilePayload{QStringLiteral("backup.tar.gz"), QStringLiteral("12.4 MB"), std::nullopt},
                QStringLiteral("org.gnome.Nautilus"), now, 86400 * 3)},
      });
}

// Files that are where they were copied from: a source file, a PDF, a folder and an archive.
QImage presentFiles(GalleryScene& scene) {
  ViewServices& services = scene.services<ViewServices>();
  const QDateTime now = services.scheduler->now();
  QTemporaryDir folder;
  const QString source = folder.filePath(QStringLiteral("greeting.py"));
  const QString pdf = folder.filePath(QStringLiteral("Annual report.pdf"));
  const QString archive = folder.filePath(QStringLiteral("backup.tar.gz"));
  const QString photos = folder.filePath(QStringLiteral("Holiday photos"));
  QFile file(source);
  if (file.open(QIODevice::WriteOnly)) file.write(samplePythonSource().toUtf8());
  file.close();
  writeSamplePdf(pdf, 3);
  QFile blob(archive);
  if (blob.open(QIODevice::WriteOnly)) blob.write(QByteArray(4096, '\0'));
  blob.close();
  QDir().mkpath(photos);
  const QString letter = folder.filePath(QStringLiteral("Letter.rtf"));
  QFile rtf(letter);
  if (rtf.open(QIODevice::WriteOnly))
    rtf.write(
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Helvetica;}}{\\colortbl;\\red0\\green0\\blue0;\\red200\\green40\\blue40;}"
        "\\f0\\fs32 {\\b Dear Anna,}\\par\\fs24 Thank you for the {\\i quick} reply. The figures are "
        "attached; the {\\cf2 red ones} changed since Monday.\\par\\par Kind regards,\\par Ben}");
  rtf.close();
  const auto fileAt = [&](const QString& path) {
    return item(FilePayload{QFileInfo(path).fileName(), {}, Url::fromLocalFile(path)},
                QStringLiteral("org.gnome.Nautilus"), now, 3600);
  };
  return paneSheet(scene, {
                              {QStringLiteral("Source file"), fileAt(source)},
                              {QStringLiteral("PDF"), fileAt(pdf)},
                              {QStringLiteral("Folder"), fileAt(photos)},
                              {QStringLiteral("Rich document"), fileAt(letter)},
                              {QStringLiteral("Archive: thumbnail and Quick Look"), fileAt(archive)},
                          });
}

QImage statesAndLeftEdge(GalleryScene& scene) {
  ViewServices& services = scene.services<ViewServices>();
  const QDateTime now = services.scheduler->now();
  return paneSheet(
      scene,
      {
          {QStringLiteral("Sensitive (left panel)"),
           item(TextPayload{notes()}, QStringLiteral("org.gnome.TextEditor"), now, 20),
           [](PanelState& state, ItemPreviewView& pane) { state.setSensitiveIDs({pane.props().item.id}); }},
          {QStringLiteral("Editing, pinned (left panel)"),
           item(TextPayload{notes()}, QStringLiteral("org.gnome.TextEditor"), now, 20),
           [](PanelState& state, ItemPreviewView& pane) {
             state.togglePin(pane.props().item);
             pane.beginEditing();
           }},
      },
      QStringLiteral("left"));
}

// One pane caught at moments after it showed (a frame is 1/60 s): how the rail and the caption
// come in after the content box, and the editor crossfading in after Edit.
QImage moments(GalleryScene& scene) {
  ViewServices& services = scene.services<ViewServices>();
  PanelState state(services);
  const ClipboardItem text = item(TextPayload{notes()}, QStringLiteral("org.gnome.TextEditor"),
                                  services.scheduler->now(), 20);
  state.setItems({text});
  struct Moment {
    QString title;
    int frames;
    bool edit;
  };
  const Moment moments[] = {
      {QStringLiteral("Arriving: 0.03 s"), 2, false},
      {QStringLiteral("0.07 s: the rail"), 4, false},
      {QStringLiteral("0.1 s: the caption"), 6, false},
      {QStringLiteral("0.15 s"), 9, false},
      {QStringLiteral("0.25 s"), 15, false},
      {QStringLiteral("Edit, 0.1 s after"), 6, true},
  };
  std::vector<QImage> pictures;
  for (const Moment& moment : moments) {
    ItemPreviewView pane(services, state, {text, 700}, {});
    pane.setAttribute(Qt::WA_DontShowOnScreen);
    pane.setTranslucency({true, false});
    pane.resize(pane.sizeHint());
    pane.show();
    if (moment.edit) {
      scene.runFrames(60);
      pane.beginEditing();
    }
    scene.runFrames(moment.frames);
    GallerySheet picture(scene, QSizeF(pane.size()) + QSizeF(0, 24));
    picture.painter().setFont(systemFont(10));
    picture.painter().setPen(primaryColor(scene.environment, 0.45));
    picture.painter().drawText(QPointF(ItemPreviewView::kShadowRoom, 16), moment.title);
    picture.put(pane, {0, 24});
    pictures.push_back(picture.finish());
    scene.runFrames(120);
  }
  return scene.sideBySide(pictures, 10);
}

}  // namespace

void addPreviewPaneGalleryViews(GalleryRegistry& registry) {
  registry.add(QStringLiteral("preview-pane-moments"), moments);
  registry.add(QStringLiteral("preview-pane-text"), textAndCode);
  registry.add(QStringLiteral("preview-pane-image-colour"), pictureAndColour);
  registry.add(QStringLiteral("preview-pane-link-file"), linksAndFiles);
  registry.add(QStringLiteral("preview-pane-files"), presentFiles);
  registry.add(QStringLiteral("preview-pane-states"), statesAndLeftEdge);
}

}  // namespace qv
