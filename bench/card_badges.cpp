// Painting what lies over one card (badge row, footer with the source badge, the hover row of
// quick actions) through the scene, as the card list does, at pixel ratios 1 and 2.
#include "cards/badges/CardOverlay.h"
#include "cards/badges/CardQuickActions.h"
#include "items/ItemServices.h"
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

void BM_PaintCardOverlay(benchmark::State& state) {
  FakeContext fake;
  bench::installCardServices(fake);
  const bool overPicture = state.range(0) == 1;
  const double dpr = double(state.range(1));
  state.SetLabel(std::string(overPicture ? "dark colour" : "text") + " @" + std::to_string(int(dpr)) + "x");
  const ClipboardPayload payload =
      overPicture ? ClipboardPayload(ColorPayload{QStringLiteral("#585DC1"), 88, 93, 193})
                  : ClipboardPayload(TextPayload{
                        QStringLiteral("Reminder: the quarterly report is due Friday. Please send your numbers to Dana "
                                       "by Thursday noon so that the charts can be updated in time.")});
  const ClipboardItem item = ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"),
                                                 fake.scheduler->now().addSecs(-300), payload);
  QGraphicsScene scene;
  auto* overlay = new CardOverlay(*fake.context);
  auto* actions = new CardQuickActions(*fake.context);
  scene.addItem(overlay);
  scene.addItem(actions);
  overlay->setProps(
      CardOverlay::Props::of(item, true, CustomCategory{QUuid::createUuid(), QStringLiteral("Work"), 3}, 66),
      {[](const BadgeFilter&) {}, [](const BadgeFilter&) { return false; }});
  actions->setProps({true, true, false, false, false}, {[] {}, [] {}, [] {}, {}});
  static_cast<ManualFrameClock&>(*fake.context->frameClock).advanceFrames(120);

  QImage target(QSize(int(280 * dpr), int(240 * dpr)), QImage::Format_ARGB32_Premultiplied);
  target.setDevicePixelRatio(dpr);
  target.fill(Qt::transparent);
  QPainter painter(&target);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  const QRectF card(0, 0, 280, 240);
  scene.render(&painter, card, card);  // warm the icon, symbol and shadow caches
  for (auto _ : state) scene.render(&painter, card, card);
}
BENCHMARK(BM_PaintCardOverlay)->ArgsProduct({{0, 1}, {1, 2}})->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QApplication>(argc, argv); }
