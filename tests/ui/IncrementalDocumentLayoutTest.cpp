// The viewer's layout places text where the standard layout does, however it got there: a
// paragraph at a time, in any order, at one width and then another.
#include "ui/text/Fonts.h"
#include "ui/text/IncrementalDocumentLayout.h"

#include <gtest/gtest.h>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

using namespace qv;

namespace {

struct Content {
  const char* name;
  std::function<void(QTextDocument&)> fill;
};

void prepare(QTextDocument& document, const Content& content) {
  document.setDocumentMargin(0);
  document.setDefaultFont(systemFont(12.5));
  QTextOption option = document.defaultTextOption();
  option.setTabStopDistance(36);
  document.setDefaultTextOption(option);
  content.fill(document);
  QTextFrameFormat frame = document.rootFrame()->frameFormat();
  frame.setLeftMargin(14);
  frame.setRightMargin(14);
  frame.setTopMargin(12);
  frame.setBottomMargin(12);
  document.rootFrame()->setFrameFormat(frame);
}

// Every line of every paragraph, where it lies in the document.
std::vector<QRectF> linesOf(QTextDocument& document) {
  std::vector<QRectF> lines;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    const QRectF paragraph = document.documentLayout()->blockBoundingRect(block);
    for (int i = 0; i < block.layout()->lineCount(); ++i) {
      const QTextLine line = block.layout()->lineAt(i);
      lines.push_back(
          QRectF(paragraph.topLeft() + QPointF(line.x(), line.y()), QSizeF(line.naturalTextWidth(), line.height())));
      lines.push_back(QRectF(line.textStart(), line.textLength(), 0, 0));
    }
  }
  return lines;
}

TEST(IncrementalDocumentLayout, PlacesLinesAndAnswersHitsAsTheStandardLayout) {
  const QString prose = QStringLiteral(
      "The quarterly report is due Friday. Please send your numbers to Dana by Thursday noon so that "
      "the charts can be updated in time.");
  const Content contents[] = {
      {"paragraphs", [&](QTextDocument& d) { d.setPlainText(prose + u'\n' + u'\n' + prose.repeated(3)); }},
      {"runs of other sizes",
       [&](QTextDocument& d) {
         QTextCursor cursor(&d);
         QTextCharFormat large;
         large.setFontPointSize(22);
         cursor.insertText(prose);
         cursor.insertText(QStringLiteral(" Heading "), large);
         cursor.insertText(prose + u'\n' + prose);
       }},
      {"right to left",
       [](QTextDocument& d) { d.setPlainText(QString::fromUtf8("שלום עולם, זה טקסט ארוך ").repeated(12)); }},
      {"tabs", [](QTextDocument& d) { d.setPlainText(QStringLiteral("name\tvalue\tnote\n").repeated(20)); }},
  };
  for (const Content& content : contents) {
    QTextDocument standard, incremental;
    auto* layout = new IncrementalDocumentLayout(&incremental);
    incremental.setDocumentLayout(layout);
    prepare(standard, content);
    prepare(incremental, content);
    // Laid out at one width, then at another from the middle on: as if it had been one layout.
    for (const double width : {420.0, 300.0}) {
      standard.setPageSize(QSizeF(width, -1));
      incremental.setPageSize(QSizeF(width, -1));
      layout->layoutRange(200, 260);
      while (layout->layoutSome(100, 300)) {
      }
      EXPECT_EQ(linesOf(incremental), linesOf(standard)) << content.name << " at " << width;
      EXPECT_EQ(incremental.size(), standard.size()) << content.name << " at " << width;
      for (double y = 0; y < standard.size().height() + 20; y += 7)
        for (double x = -5; x < width + 5; x += 23)
          ASSERT_EQ(layout->hitTest({x, y}, Qt::FuzzyHit), standard.documentLayout()->hitTest({x, y}, Qt::FuzzyHit))
              << content.name << " at " << x << ", " << y;
    }
  }
}

// A paragraph not laid out counts with an estimate; as those above an anchor are laid out, the
// anchor follows its line.
TEST(IncrementalDocumentLayout, AnAnchorFollowsItsLineWhileParagraphsAboveItAreLaidOut) {
  QTextDocument document;
  auto* layout = new IncrementalDocumentLayout(&document);
  document.setDocumentLayout(layout);
  document.setDefaultFont(systemFont(12.5));
  QString text;
  for (int i = 0; i < 400; ++i) text += QStringLiteral("Paragraph %1 ").arg(i).repeated(1 + i % 9) + u'\n';
  document.setPlainText(text);
  document.setPageSize(QSizeF(300, -1));
  layout->layoutRange(2000, 2300);
  const IncrementalDocumentLayout::Anchor anchor = layout->anchorAt(2000);
  ASSERT_GE(anchor.character, 0) << "the anchor's paragraph is laid out";
  const double estimated = layout->yOf(anchor);
  int steps = 0;
  while (layout->layoutSome(2000, 2000)) ++steps;
  EXPECT_GT(steps, 10) << "a budget per step";
  EXPECT_TRUE(layout->isComplete());
  const QTextBlock block = document.findBlockByNumber(anchor.block);
  const QTextLine line = block.layout()->lineForTextPosition(anchor.character);
  EXPECT_NE(layout->yOf(anchor), estimated) << "the estimates above were off";
  EXPECT_DOUBLE_EQ(layout->yOf(anchor), layout->blockBoundingRect(block).top() + line.y() + anchor.offset);
  EXPECT_EQ(line.textStart(), anchor.character);
}

}  // namespace
