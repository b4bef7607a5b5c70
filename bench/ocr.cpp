// Text recognition of a 1280 x 800 screenshot-like image (window chrome, a sidebar, paragraphs
// and a code block), as a copied screenshot is recognised on the "ocr" queue.
#include "platform/OcrEngine.h"
#include "support/BenchMain.h"

#include <benchmark/benchmark.h>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>

namespace {

QImage renderScreenshot() {
  QImage image(1280, 800, QImage::Format_ARGB32);
  image.fill(QColor(246, 246, 248));
  QPainter painter(&image);
  painter.setRenderHint(QPainter::TextAntialiasing);
  QFont ui(QStringLiteral("DejaVu Sans"));
  ui.setPixelSize(14);
  QFont title = ui;
  title.setPixelSize(22);
  title.setBold(true);
  QFont mono(QStringLiteral("DejaVu Sans Mono"));
  mono.setPixelSize(13);

  // Title bar and sidebar.
  painter.fillRect(0, 0, 1280, 38, QColor(225, 225, 230));
  painter.setFont(ui);
  painter.setPen(QColor(40, 40, 40));
  painter.drawText(QRect(0, 0, 1280, 38), Qt::AlignCenter, QStringLiteral("Release notes - Document Viewer"));
  painter.fillRect(0, 38, 240, 762, QColor(235, 235, 240));
  const QStringList sidebar{"Overview",           "Getting started", "Installation",  "Configuration",
                            "Keyboard shortcuts", "Troubleshooting", "Release notes", "Contact support"};
  for (int i = 0; i < sidebar.size(); ++i) painter.drawText(24, 80 + i * 34, sidebar[i]);

  // Body text.
  painter.setFont(title);
  painter.setPen(Qt::black);
  painter.drawText(280, 90, QStringLiteral("What is new in version 2.4"));
  painter.setFont(ui);
  const QStringList paragraph{
      "The history now keeps every copied item with the application it came from and the time",
      "it was captured. Images are searchable by the text they contain, and links show the title",
      "of their page. Pinned items never expire, whatever the retention setting says.",
      "",
      "Search is faster on large histories: a query over one hundred thousand items returns",
      "within a single frame. Filters for type, application and date can be combined freely,",
      "and each active filter appears as a chip that removes it with one click.",
      "",
      "Known issues: some applications offer rich text only as HTML; such copies are stored",
      "with their HTML form and pasted back unchanged. Please report anything unexpected."};
  for (int i = 0; i < paragraph.size(); ++i) painter.drawText(280, 135 + i * 24, paragraph[i]);

  // A code block.
  painter.fillRect(280, 400, 940, 150, QColor(40, 42, 54));
  painter.setFont(mono);
  painter.setPen(QColor(230, 230, 230));
  const QStringList code{"std::vector<Entry> collect(const Source& source) {",
                         "    const auto formats = source.formats();", "    if (formats.empty()) return {};",
                         "    return read(formats, Clock::now());", "}"};
  for (int i = 0; i < code.size(); ++i) painter.drawText(300, 430 + i * 24, code[i]);

  painter.setFont(ui);
  painter.setPen(QColor(90, 90, 90));
  painter.drawText(280, 600, QStringLiteral("Last updated 6 December 2026 - 14 comments - Share this page"));
  return image;
}

void BM_RecognizeScreenshot(benchmark::State& state) {
  const QImage screenshot = renderScreenshot();
  if (const char* out = std::getenv("QV_BENCH_SAVE")) screenshot.save(QString::fromLocal8Bit(out));
  qv::TesseractOcrEngine engine;
  engine.recognizeLines(QImage(8, 8, QImage::Format_ARGB32));  // load the model outside the timing
  qsizetype lines = 0;
  for (auto _ : state) {
    const QStringList result = engine.recognizeLines(screenshot).value_or(QStringList());
    lines = result.size();
    if (std::getenv("QV_BENCH_PRINT")) std::fprintf(stderr, "%s\n", qPrintable(result.join(u'\n')));
    benchmark::DoNotOptimize(lines);
  }
  state.counters["lines"] = double(lines);
}
BENCHMARK(BM_RecognizeScreenshot)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QGuiApplication>(argc, argv); }
