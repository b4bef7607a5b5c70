#include "platform/OcrEngine.h"
#include "platform/PlatformServices.h"
#include "platform/SerialQueue.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <atomic>
#include <chrono>
#include <future>

namespace qv {
namespace {

using namespace std::chrono_literals;

// A hang guard, not a measure of speed: teardown that waits for a whole recognition would still
// end, but long after this.
constexpr auto kTeardownDeadline = 120s;

// The first work waits until the queued work is dropped (or runs, on the old teardown that
// ran it: then past the deadline).
TEST(ThreadSerialQueueTeardown, DropsQueuedWorkOfAReaderQueueAndWaitsForTheWorkInProgress) {
  std::atomic<int> ran = 0;
  std::promise<void> dropped;
  {
    ThreadSerialQueue queue(QStringLiteral("com.tarnwick.Quorvalen.test"), ThreadSerialQueue::QueuedAtEnd::drop);
    std::promise<void> started;
    queue.async([&, whenDropped = dropped.get_future().share()] {
      started.set_value();
      whenDropped.wait_for(kTeardownDeadline);
      ++ran;
    });
    const std::shared_ptr<void> held(nullptr, [&dropped](void*) { dropped.set_value(); });
    for (int i = 0; i < 3; ++i) queue.async([&ran, held] { ++ran, (void)held; });
    started.get_future().wait();
  }
  EXPECT_EQ(ran, 1);
}

TEST(ThreadSerialQueueTeardown, RunsQueuedWorkOfAnyOtherQueue) {
  std::atomic<int> ran = 0;
  {
    ThreadSerialQueue queue(QStringLiteral("com.tarnwick.Quorvalen.save"));
    for (int i = 0; i < 4; ++i) queue.async([&] { ++ran; });
  }
  EXPECT_EQ(ran, 4);
  EXPECT_TRUE(PlatformServices::isReaderQueue(QStringLiteral("com.tarnwick.Quorvalen.ocr")));
  EXPECT_FALSE(PlatformServices::isReaderQueue(QStringLiteral("com.tarnwick.Quorvalen.save")));
}

// A 4K screenshot full of text: its recognition takes many seconds.
QImage pageOfText() {
  QImage image(3840, 2160, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(22);
  painter.setFont(font);
  painter.setPen(Qt::black);
  for (int y = 30; y < image.height(); y += 30)
    painter.drawText(10, y,
                     QStringLiteral("Line %1: the quick brown fox jumps over the lazy dog; invoice 4711 due "
                                    "Monday, 6 December, at the printer on the second floor - page %1")
                         .arg(y / 30)
                         .repeated(2));
  return image;
}

TEST(PlatformServicesTeardown, EndsTextRecognitionInProgressAndBeginsNoQueuedImage) {
  auto engine = std::make_shared<TesseractOcrEngine>();
  const auto available = engine->recognizeLines(QImage(8, 8, QImage::Format_RGB32));  // loads the model
  if (!available || !QFile::exists(QStringLiteral("/usr/share/tesseract-ocr/5/tessdata/eng.traineddata")))
    GTEST_SKIP() << "no text recognition engine";
  auto services = std::make_unique<PlatformServices>();
  services->makeQueue = PlatformServices::makeThreadQueue;
  services->ocrEngine = engine;
  const QImage screenshot = pageOfText();
  std::promise<void> started;
  std::optional<QStringList> first = QStringList{QStringLiteral("not run")};
  std::atomic<int> begun = 0;
  services->queue(QStringLiteral("ocr"))->async([&] {
    ++begun;
    started.set_value();
    first = engine->recognizeLines(screenshot);
  });
  services->queue(QStringLiteral("ocr"))->async([&] {
    ++begun;
    engine->recognizeLines(screenshot);
  });
  started.get_future().wait();
  auto teardown = std::async(std::launch::async, [&services] { services.reset(); });
  ASSERT_EQ(teardown.wait_for(kTeardownDeadline), std::future_status::ready) << "quit waited for text recognition";
  EXPECT_EQ(first, std::nullopt) << "the recognition in progress ran to its end";
  EXPECT_EQ(begun, 1);
}

}  // namespace
}  // namespace qv
