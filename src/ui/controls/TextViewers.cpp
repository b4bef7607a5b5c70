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
    const AttributedText& attributed = *props_.attributed;
    document()->clear();
    QTextCursor cursor(document());
    cursor.beginEditBlock();  // one layout for the whole text
    qsizetype position = 0;
    for (const auto& range : attributed.formats) {
      if (range.start > position)
        cursor.insertText(attributed.text.mid(position, range.start - position), QTextCharFormat());
      cursor.insertText(attributed.text.mid(range.start, range.length), range.format);
      position = range.start + range.length;
    }
    if (position < attributed.text.size()) cursor.insertText(attributed.text.mid(position), QTextCharFormat());
    cursor.endEditBlock();
    appliedAttributed_ = props_.attributed;
    appliedPlain_.reset();
  } else {
    if (appliedPlain_ && *appliedPlain_ == props_.text) return;
    document()->setDefaultFont(props_.isMonospaced ? monospacedFont(kTextSize) : systemFont(kTextSize));
    setPlainText(props_.text);
    appliedPlain_ = props_.text;
    appliedAttributed_.reset();
  }
  ++contentApplyCount_;
  applyInset();
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
