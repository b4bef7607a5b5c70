#include "ui/text/IncrementalDocumentLayout.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace qv {

IncrementalDocumentLayout::IncrementalDocumentLayout(QTextDocument* document) : QAbstractTextDocumentLayout(document) {
  entries_.assign(size_t(document->blockCount()), Entry{});
  waiting_ = int(entries_.size());
}

double IncrementalDocumentLayout::leftMargin() const {
  return document()->rootFrame()->frameFormat().leftMargin() + document()->documentMargin();
}

double IncrementalDocumentLayout::topMargin() const {
  return document()->rootFrame()->frameFormat().topMargin() + document()->documentMargin();
}

double IncrementalDocumentLayout::availableWidth() const {
  if (width_ <= 0) return double(INT_MAX) / 256;  // no width yet: no wrapping
  const QTextFrameFormat frame = document()->rootFrame()->frameFormat();
  return std::max(1.0, width_ - frame.leftMargin() - frame.rightMargin() - 2 * document()->documentMargin());
}

IncrementalDocumentLayout::Estimate IncrementalDocumentLayout::estimate() const {
  const QFontMetricsF metrics(document()->defaultFont());
  return {std::ceil(metrics.height()), metrics.averageCharWidth() / availableWidth()};
}

double IncrementalDocumentLayout::Estimate::height(const QTextBlock& block) const {
  return std::max(1.0, std::ceil(double(block.length()) * linesPerCharacter)) * lineHeight;
}

void IncrementalDocumentLayout::documentChanged(int from, int charsRemoved, int charsAdded) {
  QTextDocument* document = this->document();
  const double oldWidth = width_;
  width_ = document->pageSize().width();
  const size_t blocks = size_t(document->blockCount());
  const Estimate estimate = this->estimate();
  int changedFrom = 0;
  if (charsRemoved == 0 && charsAdded == document->characterCount() && blocks == entries_.size()) {
    // The same paragraphs at another width: what was laid out keeps its height, scaled by the
    // change of width, as its estimate.
    const double scale = oldWidth > 0 && width_ > 0 ? oldWidth / width_ : 1;
    QTextBlock block = document->begin();
    for (Entry& entry : entries_) {
      entry.height = entry.laidOut ? std::max(1.0, std::round(entry.height * scale)) : estimate.height(block);
      entry.laidOut = false;
      block = block.next();
    }
    waiting_ = int(entries_.size());
    validTops_ = 0;
  } else {
    // The paragraphs the change touches wait anew; those after it keep their layout (a key
    // typed into a long text lays out one paragraph, not all below it).
    QTextBlock block = document->findBlock(from);
    const int first = block.isValid() ? std::min(block.blockNumber(), int(entries_.size())) : 0;
    changedFrom = first;
    const QTextBlock lastChanged = document->findBlock(std::min(from + charsAdded, document->characterCount() - 1));
    const int changedEnd = lastChanged.isValid() ? lastChanged.blockNumber() + 1 : int(blocks);
    // Where the untouched paragraphs after the change started among the old ones.
    const int keptFrom = changedEnd - (int(blocks) - int(entries_.size()));
    const bool keepsTail = first < int(entries_.size()) && keptFrom >= first && keptFrom <= int(entries_.size());
    std::vector<Entry> tail;
    if (keepsTail) tail.assign(entries_.begin() + keptFrom, entries_.end());
    for (size_t i = size_t(first); i < entries_.size(); ++i) waiting_ -= entries_[i].laidOut ? 0 : 1;
    entries_.resize(size_t(first));
    validTops_ = std::min(validTops_, size_t(first));
    block = document->findBlockByNumber(first);
    for (int index = first; block.isValid() && (!keepsTail || index < changedEnd); block = block.next(), ++index) {
      entries_.push_back({estimate.height(block), false});
      ++waiting_;
    }
    for (const Entry& entry : tail) {
      entries_.push_back(entry);
      waiting_ += entry.laidOut ? 0 : 1;
    }
    Q_ASSERT(entries_.size() == blocks);
  }
  reportSize();
  // What lies below the view (a text filling in) is not painted again.
  emit update(QRectF(-1e9, topOf(changedFrom), 2e9, 2e12));
  if (waiting_ > 0) emit workWaiting();
}

