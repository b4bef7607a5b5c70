#pragma once
#include "platform/OcrEngine.h"

#include <atomic>
#include <mutex>

namespace qv {

// Answers every image with the lines the test set; nothing once stopped.
class FakeOcrEngine : public OcrEngine {
 public:
  std::optional<QStringList> recognizeLines(const QImage& image) override {
    std::lock_guard lock(mutex_);
    ++calls;
    lastImageSize = image.size();
    if (stopped) return std::nullopt;
    return lines_;
  }
  void stop() override { stopped = true; }
  void setLines(QStringList lines) {
    std::lock_guard lock(mutex_);
    lines_ = std::move(lines);
  }
  std::atomic<int> calls = 0;
  std::atomic<bool> stopped = false;
  QSize lastImageSize;

 private:
  std::mutex mutex_;
  QStringList lines_;
};

}  // namespace qv
