#include "preview/PreviewGallery.h"

#include "cards/ViewServices.h"
#include "items/stores/ImageStore.h"
#include "platform/DesktopEntries.h"
#include "platform/fake/FakeDesktopEntries.h"
#include "platform/fake/FakeMenuPresenter.h"
#include "platform/fake/FakeSharePicker.h"
#include "platform/fake/FakeThumbnailService.h"
#include "preview/DownsampledImageView.h"
#include "preview/EditableTextView.h"
#include "preview/FileThumbnailView.h"
#include "preview/FolderPreview.h"
#include "preview/PreviewCaption.h"
#include "preview/QuickLookButton.h"
#include "preview/QuickLookWindow.h"
#include "preview/SharePickerAnchor.h"
#include "state/PanelState.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/view/GalleryRegistry.h"

#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <cmath>

namespace qv {

namespace {

// A landscape with a sun and a red frame, to see the fit by.
QImage landscape(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, size.height());
  sky.setColorAt(0, QColor(120, 180, 240));
  sky.setColorAt(1, QColor(60, 110, 200));
  painter.fillRect(image.rect(), sky);
  const double unit = std::min(size.width(), size.height());
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 214, 90));
  painter.drawEllipse(QPointF(size.width() * 0.7, size.height() * 0.3), unit * 0.12, unit * 0.12);
  painter.setBrush(QColor(70, 140, 80));
  QPainterPath hills;
  hills.moveTo(0, size.height());
  for (int x = 0; x <= size.width(); x += std::max(1, size.width() / 60))
    hills.lineTo(x, size.height() * (0.68 + 0.08 * std::sin(x * 9.0 / size.width())));
  hills.lineTo(size.width(), size.height());
  painter.drawPath(hills);
  painter.setPen(QPen(Qt::red, unit * 0.02));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRectF(image.rect()).adjusted(unit * 0.01, unit * 0.01, -unit * 0.01, -unit * 0.01));
  return image;
}

QImage editors(GalleryScene& scene) {
  GallerySheet sheet(scene, {720, 250});
  ViewServices& services = scene.services<ViewServices>();
  const std::pair<bool, QString> samples[] = {
      {false, QStringLiteral("Meeting notes — Thursday\n\nAgenda:\n• Budget for Q3 (Anna)\n• Launch date: 14 March\n"
                             "• Open questions from the last review\n\nDecisions will go out by mail.")},
      {true, QStringLiteral("func greet(_ name: String) -> String {\n    let greeting = \"Hello, \\(name)!\"\n"
                            "    return greeting\n}\n\nprint(greet(\"World\"))")},
  };
  double x = 10;
  for (const auto& [monospaced, text] : samples) {
    previewTile(sheet, monospaced ? QStringLiteral("Code") : QStringLiteral("Text"), {x, 24, 340, 216});
    QWidget host;
    host.setAttribute(Qt::WA_TranslucentBackground);
    host.resize(340, 216);
    auto* layout = new QVBoxLayout(&host);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* editor = new EditableTextView(services, monospaced, &host);
    layout->addWidget(editor);
    editor->setProps({text}, {});
    host.setAttribute(Qt::WA_DontShowOnScreen);
    host.show();
    if (scene.settle) scene.settle();
    sheet.put(host, {x, 24});
    x += 360;
  }
  return sheet.finish();
}

