#include "ui/controls/TextViewers.h"

#include "ui/InterfaceServices.h"
#include "ui/fx/Fx.h"
#include "ui/text/Fonts.h"
#include "ui/text/TextPieces.h"
#include "ui/theme/Environment.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QVBoxLayout>
#include <algorithm>

namespace qv {

QVTextViewer::QVTextViewer(InterfaceServices& context, QWidget* parent)
    : NoCompletionTextView(parent), context_(context), layout_(new IncrementalDocumentLayout(document())) {
  document()->setDocumentLayout(layout_);
  connect(layout_, &IncrementalDocumentLayout::workWaiting, this, [this] { scheduleLayout(); });
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setAcceptRichText(true);
  setLineWrapMode(QTextEdit::WidgetWidth);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFrameShape(QFrame::NoFrame);
  viewport()->setAutoFillBackground(false);
  document()->setDocumentMargin(0);
  document()->setUndoRedoEnabled(false);  // read-only: no history to keep
  applyLabelColor();
  if (context_.environment)
    connect(context_.environment.get(), &Environment::changed, this, [this] { applyLabelColor(); });
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    // Paragraphs scrolled into view are laid out before they are painted.
    if (!anchoring_) keepInView(layout_->anchorAt(value));
    reportEdges();
  });
  applyContent();
  scheduleEdgeReport();
}

void QVTextViewer::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  const bool insetChanged = props.inset != props_.inset;
  props_ = props;
  applyContent();
  if (insetChanged) applyInset();
  scheduleEdgeReport();
}

void QVTextViewer::applyContent() {
  if (props_.attributed) {
    if (props_.attributed == appliedAttributed_) return;
    document()->clear();
    fill_ = Fill{props_.attributed->text,
                 props_.attributed,
                 0,
                 0,
                 longLineBreaks(props_.attributed->text, kChunkLength, kLongestWholeParagraph),
                 0};
    appliedAttributed_ = props_.attributed;
    appliedPlain_.reset();
  } else {
    if (appliedPlain_ && *appliedPlain_ == props_.text) return;
    QFont font = props_.isMonospaced ? monospacedFont(kTextSize) : systemFont(kTextSize);
    // A line longer than a piece is laid out whole again with every piece added to it: shaped
    // only where its script needs it, each of those steps takes half the time.
    if (hasLineLongerThan(props_.text, kPieceLength)) font.setStyleStrategy(QFont::PreferNoShaping);
    document()->setDefaultFont(font);
    document()->clear();
    fill_ = Fill{props_.text, nullptr, 0, 0, longLineBreaks(props_.text, kChunkLength, kLongestWholeParagraph), 0};
    appliedPlain_ = props_.text;
    appliedAttributed_.reset();
  }
  softBreaks_.clear();
  ++contentApplyCount_;
  ++fillGeneration_;
  applyInset();
  fillNextPiece();
}

