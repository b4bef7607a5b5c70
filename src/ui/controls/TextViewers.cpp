#include "ui/controls/TextViewers.h"

#include "ui/InterfaceServices.h"
#include "ui/text/Fonts.h"
#include "ui/theme/Environment.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextFrame>
#include <QVBoxLayout>

namespace qv {

QVTextViewer::QVTextViewer(InterfaceServices& context, QWidget* parent)
    : NoCompletionTextView(parent), context_(context) {
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
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { reportEdges(); });
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
    appliedAttributed_ = props_.attributed;
    appliedPlain_.reset();
    applyInset();  // before the text: a new frame format lays the whole text out again
    pending_ = PendingInsert{props_.attributed};
    ++insertGeneration_;
    insertPiece();
    // The caret was carried to the end of the piece; the text starts at its top.
    setTextCursor(QTextCursor(document()));
  } else {
    if (appliedPlain_ && *appliedPlain_ == props_.text) return;
    pending_.reset();
    ++insertGeneration_;
    document()->setDefaultFont(props_.isMonospaced ? monospacedFont(kTextSize) : systemFont(kTextSize));
    setPlainText(props_.text);
    appliedPlain_ = props_.text;
    appliedAttributed_.reset();
    applyInset();
  }
  ++contentApplyCount_;
}

void QVTextViewer::insertPiece() {
  PendingInsert& pending = *pending_;
  const AttributedText& attributed = *pending.text;
  const qsizetype total = attributed.text.size();
  qsizetype end = std::min(total, pending.position + kInsertPieceLength);
  if (end < total && attributed.text.at(end - 1).isHighSurrogate()) ++end;  // a pair stays together
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();  // one layout for the piece
  const auto& formats = attributed.formats;
  while (pending.position < end) {
    while (pending.range < formats.size() &&
           formats[pending.range].start + formats[pending.range].length <= pending.position)
      ++pending.range;
    QTextCharFormat format;
    qsizetype stop = end;
    if (pending.range < formats.size()) {
      const auto& range = formats[pending.range];
      if (range.start <= pending.position) {
        format = range.format;
        stop = std::min(end, qsizetype(range.start) + range.length);
      } else {
        stop = std::min(end, qsizetype(range.start));
      }
    }
    cursor.insertText(attributed.text.mid(pending.position, stop - pending.position), format);
    pending.position = stop;
  }
  cursor.endEditBlock();
  if (pending.position < total) {
    context_.scheduler->post(
        [this, generation = insertGeneration_] {
          if (generation != insertGeneration_ || !pending_) return;
          insertPiece();
          scheduleEdgeReport();
        },
        this);
  } else {
    pending_.reset();
  }
}

void QVTextViewer::applyInset() {
  QTextFrame* root = document()->rootFrame();
  QTextFrameFormat format = root->frameFormat();
  // Setting a frame format lays the whole text out again, even an equal one.
  if (format.leftMargin() == props_.inset.width() && format.rightMargin() == props_.inset.width() &&
      format.topMargin() == props_.inset.height() && format.bottomMargin() == props_.inset.height())
    return;
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
  NoCompletionTextView::resizeEvent(event);
  scheduleEdgeReport();
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
  // The worker holds copies only; its result comes back to the main thread, where a newer
  // request makes it stale.
  std::shared_ptr<Scheduler> scheduler = context_.scheduler;
  const Guard guard(this);
  context_.queue(QStringLiteral("highlight"))->async([scheduler, guard, this, generation, key] {
    auto tokens = std::make_shared<const std::vector<CodeHighlighter::Token>>(
        CodeHighlighter::tokenize(key.source, key.language));
    scheduler->post(
        [this, generation, tokens, dark = key.dark] {
          if (generation == generation_) applyTokens(*tokens, dark);
        },
        guard);
  });
}

void QVCodeViewer::applyTokens(const std::vector<CodeHighlighter::Token>& tokens, bool dark) {
  auto text = std::make_shared<const AttributedText>(CodeHighlighter::attributed(
      tokens, monospacedFont(QVTextViewer::kTextSize), dark, CodeHighlighter::Palette::viewer));
  highlighted_ = std::move(text);
  showContent();
}

void QVCodeViewer::showContent() {
  viewer_->setProps({props_.source, highlighted_, true, QSizeF(kInsetWidth, kInsetHeight)}, callbacks_);
}

}  // namespace qv