QImage images(GalleryScene& scene) {
  GallerySheet sheet(scene, {980, 250});
  ViewServices& services = scene.services<ViewServices>();
  const QString corrupt = services.imageStore->directory() + QStringLiteral("/GALLERY-CORRUPT.png");
  QFile file(corrupt);
  if (file.open(QIODevice::WriteOnly)) file.write("\x89PNG\r\n\x1a\nnot a picture");
  file.close();
  struct Sample {
    QString title;
    DownsampledImageView::Props props;
    bool settle;
  };
  const Sample samples[] = {
      {QStringLiteral("6000 × 4000, preparing"),
       {QStringLiteral("GALLERY-A"), landscape({6000, 4000}), {6000, 4000}},
       false},
      {QStringLiteral("6000 × 4000, downsampled"),
       {QStringLiteral("GALLERY-B"), landscape({6000, 4000}), {6000, 4000}},
       true},
      {QStringLiteral("900 × 1300, portrait"),
       {QStringLiteral("GALLERY-C"), landscape({900, 1300}), {900, 1300}},
       true},
      {QStringLiteral("Corrupt file"), {QStringLiteral("GALLERY-CORRUPT"), QImage(), {3000, 2000}}, true},
  };
  double x = 10;
  for (const Sample& sample : samples) {
    previewTile(sheet, sample.title, {x, 24, 230, 216});
    DownsampledImageView view(services);
    GalleryScene::showOffscreen(view, {230, 216});
    view.setProps(sample.props);
    if (sample.settle && scene.settle) scene.settle();
    scene.runFrames(sample.settle ? 120 : 3);
    sheet.put(view, {x, 24});
    x += 242;
  }
  QFile::remove(corrupt);
  return sheet.finish();
}

QImage captions(GalleryScene& scene) {
  GallerySheet sheet(scene, {720, 230});
  ViewServices& services = scene.services<ViewServices>();
  PanelState state(services);
  const QDateTime now = services.scheduler->now();
  auto item = [&](ClipboardPayload payload, QString source, int secondsAgo) {
    return ClipboardItem::make(QUuid::createUuid(), std::move(source), now.addSecs(-secondsAgo), std::move(payload));
  };
  QString longText;
  for (int i = 0; i < 240; ++i) longText += QStringLiteral("Lorem ipsum dolor sit amet, consectetur. ");
  longText += QStringLiteral("\nnext line");
  const ClipboardItem text = item(TextPayload{longText}, QStringLiteral("org.gnome.TextEditor"), 125);
  const ClipboardItem code = item(CodePayload{"let a = 1\nlet b = 2\nprint(a + b)", "Swift"},
                                  QStringLiteral("org.gnome.TextEditor"), 3600 * 5);
  const ClipboardItem image = item(
      ImagePayload{QImage(), QStringLiteral("Screenshot 2026-03-14.png"), 2880, 1800, QStringLiteral("1.8 MB")},
      QString::fromLatin1(kNearbyDeviceBundleID), 40);
  const ClipboardItem file = item(FilePayload{QStringLiteral("backup.tar.gz"), QStringLiteral("12.4 MB"), {}},
                                  QStringLiteral("org.gnome.Nautilus"), 86400 * 3);
  const ClipboardItem secret = item(TextPayload{QStringLiteral("hunter2")}, QStringLiteral("org.gnome.TextEditor"), 10);
  const CustomCategory work = state.addCategory(QStringLiteral("Work"), 2);
  const CustomCategory snippets = state.addCategory(QStringLiteral("Snippets and reusable fragments"), 5);
  state.setCategory(work.id, text.id);
  state.setCategory(snippets.id, code.id);
  state.setCategory(snippets.id, secret.id);
  state.setSensitiveIDs({secret.id});
  const std::tuple<QString, ClipboardItem, double> rows[] = {
      {QStringLiteral("Text, category"), text, 420},        {QStringLiteral("Code, long category, narrow"), code, 230},
      {QStringLiteral("Image, nearby device"), image, 420}, {QStringLiteral("File"), file, 420},
      {QStringLiteral("Sensitive: one line"), secret, 420},
  };
  double y = 10;
  for (const auto& [title, shown, width] : rows) {
    sheet.label(title, {10, y + 16});
    PreviewCaption caption(services, &state);
    caption.setProps({shown});
    caption.resize(int(width), caption.sizeHint().height());
    sheet.put(caption, {200, y});
    y += 44;
  }
  return sheet.finish();
}

