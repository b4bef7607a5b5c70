#pragma once
#include "platform/WindowList.h"

#include <mutex>

namespace qv {

// Windows the test sets, front to back. Thread-safe like the real one.
class FakeWindowList : public WindowList {
 public:
  QList<WindowInfo> windows() const override {
    std::lock_guard lock(mutex_);
    ++reads_;
    return windows_;
  }
  void setWindows(QList<WindowInfo> windows) {
    std::lock_guard lock(mutex_);
    windows_ = std::move(windows);
  }
  int readCount() const {
    std::lock_guard lock(mutex_);
    return reads_;
  }

 private:
  mutable std::mutex mutex_;
  QList<WindowInfo> windows_;
  mutable int reads_ = 0;
};

}  // namespace qv
