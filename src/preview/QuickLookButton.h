#pragma once
#include "ui/view/PaintedWidget.h"

#include <QString>

namespace qv {

struct ViewServices;

// The small capsule "Quick Look" (an eye and the words) that a file preview showing only a
// thumbnail offers: a press shows the file in the program's Quick Look window (openQuickLook),
// replacing whatever it showed. Regular or compact; hovering lifts its tint and text with the
// snappy spring and shows the pointing hand. Tooltip and accessible name: "Open in Quick Look".
class QuickLookButton : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString path;  // the file to show
    bool compact = false;
    bool operator==(const Props&) const = default;
  };
  // One variant's measures (points).
  struct Metrics {
    double symbolFontSize;
    double textFontSize;
    double paddingH;
    double paddingV;
  };
  static constexpr Metrics kRegular{10.5, 11, 11, 6};
  static constexpr Metrics kCompact{9.5, 10, 9, 5};
  static constexpr double kSpacing = 5;
  static constexpr double kBorderWidth = 0.5;
  static constexpr char kTitle[] = "Quick Look";
  static constexpr char kHelp[] = "Open in Quick Look";

  explicit QuickLookButton(ViewServices& services, QWidget* parent = nullptr);

  void setProps(const Props& props);
  const Props& props() const { return props_; }
  const Metrics& metrics() const { return props_.compact ? kCompact : kRegular; }

  // The capsule, centred in the widget (which leaves room around it for the shadow).
  QRectF capsuleRect() const;
  // The colours at the current hover amount.
  QColor foreground() const;
  QColor tint() const;
  QPainterPath hitShape() const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }
  AccessibilityInfo accessibility() const override;

  // What a press does: shows the props' file in Quick Look.
  void openQuickLook();

 protected:
  void paint(QPainter& painter) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QSizeF capsuleSize() const;
  double symbolSide() const;

  ViewServices& services_;
  Props props_;
  bool pressed_ = false;
};

}  // namespace qv
