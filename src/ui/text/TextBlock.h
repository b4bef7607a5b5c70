#pragma once
#include "ui/text/AttributedText.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QTextLayout>
#include <array>
#include <memory>
#include <optional>

class QPainter;

namespace qv {

// How a block of text is set.
struct TextStyle {
  QFont font;
  // Extra points between lines.
  double lineSpacing = 0;
  // At most this many lines; 0 = no limit.
  int lineLimit = 0;
  // Horizontal alignment of each line (Qt::AlignLeft, AlignHCenter, AlignRight).
  Qt::Alignment alignment = Qt::AlignLeft;
  // With a line limit: end the last shown line with "…" when text is cut. Without it the text is
  // just cut after the last line (cards fade it out instead).
  bool elideLastLine = true;
  bool operator==(const TextStyle& other) const {
    return font == other.font && lineSpacing == other.lineSpacing && lineLimit == other.lineLimit &&
           alignment == other.alignment && elideLastLine == other.elideLastLine;
  }
};

// A paragraph (or several, split at newlines) wrapped to a width: measuring and painting share
// one layout, made once per text, style and width and kept until one of them changes. The two
// widths asked for last are kept, so that measuring unbounded and drawing in the width that
// gives costs no layout on each paint.
class TextBlock {
 public:
  TextBlock() = default;
  TextBlock(const QString& text, const TextStyle& style);
  // Runs with their own fonts and colours (highlighted code); `style.font` sets the line metrics
  // of unformatted text and the colour given to draw() only colours unformatted runs.
  TextBlock(const AttributedText& text, const TextStyle& style);

  void setText(const QString& text);
  void setStyle(const TextStyle& style);
  void setFormats(const QList<QTextLayout::FormatRange>& formats);
  const QString& text() const { return text_; }
  const TextStyle& style() const { return style_; }

  // Width ≤ 0 means unbounded (no wrapping).
  QSizeF size(double width) const;
  int lineCount(double width) const;
  // Whether the line limit cut text off.
  bool isTruncated(double width) const;
  // The text shown on each line (for tests and accessibility).
  QStringList lines(double width) const;

  // Paints the block with its top-left at `origin`, lines aligned within `width`.
  void draw(QPainter& painter, QPointF origin, double width, const QColor& color) const;

  // How many layouts were made: a test of the cache.
  int layoutCount() const { return layoutCount_; }

 private:
  struct Layout {
    double width = 0;
    std::unique_ptr<QTextLayout> body;  // the full lines shown
    int bodyLines = 0;
    std::unique_ptr<QTextLayout> elidedLine;  // the elided last line, when cut
    bool truncated = false;
    QSizeF size;
  };
  const Layout& layout(double width) const;

  QString text_;
  QList<QTextLayout::FormatRange> formats_;
  TextStyle style_;
  mutable std::array<std::optional<Layout>, 2> layouts_;  // the latest first
  mutable int layoutCount_ = 0;
};

}  // namespace qv
