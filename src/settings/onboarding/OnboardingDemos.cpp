#include "settings/onboarding/OnboardingDemos.h"

#include "settings/SettingsServices.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/theme/Theme.h"

#include <QPainter>

namespace qv {

namespace {

// Fills a rounded shape and strokes its inner border, the way every demo part is drawn.
void drawPlate(QPainter& painter, const QRectF& rect, double radius, const QColor& fill, const QColor& border = {},
               double borderWidth = 0.75) {
  painter.fillPath(Fx::continuousRoundedRect(rect, radius), fill);
  if (border.isValid()) Fx::strokeInnerBorder(painter, rect, radius, border, borderWidth);
}

void drawCapsule(QPainter& painter, const QRectF& rect, const QColor& color) {
  painter.fillPath(Fx::continuousRoundedRect(rect, rect.height() / 2), color);
}

// The pointer arrow, `size` points high, its box centred on `centre`.
QPainterPath pointerArrow(QPointF centre, double size) {
  static const QPointF shape[] = {{0, 0},       {0, 0.82},    {0.22, 0.63}, {0.36, 0.95},
                                  {0.49, 0.89}, {0.35, 0.58}, {0.62, 0.58}};
  QPainterPath path;
  const QPointF origin = centre - QPointF(0.31 * size, 0.5 * size);
  path.moveTo(origin + shape[0] * size);
  for (size_t i = 1; i < std::size(shape); ++i) path.lineTo(origin + shape[i] * size);
  path.closeSubpath();
  return path;
}

AccessibilityInfo decoration() {
  AccessibilityInfo info;
  info.role = QAccessible::Graphic;
  info.hidden = true;
  return info;
}

}  // namespace

// ---- OnboardingDemo ------------------------------------------------------------------------

OnboardingDemo::OnboardingDemo(SettingsServices& context, QWidget* parent)
    : PaintedWidget(context, parent), presence_(*context.frameClock, 1.0) {
  setHoverEnabled(false);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  presence_.setOnChange([this] { update(); });
}

void OnboardingDemo::setLoop(double firstWait, std::vector<DemoLoop::Step> steps) {
  loop_ = std::make_unique<DemoLoop>(*context().scheduler, firstWait, std::move(steps));
}

void OnboardingDemo::enter(const std::optional<Animation>& animation) {
  presence_.jumpTo(animation ? 0.0 : 1.0);
  presence_.animateTo(1.0, animation);
}

void OnboardingDemo::leave(const std::optional<Animation>& animation, std::function<void()> gone) {
  leaving_ = true;
  if (loop_) loop_->stop();
  presence_.animateTo(0.0, animation, [gone = std::move(gone)](bool) {
    if (gone) gone();
  });
}

void OnboardingDemo::showEvent(QShowEvent* event) {
  PaintedWidget::showEvent(event);
  if (loop_ && !leaving_) loop_->start();
}

void OnboardingDemo::hideEvent(QHideEvent* event) {
  PaintedWidget::hideEvent(event);
  if (loop_) loop_->stop();
}

// ---- EdgeFlickDemo -------------------------------------------------------------------------

namespace {

constexpr double kPanelWidth = 60;
constexpr double kPanelHiddenShift = 64.5;
constexpr double kPointerInset = 9;

const Animation& flickSpring() {
  static const Animation spring = Animation::spring(0.5, 0.82, 0);
  return spring;
}

}  // namespace

EdgeFlickDemo::EdgeFlickDemo(SettingsServices& context, QString side, QWidget* parent)
    : OnboardingDemo(context, parent),
      side_(std::move(side)),
      pointerX_(*context.frameClock, 0.0),
      panelShift_(*context.frameClock, 0.0),
      panelOpacity_(*context.frameClock, 0.0) {
  panelShift_.jumpTo(panelShiftFor(false));
  for (auto* value : {&pointerX_, &panelShift_, &panelOpacity_}) value->setOnChange([this] { update(); });
  setLoop(0.6, {
                   {[this] { setOut(true); }, 2.4},
                   {[this] { setOut(false); }, 0.7},
                   {[this] { switchSides(); }, 0.3},
               });
}

bool EdgeFlickDemo::isPanelOnLeft() const {
  return side_ == QLatin1String("left") || (side_ == QLatin1String("both") && bothShowingLeft_);
}

double EdgeFlickDemo::pointerXFor(bool out) const {
  if (!out) return 0;
  return isPanelOnLeft() ? kScreenWidth * -0.5 + kPointerInset : kScreenWidth * 0.5 - kPointerInset;
}

double EdgeFlickDemo::panelShiftFor(bool out) const {
  if (out) return 0;
  return isPanelOnLeft() ? -kPanelHiddenShift : kPanelHiddenShift;
}

void EdgeFlickDemo::setOut(bool out) {
  out_ = out;
  pointerX_.animateTo(pointerXFor(out), flickSpring());
  panelShift_.animateTo(panelShiftFor(out), flickSpring());
  panelOpacity_.animateTo(out ? 1.0 : 0.0, flickSpring());
}

void EdgeFlickDemo::switchSides() {
  if (side_ != QLatin1String("both")) return;
  // The panel is hidden and the pointer rests in the middle: the panel changes sides unseen.
  bothShowingLeft_ = !bothShowingLeft_;
  panelShift_.jumpTo(panelShiftFor(out_));
}

AccessibilityInfo EdgeFlickDemo::accessibility() const { return decoration(); }

void EdgeFlickDemo::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  painter.setOpacity(unitClamped(presence()));
  const QRectF screen(QRectF(rect()).center() - QPointF(kScreenWidth / 2, kScreenHeight / 2),
                      QSizeF(kScreenWidth, kScreenHeight));
  drawPlate(painter, screen, 10, primaryColor(env, 0.05), primaryColor(env, 0.14));