QImage shareMenu(GalleryScene& scene) {
  ViewServices& services = scene.services<ViewServices>();
  auto* presenter = dynamic_cast<FakeMenuPresenter*>(services.menuPresenter.get());
  if (!presenter) return scene.canvas(10, 10);
  if (auto* entries = dynamic_cast<FakeDesktopEntries*>(services.desktopEntries.get())) {
    for (const char* name : {"accessories-text-editor", "web-browser", "utilities-terminal"}) {
      const QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
      entries->addIcon(QString::fromLatin1(name), icon.isNull() ? FakeDesktopEntries::solidIcon(Qt::darkCyan) : icon);
    }
  }
  auto picker = std::make_shared<FakeSharePicker>();
  picker->targets = {
      {ShareTarget::Kind::application, QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor"),
       QStringLiteral("accessories-text-editor"), true},
      {ShareTarget::Kind::application, QStringLiteral("firefox"), QStringLiteral("Firefox"),
       QStringLiteral("web-browser"), false},
      {ShareTarget::Kind::application, QStringLiteral("org.gnome.Terminal"), QStringLiteral("Terminal"),
       QStringLiteral("utilities-terminal"), false},
      {ShareTarget::Kind::email, {}, QString::fromUtf16(kEmailTargetTitle), {}, false},
  };
  const std::shared_ptr<SharePicker> kept = std::exchange(services.sharePicker, picker);
  QWidget window;
  window.setAttribute(Qt::WA_DontShowOnScreen);
  window.resize(200, 100);
  SharePickerAnchor anchor(services, &window);
  anchor.setGeometry(160, 10, 28, 28);
  window.show();
  anchor.setProps({{ShareItem::ofText(QStringLiteral("hello"))}, 1}, {});
  services.sharePicker = kept;
  QMenu* menu = presenter->lastMenu();
  if (!menu) return scene.canvas(10, 10);
  menu->setAttribute(Qt::WA_DontShowOnScreen);
  menu->popup(QPoint(0, 0));
  if (!menu->actions().isEmpty()) menu->setActiveAction(menu->actions().at(1));
  scene.runFrames(20);
  QImage image = menu->grab().toImage();
  menu->hide();
  if (scene.settle) scene.settle();
  return image;
}

QImage fileThumbnails(GalleryScene& scene) {
  GallerySheet sheet(scene, {1330, 360});
  ViewServices& services = scene.services<ViewServices>();
  auto thumbnails = std::make_shared<FakeThumbnailService>();
  const std::shared_ptr<ThumbnailService> kept = std::exchange(services.thumbnailService, thumbnails);
  const QSizeF size(420, 320);
  struct Sample {
    QString title;
    QString name;
    std::optional<QImage> answer;  // none: still waiting
    bool answered;
  };
  const Sample samples[] = {
      {QStringLiteral("Waiting"), QStringLiteral("Holiday.mov"), std::nullopt, false},
      {QStringLiteral("Thumbnail, 16 inset, 10 corners"), QStringLiteral("Sunset over the bay.heic"),
       landscape({1024, 683}), true},
      {QStringLiteral("No thumbnail: icon and name"),
       QStringLiteral("Quarterly planning workshop — notes, decisions and the open questions from all "
                      "three teams (final version, reviewed).pages"),
       std::nullopt, true},
  };
  double x = 10;
  for (const Sample& sample : samples) {
    FileThumbnailView view(services);
    GalleryScene::showOffscreen(view, size.toSize());
    view.setProps({QStringLiteral("/gallery/") + sample.name, sample.name, 16, 10, size});
    if (sample.answered) thumbnails->answer(thumbnails->requests.size() - 1, sample.answer);
    if (scene.settle) scene.settle();
    scene.runFrames(120);
    previewTile(sheet, sample.title, {x, 24, size.width(), size.height()});
    sheet.put(view, {x, 24});
    x += size.width() + 12;
  }
  services.thumbnailService = kept;
  return sheet.finish();
}

QImage folders(GalleryScene& scene) {
  GallerySheet sheet(scene, {900, 330});
  ViewServices& services = scene.services<ViewServices>();
  const std::pair<QString, QString> samples[] = {
      {QStringLiteral("In the home folder"), QDir::homePath() + QStringLiteral("/Projects")},
      {QStringLiteral("Long name, deep location"),
       QStringLiteral("/srv/archive/department/finance/reports/quarterly/2025/second-half/reviewed/approved/"
                      "Quarterly results, forecasts, the board's questions and the answers for every region, "
                      "with the appendices of all departments")},
  };
  double x = 10;
  for (const auto& [title, path] : samples) {
    FolderPreview view(services);
    view.setProps({path});
    GalleryScene::showOffscreen(view, {420, 300});
    previewTile(sheet, title, {x, 24, 420, 300});
    sheet.put(view, {x, 24});
    x += 440;
  }
  return sheet.finish();
}