void QVTextViewer::fillNextPiece() {
  if (!fill_) return;
  Fill& fill = *fill_;
  const bool firstPiece = fill.position == 0;
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();  // one change for the piece
  // Room for the breaks of long lines: a piece adds at most kPieceLength characters.
  const qsizetype limit = fill.position + kPieceLength - (kPieceLength / kChunkLength + 1);
  static const QList<QTextLayout::FormatRange> unformatted;
  const QList<QTextLayout::FormatRange>& runs = fill.attributed ? fill.attributed->formats : unformatted;
  // Each formatted run is an insertion of its own: a piece of highlighted code holds few.
  int runsLeft = kRunsPerPiece;
  while (fill.position < fill.text.size() && fill.position < limit && runsLeft-- > 0) {
    // The next run, or the unformatted text before it (or after the last), up to a break of a
    // long line.
    const bool inRun = fill.run < runs.size() && runs[fill.run].start <= fill.position;
    const qsizetype runEnd = inRun                    ? runs[fill.run].start + runs[fill.run].length
                             : fill.run < runs.size() ? runs[fill.run].start
                                                      : fill.text.size();
    qsizetype end = runEnd <= limit ? runEnd : pieceEnd(fill.text, fill.position, limit);
    const bool breaksHere = fill.nextBreak < fill.breaks.size() && fill.breaks[fill.nextBreak] <= end;
    if (breaksHere) end = fill.breaks[fill.nextBreak];
    cursor.insertText(fill.text.mid(fill.position, end - fill.position),
                      inRun ? runs[fill.run].format : QTextCharFormat());
    fill.position = end;
    if (breaksHere) {
      softBreaks_.push_back(cursor.position());
      cursor.insertBlock();
      ++fill.nextBreak;
    }
    if (inRun && end >= runEnd) ++fill.run;
  }
  cursor.endEditBlock();
  if (firstPiece) {
    // The view's own cursor sat where the text went in and moved along with it: the text is
    // shown from its top, as a whole text set at once would be.
    setTextCursor(QTextCursor(document()));
    verticalScrollBar()->setValue(0);
  }
  if (fill.position >= fill.text.size()) {
    fill_.reset();
  } else {
    const quint64 generation = fillGeneration_;
    context_.scheduler->post(
        [this, generation] {
          if (generation == fillGeneration_) fillNextPiece();
        },
        this);
  }
  scheduleEdgeReport();
}

void QVTextViewer::applyInset() {
  QTextFrame* root = document()->rootFrame();
  QTextFrameFormat format = root->frameFormat();
  format.setLeftMargin(props_.inset.width());
  format.setRightMargin(props_.inset.width());
  format.setTopMargin(props_.inset.height());
  format.setBottomMargin(props_.inset.height());
  root->setFrameFormat(format);
}

void QVTextViewer::applyLabelColor() {
  applyLabelColors(*this, context_.environment && context_.environment->isDark());
}

void QVTextViewer::resizeEvent(QResizeEvent* event) {
  // A new width sets every paragraph waiting: the text at the top stays there.
  const IncrementalDocumentLayout::Anchor anchor = layout_->anchorAt(verticalScrollBar()->value());
  NoCompletionTextView::resizeEvent(event);
  keepInView(anchor);
  scheduleEdgeReport();
}

bool QVTextViewer::isLayingOut() const { return !layout_->isComplete(); }

void QVTextViewer::scheduleLayout() {
  if (layoutScheduled_) return;
  layoutScheduled_ = true;
  context_.scheduler->post([this] { layoutStep(); }, this);
}

void QVTextViewer::layoutStep() {
  layoutScheduled_ = false;
  const IncrementalDocumentLayout::Anchor anchor = layout_->anchorAt(verticalScrollBar()->value());
  const bool waiting = layout_->layoutSome(verticalScrollBar()->value(), kLayoutBudget, kLayoutMilliseconds);
  keepInView(anchor);
  if (waiting) scheduleLayout();
  reportEdges();
}

void QVTextViewer::keepInView(const IncrementalDocumentLayout::Anchor& anchor) {
  anchoring_ = true;
  verticalScrollBar()->setValue(int(std::lround(layout_->layoutView(anchor, viewport()->height()))));
  anchoring_ = false;
}

void QVTextViewer::keyPressEvent(QKeyEvent* event) {
  const int before = textCursor().position();
  NoCompletionTextView::keyPressEvent(event);
  const QTextCursor cursor = textCursor();
  if (cursor.position() == before) return;
  // A key that takes the caret to the first or the last line shows the inset beyond it, as
  // scrolling there does (the text view itself stops where the line ends).
  const QTextBlock block = cursor.block();
  const QTextLayout* layout = block.layout();
  const QTextLine line = layout->lineForTextPosition(cursor.positionInBlock());
  const int lineNumber = line.isValid() ? line.lineNumber() : 0;
  QScrollBar& bar = *verticalScrollBar();
  if (!block.next().isValid() && lineNumber >= layout->lineCount() - 1) {
    // What comes into view on the way may change the height once.
    for (int pass = 0; pass < 3 && bar.value() != bar.maximum(); ++pass) bar.setValue(bar.maximum());
  } else if (!block.previous().isValid() && lineNumber == 0) {
    bar.setValue(0);
  }
}