  painter.save();
  painter.setClipPath(Fx::continuousRoundedRect(screen, 10));
  const QRectF row = screen.adjusted(4.5, 4.5, -4.5, -4.5);
  const double x = isPanelOnLeft() ? row.left() : row.right() - kPanelWidth;
  painter.setOpacity(painter.opacity() * unitClamped(panelOpacity()));
  paintPanel(painter, QRectF(x + panelShift(), row.top(), kPanelWidth, 0));
  painter.restore();

  const QPainterPath arrow = pointerArrow(screen.center() + QPointF(pointerX(), 12), 11);
  Fx::drawShadow(painter, arrow, ShadowLayer{QColor::fromRgbF(0, 0, 0, 0.25f), 1, 0, 0.5});
  painter.fillPath(arrow, primaryColor(env, 0.55));
}

void EdgeFlickDemo::paintPanel(QPainter& painter, const QRectF& frame) const {
  const EnvironmentValues env = environment();
  constexpr double kCardWidth = 52.5, kCardHeight = 45, kCardSpacing = 2.625;
  constexpr int kCardLines[] = {3, 2, 3};
  const double cardsTop = 3 + 10 + 3 + 6.5 + 3;
  const double height = cardsTop + 3 * kCardHeight + 2 * kCardSpacing + 3;
  const QRectF panel(frame.topLeft(), QSizeF(frame.width(), height));
  drawPlate(painter, panel, 4.125, primaryColor(env, 0.08), primaryColor(env, 0.16));

  const QColor faint = primaryColor(env, 0.1);
  drawCapsule(painter, QRectF(panel.left() + 4, panel.top() + 3, panel.width() - 8, 10), faint);
  double chipX = panel.left() + 4;
  const double chipY = panel.top() + 16;
  for (const auto& [width, color] : {std::pair{12.0, Theme::accent()}, {17.0, faint}, {10.0, faint}}) {
    drawCapsule(painter, QRectF(chipX, chipY, width, 6.5), color);
    chipX += width + 2.5;
  }
  double cardY = panel.top() + cardsTop;
  for (int lines : kCardLines) {
    const QRectF card(panel.center().x() - kCardWidth / 2, cardY, kCardWidth, kCardHeight);
    drawPlate(painter, card, 3.375, primaryColor(env, 0.11));
    for (int line = 0; line < lines; ++line) {
      const double width = line == lines - 1 ? 23.625 : 38.85;
      drawCapsule(painter, QRectF(card.left() + 5, card.top() + 5 + line * 5.0, width, 2.5), primaryColor(env, 0.22));
    }
    drawPlate(painter, QRectF(card.right() - 4 - 6, card.bottom() - 4 - 6, 6, 6), 1.5, primaryColor(env, 0.28));
    cardY += kCardHeight + kCardSpacing;
  }
}

// ---- PasteLandsDemo ------------------------------------------------------------------------

