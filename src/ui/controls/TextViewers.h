#pragma once
#include "ui/code/CodeHighlighter.h"
#include "ui/controls/TextInput.h"
#include "ui/text/AttributedText.h"
#include "ui/text/IncrementalDocumentLayout.h"

#include <QGradient>
#include <QSizeF>
#include <QWidget>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace qv {

struct InterfaceServices;

// A read-only, selectable, scrolling text without scroll bars, for plain text (label colour)
// or attributed text (its own fonts and colours). It tells its owner whether text is hidden
// above or below the visible area: after it is made, after every update and on every scroll
// or resize, reporting only changes (and always the first report). No step of the main thread
// handles more than a bounded part of a long text, however long its lines: the text goes in
// one piece per turn of the event loop (one 512 KB text set at once takes 20 to 350 ms), a line
// longer than a chunk is held as paragraphs of a chunk each (one layout of a megabyte line takes
// seconds, and a line without spaces costs the square of its length), and the paragraphs are
// laid out a budget per turn, those in view first, while the text in view stays where it is.
class QVTextViewer : public NoCompletionTextView {
  Q_OBJECT
 public:
  struct Props {
    QString text;
    SharedAttributedText attributed{};  // shown instead of `text` when set; a new object is new content
    bool isMonospaced = false;
    QSizeF inset{};  // around the text, scrolling with it
    bool operator==(const Props&) const = default;
  };
  using EdgesChange = std::function<void(bool hiddenAbove, bool hiddenBelow)>;
  struct Callbacks {
    EdgesChange onEdgesChange;  // told when text comes to lie hidden above or below, or stops to
  };

  explicit QVTextViewer(InterfaceServices& context, QWidget* parent = nullptr);

  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  std::optional<std::pair<bool, bool>> lastEdges() const { return lastEdges_; }
  // How often the text storage was replaced (routine updates must not).
  int contentApplyCount() const { return contentApplyCount_; }
  // Whether pieces of the text are still to come.
  bool isFilling() const { return fill_.has_value(); }
  // Whether paragraphs still wait to be laid out.
  bool isLayingOut() const;
  const IncrementalDocumentLayout& textLayout() const { return *layout_; }

  // The most characters added in one step: a few milliseconds on a busy machine, plain or
  // coloured (bench/text_file_preview); twice as many pieces cost no more in all.
  static constexpr qsizetype kPieceLength = 8192;
  // The most formatted runs added in one step (minified code has one every few characters).
  static constexpr int kRunsPerPiece = 512;
  // A line of words up to this length stays one paragraph: wrapping at its spaces, it lays out
  // in about 2 ms (a paragraph of prose is far shorter; only a file's one long line is longer).
  static constexpr qsizetype kLongestWholeParagraph = 16384;
  // A longer line, or one with a run of more than this many characters without a space, is
  // broken into paragraphs of at most this many characters, after a space in the last quarter
  // where there is one. Copying gives the line back whole. A line without spaces (whose layout
  // costs the square of its length) lays out in about a millisecond at this length.
  static constexpr qsizetype kChunkLength = 2048;
  // The characters laid out in one step, besides those that come into view, and the time after
  // which a step stops early (a busy machine).
  static constexpr qsizetype kLayoutBudget = 4096;
  static constexpr double kLayoutMilliseconds = 2;

  // Fades the text into what lies behind it at the top and bottom edges: `stops` are the alpha
  // of a vertical mask over the visible area (0 top, 1 bottom), four in order: the top edge,
  // where the text is opaque from, where it is opaque to, the bottom edge. Only the two faded
  // bands go through a layer; the text between them is drawn as always. No stops: no fade.
  void setEdgeMask(const QGradientStops& stops);
  const QGradientStops& edgeMask() const { return edgeMask_; }

  static constexpr double kTextSize = 12.5;
  // How far the text may scroll past an edge and still count as not hidden there.
  static constexpr double kEdgeSlack = 6;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  QMimeData* createMimeDataFromSelection() const override;

 private:
  // Draws the text inside `band` (viewport coordinates) through a layer masked by the edge mask.
  void paintFadedBand(const QRect& band);
  // Where the bands of `stops` lie (viewport coordinates); none without a mask.
  QRegion fadedBands(const QGradientStops& stops) const;
  void applyContent();
  // Adds the next piece of the text being filled in; schedules the one after it.
  void fillNextPiece();
  void applyInset();
  void applyLabelColor();
  void scheduleEdgeReport();
  void reportEdges();
  void scheduleLayout();
  // Lays out the next budget of waiting paragraphs.
  void layoutStep();
  // Lays out what shows and keeps the text at the top of the view where `anchor` says.
  void keepInView(const IncrementalDocumentLayout::Anchor& anchor);

  InterfaceServices& context_;
  Props props_;
  Callbacks callbacks_;
  std::optional<QString> appliedPlain_;
  SharedAttributedText appliedAttributed_;
  std::optional<std::pair<bool, bool>> lastEdges_;
  int contentApplyCount_ = 0;
  // The text still being filled in: how far it is in, which formatted run comes next, where its
  // long lines break into paragraphs and which of those breaks comes next.
  struct Fill {
    QString text;
    SharedAttributedText attributed;
    qsizetype position = 0;
    qsizetype run = 0;
    std::vector<qsizetype> breaks;
    size_t nextBreak = 0;
  };
  std::optional<Fill> fill_;
  quint64 fillGeneration_ = 0;
  // Where the document holds a paragraph break that only breaks a long line.
  std::vector<int> softBreaks_;
  IncrementalDocumentLayout* layout_;
  bool layoutScheduled_ = false;
  bool anchoring_ = false;
  QGradientStops edgeMask_;
};

// Source code in a QVTextViewer: shown plain at once, then coloured when the highlighter has
// tokenized it and made the coloured text on the "highlight" queue. A change of source, label or colour scheme starts
// again from plain text; a result for anything but the latest request is dropped.
class QVCodeViewer : public QWidget {
  Q_OBJECT
 public:
  struct Props {
    QString source{};
    QString language{};
    bool operator==(const Props&) const = default;
  };

  using Callbacks = QVTextViewer::Callbacks;

  explicit QVCodeViewer(InterfaceServices& context, QWidget* parent = nullptr);

  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  QVTextViewer& textViewer() { return *viewer_; }
  bool isHighlighted() const { return highlighted_ != nullptr; }

  static constexpr double kInsetWidth = 14;
  static constexpr double kInsetHeight = 12;

 private:
  struct TaskKey {
    QString source;
    QString language;
    bool dark = false;
    bool operator==(const TaskKey&) const = default;
  };
  void restartHighlighting();
  void applyHighlighted(SharedAttributedText text);
  void showContent();

  InterfaceServices& context_;
  QVTextViewer* viewer_;
  Props props_;
  std::optional<TaskKey> task_;
  quint64 generation_ = 0;
  Callbacks callbacks_;
  SharedAttributedText highlighted_;
};

}  // namespace qv
