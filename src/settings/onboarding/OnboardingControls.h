#pragma once
#include "settings/SettingsServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/PillButtons.h"
#include "ui/text/TextBlock.h"
#include "ui/view/PaintedWidget.h"

namespace qv {

enum class OnboardingButtonStyle { pill, quiet };
struct OnboardingButtonProps {
  OnboardingButtonStyle style = OnboardingButtonStyle::pill;
  QString title;
  bool operator==(const OnboardingButtonProps&) const = default;
};
// The onboarding's buttons. The pill is the forward button: an accent capsule that grows a
// little and glows deeper while the pointer is over it. The quiet one (skip, back) is secondary
// text without a hover look.
class OnboardingButton : public HouseButtonWith<OnboardingButtonProps> {
  Q_OBJECT
 public:
  using Style = OnboardingButtonStyle;
  using HouseButtonWith::HouseButtonWith;

 protected:
  HouseButtonLook look(double hover) const override;
  QMarginsF margins() const override;
};

// A paragraph of the onboarding: wrapped to at most `maxWidth` (unbounded when 0), never cut.
class OnboardingText : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    QString text;
    double size = 12;
    QFont::Weight weight = QFont::Normal;
    LabelLevel level = LabelLevel::primary;
    Qt::Alignment alignment = Qt::AlignHCenter;
    double lineSpacing = 0;
    double maxWidth = 0;
    bool operator==(const Props&) const = default;
  };
  OnboardingText(SettingsServices& context, Props props, QWidget* parent = nullptr);
  void setProps(const Props& props);
  const Props& props() const { return props_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;

 private:
  void restyle();
  double layoutWidth() const;

  Props props_;
  TextBlock block_;
};

// A symbol beside text: a tip (accent symbol, bold title over a detail) or a reassurance (accent
// symbol beside one line of secondary text).
class OnboardingRow : public PaintedWidget {
  Q_OBJECT
 public:
  enum class Kind { tip, reassurance };
  OnboardingRow(SettingsServices& context, Kind kind, QString symbol, QString title, QString detail, double width,
                QWidget* parent = nullptr);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;

 private:
  double textLeft() const;
  Kind kind_;
  QString symbol_;
  TextBlock title_;
  TextBlock detail_;
  double width_;
};

// A hairline across the onboarding at a third of the usual separator strength.
class OnboardingDivider : public PaintedWidget {
  Q_OBJECT
 public:
  explicit OnboardingDivider(SettingsServices& context, QWidget* parent = nullptr);
  QSize sizeHint() const override { return {1, 1}; }

 protected:
  void paint(QPainter& painter) override;
};

}  // namespace qv
