#include "settings/PaneText.h"

#include "settings/SettingsStyle.h"
#include "ui/theme/Environment.h"

#include <QPainter>
#include <cmath>

namespace qv {

PaneText::PaneText(SettingsServices& context, Props props, QWidget* parent)
    : PaintedWidget(context, parent), props_(std::move(props)), block_(props_.text, props_.style) {
  setHoverEnabled(false);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
  setAccessibleName(props_.text);
}

void PaneText::setProps(const Props& props) {
  if (props == props_) return;
  props_ = props;
  block_ = TextBlock(props_.text, props_.style);
  setAccessibleName(props_.text);
  updateGeometry();
  update();
}

int PaneText::heightForWidth(int width) const { return int(std::ceil(block_.size(width).height())); }

QSize PaneText::sizeHint() const {
  const QSizeF natural = block_.size(0);
  return QSize(int(std::ceil(natural.width())), int(std::ceil(natural.height())));
}

// Wrapping text can be narrowed down to its longest word; the height then follows the width.
QSize PaneText::minimumSizeHint() const { return QSize(40, int(std::ceil(block_.size(0).height()))); }

void PaneText::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const QColor color = props_.shade == Shade::primary     ? settingsStyle::primary(env)
                       : props_.shade == Shade::secondary ? settingsStyle::secondary(env)
                                                          : settingsStyle::tertiary(env);
  block_.draw(painter, QPointF(0, 0), width(), color);
}

PaneDivider::PaneDivider(SettingsServices& context, double opacity, QWidget* parent)
    : QWidget(parent), context_(context), opacity_(opacity) {
  setFixedHeight(1);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PaneDivider::paintEvent(QPaintEvent*) {
  const EnvironmentValues env = context_.environment ? context_.environment->values() : EnvironmentValues{};
  QPainter(this).fillRect(rect(), settingsStyle::primary(env, opacity_ * 0.35));
}

PaneText* paneText(SettingsServices& context, const QString& text, double size, PaneText::Shade shade,
                   QFont::Weight weight) {
  return new PaneText(context, {text, TextStyle{settingsStyle::font(size, weight)}, shade});
}

}  // namespace qv