void IncrementalDocumentLayout::invalidateTopsAfter(size_t index) const {
  validTops_ = std::min(validTops_, index + 1);
}

void IncrementalDocumentLayout::updateTops() const {
  if (validTops_ > entries_.size()) return;
  tops_.resize(entries_.size() + 1);
  size_t i = validTops_;
  if (i == 0) tops_[0] = topMargin(), i = 1;
  for (; i <= entries_.size(); ++i) tops_[i] = tops_[i - 1] + entries_[i - 1].height;
  validTops_ = entries_.size() + 1;
}

double IncrementalDocumentLayout::topOf(int index) const {
  updateTops();
  return tops_[size_t(std::clamp(index, 0, int(entries_.size())))];
}

int IncrementalDocumentLayout::indexAt(double y) const {
  updateTops();
  if (entries_.empty()) return 0;
  const auto after = std::upper_bound(tops_.begin(), tops_.end() - 1, y);
  return std::clamp(int(after - tops_.begin()) - 1, 0, int(entries_.size()) - 1);
}

bool IncrementalDocumentLayout::layoutBlock(int index, const QTextBlock& block) const {
  QTextLayout* layout = block.layout();
  QTextOption option = document()->defaultTextOption();
  const Qt::LayoutDirection direction = block.textDirection();
  option.setTextDirection(direction);
  Qt::Alignment alignment = option.alignment();
  // As the standard layout: left and right swap in a right-to-left paragraph.
  if (direction == Qt::RightToLeft && !(alignment & Qt::AlignAbsolute)) {
    if (alignment & Qt::AlignLeft) alignment = (alignment & ~Qt::AlignLeft) | Qt::AlignRight;
    else if (alignment & Qt::AlignRight) alignment = (alignment & ~Qt::AlignRight) | Qt::AlignLeft;
  }
  option.setAlignment(alignment);
  layout->setTextOption(option);
  const double width = availableWidth();
  double height = 0;
  layout->beginLayout();
  for (;;) {
    QTextLine line = layout->createLine();
    if (!line.isValid()) break;
    line.setLeadingIncluded(true);
    line.setLineWidth(width);
    line.setPosition(QPointF(0, height));
    height += line.height();
  }
  layout->endLayout();
  Entry& entry = entries_[size_t(index)];
  const bool moved = entry.height != height;
  if (moved) {
    entry.height = height;
    invalidateTopsAfter(size_t(index));
    sizeChanged_ = true;
  }
  entry.laidOut = true;
  --waiting_;
  charactersLaidOut_ += block.length();
  return moved;
}

bool IncrementalDocumentLayout::ensureLaidOut(int index, const QTextBlock& block) const {
  if (index < 0 || size_t(index) >= entries_.size() || entries_[size_t(index)].laidOut) return false;
  layoutBlock(index, block);
  return true;
}

bool IncrementalDocumentLayout::layoutRange(double top, double bottom) {
  bool any = false;
  int index = indexAt(top);
  // Walked with a running top: a paragraph laid out moves only those after it.
  double y = topOf(index);
  for (QTextBlock block = document()->findBlockByNumber(index); block.isValid() && y <= bottom;
       block = block.next(), ++index) {
    any |= ensureLaidOut(index, block);
    y += entries_[size_t(index)].height;
  }
  reportSize();
  if (any) emit update();
  return any;
}

