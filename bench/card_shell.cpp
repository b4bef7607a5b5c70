// The whole card (content, badges, footer, edges, glow and shadows) as the card list paints it
// through the scene: handing it props that did not change, painting a static card from its
// cached layers, and one frame of a sensitive card while its blur moves.
#include "cards/ClipboardCardView.h"
#include "items/ItemServices.h"
#include "items/link/OGImageCache.h"
#include "support/BenchMain.h"
#include "support/CardBench.h"
#include "support/app/FakeContext.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QGraphicsScene>
#include <QPainter>

namespace {

using namespace qv;

struct Fixture {
  FakeContext fake;
  std::vector<std::pair<std::string, ClipboardItem>> items;

  Fixture() {
    bench::installCardServices(fake);
    auto add = [&](const char* name, ClipboardPayload payload) {
      items.emplace_back(name, ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"),
                                                   fake.scheduler->now().addSecs(-300), std::move(payload)));
    };
    // Realistic items of 100–200 bytes.
    add("text",
        TextPayload{QStringLiteral("Reminder: the quarterly report is due Friday. Please send your numbers to Dana by "
                                   "Thursday noon so that the charts can be updated in time.")});
    add("code", CodePayload{QStringLiteral(
                                "let total = items.filter { $0.isActive }.map(\\.price).reduce(0, +)\nprint(total)\n"),
                            QStringLiteral("swift")});
    add("color", ColorPayload{QStringLiteral("#585DC1"), 88, 93, 193});
    QImage photo(1200, 800, QImage::Format_RGB32);
    photo.fill(QColor(70, 130, 200));
    add("image", ImagePayload{photo, QStringLiteral("photo.png"), 1200, 800, QStringLiteral("1 MB")});
    add("link", LinkPayload{Url::fromLocalFile(QStringLiteral("/")), QStringLiteral("developer.example.com"),
                            QStringLiteral("Getting started with the new layout engine"),
                            QStringLiteral("Everything you need to move your app over in an afternoon."),
                            QStringLiteral("https://developer.example.com/og.png")});
    fake.context->ogImageCache->save(photo, items.back().second.idString());
  }
  ManualFrameClock& clock() { return static_cast<ManualFrameClock&>(*fake.context->frameClock); }
  static Fixture& shared() { return bench::sharedFixture<Fixture>(); }
};

// One card in a scene and a target of the card's painted size at `dpr`.
struct CardScene {
  CardScene(Fixture& shared, const ClipboardItem& item, bool selected, bool sensitive, double dpr) : fixture(shared) {
    card = new ClipboardCardView(*fixture.fake.context);
    scene.addItem(card);
    props = {item, selected, true, sensitive, CustomCategory{QUuid::createUuid(), QStringLiteral("Work"), 3}, {}, 89};
    card->setProps(props, {[](const BadgeFilter&) {}, [](const BadgeFilter&) { return false; }});
    area = card->boundingRect();
    target = QImage(QSize(int(area.width() * dpr), int(area.height() * dpr)), QImage::Format_ARGB32_Premultiplied);
    target.setDevicePixelRatio(dpr);
    target.fill(Qt::transparent);
    painter = std::make_unique<QPainter>(&target);
    painter->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    // Load and settle what the card shows, and warm every cache, as a card on screen would.
    for (int round = 0; round < 3; ++round) {
      render();
      fixture.fake.drain();
      fixture.clock().advanceFrames(120);
    }
  }
  void render() { scene.render(painter.get(), QRectF(QPointF(0, 0), area.size()), area); }

  Fixture& fixture;
  QGraphicsScene scene;
  ClipboardCardView* card;
  ClipboardCardView::Props props;
  QRectF area;
  QImage target;
  std::unique_ptr<QPainter> painter;
};

