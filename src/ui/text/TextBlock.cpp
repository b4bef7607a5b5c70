#include "ui/text/TextBlock.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextOption>
#include <algorithm>

namespace qv {

namespace {
// QTextLayout breaks lines at the Unicode line separator, not at '\n'.
QString forLayout(QString text) {
  text.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
  text.replace(QLatin1Char('\n'), QChar::LineSeparator);
  text.replace(QLatin1Char('\r'), QChar::LineSeparator);
  return text;
}

// The runs moved to where they lie after forLayout() made each "\r\n" one character.
QList<QTextLayout::FormatRange> formatsForLayout(const QString& text, QList<QTextLayout::FormatRange> formats) {
  if (formats.isEmpty() || !text.contains(QLatin1String("\r\n"))) return formats;
  auto laidPosition = [&](int position) {
    int removed = 0;
    for (qsizetype at = text.indexOf(QLatin1String("\r\n")); at >= 0 && at + 1 < position;
         at = text.indexOf(QLatin1String("\r\n"), at + 2))
      ++removed;
    return position - removed;
  };
  for (auto& range : formats) {
    const int end = laidPosition(range.start + range.length);
    range.start = laidPosition(range.start);
    range.length = end - range.start;
  }
  return formats;
}

// Unbounded text has nothing to align within, so it is set flush left.
QTextOption optionFor(const TextStyle& style, bool wrap, bool bounded) {
  QTextOption option(bounded ? (style.alignment & Qt::AlignHorizontal_Mask) : Qt::AlignLeft);
  option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
  option.setUseDesignMetrics(true);
  return option;
}
}  // namespace

TextBlock::TextBlock(const QString& text, const TextStyle& style) : text_(text), style_(style) {}

TextBlock::TextBlock(const AttributedText& text, const TextStyle& style)
    : text_(text.text), formats_(text.formats), style_(style) {}

void TextBlock::setFormats(const QList<QTextLayout::FormatRange>& formats) {
  if (formats == formats_) return;
  formats_ = formats;
  layouts_ = {};
}

void TextBlock::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  layouts_ = {};
}

void TextBlock::setStyle(const TextStyle& style) {
  if (style == style_) return;
  style_ = style;
  layouts_ = {};
}

const TextBlock::Layout& TextBlock::layout(double width) const {
  if (layouts_[0] && layouts_[0]->width == width) return *layouts_[0];
  if (layouts_[1] && layouts_[1]->width == width) {
    std::swap(layouts_[0], layouts_[1]);
    return *layouts_[0];
  }
  ++layoutCount_;
  Layout result;
  result.width = width;
  const bool wrap = width > 0;
  const double lineWidth = wrap ? width : 1e7;
  const QString laid = forLayout(text_);

  result.body = std::make_unique<QTextLayout>(laid, style_.font);
  result.body->setTextOption(optionFor(style_, wrap, wrap));
  result.body->setFormats(formatsForLayout(text_, formats_));
  result.body->setCacheEnabled(true);
  double y = 0;
  double widest = 0;
  int count = 0;
  int cutAt = -1;  // text position where the elided last line starts
  result.body->beginLayout();
  for (;;) {
    QTextLine line = result.body->createLine();
    if (!line.isValid()) break;
    line.setLineWidth(lineWidth);
    const bool last = style_.lineLimit > 0 && count == style_.lineLimit - 1;
    if (last && line.textStart() + line.textLength() < laid.size()) {
      // More text follows the last allowed line.
      result.truncated = true;
      if (style_.elideLastLine) {
        cutAt = line.textStart();
        line.setLineWidth(0);  // keep the engine consistent; this line is replaced below
        break;
      }
    }
    if (count > 0) y += style_.lineSpacing;
    line.setPosition(QPointF(0, y));
    y += line.height();
    widest = std::max(widest, line.naturalTextWidth());
    ++count;
    if (last) break;
  }
  result.body->endLayout();
  result.bodyLines = count;

  if (cutAt >= 0) {
    QString rest = laid.mid(cutAt);
    rest.replace(QChar::LineSeparator, QLatin1Char(' '));
    const QString elided = QFontMetricsF(style_.font).elidedText(rest, Qt::ElideRight, lineWidth);
    result.elidedLine = std::make_unique<QTextLayout>(elided, style_.font);
    result.elidedLine->setTextOption(optionFor(style_, false, wrap));
    result.elidedLine->beginLayout();
    QTextLine line = result.elidedLine->createLine();
    line.setLineWidth(lineWidth);
    if (count > 0) y += style_.lineSpacing;
    line.setPosition(QPointF(0, y));
    y += line.height();
    widest = std::max(widest, line.naturalTextWidth());
    result.elidedLine->endLayout();
  }
  if (count == 0 && !result.elidedLine) y = QFontMetricsF(style_.font).height();
  result.size = QSizeF(wrap ? std::min(widest, width) : widest, y);
  layouts_[1] = std::move(layouts_[0]);
  layouts_[0] = std::move(result);
  return *layouts_[0];
}

QSizeF TextBlock::size(double width) const { return layout(width).size; }

int TextBlock::lineCount(double width) const {
  const auto& l = layout(width);
  return l.bodyLines + (l.elidedLine ? 1 : 0);
}

bool TextBlock::isTruncated(double width) const { return layout(width).truncated; }

QStringList TextBlock::lines(double width) const {
  const auto& l = layout(width);
  QStringList result;
  const QString& laid = l.body->text();
  for (int i = 0; i < l.bodyLines; ++i) {
    const QTextLine line = l.body->lineAt(i);
    QString part = laid.mid(line.textStart(), line.textLength());
    part.replace(QChar::LineSeparator, QString());
    result << part.trimmed();
  }
  if (l.elidedLine) result << l.elidedLine->text();
  return result;
}

void TextBlock::draw(QPainter& painter, QPointF origin, double width, const QColor& color) const {
  const auto& l = layout(width);
  painter.save();
  painter.setPen(color);
  auto drawLayout = [&](const QTextLayout& layout, int lineCount) {
    for (int i = 0; i < lineCount; ++i) layout.lineAt(i).draw(&painter, origin);
  };
  drawLayout(*l.body, l.bodyLines);
  if (l.elidedLine) drawLayout(*l.elidedLine, 1);
  painter.restore();
}

}  // namespace qv