QImage quickLookButtons(GalleryScene& scene) {
  GallerySheet sheet(scene, {420, 150});
  ViewServices& services = scene.services<ViewServices>();
  // Over a busy background, as on a thumbnail: the material shows what lies behind.
  sheet.painter().drawImage(QRectF(0, 20, 420, 130), landscape({840, 260}));
  double y = 16;
  for (const bool compact : {false, true}) {
    double x = 10;
    for (const bool hovered : {false, true}) {
      QuickLookButton button(services);
      button.setProps({QStringLiteral("/gallery/file.key"), compact});
      GalleryScene::showOffscreen(button, button.sizeHint());
      if (hovered) scene.hover(button, button.capsuleRect().center());
      sheet.label(QStringLiteral("%1%2").arg(compact ? "Compact" : "Regular", hovered ? ", hovered" : ""), {x, y});
      sheet.put(button, {x, y + 6});
      x += 200;
    }
    y += 66;
  }
  return sheet.finish();
}

QImage quickLookWindow(GalleryScene& scene) {
  GallerySheet sheet(scene, {1000, 340});
  ViewServices& services = scene.services<ViewServices>();
  QTemporaryDir dir;
  const QString picture = dir.filePath(QStringLiteral("Sunset over the bay.jpg"));
  landscape({3000, 2000}).save(picture, "jpeg");
  const QString unknown = dir.filePath(QStringLiteral("Backup of the old laptop.qvbackup"));
  QFile blob(unknown);
  if (blob.open(QIODevice::WriteOnly)) blob.write(QByteArray(1834000, '\0'));
  blob.close();
  auto thumbnails = std::make_shared<FakeThumbnailService>();
  const std::shared_ptr<ThumbnailService> kept = std::exchange(services.thumbnailService, thumbnails);
  double x = 10;
  for (const auto& [title, path] : {std::pair{QStringLiteral("A picture"), picture},
                                    std::pair{QStringLiteral("No picture, no thumbnail: the details"), unknown}}) {
    QuickLookView view(services);
    GalleryScene::showOffscreen(view, {480, 310});
    view.setProps({path});
    if (scene.settle) scene.settle();
    thumbnails->answerAll();
    if (scene.settle) scene.settle();
    sheet.label(title, {x, 16});
    sheet.put(view, {x, 24});
    x += 500;
  }
  services.thumbnailService = kept;
  return sheet.finish();
}

}  // namespace

void previewBox(GallerySheet& sheet, const QRectF& rect) {
  const EnvironmentValues& environment = sheet.environment();
  sheet.painter().fillPath(Fx::continuousRoundedRect(rect, 20),
                           environment.isDark() ? QColor(44, 44, 48) : QColor(250, 250, 252));
  Fx::strokeInnerBorder(sheet.painter(), rect, 20, primaryColor(environment, 0.08), 0.75);
}

void previewTile(GallerySheet& sheet, const QString& title, const QRectF& rect) {
  sheet.label(title, {rect.left(), rect.top() - 8});
  previewBox(sheet, rect);
}

void addPreviewGalleryViews(GalleryRegistry& registry) {
  registry.add(QStringLiteral("preview-editor"), editors);
  registry.add(QStringLiteral("preview-image"), images);
  registry.add(QStringLiteral("preview-caption"), captions);
  registry.add(QStringLiteral("preview-share-menu"), shareMenu);
  registry.add(QStringLiteral("preview-file-thumbnail"), fileThumbnails);
  registry.add(QStringLiteral("preview-folder"), folders);
  registry.add(QStringLiteral("preview-quicklook-button"), quickLookButtons);
  registry.add(QStringLiteral("preview-quicklook-window"), quickLookWindow);
  addFilePreviewGalleryViews(registry);
  addDocumentGalleryViews(registry);
}

}  // namespace qv
