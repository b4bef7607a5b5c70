#pragma once
#include "ui/code/CodeHighlighter.h"
#include "ui/controls/TextInput.h"
#include "ui/text/AttributedText.h"

#include <QGradient>
#include <QSizeF>
#include <QWidget>
#include <functional>
#include <optional>
#include <utility>

namespace qv {

struct InterfaceServices;

// A read-only, selectable, scrolling text without scroll bars, for plain text (label colour)
// or attributed text (its own fonts and colours). It tells its owner whether text is hidden
// above or below the visible area: after it is made, after every update and on every scroll
// or resize, reporting only changes (and always the first report). A long text is shown in
// pieces: the first at once, the rest one piece per turn of the event loop, so that no step
// holds the main thread for a frame (one 512 KB text set at once takes 20 to 350 ms).
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

  // The most characters added in one step: a few milliseconds on a busy machine, plain or
  // coloured (bench/text_file_preview); twice as many pieces cost no more in all.
  static constexpr qsizetype kPieceLength = 8192;

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

 private:
  // Draws the text inside `band` (viewport coordinates) through a layer masked by the edge mask.
  void paintFadedBand(const QRect& band);
  void applyContent();
  // Adds the next piece of the text being filled in; schedules the one after it.
  void fillNextPiece();
  void applyInset();
  void applyLabelColor();
  void scheduleEdgeReport();
  void reportEdges();

  InterfaceServices& context_;
  Props props_;
  Callbacks callbacks_;
  std::optional<QString> appliedPlain_;
  SharedAttributedText appliedAttributed_;
  std::optional<std::pair<bool, bool>> lastEdges_;
  int contentApplyCount_ = 0;
  // The text still being filled in: how far it is in, and which formatted run comes next.
  struct Fill {
    QString text;
    SharedAttributedText attributed;
    qsizetype position = 0;
    qsizetype run = 0;
  };
  std::optional<Fill> fill_;
  quint64 fillGeneration_ = 0;
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
