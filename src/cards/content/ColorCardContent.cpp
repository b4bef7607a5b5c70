#include "cards/content/ColorCardContent.h"

#include "cards/content/CardContentStyle.h"
#include "ui/text/TextBlock.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace qv {

using namespace CardContentStyle;

double ColorCardContent::weightedLuminance(int r, int g, int b) { return 0.299 * r + 0.587 * g + 0.114 * b; }

bool ColorCardContent::usesBlackInk(int r, int g, int b) { return weightedLuminance(r, g, b) > 155; }

ColorCardContent::Hsl ColorCardContent::hsl(int r, int g, int b) {
  // std::lround rounds halves away from zero.
  const double r1 = r / 255.0, g1 = g / 255.0, b1 = b / 255.0;
  const double max = std::max({r1, g1, b1});
  const double min = std::min({r1, g1, b1});
  const double l = (max + min) * 0.5;
  if (max == min) return {0, 0, int(std::lround(l * 100))};
  const double d = max - min;
  double h;
  if (max == r1) h = std::fmod((g1 - b1) / d, 6);
  else if (max == g1) h = (b1 - r1) / d + 2;
  else h = (r1 - g1) / d + 4;
  h *= 60;
  if (h < 0) h += 360;
  const double s = d / (1 - std::abs(2 * l - 1));
  return {int(std::lround(h)), int(std::lround(s * 100)), int(std::lround(l * 100))};
}

QString ColorCardContent::rgbLine(int r, int g, int b) {
  return QStringLiteral("rgb(%1, %2, %3)").arg(r).arg(g).arg(b);
}

QString ColorCardContent::hslLine(const Hsl& hsl) {
  return QStringLiteral("hsl(%1\u00B0, %2%, %3%)").arg(hsl.hue).arg(hsl.saturation).arg(hsl.lightness);
}

bool ColorCardContent::setProps(const Props& props) {
  if (props == props_) return false;
  props_ = props;
  hexLine_ = TextBlock(props.hex.toUpper(), TextStyle{monospacedFont(20, QFont::DemiBold)});
  rgbLine_ = TextBlock(rgbLine(props.r, props.g, props.b), TextStyle{monospacedFont(11)});
  hslLine_ = TextBlock(hslLine(hsl(props.r, props.g, props.b)), TextStyle{monospacedFont(11)});
  return true;
}

void ColorCardContent::paint(QPainter& painter, const QRectF& rect, const EnvironmentValues&) const {
  const auto& [hex, r, g, b] = props_;
  auto channel = [](int value) { return float(std::clamp(value, 0, 255)) / 255.f; };
  painter.fillRect(rect, QColor::fromRgbF(channel(r), channel(g), channel(b), 1));
  painter.fillRect(rect, Fx::linearGradient(rect, {0.5, 0}, {0.5, 1}, {{0, white(0.22)}, {1, black(0.12)}}));

  const bool blackInk = usesBlackInk(r, g, b);
  auto ink = [&](double opacity) { return blackInk ? black(opacity) : white(opacity); };
  // Bottom up: the last line sits 42 points above the bottom edge.
  const double left = rect.left() + 14;
  const double width = rect.width() - 28;
  double y = rect.bottom() - 42 - hslLine_.size(width).height();
  hslLine_.draw(painter, QPointF(left, y), width, ink(0.34));
  y -= 2 + rgbLine_.size(width).height();
  rgbLine_.draw(painter, QPointF(left, y), width, ink(0.52));
  y -= 5 + hexLine_.size(width).height();
  hexLine_.draw(painter, QPointF(left, y), width, ink(0.95));
}

}  // namespace qv