QMimeData* QVTextViewer::createMimeDataFromSelection() const {
  const QTextCursor cursor = textCursor();
  const int start = cursor.selectionStart(), end = cursor.selectionEnd();
  const auto first = std::lower_bound(softBreaks_.begin(), softBreaks_.end(), start);
  if (first == softBreaks_.end() || *first >= end) return NoCompletionTextView::createMimeDataFromSelection();
  // The paragraph breaks that only break a long line are left out: the line comes back whole.
  const auto last = std::lower_bound(first, softBreaks_.end(), end);
  const QString selected = cursor.selectedText();
  QString text;
  text.reserve(selected.size());
  auto soft = first;
  for (qsizetype i = 0; i < selected.size(); ++i) {
    if (soft != last && *soft == start + i) {
      ++soft;
      continue;
    }
    // As the plain text of a document gives them.
    const QChar c = selected.at(i);
    text += c == QChar::ParagraphSeparator || c == QChar::LineSeparator ? QChar(u'\n')
            : c == QChar::Nbsp                                          ? QChar(u' ')
                                                                        : c;
  }
  auto* mime = new QMimeData;
  mime->setText(text);
  if (appliedAttributed_) {
    QTextDocument whole;
    QTextCursor at(&whole);
    at.insertFragment(cursor.selection());
    for (auto breakAt = last; breakAt != first;) {
      at.setPosition(*--breakAt - start);
      at.deleteChar();
    }
    mime->setHtml(whole.toHtml());
  }
  return mime;
}

void QVTextViewer::setEdgeMask(const QGradientStops& stops) {
  const QGradientStops next = stops.size() == 4 ? stops : QGradientStops();
  if (next == edgeMask_) return;
  // Between the bands the text is drawn as it is, mask or none: only the bands change (each
  // frame while an edge fades in or out).
  const QRegion before = fadedBands(edgeMask_);
  edgeMask_ = next;
  viewport()->update(before + fadedBands(edgeMask_));
}

QRegion QVTextViewer::fadedBands(const QGradientStops& stops) const {
  if (stops.size() != 4) return {};
  const QRect area = viewport()->rect();
  const int height = area.height();
  const int topEnd = std::clamp(int(std::ceil(stops.at(1).first * height)), 0, height);
  const int bottomStart = std::clamp(int(std::floor(stops.at(2).first * height)), topEnd, height);
  return QRegion(0, 0, area.width(), topEnd) + QRegion(0, bottomStart, area.width(), height - bottomStart);
}

void QVTextViewer::scrollContentsBy(int dx, int dy) {
  // A faded band must not be moved into the middle as it is: everything is drawn again.
  if (edgeMask_.isEmpty()) {
    NoCompletionTextView::scrollContentsBy(dx, dy);
    return;
  }
  viewport()->update();
}

void QVTextViewer::paintEvent(QPaintEvent* event) {
  if (edgeMask_.isEmpty()) {
    NoCompletionTextView::paintEvent(event);
    return;
  }
  const QRegion bands = fadedBands(edgeMask_);
  const QRegion middle = event->region() - bands;
  if (!middle.isEmpty()) {
    QPaintEvent inner(middle);
    NoCompletionTextView::paintEvent(&inner);
  }
  for (const QRect& band : bands)
    if (band.intersects(event->rect())) paintFadedBand(band);
}