bool IncrementalDocumentLayout::layoutSome(double top, qsizetype characterBudget, double milliseconds) {
  if (waiting_ == 0) return false;
  const qint64 start = charactersLaidOut_;
  QElapsedTimer clock;
  clock.start();
  const auto spent = [&] {
    return charactersLaidOut_ - start >= characterBudget ||
           (charactersLaidOut_ != start && double(clock.nsecsElapsed()) / 1e6 >= milliseconds);
  };
  // What is to be painted again: a paragraph laid out, and all below one whose height changed.
  double dirtyTop = 1e12, dirtyBottom = -1e12;
  const auto layoutFrom = [&](int index, int end) {
    double y = topOf(index);
    for (QTextBlock block = document()->findBlockByNumber(index); block.isValid() && index < end && !spent();
         block = block.next(), ++index) {
      Entry& entry = entries_[size_t(index)];
      if (!entry.laidOut) {
        const bool moved = layoutBlock(index, block);
        dirtyTop = std::min(dirtyTop, y);
        dirtyBottom = std::max(dirtyBottom, moved ? 1e12 : y + entry.height);
      }
      y += entry.height;
    }
  };
  // The visible paragraphs, then on down, then from the top down to them.
  const int visible = indexAt(top);
  layoutFrom(visible, int(entries_.size()));
  if (!spent() && waiting_ > 0) layoutFrom(0, visible);
  reportSize();
  if (dirtyTop <= dirtyBottom) emit update(QRectF(-1e9, dirtyTop, 2e9, dirtyBottom - dirtyTop));
  return waiting_ > 0;
}

IncrementalDocumentLayout::Anchor IncrementalDocumentLayout::anchorAt(double y) const {
  Anchor anchor;
  if (entries_.empty()) return anchor;
  anchor.block = indexAt(y);
  const double top = topOf(anchor.block);
  anchor.offset = y - top;
  if (!entries_[size_t(anchor.block)].laidOut) return anchor;
  const QTextLayout* layout = document()->findBlockByNumber(anchor.block).layout();
  for (int i = layout->lineCount() - 1; i >= 0; --i) {
    const QTextLine line = layout->lineAt(i);
    if (line.y() <= anchor.offset || i == 0) {
      anchor.character = line.textStart();
      anchor.offset -= line.y();
      break;
    }
  }
  return anchor;
}

double IncrementalDocumentLayout::yOf(const Anchor& anchor) const {
  if (entries_.empty()) return 0;
  const int index = std::clamp(anchor.block, 0, int(entries_.size()) - 1);
  const double top = topOf(index);
  const Entry& entry = entries_[size_t(index)];
  if (anchor.character < 0 || !entry.laidOut) return top + std::min(anchor.offset, entry.height);
  const QTextLine line = document()->findBlockByNumber(index).layout()->lineForTextPosition(anchor.character);
  return line.isValid() ? top + line.y() + anchor.offset : top;
}

double IncrementalDocumentLayout::layoutView(const Anchor& anchor, double viewHeight) {
  // Twice is enough but for the rarest texts, and a third pass would only save a pixel.
  for (int pass = 0; pass < 2; ++pass) {
    const double top = yOf(anchor);
    if (!layoutRange(top, top + viewHeight)) break;
  }
  return yOf(anchor);
}

QSizeF IncrementalDocumentLayout::documentSize() const {
  const double bottom = document()->rootFrame()->frameFormat().bottomMargin() + document()->documentMargin();
  return QSizeF(std::max(0.0, width_), topOf(int(entries_.size())) + bottom);
}

void IncrementalDocumentLayout::reportSize() const {
  const QSizeF size = documentSize();
  sizeChanged_ = false;
  if (size == reportedSize_) return;
  const_cast<IncrementalDocumentLayout*>(this)->reportedSize_ = size;
  emit const_cast<IncrementalDocumentLayout*>(this)->documentSizeChanged(size);
}

QRectF IncrementalDocumentLayout::frameBoundingRect(QTextFrame* frame) const {
  if (frame != document()->rootFrame()) return QRectF();
  return QRectF(QPointF(0, 0), documentSize());
}

QRectF IncrementalDocumentLayout::blockBoundingRect(const QTextBlock& block) const {
  if (!block.isValid() || block.document() != document()) return QRectF();
  const int index = block.blockNumber();
  if (size_t(index) >= entries_.size()) return QRectF();
  ensureLaidOut(index, block);
  const QPointF position(leftMargin(), topOf(index));
  block.layout()->setPosition(position);
  return QRectF(position, QSizeF(availableWidth(), entries_[size_t(index)].height));
}

