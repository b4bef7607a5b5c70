#include "cards/content/TextCardContent.h"

#include "cards/content/CardContentStyle.h"
#include "ui/code/CodeHighlighter.h"

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
  shown_.reset();
  shownScheme_.reset();
  return true;
}

void CodeCardContent::paint(QPainter& painter, const QRectF& rect, const EnvironmentValues& environment) {
  paintTintedBackground(painter, rect, environment);
  if (props_.source.isEmpty()) return;
  if (shownScheme_ != environment.colorScheme) {
    shown_ = CodeHighlighter(props_.source, props_.language)
                 .highlightedText(highlights_, environment.colorScheme, kCharacterLimit, false);
    shownScheme_ = environment.colorScheme;
  }
  const double width = rect.width() - 2 * kSideInset;
  layout_.update(shown_->text, shown_->formats,
                 {CodeHighlighter::cardFont(), width, kLineSpacing, kFadeEnd * rect.height() - kTopInset});
  const QColor plain = CodeHighlighter::color(CodeHighlighter::Kind::plain, environment.isDark());
  const QPointF origin(rect.left() + kSideInset, rect.top() + kTopInset);
  paintWithBottomFade(painter, rect, kFadeStart, kFadeEnd,
                      [&](QPainter& target) { layout_.draw(target, origin, plain); });
}

}  // namespace qv
