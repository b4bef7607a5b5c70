// Painting one card's content into a card-sized image, per kind, at pixel ratios 1 and 2, with
// what loads off the main thread (thumbnails, preview images, their pre-scaled copies) in place.
#include "cards/content/CardContentItem.h"
#include "items/ItemServices.h"
#include "items/link/OGImageCache.h"
#include "items/stores/ImageStore.h"
#include "support/BenchMain.h"
#include "support/app/FakeContext.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>

namespace {

using namespace qv;

ClipboardItem item(ClipboardPayload payload) {
  return ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"),
                             QDateTime::currentDateTimeUtc(), std::move(payload));
}

QImage photo(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient gradient(0, 0, size.width(), size.height());
  gradient.setColorAt(0, QColor(70, 130, 200));
  gradient.setColorAt(1, QColor(60, 140, 80));
  painter.fillRect(image.rect(), gradient);
  for (int i = 0; i < 200; ++i)
    painter.fillRect(QRect((i * 37) % size.width(), (i * 53) % size.height(), 20, 12),
                     QColor::fromHsv(i * 7 % 360, 160, 220));
  return image;
}

struct Fixture {
  FakeContext fake;
  std::vector<ClipboardItem> items;
  std::vector<QString> names;

  Fixture() {
    fake.context->frameClock = std::make_shared<ManualFrameClock>();
    installInterfaceServices(*fake.context);
    installItemServices(*fake.context);
    // Realistic items of 100–200 bytes, one long code item, and a megabyte of text.
    const QString text = QStringLiteral(
        "Reminder: the quarterly report is due Friday. Please send your numbers to Dana by Thursday noon so "
        "that the charts can be updated in time.");
    QString code;
    for (int i = 0; code.size() < 1500; ++i)
      code += QStringLiteral("    let total%1 = items.filter { $0.isActive }.map(\\.price).reduce(0, +) // sum %1\n")
                  .arg(i);
    QString mega;
    while (mega.size() < 1'000'000) mega += text + QLatin1Char(' ');
    add(QStringLiteral("text"), item(TextPayload{text}));
    add(QStringLiteral("text1MB"), item(TextPayload{mega}));
    add(QStringLiteral("code"), item(CodePayload{code, QStringLiteral("swift")}));
    add(QStringLiteral("color"), item(ColorPayload{QStringLiteral("#585DC1"), 88, 93, 193}));
    add(QStringLiteral("file"),
        item(FilePayload{QStringLiteral("quarterly-report-final.pdf"), QStringLiteral("2.4 MB"), std::nullopt}));
    const ClipboardItem image = item(
        ImagePayload{QImage(), QStringLiteral("photo.png"), 3000, 2000, QStringLiteral("3 MB")});
    fake.context->imageStore->save(photo({3000, 2000}), image.idString());
    add(QStringLiteral("image"), image);
    const ClipboardItem link = item(
        LinkPayload{Url::fromLocalFile(QStringLiteral("/")), QStringLiteral("developer.example.com"),
                    QStringLiteral("Getting started with the new layout engine"),
                    QStringLiteral("Everything you need to move your app over in an afternoon."),
                    QStringLiteral("https://developer.example.com/og.png")});
    fake.context->ogImageCache->save(photo({1200, 630}), link.idString());
    add(QStringLiteral("link"), link);
    add(QStringLiteral("linkTextOnly"),
        item(LinkPayload{Url::fromLocalFile(QStringLiteral("/")), QStringLiteral("news.example.org"),
                         QStringLiteral("A page without a preview image"), QStringLiteral("Its description runs on."),
                         std::nullopt}));
  }
  void add(const QString& name, ClipboardItem value) {
    names.push_back(name);
    items.push_back(std::move(value));
  }
  static Fixture& shared() { return bench::sharedFixture<Fixture>(); }
};

void BM_PaintCardContent(benchmark::State& state) {
  Fixture& fixture = Fixture::shared();
  const size_t kind = size_t(state.range(0));
  const double dpr = double(state.range(1));
  state.SetLabel((fixture.names[kind] + QStringLiteral(" @%1x").arg(dpr)).toStdString());
  CardContentItem content(*fixture.fake.context);
  content.setItem(fixture.items[kind]);
  QImage target(QSize(int(280 * dpr), int(240 * dpr)), QImage::Format_ARGB32_Premultiplied);
  target.setDevicePixelRatio(dpr);
  target.fill(Qt::transparent);
  QPainter painter(&target);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  const QRectF rect(0, 0, 280, 240);
  const EnvironmentValues environment = fixture.fake.context->environment->values();
  // Load, animate in and pre-scale what the card shows, as a card on screen would.
  for (int round = 0; round < 3; ++round) {
    content.paintContent(painter, rect, environment);
    fixture.fake.drain();
    static_cast<ManualFrameClock&>(*fixture.fake.context->frameClock).advanceFrames(120);
  }
  for (auto _ : state) content.paintContent(painter, rect, environment);
}
BENCHMARK(BM_PaintCardContent)->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7}, {1, 2}})->Unit(benchmark::kMicrosecond);

// The first paint of a megabyte text item: its layout is made from scratch each time.
void BM_FirstPaintOf1MBText(benchmark::State& state) {
  Fixture& fixture = Fixture::shared();
  QImage target(QSize(560, 480), QImage::Format_ARGB32_Premultiplied);
  target.setDevicePixelRatio(2);
  QPainter painter(&target);
  const EnvironmentValues environment = fixture.fake.context->environment->values();
  for (auto _ : state) {
    CardContentItem content(*fixture.fake.context);
    content.setItem(fixture.items[1]);
    content.paintContent(painter, QRectF(0, 0, 280, 240), environment);
  }
}
BENCHMARK(BM_FirstPaintOf1MBText)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QApplication>(argc, argv); }
