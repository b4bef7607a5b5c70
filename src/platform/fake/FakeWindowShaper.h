#pragma once
#include "platform/WindowShaper.h"

#include <QHash>
#include <QSet>
#include <optional>

namespace qv {

// Remembers the shapes of each window instead of cutting it.
class FakeWindowShaper : public WindowShaper {
 public:
  bool isAvailable() const override { return true; }
  void setShape(QWindow* window, const QRegion& region) override {
    shapes_[window] = region;
    inputShapes_[window] = region;
    ++changes_;
  }
  void setInputShape(QWindow* window, const QRegion& region) override {
    shapes_.remove(window);
    inputShapes_[window] = region;
    ++changes_;
  }
  void clearShape(QWindow* window) override {
    shapes_.remove(window);
    inputShapes_.remove(window);
    ++changes_;
  }
  void keepOnAllDesktops(QWindow* window) override { sticky_.insert(window); }
  void holdPointerArea(QWindow* window, const QRect& area) override {
    if (area.isEmpty()) heldAreas_.remove(window);
    else heldAreas_[window] = area;
  }

  // None while the whole window is shown.
  std::optional<QRegion> shape(QWindow* window) const {
    if (!shapes_.contains(window)) return std::nullopt;
    return shapes_.value(window);
  }
  // None while the whole window takes the pointer.
  std::optional<QRegion> inputShape(QWindow* window) const {
    if (!inputShapes_.contains(window)) return std::nullopt;
    return inputShapes_.value(window);
  }
  bool isOnAllDesktops(QWindow* window) const { return sticky_.contains(window); }
  int changes() const { return changes_; }
  // The area held for `window` (global), empty when none.
  QRect heldPointerArea(QWindow* window) const { return heldAreas_.value(window); }

 private:
  QHash<QWindow*, QRegion> shapes_;
  QHash<QWindow*, QRegion> inputShapes_;
  QSet<QWindow*> sticky_;
  QHash<QWindow*, QRect> heldAreas_;
  int changes_ = 0;
};

}  // namespace qv
