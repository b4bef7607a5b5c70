#pragma once
#include "ui/anim/Animation.h"

#include <QObject>
#include <optional>

namespace qv {

class DesktopAppearance;

// The cached "reduce motion" choice of the desktop. Code that runs often (choosing a
// transition, starting a window slide) asks this flag instead of the desktop. It is read on
// first use; after `startObserving()` it follows every change of the desktop's setting, before
// that it keeps its first value.
class ReduceMotion : public QObject {
  Q_OBJECT
 public:
  explicit ReduceMotion(DesktopAppearance& desktop, QObject* parent = nullptr);

  bool isEnabled() const;
  // Follows the desktop's setting from now on. A second call does nothing.
  void startObserving();
  bool isObserving() const { return observing_; }

  // The animation, or none (apply at once) while motion is reduced: the fallback of
  // imperative animations.
  std::optional<Animation> unlessReduced(const Animation& animation) const;

 Q_SIGNALS:
  void changed(bool enabled);

 private:
  void refresh();

  DesktopAppearance& desktop_;
  mutable std::optional<bool> enabled_;
  bool observing_ = false;
};

}  // namespace qv