int IncrementalDocumentLayout::hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const {
  if (entries_.empty()) return -1;
  // As the standard layout answers: a point above a paragraph (the top margin) hits its start,
  // one below the last its end; on a paragraph's bottom edge it still hits that paragraph.
  int index = indexAt(point.y());
  if (index > 0 && point.y() <= topOf(index)) --index;
  QTextBlock block = document()->findBlockByNumber(index);
  // A paragraph laid out now may end above the point: the next one is then the one there.
  while (ensureLaidOut(index, block) && point.y() > topOf(index + 1) && block.next().isValid()) {
    block = block.next();
    ++index;
  }
  const double top = topOf(index);
  const int last = document()->characterCount() - 1;
  if (point.y() < top) return accuracy == Qt::ExactHit ? -1 : std::clamp(block.position(), 0, last);
  if (point.y() > top + entries_[size_t(index)].height)
    return accuracy == Qt::ExactHit ? -1 : std::clamp(block.position() + block.length(), 0, last);
  const QTextLayout* layout = block.layout();
  const QPointF local = point - QPointF(leftMargin(), top);
  int offset = 0;
  bool exact = false;
  for (int i = 0; i < layout->lineCount(); ++i) {
    const QTextLine line = layout->lineAt(i);
    const QRectF rect = line.naturalTextRect();
    if (rect.top() > local.y()) {
      offset = std::min(offset, line.textStart());
    } else if (rect.bottom() <= local.y()) {
      offset = std::max(offset, line.textStart() + line.textLength());
    } else {
      exact = rect.left() <= local.x() && rect.right() >= local.x();
      offset = line.xToCursor(
          local.x(), accuracy == Qt::ExactHit ? QTextLine::CursorOnCharacter : QTextLine::CursorBetweenCharacters);
      break;
    }
  }
  if (accuracy == Qt::ExactHit && !exact) return -1;
  return std::clamp(block.position() + offset, 0, last);
}

void IncrementalDocumentLayout::draw(QPainter* painter, const PaintContext& context) {
  if (entries_.empty()) return;
  const QRectF clip = context.clip.isValid() ? context.clip : QRectF(-1e9, -1e9, 2e9, 2e9);
  const double left = leftMargin();
  const int cursorWidth = property("cursorWidth").isValid() ? property("cursorWidth").toInt() : 1;
  int index = indexAt(clip.top());
  double y = topOf(index);
  for (QTextBlock block = document()->findBlockByNumber(index); block.isValid() && y <= clip.bottom();
       block = block.next(), ++index) {
    ensureLaidOut(index, block);
    const double top = y;
    y += entries_[size_t(index)].height;
    if (y < clip.top()) continue;
    QTextLayout* layout = block.layout();
    layout->setPosition(QPointF(left, top));
    // A paragraph that has shown keeps its shaped glyphs: painting it again (every frame of a
    // scroll or a fade) does not shape it again, and neither does a new width. What it costs is
    // bounded by what has shown, and goes with the document.
    layout->setCacheEnabled(true);
    const int start = block.position();
    const int length = block.length();
    QList<QTextLayout::FormatRange> selections;
    for (const Selection& selection : context.selections) {
      const int from = selection.cursor.selectionStart() - start;
      const int to = selection.cursor.selectionEnd() - start;
      if (from < length && to > 0 && to > from) {
        selections.append({std::max(0, from), std::min(length, to) - std::max(0, from), selection.format});
      } else if (!selection.cursor.hasSelection() && selection.format.hasProperty(QTextFormat::FullWidthSelection) &&
                 block.contains(selection.cursor.position())) {
        const QTextLine line = layout->lineForTextPosition(selection.cursor.position() - start);
        QTextLayout::FormatRange range{line.textStart(), line.textLength(), selection.format};
        if (range.start + range.length == length - 1) ++range.length;  // the paragraph's end
        selections.append(range);
      }
    }
    painter->setPen(context.palette.color(QPalette::Text));
    layout->draw(painter, QPointF(0, 0), selections, clip);
    if (context.cursorPosition >= start && context.cursorPosition < start + length)
      layout->drawCursor(painter, QPointF(0, 0), context.cursorPosition - start, cursorWidth);
  }
  if (sizeChanged_) reportSize();
}

}  // namespace qv
