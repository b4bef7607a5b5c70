#include "support/ui/FakeInterfaceContext.h"
#include "ui/controls/TextViewers.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

using namespace qv;
using qv::test::FakeInterfaceContext;

namespace {

// Paragraphs of alternating plain and bold runs, with a surrogate pair on a piece boundary.
std::shared_ptr<const AttributedText> longText() {
  AttributedText text;
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  text.append(QString(QVTextViewer::kInsertPieceLength - 1, u'a') + QString::fromUtf16(u"😀"), QTextCharFormat());
  for (int i = 0; text.text.size() < 5 * QVTextViewer::kInsertPieceLength; ++i)
    text.append(QStringLiteral("Paragraph %1 with a ").arg(i), QTextCharFormat()),
        text.append(QStringLiteral("bold part\n"), bold);
  return std::make_shared<const AttributedText>(std::move(text));
}

TEST(QVTextViewerPieces, LongAttributedTextGoesInAPieceAtATime) {
  FakeInterfaceContext fake;
  QVTextViewer viewer(*fake.context);
  viewer.resize(300, 200);
  viewer.show();
  const auto text = longText();
  viewer.setProps({QString(), text}, {});
  EXPECT_TRUE(viewer.isInserting());
  EXPECT_EQ(viewer.document()->characterCount() - 1, QVTextViewer::kInsertPieceLength + 1);  // the pair kept whole
  EXPECT_EQ(viewer.contentApplyCount(), 2);
  fake.scheduler->runPending();
  EXPECT_FALSE(viewer.isInserting());
  QString expected = text->text;
  expected.replace(u'\n', QChar::ParagraphSeparator);
  EXPECT_EQ(viewer.document()->toRawText(), expected);
  EXPECT_EQ(viewer.contentApplyCount(), 2);  // one content, however many pieces
  // Every run kept its format across the pieces.
  for (const auto& range : text->formats) {
    QTextCursor cursor(viewer.document());
    cursor.setPosition(range.start + 1);  // the format of the run's first character
    EXPECT_EQ(cursor.charFormat().fontWeight(), range.format.fontWeight() ? range.format.fontWeight() : QFont::Normal)
        << range.start;
  }
  EXPECT_EQ(viewer.verticalScrollBar()->value(), 0);  // the text is shown from its top
}

TEST(QVTextViewerPieces, NewContentStopsTheOldOne) {
  FakeInterfaceContext fake;
  QVTextViewer viewer(*fake.context);
  viewer.setProps({QString(), longText()}, {});
  ASSERT_TRUE(viewer.isInserting());
  viewer.setProps({QStringLiteral("plain")}, {});
  EXPECT_FALSE(viewer.isInserting());
  fake.scheduler->runPending();
  EXPECT_EQ(viewer.toPlainText(), QStringLiteral("plain"));
  viewer.setProps({QString(), longText()}, {});
  auto small = std::make_shared<const AttributedText>(AttributedText{QStringLiteral("small"), {}});
  viewer.setProps({QString(), small}, {});
  fake.scheduler->runPending();
  EXPECT_EQ(viewer.toPlainText(), QStringLiteral("small"));
}

}  // namespace
