#pragma once
#include "ui/text/TextBlock.h"
#include "ui/theme/Environment.h"

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace qv {

// A colour item's card body: the card painted in the colour under a soft light-to-dark sheen,
// with the hex code, the RGB triple and the HSL triple in its lower-left corner, in black or
// white ink, whichever reads better on the colour.
class ColorCardContent {
 public:
  struct Props {
    QString hex;
    int r = 0, g = 0, b = 0;
    bool operator==(const Props&) const = default;
  };

  struct Hsl {
    int hue = 0;         // degrees; 360 for hues just below a full turn
    int saturation = 0;  // percent
    int lightness = 0;   // percent
    bool operator==(const Hsl&) const = default;
  };

  // 0.299 r + 0.587 g + 0.114 b on the 0–255 channels.
  static double weightedLuminance(int r, int g, int b);
  // Black ink on colours whose weighted luminance is above 155, white otherwise.
  static bool usesBlackInk(int r, int g, int b);
  static Hsl hsl(int r, int g, int b);
  static QString rgbLine(int r, int g, int b);
  static QString hslLine(const Hsl& hsl);

  bool setProps(const Props& props);
  const Props& props() const { return props_; }

  void paint(QPainter& painter, const QRectF& rect, const EnvironmentValues& environment) const;

 private:
  Props props_;
  TextBlock hexLine_;
  TextBlock rgbLine_;
  TextBlock hslLine_;
};

}  // namespace qv
