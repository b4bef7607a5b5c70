// Painting kit costs: blurring a card-sized layer and drawing a cached shadow.
#include "ui/fx/Fx.h"
#include "support/BenchMain.h"
#include "ui/theme/Theme.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>

namespace {

QImage cardLayer() {
  QImage image(560, 480, QImage::Format_ARGB32_Premultiplied);  // 280 × 240 points at 2×
  image.setDevicePixelRatio(2);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillPath(qv::Fx::continuousRoundedRect(QRectF(0, 0, 280, 240), 16), QColor(88, 93, 193));
  painter.setPen(Qt::white);
  for (int y = 20; y < 220; y += 18) painter.drawLine(16, y, 250, y);
  return image;
}

void BM_BlurCardLayerRadius22Dpr2(benchmark::State& state) {
  const QImage layer = cardLayer();
  for (auto _ : state) benchmark::DoNotOptimize(qv::Fx::blurred(layer, 22));
}
BENCHMARK(BM_BlurCardLayerRadius22Dpr2)->Unit(benchmark::kMicrosecond);

void BM_BlurCardLayerRadius8Dpr2(benchmark::State& state) {
  const QImage layer = cardLayer();
  for (auto _ : state) benchmark::DoNotOptimize(qv::Fx::blurred(layer, 8));
}
BENCHMARK(BM_BlurCardLayerRadius8Dpr2)->Unit(benchmark::kMicrosecond);

// A panel card as it comes in after a search (blur 10 at 1×), blurred on each frame of its
// transition.
void BM_BlurEnteringPanelCardDpr1(benchmark::State& state) {
  QImage card = cardLayer().scaled(390, 140);
  card.setDevicePixelRatio(1);
  for (auto _ : state) benchmark::DoNotOptimize(qv::Fx::blurred(card, 10));
}
BENCHMARK(BM_BlurEnteringPanelCardDpr1)->Unit(benchmark::kMicrosecond);

void BM_CachedCardShadowDraw(benchmark::State& state) {
  QImage target(700, 600, QImage::Format_ARGB32_Premultiplied);
  target.setDevicePixelRatio(2);
  target.fill(Qt::white);
  QPainter painter(&target);
  const QRectF card(20, 20, 280, 240);
  const auto layers = qv::Fx::hoverLift(1).shadows;
  qv::Fx::drawShadows(painter, card, 16, layers);  // fill the cache
  for (auto _ : state) qv::Fx::drawShadows(painter, card, 16, layers);
}
BENCHMARK(BM_CachedCardShadowDraw)->Unit(benchmark::kMicrosecond);

void BM_UncachedCardShadowDraw(benchmark::State& state) {
  QImage target(700, 600, QImage::Format_ARGB32_Premultiplied);
  target.setDevicePixelRatio(2);
  target.fill(Qt::white);
  QPainter painter(&target);
  const QRectF card(20, 20, 280, 240);
  const auto layers = qv::Fx::hoverLift(1).shadows;
  for (auto _ : state) {
    qv::Fx::clearShadowCache();
    qv::Fx::drawShadows(painter, card, 16, layers);
  }
}
BENCHMARK(BM_UncachedCardShadowDraw)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QGuiApplication>(argc, argv); }
