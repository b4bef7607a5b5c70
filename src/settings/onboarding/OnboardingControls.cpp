#include "settings/onboarding/OnboardingControls.h"

#include "ui/symbols/Symbols.h"
#include "ui/text/Fonts.h"
#include "ui/theme/Theme.h"

#include <QPainter>
#include <cmath>

namespace qv {

// ---- Buttons -------------------------------------------------------------------------------

QMarginsF OnboardingButton::margins() const {
  // The pill leaves room for its hover growth and glow.
  return props_.style == Style::pill ? QMarginsF(10, 8, 10, 12) : HouseButton::margins();
}

HouseButtonLook OnboardingButton::look(double hover) const {
  HouseButtonLook l;
  l.title = props_.title;
  if (props_.style == Style::quiet) {
    l.font = systemFont(12);
    l.foreground = labelColor(environment(), LabelLevel::secondary);
    l.paddingV = 2;
    l.fill = {{0, Qt::transparent}, {1, Qt::transparent}};
    return l;
  }
  const QColor accent = Theme::accent();
  const double glow = unitClamped(hover);
  l.font = systemFont(13, QFont::DemiBold);
  l.foreground = Qt::white;
  l.paddingH = 16;
  l.paddingV = 7;
  l.fill = {{0, accent}, {1, accent}};
  l.shadow = ShadowLayer{withAlpha(accent, lerp(0.28, 0.45, glow)), lerp(5, 8, glow), 0, lerp(1, 2, glow)};
  l.scale = lerp(1, 1.04, hover);
  return l;
}

// ---- OnboardingText ------------------------------------------------------------------------

OnboardingText::OnboardingText(SettingsServices& context, Props props, QWidget* parent)
    : PaintedWidget(context, parent), props_(std::move(props)) {
  setHoverEnabled(false);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  restyle();
}

void OnboardingText::setProps(const Props& props) {
  if (props == props_) return;
  props_ = props;
  restyle();
  updateGeometry();
  update();
}

void OnboardingText::restyle() {
  TextStyle style{systemFont(props_.size, props_.weight)};
  style.lineSpacing = props_.lineSpacing;
  style.alignment = props_.alignment;
  block_ = TextBlock(props_.text, style);
}

double OnboardingText::layoutWidth() const {
  const double natural = block_.size(0).width();
  return props_.maxWidth > 0 ? std::min(natural, props_.maxWidth) : natural;
}

QSize OnboardingText::sizeHint() const {
  const double width = layoutWidth();
  const QSizeF size = block_.size(props_.maxWidth > 0 ? width : 0);
  return {int(std::ceil(width)), int(std::ceil(size.height()))};
}

AccessibilityInfo OnboardingText::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::StaticText;
  info.name = props_.text;
  return info;
}

void OnboardingText::paint(QPainter& painter) {
  block_.draw(painter, QPointF(0, 0), width(), labelColor(environment(), props_.level));
}

// ---- OnboardingRow -------------------------------------------------------------------------

namespace {

// Symbol size, its frame and the gap to the text, per kind.
struct RowMetrics {
  double symbol, frame, gap;
};
RowMetrics metrics(OnboardingRow::Kind kind) {
  return kind == OnboardingRow::Kind::tip ? RowMetrics{13, 18, 11} : RowMetrics{11, 14, 8};
}

}  // namespace

OnboardingRow::OnboardingRow(SettingsServices& context, Kind kind, QString symbol, QString title, QString detail,
                             double width, QWidget* parent)
    : PaintedWidget(context, parent), kind_(kind), symbol_(std::move(symbol)), width_(width) {
  setHoverEnabled(false);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  if (kind == Kind::tip) {
    title_ = TextBlock(title, TextStyle{systemFont(12.5, QFont::DemiBold)});
    TextStyle detailStyle{systemFont(11.5)};
    detailStyle.lineSpacing = 1.5;
    detail_ = TextBlock(detail, detailStyle);
  } else {
    detail_ = TextBlock(detail, TextStyle{systemFont(12)});
  }
}

double OnboardingRow::textLeft() const {
  const RowMetrics m = metrics(kind_);
  return m.frame + m.gap;
}

QSize OnboardingRow::sizeHint() const {
  const double textWidth = width_ - textLeft();
  double height = detail_.size(textWidth).height();
  if (kind_ == Kind::tip) height += title_.size(textWidth).height() + 2;
  return {int(width_), int(std::ceil(std::max(height, metrics(kind_).frame)))};
}

AccessibilityInfo OnboardingRow::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::StaticText;
  info.name = kind_ == Kind::tip ? title_.text() + QStringLiteral(". ") + detail_.text() : detail_.text();
  return info;
}

void OnboardingRow::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const RowMetrics m = metrics(kind_);
  const double textWidth = width_ - textLeft();
  // A tip's symbol sits in a square frame at the top; a reassurance's on its text's first line.
  const double frameTop = kind_ == Kind::tip
                              ? 0
                              : (detail_.size(textWidth).height() / detail_.lineCount(textWidth) - m.frame) / 2;
  const QRectF symbolRect(QPointF((m.frame - m.symbol) / 2, frameTop + (m.frame - m.symbol) / 2),
                          QSizeF(m.symbol, m.symbol));
  painter.drawImage(symbolRect,
                    Symbols::image(symbol_, m.symbol, Theme::accent(), painter.device()->devicePixelRatioF()));
  double y = 0;
  if (kind_ == Kind::tip) {
    title_.draw(painter, QPointF(textLeft(), y), textWidth, labelColor(env, LabelLevel::primary));
    y += title_.size(textWidth).height() + 2;
  }
  detail_.draw(painter, QPointF(textLeft(), y), textWidth, labelColor(env, LabelLevel::secondary));
}

// ---- OnboardingDivider ---------------------------------------------------------------------

OnboardingDivider::OnboardingDivider(SettingsServices& context, QWidget* parent) : PaintedWidget(context, parent) {
  setHoverEnabled(false);
  setFixedHeight(1);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void OnboardingDivider::paint(QPainter& painter) {
  painter.fillRect(QRectF(0, 0, width(), 1), primaryColor(environment(), 0.1 * 0.35));
}

}  // namespace qv
