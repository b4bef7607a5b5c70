#include "library/LibraryStatus.h"

#include "ui/InterfaceServices.h"
#include "ui/anim/Transaction.h"
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

constexpr double kPaddingH = 16;
constexpr double kPaddingV = 7;
constexpr double kSpacing = 6;
constexpr double kFontSize = 11;
constexpr double kSymbolGap = 4;

// The empty state.
constexpr double kEmptySymbol = 40;
constexpr double kEmptyTitleSize = 17;
constexpr double kEmptyDescriptionSize = 13;
constexpr double kEmptyWidth = 320;
constexpr double kEmptySymbolGap = 14;
constexpr double kEmptyTitleGap = 6;

}  // namespace

// ---- LibraryStatusRow ------------------------------------------------------------------------

LibraryStatusRow::LibraryStatusRow(InterfaceServices& context, QWidget* parent)
    : PaintedWidget(context, parent), count_(*context.frameClock) {
  setHoverEnabled(false);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  count_.setOnChange([this] { update(); });
}

void LibraryStatusRow::setProps(const LibraryStatusLine& line) {
  if (line == line_) return;
  line_ = line;
  // A row out of sight shows its new count at once.
  std::optional<Animation> animation;
  if (isVisible() && !count_.text().isEmpty()) {
    animation = Transaction::current().animation;
    if (!animation) animation = Theme::springStandard();
  }
  count_.setText(line_.text, animation, context().reduceMotion && context().reduceMotion->isEnabled());
  update();
}

QString LibraryStatusRow::text() const {
  QString text = line_.text;
  if (line_.filtered) text += u' ' + QString::fromUtf16(kFilteredMarker);
  if (line_.paused) text += u' ' + QString::fromLatin1(kPausedLabel);
  return text;
}

QSize LibraryStatusRow::sizeHint() const {
  return QSize(200, int(std::ceil(QFontMetricsF(systemFont(kFontSize)).height() + 2 * kPaddingV)));
}

AccessibilityInfo LibraryStatusRow::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::StaticText;
  info.name = text();
  return info;
}

void LibraryStatusRow::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const QFont font = systemFont(kFontSize);
  const QFontMetricsF metrics(font);
  const QRectF row(kPaddingH, kPaddingV, std::max(0.0, width() - 2 * kPaddingH), metrics.height());
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setFont(font);
  auto draw = [&](double x, const QString& text, const QColor& ink) {
    const double advance = ShapedText::advance(font, text);
    painter.setPen(ink);
    ShapedText::drawCentred(painter, font, QRectF(x, row.top(), advance + 1, row.height()), text);
    return x + advance;
  };
  count_.draw(painter, font, row, line_.selection ? Theme::accent() : labelColor(env, LabelLevel::secondary));
  double x = row.left() + count_.width(font);
  if (line_.filtered)
    x = draw(x + metrics.horizontalAdvance(u' '), QString::fromUtf16(kFilteredMarker),
             labelColor(env, LabelLevel::tertiary));
  if (!line_.paused) return;
  x += kSpacing;
  const QColor secondary = labelColor(env, LabelLevel::secondary);
  const double side = kFontSize + 1;
  painter.drawImage(QRectF(x, row.center().y() - side / 2, side, side),
                    Symbols::image(QString::fromLatin1(kPausedSymbol), side, secondary, Fx::painterScale(painter)));
  draw(x + side + kSymbolGap, QString::fromLatin1(kPausedLabel), secondary);
}

// ---- LibraryEmptyStateView -------------------------------------------------------------------

LibraryEmptyStateView::LibraryEmptyStateView(InterfaceServices& context, QWidget* parent)
    : PaintedWidget(context, parent) {
  setHoverEnabled(false);
}

void LibraryEmptyStateView::setProps(const LibraryEmptyState& state) {
  if (state == state_) return;
  state_ = state;
  update();
}

AccessibilityInfo LibraryEmptyStateView::accessibility() const {
  AccessibilityInfo info;
  info.role = QAccessible::StaticText;
  info.name = state_.title;
  info.description = state_.description;
  return info;
}

void LibraryEmptyStateView::paint(QPainter& painter) {
  const EnvironmentValues env = environment();
  const QFont titleFont = systemFont(kEmptyTitleSize, QFont::Bold);
  const QFont descriptionFont = systemFont(kEmptyDescriptionSize);
  const double textWidth = std::min(kEmptyWidth, std::max(0.0, width() - 40.0));
  const int wrap = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
  const QRectF titleBox = QFontMetricsF(titleFont).boundingRect(QRectF(0, 0, textWidth, 1e6), wrap, state_.title);
  const QRectF descriptionBox =
      QFontMetricsF(descriptionFont).boundingRect(QRectF(0, 0, textWidth, 1e6), wrap, state_.description);
  const double total = kEmptySymbol + kEmptySymbolGap + titleBox.height() + kEmptyTitleGap + descriptionBox.height();
  const double left = (width() - textWidth) / 2;
  double y = (height() - total) / 2;
  painter.setRenderHint(QPainter::Antialiasing);
  painter.drawImage(
      QRectF(width() / 2.0 - kEmptySymbol / 2, y, kEmptySymbol, kEmptySymbol),
      Symbols::image(state_.symbol, kEmptySymbol, labelColor(env, LabelLevel::tertiary), Fx::painterScale(painter)));
  y += kEmptySymbol + kEmptySymbolGap;
  painter.setFont(titleFont);
  painter.setPen(labelColor(env, LabelLevel::primary));
  painter.drawText(QRectF(left, y, textWidth, titleBox.height()), wrap, state_.title);
  y += titleBox.height() + kEmptyTitleGap;
  painter.setFont(descriptionFont);
  painter.setPen(labelColor(env, LabelLevel::secondary));
  painter.drawText(QRectF(left, y, textWidth, descriptionBox.height()), wrap, state_.description);
}

}  // namespace qv
