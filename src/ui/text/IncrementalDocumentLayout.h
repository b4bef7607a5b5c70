#pragma once
#include <QAbstractTextDocumentLayout>
#include <QSizeF>
#include <vector>

class QTextDocument;

namespace qv {

// The layout of a text view whose document may be megabytes long: paragraphs are laid out a few
// at a time (the visible ones first), and those still waiting count with an estimated height, so
// that neither a new text nor a new width ever lays the whole document out at once; an edit sets
// waiting only the paragraphs it touched.
// Lines are placed as the standard layout places them (the root frame's margins around the text,
// each line as high as its rounded height, the document's default text option); block formats
// other than the text direction are not read. One paragraph is laid out whole: its owner keeps
// paragraphs short enough.
class IncrementalDocumentLayout : public QAbstractTextDocumentLayout {
  Q_OBJECT
 public:
  explicit IncrementalDocumentLayout(QTextDocument* document);

  void draw(QPainter* painter, const PaintContext& context) override;
  int hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const override;
  int pageCount() const override { return 1; }
  QSizeF documentSize() const override;
  QRectF frameBoundingRect(QTextFrame* frame) const override;
  QRectF blockBoundingRect(const QTextBlock& block) const override;

  // Lays out waiting paragraphs until `characterBudget` characters are laid out or
  // `milliseconds` have passed (at least one paragraph either way): from the one at `top` (the
  // top of the visible area) down, then from the first down to it. True while paragraphs still
  // wait.
  bool layoutSome(double top, qsizetype characterBudget, double milliseconds = 1e9);
  // Lays out every waiting paragraph that meets [top, bottom] once those before it are placed.
  // True when any was.
  bool layoutRange(double top, double bottom);
  bool isComplete() const { return waiting_ == 0; }

  // A place in the text that stays put while paragraphs around it are laid out: the paragraph
  // at `y`, the character at the start of the line there (when it is laid out) and how far
  // below that line's top `y` lies.
  struct Anchor {
    int block = 0;
    int character = -1;
    double offset = 0;
  };
  Anchor anchorAt(double y) const;
  // Where that place lies now.
  double yOf(const Anchor& anchor) const;
  // Lays out what shows in a view `viewHeight` high whose top is at `anchor`; where that top
  // lies now (what comes into view moves it when estimates were off).
  double layoutView(const Anchor& anchor, double viewHeight);

  // Characters laid out since the layout was made (tests read it between steps).
  qint64 charactersLaidOut() const { return charactersLaidOut_; }

 signals:
  // Paragraphs came to wait for layout (a new text or a new width).
  void workWaiting();

 protected:
  void documentChanged(int from, int charsRemoved, int charsAdded) override;

 private:
  struct Entry {
    double height = 0;
    bool laidOut = false;
  };
  // The height of a paragraph not laid out: its characters in lines of the default font.
  struct Estimate {
    double lineHeight = 0;
    double linesPerCharacter = 0;
    double height(const QTextBlock& block) const;
  };
  double availableWidth() const;
  Estimate estimate() const;
  // Lays out `block` (the `index`th) when it waits; true when it did.
  bool ensureLaidOut(int index, const QTextBlock& block) const;
  // Lays out `block` (the `index`th); true when its height changed.
  bool layoutBlock(int index, const QTextBlock& block) const;
  double topOf(int index) const;
  // The paragraph at `y` (the last one when `y` lies below all).
  int indexAt(double y) const;
  void updateTops() const;
  // The paragraph at `index` changed its height: the tops of those after it are stale.
  void invalidateTopsAfter(size_t index) const;
  void reportSize() const;
  double leftMargin() const;
  double topMargin() const;

  double width_ = 0;
  QSizeF reportedSize_;
  mutable std::vector<Entry> entries_;
  mutable std::vector<double> tops_;  // entries_.size() + 1 values, from the top margin
  mutable size_t validTops_ = 0;      // how many of them are up to date
  mutable int waiting_ = 0;
  mutable qint64 charactersLaidOut_ = 0;
  mutable bool sizeChanged_ = false;
};

}  // namespace qv
