#include "library/LibraryDetailGallery.h"

#include "library/LibraryDetailView.h"
#include "library/LibraryHeaderButton.h"
#include "library/LibraryServices.h"
#include "state/PanelState.h"
#include "ui/Appearance.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/ControlStyle.h"
#include "ui/text/Fonts.h"
#include "ui/theme/Theme.h"
#include "ui/view/GalleryRegistry.h"

#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>

namespace qv {
namespace {

constexpr double kPaneWidth = 520;
constexpr double kAvailable = 600;
constexpr double kGap = 24;

ClipboardItem make(const QDateTime& at, ClipboardPayload payload,
                   const QString& app = QStringLiteral("org.example.Editor")) {
  return ClipboardItem::make(QUuid::createUuid(), app, at, std::move(payload));
}

QImage samplePicture() {
  QImage image(640, 400, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&image);
  QLinearGradient sky(0, 0, 0, 400);
  sky.setColorAt(0, QColor(80, 140, 220));
  sky.setColorAt(1, QColor(250, 200, 150));
  painter.fillRect(image.rect(), sky);
  painter.setBrush(QColor(60, 110, 70));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QPointF(200, 460), 320, 180);
  painter.drawEllipse(QPointF(520, 470), 260, 160);
  return image;
}

// What each pane of the sheet shows, and how it is set up.
struct Sample {
  ClipboardItem item;
  std::function<void(PanelState&, LibraryDetailView&)> prepare = [](PanelState&, LibraryDetailView&) {};
};

QImage kinds(GalleryScene& scene) {
  auto& services = scene.services<LibraryServices>();
  PanelState state(services);
  const QDateTime now = services.scheduler->now().addSecs(-300);
  QTemporaryDir dir;
  const QString notes = dir.filePath(QStringLiteral("notes.txt"));
  {
    QFile file(notes);
    if (file.open(QIODevice::WriteOnly))
      file.write("Shopping\n- bread\n- apples\n- coffee beans\n\nCall the plumber on Monday.\n");
  }
  QString essay;
  for (int i = 1; i <= 40; ++i)
    essay += QStringLiteral("%1. The quick brown fox jumps over the lazy dog, again and again.\n").arg(i);
  LinkPayload link{*parseStrictUrl(QStringLiteral("https://example.org/articles/slow-mornings")),
                   QStringLiteral("example.org"), QStringLiteral("Slow mornings: a field guide"),
                   QStringLiteral("How five people start their day without a screen, and what they learned."),
                   std::nullopt};
  LinkPayload fileLink{*parseStrictUrl(QStringLiteral("file:///home/anna/run.sh")), QString(), std::nullopt,
                       std::nullopt, std::nullopt};
  const QImage picture = samplePicture();
  std::vector<Sample> samples = {
      {make(now, TextPayload{essay}), [](PanelState&, LibraryDetailView& pane) { pane.copy(); }},
      {make(now,
            CodePayload{QStringLiteral("def total(items):\n    \"\"\"Sum the prices.\"\"\"\n    return sum(i.price "
                                       "for i in items)\n\nprint(total(cart))\n"),
                        QStringLiteral("Python")})},
      {make(now,
            ImagePayload{picture, QStringLiteral("hills.png"), picture.width(), picture.height(),
                         QStringLiteral("84 KB")},
            QStringLiteral("org.example.Paint"))},
      {make(now, ColorPayload{QStringLiteral("#3A7BD5"), 58, 123, 213})},
      {make(now, link, QStringLiteral("org.example.Browser"))},
      {make(now, fileLink, QStringLiteral("org.example.Terminal"))},
      {make(now, FilePayload{QStringLiteral("notes.txt"), QStringLiteral("72 bytes"), Url::fromLocalFile(notes)},
            QStringLiteral("org.example.Files"))},
      {make(now,
            FilePayload{QStringLiteral("Quarterly report.pdf"), QStringLiteral("2 MB"),
                        Url::fromLocalFile(QStringLiteral("/home/anna/Documents/Quarterly report.pdf"))},
            QStringLiteral("org.example.Files"))},
      {make(now, TextPayload{QStringLiteral("my bank PIN is 0000")}),
       [](PanelState& panel, LibraryDetailView&) { panel.toggleSensitive(panel.items().at(8).id); }},
      {make(now, TextPayload{QStringLiteral("Meeting moved to 3 pm, room 4.")}),
       [](PanelState& panel, LibraryDetailView& pane) {
         panel.togglePin(panel.items().at(9).id);
         pane.beginEditing();
       }},
  };
  QList<ClipboardItem> items;
  for (const Sample& sample : samples) items << sample.item;
  state.setItems(items);

  const int columns = 2;
  const int rows = int(samples.size() + 1) / columns;
  std::vector<double> heights;
  for (const Sample& sample : samples)
    heights.push_back(std::min(kAvailable, LibraryDetailView::fittingHeight(sample.item, kPaneWidth, kAvailable)));
  const double cellHeight = *std::max_element(heights.begin(), heights.end()) + kGap;
  QWidget backing;
  backing.setPalette(AppearanceWindows::paletteFor(scene.environment.colorScheme));
  backing.setAutoFillBackground(true);
  backing.resize(int(columns * (kPaneWidth + kGap) + kGap), int(rows * cellHeight + kGap));
  backing.setAttribute(Qt::WA_DontShowOnScreen);
  std::vector<std::unique_ptr<LibraryDetailView>> panes;
  for (size_t i = 0; i < samples.size(); ++i) {
    auto pane = std::make_unique<LibraryDetailView>(services, state,
                                                    LibraryDetailView::Props{samples[i].item, kPaneWidth, heights[i]},
                                                    LibraryDetailView::Callbacks{}, &backing);
    pane->move(int(kGap + (i % columns) * (kPaneWidth + kGap)), int(kGap + (i / columns) * cellHeight));
    panes.push_back(std::move(pane));
  }
  backing.show();
  for (size_t i = 0; i < samples.size(); ++i) samples[i].prepare(state, *panes[i]);
  for (int round = 0; round < 4; ++round) {
    scene.settle();
    scene.runFrames(30);
  }
  // The first pane's delete button under the pointer.
  scene.hover(*panes[0]->button(LibraryDetailView::Action::remove), QPointF(11, 11));
  scene.settle();
  GallerySheet sheet(scene, QSizeF(backing.size()));
  sheet.put(backing, {0, 0});
  return sheet.finish();
}

// A text pane caught halfway through its swaps (a frame is 1/60 s): the viewer and the editor,
// with the action row and the edit bar, crossfading after Edit; the placeholder and the
// content after Peek.
QImage swaps(GalleryScene& scene) {
  auto& services = scene.services<LibraryServices>();
  PanelState state(services);
  QString essay;
  for (int i = 1; i <= 12; ++i)
    essay += QStringLiteral("%1. The quick brown fox jumps over the lazy dog, again and again.\n").arg(i);
  const ClipboardItem text = make(services.scheduler->now().addSecs(-300), TextPayload{essay});
  state.setItems({text});
  struct Moment {
    QString title;
    bool peek;
    int frames;
  };
  const Moment moments[] = {
      {QStringLiteral("Edit, 0.07 s after"), false, 4},
      {QStringLiteral("Edit, 0.15 s after"), false, 9},
      {QStringLiteral("Peek, 0.1 s after"), true, 6},
  };
  const double height = 360;
  const QColor window = AppearanceWindows::paletteFor(scene.environment.colorScheme).color(QPalette::Window);
  std::vector<QImage> pictures;
  for (const Moment& moment : moments) {
    if (moment.peek) state.toggleSensitive(text.id);
    LibraryDetailView pane(services, state, {text, kPaneWidth, height}, {});
    pane.setAttribute(Qt::WA_DontShowOnScreen);
    pane.show();
    scene.runFrames(30);
    if (moment.peek) withAnimation(Theme::springStandard(), [&] { state.togglePeek(text.id); });
    else pane.beginEditing();
    scene.runFrames(moment.frames);
    // Rendered at the origin of a sheet of its own: a widget rendered through a moved painter
    // draws its crossfading (opacity-effect) children out of place.
    GallerySheet alone(scene, QSizeF(pane.size()));
    alone.put(pane, {0, 0});
    const QImage shown = alone.finish();
    GallerySheet picture(scene, QSizeF(kPaneWidth + 2 * kGap, height + 2 * kGap + 20));
    picture.painter().fillRect(QRectF(0, 0, kPaneWidth + 2 * kGap, height + 2 * kGap + 20), window);
    picture.painter().setFont(systemFont(10));
    picture.painter().setPen(primaryColor(scene.environment, 0.45));
    picture.painter().drawText(QPointF(kGap, 16), moment.title);
    picture.painter().drawImage(QPointF(kGap, kGap + 20), shown);
    pictures.push_back(picture.finish());
  }
  return scene.sideBySide(pictures, 0);
}

}  // namespace

void addLibraryDetailGalleryViews(GalleryRegistry& registry) {
  registry.add(QStringLiteral("library-detail-kinds"), kinds);
  registry.add(QStringLiteral("library-detail-swaps"), swaps);
}

}  // namespace qv
