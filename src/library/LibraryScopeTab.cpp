#include "library/LibraryScopeTab.h"

#include "base/Log.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/CategoryDot.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/text/ShapedText.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace qv {

namespace {

constexpr double kTabPaddingH = 10;
constexpr double kTabPaddingV = 5;
constexpr double kTabSpacing = 5;
constexpr double kTabMarkSize = 9;
constexpr double kTabHoverScale = 1.04;

QFont tabLabelFont(bool selected) { return systemFont(12, selected ? QFont::DemiBold : QFont::Normal); }
QFont tabCountFont() { return systemFont(11); }

}  // namespace

LibraryScopeTab::LibraryScopeTab(InterfaceServices& context, QWidget* parent)
    : HouseButtonWith(context, {}, {}, parent),
      countPresence_(*context.frameClock, 0.0),
      selection_(*context.frameClock, 0.0),
      count_(*context.frameClock) {
  // The library's keys (Space, arrows) are never a tab's.
  setFocusPolicy(Qt::NoFocus);
  selection_.setOnChange([this] { update(); });
  count_.setOnChange([this] { update(); });
  countPresence_.setOnChange([this] {
    if (countPresence_.value() <= 0.001 && props_.count < 1 && shownCount_ != 0) {
      // Faded out: the count gives its room back.
      shownCount_ = 0;
      updateGeometry();
    }
    update();
  });
}

void LibraryScopeTab::setProps(const Props& props, Callbacks callbacks) {
  const bool first = !std::exchange(hasProps_, true);
  const bool hadCount = props_.count >= 1;
  HouseButtonWith::setProps(props, std::move(callbacks));
  const bool hasCount = props_.count >= 1;
  // Inside the change's own animation, else the standard spring; at once out of sight.
  std::optional<Animation> animation = Transaction::current().animation;
  if (!animation) animation = Theme::springStandard();
  if (first || !isVisible()) animation.reset();
  // The accent fill comes and goes with the change that picked the scope.
  selection_.animateTo(props_.isSelected ? 1 : 0, first ? std::nullopt : Transaction::current().animation);
  if (hasCount) {
    shownCount_ = props_.count;
    // A number that changes rolls; one that appears or leaves does not.
    const bool reduced = context().reduceMotion && context().reduceMotion->isEnabled();
    count_.setText(QString::number(shownCount_), hadCount ? animation : std::nullopt, reduced);
  }
  if (first) {
    countPresence_.jumpTo(hasCount ? 1 : 0);
    if (!hasCount) shownCount_ = 0;
    updateGeometry();
    return;
  }
  if (hasCount == hadCount) {
    updateGeometry();
    return;
  }
  if (!animation) animation = Theme::springStandard();
  countPresence_.animateTo(hasCount ? 1 : 0, animation);
  updateGeometry();
}

double LibraryScopeTab::countScale() const {
  if (context().reduceMotion && context().reduceMotion->isEnabled()) return 1;
  return lerp(kCountEnterScale, 1, countPresence_.value());
}

void LibraryScopeTab::moveEvent(QMoveEvent* event) {
  HouseButton::moveEvent(event);
  logFrame();
}

void LibraryScopeTab::resizeEvent(QResizeEvent* event) {
  HouseButton::resizeEvent(event);
  logFrame();
}

void LibraryScopeTab::showEvent(QShowEvent* event) {
  HouseButton::showEvent(event);
  logFrame();
}

void LibraryScopeTab::logFrame() const {
  // Where the tab lies in its window, for end-to-end tests that click it.
  if (!lcApp().isDebugEnabled() || !isVisible()) return;
  const QPoint at = mapTo(window(), QPoint());
  qCDebug(lcApp).noquote() << QStringLiteral("Library tab \u201C%1\u201D at %2,%3 %4x%5")
                                  .arg(props_.label)
                                  .arg(at.x())
                                  .arg(at.y())
                                  .arg(width())
                                  .arg(height());
}

double LibraryScopeTab::labelAdvance(const QFont& font) const {
  return std::ceil(ShapedText::advance(font, props_.label));
}

