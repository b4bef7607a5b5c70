#pragma once
#include "platform/OcrEngine.h"

#include <atomic>
#include <mutex>

namespace qv {

// Answers every image with the lines the test set.
class FakeOcrEngine : public OcrEngine {
 public:
  QStringList recognizeLines(const QImage& image) override {
    std::lock_guard lock(mutex_);
    ++calls;
    lastImageSize = image.size();
    return lines_;
  }
  void setLines(QStringList lines) {
    std::lock_guard lock(mutex_);
    lines_ = std::move(lines);
  }
  std::atomic<int> calls = 0;
  QSize lastImageSize;

 private:
  std::mutex mutex_;
  QStringList lines_;
};

}  // namespace qv
