#include "preview/document/DocumentText.h"

#include <QBrush>
#include <algorithm>

namespace qv {

namespace {

bool isKeptControl(char16_t unit) { return unit == u'\t' || unit == u'\n'; }

bool isDropped(char16_t unit) {
  return (unit < 0x20 && !isKeptControl(unit)) || unit == 0x7F || unit == 0xFFFC || unit == 0xFEFF;
}

}  // namespace

QTextCharFormat AttributedTextBuilder::formatOf(const RunStyle& style) const {
  QTextCharFormat format;
  if (!style.family.isEmpty()) format.setFontFamilies(QStringList{style.family});
  format.setFontPointSize(std::clamp(style.size, 1.0, 1638.0) * options_.fontPointsPerPoint);
  if (style.bold) format.setFontWeight(QFont::Bold);
  if (style.italic) format.setFontItalic(true);
  if (style.underline) format.setFontUnderline(true);
  if (style.strikeOut) format.setFontStrikeOut(true);
  if (style.color) format.setForeground(*style.color);
  return format;
}

void AttributedTextBuilder::append(QStringView text, const RunStyle& style) {
  if (full_ || text.isEmpty()) return;
  QString kept;
  const bool clean = std::none_of(text.begin(), text.end(), [](QChar c) { return isDropped(c.unicode()); });
  if (!clean) {
    kept.reserve(text.size());
    for (QChar c : text)
      if (!isDropped(c.unicode())) kept.append(c);
    text = kept;
    if (text.isEmpty()) return;
  }
  const qsizetype room = DocumentLimits::kMaxTextLength - text_.text.size();
  if (text.size() >= room) {
    text = text.first(room);
    full_ = true;
    if (text.isEmpty()) return;
  }
  if (lastStyle_ && *lastStyle_ == style && !text_.formats.isEmpty()) {
    text_.formats.back().length += int(text.size());
  } else {
    text_.formats.append({int(text_.text.size()), int(text.size()), formatOf(style)});
    lastStyle_ = style;
  }
  text_.text.append(text);
}

AttributedText AttributedTextBuilder::finish() {
  // A lone surrogate (a broken \u pair, a cut string) becomes the replacement character, in place.
  QString& text = text_.text;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      ++i;
    } else if (c.isSurrogate()) {
      text[i] = QChar::ReplacementCharacter;
    }
  }
  lastStyle_.reset();
  return std::move(text_);
}

double brightnessOf(const QColor& color) {
  const QColor rgb = color.toRgb();
  return std::max({rgb.redF(), rgb.greenF(), rgb.blueF()});
}

void adaptForegroundColors(AttributedText& text) {
  // Colours are kept in 16 bits a component: a brightness given as 0.35 reads back within half a
  // step of it.
  constexpr double halfStep = 0.5 / 65535;
  for (auto& range : text.formats) {
    if (!range.format.hasProperty(QTextFormat::ForegroundBrush)) continue;
    const QBrush brush = range.format.foreground();
    const bool kept = brush.style() == Qt::SolidPattern && brush.color().isValid() &&
                      brightnessOf(brush.color()) > kOwnColorMinimumBrightness + halfStep;
    if (!kept) range.format.clearForeground();
  }
}

}  // namespace qv