double LibraryScopeTab::contentWidth() const {
  double width = labelAdvance(tabLabelFont(props_.isSelected));
  if (!props_.icon.isEmpty() || props_.dot.isValid()) width += kTabMarkSize + kTabSpacing;
  if (shownCount_ >= 1)
    width += kTabSpacing + std::ceil(monospacedDigitsWidth(tabCountFont(), QString::number(shownCount_)));
  return width;
}

HouseButtonLook LibraryScopeTab::look(double hover) const {
  const EnvironmentValues env = environment();
  const bool selected = props_.isSelected;
  HouseButtonLook l;
  l.title = props_.label;
  l.font = tabLabelFont(selected);
  l.foreground = textColor();
  l.paddingH = kTabPaddingH;
  l.paddingV = kTabPaddingV;
  l.labelWidth = contentWidth();
  const double chosen = unitClamped(selection_.value());
  const QColor fill = mixColors(primaryColor(env, lerp(0.06, 0.1, unitClamped(hover))), Theme::accent(), chosen);
  l.fill = {{0, fill}, {1, fill}};
  l.border = primaryColor(env, 0.12 * (1 - chosen));
  l.borderWidth = 0.5;
  // Only an unselected tab grows under the pointer.
  l.scale = selected ? 1.0 : lerp(1.0, kTabHoverScale, hover);
  return l;
}

QColor LibraryScopeTab::textColor() const {
  return mixColors(primaryColor(environment(), props_.count > 0 ? 0.75 : 0.45), QColor(Qt::white),
                   unitClamped(selection_.value()));
}

AccessibilityInfo LibraryScopeTab::accessibility() const {
  AccessibilityInfo info = HouseButton::accessibility();
  info.role = QAccessible::PageTab;
  info.name = props_.label;
  info.value = props_.count >= 1 ? QString::number(props_.count) : QString();
  info.focusable = false;
  info.selectable = true;
  info.selected = props_.isSelected;
  return info;
}

void LibraryScopeTab::paint(QPainter& painter) {
  const HouseButtonLook l = currentLook();
  const EnvironmentValues env = environment();
  const bool selected = props_.isSelected;
  const QRectF box = capsuleRect();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(box.center());
  painter.scale(l.scale, l.scale);
  painter.translate(-box.center());
  painter.fillPath(libraryCapsule(box), l.fill.front().color);
  if (l.border.alphaF() > 0) {
    painter.setPen(QPen(l.border, l.borderWidth));
    painter.drawPath(libraryCapsule(box.adjusted(0.25, 0.25, -0.25, -0.25)));
  }
  double x = box.left() + kTabPaddingH;
  const double midY = box.center().y();
  const double scaleFactor = Fx::painterScale(painter);
  if (!props_.icon.isEmpty()) {
    painter.drawImage(QRectF(x, midY - kTabMarkSize / 2, kTabMarkSize, kTabMarkSize),
                      Symbols::image(props_.icon, kTabMarkSize, l.foreground, scaleFactor));
    x += kTabMarkSize + kTabSpacing;
  } else if (props_.dot.isValid()) {
    CategoryDot{props_.dot, selected, kTabMarkSize, std::nullopt}.paint(
        painter, QRectF(x, midY - kTabMarkSize / 2, kTabMarkSize, kTabMarkSize));
    x += kTabMarkSize + kTabSpacing;
  }
  // Laid out once: the tab is drawn in every frame of a count's roll.
  const double labelWidth = labelAdvance(l.font);
  painter.setPen(l.foreground);
  ShapedText::drawCentred(painter, l.font, QRectF(x, box.top(), labelWidth + 1, box.height()), props_.label);
  x += labelWidth;
  const double presence = unitClamped(countPresence_.value());
  if (shownCount_ >= 1 && presence > 0) {
    x += kTabSpacing;
    const QFont font = tabCountFont();
    const QRectF countBox(x, box.top(), count_.width(font), box.height());
    painter.save();
    painter.setOpacity(painter.opacity() * presence);
    const double scale = countScale();
    painter.translate(countBox.center());
    painter.scale(scale, scale);
    painter.translate(-countBox.center());
    count_.draw(painter, font, countBox,
                mixColors(primaryColor(env, 0.45), QColor::fromRgbF(1, 1, 1, 0.7f), unitClamped(selection_.value())));
    painter.restore();
  }
}

}  // namespace qv
