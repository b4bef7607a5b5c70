#pragma once
#include "ui/anim/Animation.h"

#include <QColor>
#include <optional>
#include <vector>

namespace qv {

// One shadow: colour, blur radius and offset.
struct ShadowLayer {
  QColor color;
  double radius = 0;
  double x = 0;
  double y = 0;
  bool operator==(const ShadowLayer&) const = default;
};

// An elevation: a primary shadow and optionally a second one painted over it (the second
// never moves sideways).
struct ThemeShadow {
  ShadowLayer primary;
  std::optional<ShadowLayer> second;
  // The shadows to paint, in painting order: one, or two when there is a second layer.
  std::vector<ShadowLayer> layers() const;
  bool operator==(const ThemeShadow&) const = default;
};

// The program's design tokens. Each is made once, on first use, and never changes; any thread
// may read them.
namespace Theme {

const QColor& accent();
// The same colour for surfaces painted outside the view layer (menu rows).
const QColor& accentNS();

const ThemeShadow& shadowLow();
const ThemeShadow& shadowHigh();

// The default for state changes.
const Animation& springStandard();
// Hover feedback.
const Animation& springSnappy();
// Preview layout, image content, library.
const Animation& springGentle();
// Critically damped; library window.
const Animation& springCritical();
// Elements that pop in and overshoot slightly.
const Animation& overshoot();
const Animation& easeOutQuick();
// Card list group collapse and insertion.
const Animation& easeInOutMedium();

}  // namespace Theme

}  // namespace qv
