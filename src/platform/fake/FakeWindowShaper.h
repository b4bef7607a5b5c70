#pragma once
#include "platform/WindowShaper.h"

#include <QHash>
#include <QSet>
#include <optional>

namespace qv {

// Remembers the shape of each window instead of cutting it.
class FakeWindowShaper : public WindowShaper {
 public:
  bool isAvailable() const override { return true; }
  void setShape(QWindow* window, const QRegion& region) override {
    shapes_[window] = region;
    ++changes_;
  }
  void clearShape(QWindow* window) override {
    shapes_.remove(window);
    ++changes_;
  }
  void keepOnAllDesktops(QWindow* window) override { sticky_.insert(window); }

  // None while the whole window is shown.
  std::optional<QRegion> shape(QWindow* window) const {
    if (!shapes_.contains(window)) return std::nullopt;
    return shapes_.value(window);
  }
  bool isOnAllDesktops(QWindow* window) const { return sticky_.contains(window); }
  int changes() const { return changes_; }

 private:
  QHash<QWindow*, QRegion> shapes_;
  QSet<QWindow*> sticky_;
  int changes_ = 0;
};

}  // namespace qv
