#include "cards/content/VisibleTextLayout.h"

#include <QPainter>
#include <QTextOption>

namespace qv {

namespace {
// QTextLayout breaks lines at the Unicode line separator, not at '\n'. Same length as the input,
// so format positions stay valid: the '\r' of "\r\n" becomes a zero-width space.
QString forLayout(QString text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    QChar& c = text[i];
    if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) c = QChar(0x200B);
    else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) c = QChar::LineSeparator;
  }
  return text;
}
}  // namespace

void VisibleTextLayout::update(const QString& text, const Formats& formats, const Geometry& geometry) {
  if (valid_ && geometry == geometry_ && text.size() == text_.size() &&
      (text.constData() == text_.constData() || text == text_) && formats == formats_)
    return;
  text_ = text;
  formats_ = formats;
  geometry_ = geometry;
  relayout();
}

void VisibleTextLayout::relayout() {
  valid_ = true;
  ++layoutCount_;
  qsizetype length = std::min(text_.size(), kFirstPrefix);
  while (!layoutPrefix(length)) length = std::min(text_.size(), length * 4);
}

bool VisibleTextLayout::layoutPrefix(qsizetype length) {
  // Never split a surrogate pair.
  if (length < text_.size() && length > 0 && text_.at(length - 1).isHighSurrogate()) --length;
  const bool cut = length < text_.size();
  laidLength_ = length;
  layout_ = std::make_unique<QTextLayout>(forLayout(text_.left(length)), geometry_.font);
  QTextOption option(Qt::AlignLeft);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  option.setUseDesignMetrics(true);
  layout_->setTextOption(option);
  if (!formats_.isEmpty()) {
    Formats inside;
    for (const auto& range : formats_)
      if (range.start < length)
        inside.append({range.start, int(std::min<qsizetype>(range.length, length - range.start)), range.format});
    layout_->setFormats(inside);
  }
  layout_->setCacheEnabled(true);
  lineCount_ = 0;
  double y = 0;
  bool stable = !cut;
  layout_->beginLayout();
  for (;;) {
    QTextLine line = layout_->createLine();
    if (!line.isValid()) break;
    line.setLineWidth(geometry_.width);
    if (lineCount_ > 0) y += geometry_.lineSpacing;
    line.setPosition(QPointF(0, y));
    if (y >= geometry_.maxHeight) {
      // The first hidden line: when it ends before the cut, every shown line is final.
      if (cut && line.textStart() + line.textLength() < length) stable = true;
      break;
    }
    y += line.height();
    ++lineCount_;
  }
  layout_->endLayout();
  return stable || !cut;
}

void VisibleTextLayout::draw(QPainter& painter, QPointF origin, const QColor& color) const {
  if (!layout_) return;
  painter.save();
  painter.setPen(color);
  for (int i = 0; i < lineCount_; ++i) layout_->lineAt(i).draw(&painter, origin);
  painter.restore();
}

QStringList VisibleTextLayout::lines() const {
  QStringList result;
  if (!layout_) return result;
  const QString& laid = layout_->text();
  for (int i = 0; i < lineCount_; ++i) {
    const QTextLine line = layout_->lineAt(i);
    QString part = laid.mid(line.textStart(), line.textLength());
    part.remove(QChar::LineSeparator);
    part.remove(QChar(0x200B));
    result << part.trimmed();
  }
  return result;
}

}  // namespace qv