void QVTextViewer::paintFadedBand(const QRect& band) {
  QPainter target(viewport());
  // At the scale of what the viewport is painted into, which may not be its own (a picture).
  const double scale = Fx::painterScale(target);
  QImage layer((QSizeF(band.size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
  if (layer.isNull()) return;
  layer.setDevicePixelRatio(scale);
  layer.fill(Qt::transparent);
  {
    QPainter painter(&layer);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QPoint offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
    painter.translate(-offset - band.topLeft());
    // What the text view itself draws: the text in the label colour, the selection, extra selections.
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.clip = QRectF(band.translated(offset));
    for (const ExtraSelection& extra : extraSelections()) context.selections.append({extra.cursor, extra.format});
    if (const QTextCursor cursor = textCursor(); cursor.hasSelection()) {
      const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
      QAbstractTextDocumentLayout::Selection selection{cursor, {}};
      selection.format.setBackground(palette().brush(group, QPalette::Highlight));
      selection.format.setForeground(palette().brush(group, QPalette::HighlightedText));
      context.selections.append(selection);
    }
    painter.setClipRect(context.clip);
    document()->documentLayout()->draw(&painter, context);
    painter.resetTransform();
    painter.setClipping(false);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    QLinearGradient mask(0, -band.top(), 0, viewport()->height() - band.top());
    mask.setStops(edgeMask_);
    painter.fillRect(QRectF(QPointF(0, 0), QSizeF(band.size())), mask);
  }
  target.drawImage(band.topLeft(), layer);
}

void QVTextViewer::scheduleEdgeReport() {
  context_.scheduler->post([this] { reportEdges(); }, this);
}

void QVTextViewer::reportEdges() {
  const double limit = document()->size().height() - kEdgeSlack;
  const double top = verticalScrollBar()->value();
  const std::pair<bool, bool> edges{top > kEdgeSlack, top + viewport()->height() < limit};
  if (lastEdges_ == edges) return;
  lastEdges_ = edges;
  if (const auto onEdgesChange = callbacks_.onEdgesChange) onEdgesChange(edges.first, edges.second);
}

QVCodeViewer::QVCodeViewer(InterfaceServices& context, QWidget* parent)
    : QWidget(parent), context_(context), viewer_(new QVTextViewer(context, this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(viewer_);
  if (context_.environment)
    connect(context_.environment.get(), &Environment::changed, this, [this] { restartHighlighting(); });
  showContent();
}

void QVCodeViewer::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  showContent();  // hands the viewer the new callbacks
  if (props == props_) return;
  props_ = props;
  restartHighlighting();
}

void QVCodeViewer::restartHighlighting() {
  TaskKey key{props_.source, props_.language, context_.environment && context_.environment->isDark()};
  if (task_ == key) return;
  task_ = key;
  const quint64 generation = ++generation_;
  highlighted_.reset();
  showContent();
  // The worker holds copies only (the font is made here: fonts come from the desktop's settings);
  // its result comes back to the main thread, where a newer request makes it stale.
  std::shared_ptr<Scheduler> scheduler = context_.scheduler;
  const Guard guard(this);
  const QFont font = monospacedFont(QVTextViewer::kTextSize);
  context_.queue(QStringLiteral("highlight"))->async([scheduler, guard, this, generation, key, font] {
    SharedAttributedText text = std::make_shared<const AttributedText>(CodeHighlighter::attributed(
        CodeHighlighter::tokenize(key.source, key.language), font, key.dark, CodeHighlighter::Palette::viewer));
    scheduler->post(
        [this, generation, text = std::move(text)]() mutable {
          if (generation == generation_) applyHighlighted(std::move(text));
        },
        guard);
  });
}

void QVCodeViewer::applyHighlighted(SharedAttributedText text) {
  highlighted_ = std::move(text);
  showContent();
}

void QVCodeViewer::showContent() {
  viewer_->setProps({props_.source, highlighted_, true, QSizeF(kInsetWidth, kInsetHeight)}, callbacks_);
}

}  // namespace qv