// Props equal to the shown ones: the equality gate stops them (counters: repaints asked for and
// content painted afresh, both 0).
void BM_UnchangedProps(benchmark::State& state) {
  Fixture& fixture = Fixture::shared();
  CardScene s(fixture, fixture.items[0].second, true, false, 2);
  const int repaints = s.card->repaintRequests(), renders = s.card->contentRenders();
  for (auto _ : state) {
    ClipboardCardView::Props same = s.props;
    benchmark::DoNotOptimize(
        s.card->setProps(same, {[](const BadgeFilter&) {}, [](const BadgeFilter&) { return false; }}));
  }
  state.counters["repaints"] = s.card->repaintRequests() - repaints;
  state.counters["contentRenders"] = s.card->contentRenders() - renders;
}
BENCHMARK(BM_UnchangedProps)->Unit(benchmark::kMicrosecond);

// A settled card painted from its cached layers: the whole card through the scene, and the card
// item's own paint (shadows, glow, content, eye) alone.
void BM_StaticCard(benchmark::State& state) {
  Fixture& fixture = Fixture::shared();
  const auto& [name, item] = fixture.items[size_t(state.range(0))];
  const double dpr = double(state.range(1));
  const bool selected = state.range(2) == 1, ownPaintOnly = state.range(3) == 1;
  state.SetLabel(name + (selected ? " selected" : "") + " @" + std::to_string(int(dpr)) + "x" +
                 (ownPaintOnly ? " card item only" : " whole card"));
  CardScene s(fixture, item, selected, false, dpr);
  const int renders = s.card->contentRenders();
  for (auto _ : state) {
    if (ownPaintOnly) {
      s.painter->save();
      s.painter->translate(-s.area.topLeft());
      static_cast<QGraphicsItem*>(s.card)->paint(s.painter.get(), nullptr, nullptr);
      s.painter->restore();
    } else {
      s.render();
    }
  }
  state.counters["contentRenders"] = s.card->contentRenders() - renders;
}
BENCHMARK(BM_StaticCard)->ArgsProduct({{0, 1, 2, 3, 4}, {1, 2}, {0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);

// One frame of a sensitive card while its blur moves (a tenth of a second into hiding it): the
// sharp and the blurred layer cross-fade; both are cached from the first frame on.
void BM_SensitiveBlurFrame(benchmark::State& state) {
  Fixture& fixture = Fixture::shared();
  const auto& [name, item] = fixture.items[size_t(state.range(0))];
  const double dpr = double(state.range(1));
  state.SetLabel(name + " @" + std::to_string(int(dpr)) + "x");
  CardScene s(fixture, item, false, false, dpr);
  ClipboardCardView::Props hidden = s.props;
  hidden.isSensitive = true;
  s.card->setProps(hidden);
  fixture.clock().advance(0.1);
  s.render();  // makes the blurred layer
  if (s.card->blurRadius() <= 0 || s.card->blurRadius() >= ClipboardCardView::kSensitiveBlur)
    state.SkipWithError("blur not moving");
  for (auto _ : state) s.render();
  state.counters["blur"] = s.card->blurRadius();
}
BENCHMARK(BM_SensitiveBlurFrame)->ArgsProduct({{0, 3}, {1, 2}})->Unit(benchmark::kMicrosecond);

// The first frame of that animation, which blurs the content once.
void BM_SensitiveBlurFirstFrame(benchmark::State& state) {
  Fixture& fixture = Fixture::shared();
  CardScene s(fixture, fixture.items[0].second, false, false, 2);
  ClipboardCardView::Props hidden = s.props, shown = s.props;
  hidden.isSensitive = true;
  for (auto _ : state) {
    state.PauseTiming();
    s.card->setProps(shown);
    fixture.clock().advanceFrames(120);
    s.render();
    s.card->setProps(hidden);
    fixture.clock().advance(0.05);
    state.ResumeTiming();
    s.render();
  }
}
BENCHMARK(BM_SensitiveBlurFirstFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QApplication>(argc, argv); }
