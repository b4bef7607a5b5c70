#pragma once
#include "platform/WindowList.h"

#include <algorithm>
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
  // Tells the overlay handler, like the real list on map and unmap events.
  void setWindows(QList<WindowInfo> windows) {
    std::function<void()> handler;
    {
      std::lock_guard lock(mutex_);
      windows_ = std::move(windows);
      handler = handler_;
    }
    if (handler) handler();
  }
  bool hasOverlayCandidate() const override {
    std::lock_guard lock(mutex_);
    return std::any_of(windows_.cbegin(), windows_.cend(), canBeOverlay);
  }
  void setOverlayCandidateHandler(std::function<void()> handler) override {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
  }
  int readCount() const {
    std::lock_guard lock(mutex_);
    return reads_;
  }

 private:
  mutable std::mutex mutex_;
  QList<WindowInfo> windows_;
  std::function<void()> handler_;
  mutable int reads_ = 0;
};

}  // namespace qv