namespace {

const QPointF kClipAtRest(PasteLandsDemo::kWidth * 0.42, -6);
const QPointF kClipInFlight(PasteLandsDemo::kWidth * -0.16, 12);
constexpr double kDocumentFraction = 0.68;

}  // namespace

PasteLandsDemo::PasteLandsDemo(SettingsServices& context, QWidget* parent)
    : OnboardingDemo(context, parent),
      clipOffset_(*context.frameClock, kClipAtRest),
      clipScale_(*context.frameClock, 1.0),
      clipOpacity_(*context.frameClock, 1.0),
      lineWidth_(*context.frameClock, 0.0),
      lineOpacity_(*context.frameClock, 0.0) {
  clipOffset_.setOnChange([this] { update(); });
  for (auto* value : {&clipScale_, &clipOpacity_, &lineWidth_, &lineOpacity_}) value->setOnChange([this] { update(); });
  setLoop(0.5, {
                   {[this] { setFlying(true, Animation::easeIn(0.45)); }, 0.43},
                   {[this] { setLanded(true, Animation::spring(0.34, 0.75, 0)); }, 1.7},
                   {[this] { setLanded(false, Animation::easeOut(0.25)); }, 0.26},
                   // Back at rest at once, fully visible; also when the loop stops just before.
                   {[this] { setFlying(false, std::nullopt); }, 0.5, true},
               });
}

void PasteLandsDemo::setFlying(bool flying, const std::optional<Animation>& animation) {
  flying_ = flying;
  applyClip(animation);
}

void PasteLandsDemo::setLanded(bool landed, const std::optional<Animation>& animation) {
  landed_ = landed;
  lineWidth_.animateTo(landed ? kWidth * 0.52 : 0.0, animation);
  lineOpacity_.animateTo(landed ? 1.0 : 0.0, animation);
  applyClip(animation);
}

void PasteLandsDemo::applyClip(const std::optional<Animation>& animation) {
  clipOffset_.animateTo(flying_ ? kClipInFlight : kClipAtRest, animation);
  clipScale_.animateTo(flying_ ? 0.3 : 1.0, animation);
  clipOpacity_.animateTo(flying_ || landed_ ? 0.0 : 1.0, animation);
}

AccessibilityInfo PasteLandsDemo::accessibility() const { return decoration(); }

void PasteLandsDemo::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  painter.setOpacity(unitClamped(presence()));
  const QRectF box(QRectF(rect()).center() - QPointF(kWidth / 2, kHeight / 2), QSizeF(kWidth, kHeight));

  const double column = kWidth * kDocumentFraction;
  constexpr double kLine = 4, kGap = 6, kPad = 14;
  const QRectF document(box.left(), box.center().y() - (3 * kLine + 2 * kGap + 2 * kPad) / 2, column + 2 * kPad,
                        3 * kLine + 2 * kGap + 2 * kPad);
  drawPlate(painter, document, 8, primaryColor(env, 0.05), primaryColor(env, 0.12));
  const double lineX = document.left() + kPad;
  double lineY = document.top() + kPad;
  for (double fraction : {0.8, 0.62}) {
    drawCapsule(painter, QRectF(lineX, lineY, kWidth * fraction * kDocumentFraction, kLine), primaryColor(env, 0.16));
    lineY += kLine + kGap;
  }
  if (pastedLineWidth() > 0.01) {
    painter.save();
    painter.setOpacity(painter.opacity() * unitClamped(lineOpacity_.value()));
    drawCapsule(painter, QRectF(lineX, lineY, pastedLineWidth(), kLine), Theme::accent());
    painter.restore();
  }

  const double opacity = unitClamped(clipOpacity());
  if (opacity <= 0.001) return;
  painter.save();
  painter.setOpacity(painter.opacity() * opacity);
  const QPointF centre = box.center() + clipOffset();
  painter.translate(centre);
  painter.scale(clipScale(), clipScale());
  const QRectF clip(-19, -15, 38, 30);
  drawPlate(painter, clip, 4, primaryColor(env, 0.13), primaryColor(env, 0.18));
  drawCapsule(painter, QRectF(-13, -3.75, 26, 2.5), primaryColor(env, 0.28));
  drawCapsule(painter, QRectF(-13, 1.25, 18, 2.5), primaryColor(env, 0.28));
  painter.restore();
}

}  // namespace qv
