#include "cards/content/TextCardContent.h"

#include "base/Graphemes.h"
#include "cards/content/CardContentStyle.h"
#include "cards/content/CodeColoring.h"

#include <QPainter>

namespace qv {

using namespace CardContentStyle;

bool TextCardContent::setProps(const Props& props) {
  if (props == props_) return false;
  props_ = props;
  return true;
}

void TextCardContent::paint(QPainter& painter, const QRectF& rect, const EnvironmentValues& environment) {
  paintTintedBackground(painter, rect, environment);
  if (props_.content.isEmpty()) return;
  const double width = rect.width() - 2 * kSideInset;
  layout_.update(props_.content, {},
                 {systemFont(kFontSize), width, kLineSpacing, kFadeEnd * rect.height() - kTopInset});
  const QColor color = primary(environment, 0.88);
  const QPointF origin(rect.left() + kSideInset, rect.top() + kTopInset);
  paintWithBottomFade(painter, rect, kFadeStart, kFadeEnd,
                      [&](QPainter& target) { layout_.draw(target, origin, color); });
}

bool CodeCardContent::setProps(const Props& props) {
  if (props == props_) return false;
  props_ = props;
  shown_ = graphemePrefix(props_.source, kCharacterLimit);
  formatsDark_.reset();
  return true;
}

void CodeCardContent::paint(QPainter& painter, const QRectF& rect, const EnvironmentValues& environment) {
  paintTintedBackground(painter, rect, environment);
  if (shown_.isEmpty()) return;
  const bool dark = environment.isDark();
  if (formatsDark_ != dark) {
    formats_ = codeCardFormats(shown_, props_.language, dark);
    formatsDark_ = dark;
  }
  const double width = rect.width() - 2 * kSideInset;
  layout_.update(shown_, formats_, {codeCardFont(), width, kLineSpacing, kFadeEnd * rect.height() - kTopInset});
  const QColor plain = codeCardPlainColor(dark);
  const QPointF origin(rect.left() + kSideInset, rect.top() + kTopInset);
  paintWithBottomFade(painter, rect, kFadeStart, kFadeEnd, [&](QPainter& target) { layout_.draw(target, origin, plain); });
}

}  // namespace qv
