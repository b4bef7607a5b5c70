#pragma once
#include <QColor>
#include <QFont>
#include <QList>
#include <QPointF>
#include <QString>
#include <QTextLayout>
#include <memory>

class QPainter;

namespace qv {

// A text wrapped to a width and laid out only as far down as it can show. A long text is cut to
// a prefix that covers the visible lines (grown until the lines reach the bottom), so a megabyte
// of text costs what a cardful does. Lines end at word boundaries, or anywhere in a word too
// long for a line; line breaks in the text start new lines. The layout is kept until the text,
// formats or geometry change.
class VisibleTextLayout {
 public:
  using Formats = QList<QTextLayout::FormatRange>;
  struct Geometry {
    QFont font;
    double width = 0;
    double lineSpacing = 0;  // extra points between lines
    double maxHeight = 0;    // lines whose top lies at or below this are left out
    bool operator==(const Geometry&) const = default;
  };

  void update(const QString& text, const Formats& formats, const Geometry& geometry);
  // Paints the lines with their top-left at `origin`; `color` for text without a format colour.
  void draw(QPainter& painter, QPointF origin, const QColor& color) const;

  int lineCount() const { return lineCount_; }
  // The text shown on each line (for tests).
  QStringList lines() const;
  // How much of the text was laid out.
  qsizetype laidLength() const { return laidLength_; }
  // How many layouts were made: a test of the cache.
  int layoutCount() const { return layoutCount_; }

  static constexpr qsizetype kFirstPrefix = 1024;

 private:
  void relayout();
  // Lays out the first `length` characters; true when the visible lines do not depend on
  // what follows.
  bool layoutPrefix(qsizetype length);

  QString text_;
  Formats formats_;
  Geometry geometry_;
  bool valid_ = false;
  std::unique_ptr<QTextLayout> layout_;
  int lineCount_ = 0;
  qsizetype laidLength_ = 0;
  int layoutCount_ = 0;
};

}  // namespace qv
