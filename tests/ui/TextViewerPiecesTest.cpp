#include "support/ui/FakeInterfaceContext.h"
#include "ui/controls/TextViewers.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace qv;
using qv::test::FakeInterfaceContext;

namespace {

// Lines of 90 characters, like source code, up to `length`.
QString lines(qsizetype length) {
  const QString line = QStringLiteral(
      "    value = compute(first, second)  # a comment that makes the line about ninety long\n");
  QString text;
  while (text.size() < length) text += line;
  text.truncate(length);
  return text;
}

// The largest number of characters one change added to the document, while `run` runs.
qsizetype largestStep(QVTextViewer& viewer, const std::function<void()>& run) {
  qsizetype largest = 0;
  const auto connection = QObject::connect(viewer.document(), &QTextDocument::contentsChange,
                                           [&](int, int, int added) { largest = std::max<qsizetype>(largest, added); });
  run();
  QObject::disconnect(connection);
  return largest;
}

TEST(QVTextViewerPieces, ALongPlainTextComesInPiecesAndEndsWhole) {
  FakeInterfaceContext fake;
  QVTextViewer viewer(*fake.context);
  viewer.resize(400, 300);
  const QString text = lines(200'000);
  const qsizetype first = largestStep(viewer, [&] { viewer.setProps({text}, {}); });
  EXPECT_LE(first, QVTextViewer::kPieceLength);
  EXPECT_GT(viewer.document()->characterCount(), 1000) << "the top shows at once";
  EXPECT_TRUE(viewer.isFilling());
  EXPECT_LE(largestStep(viewer, [&] { fake.scheduler->runPending(); }), QVTextViewer::kPieceLength);
  EXPECT_FALSE(viewer.isFilling());
  EXPECT_EQ(viewer.toPlainText(), text);
  EXPECT_EQ(viewer.document()->blockCount(), text.count(u'\n') + 1);
  EXPECT_EQ(viewer.contentApplyCount(), 2);
  EXPECT_EQ(viewer.textCursor().position(), 0) << "shown from the top";
  EXPECT_EQ(viewer.verticalScrollBar()->value(), 0);
}

TEST(QVTextViewerPieces, AttributedRunsKeepTheirFormatsAcrossPieces) {
  FakeInterfaceContext fake;
  QVTextViewer viewer(*fake.context);
  auto attributed = std::make_shared<AttributedText>();
  QTextCharFormat red, blue;
  red.setForeground(Qt::red);
  blue.setForeground(Qt::blue);
  // Runs of every length around the piece size, with plain text between them.
  for (int i = 0; attributed->text.size() < 100'000; ++i) {
    attributed->append(lines(1 + (i * 7919) % 20'000), i % 2 ? red : blue);
    attributed->text += QStringLiteral("plain ");
  }
  const SharedAttributedText shown = attributed;
  EXPECT_LE(largestStep(viewer,
                        [&] {
                          viewer.setProps({QString(), shown}, {});
                          fake.scheduler->runPending();
                        }),
            QVTextViewer::kPieceLength);
  ASSERT_EQ(viewer.toPlainText(), attributed->text);
  QTextCursor cursor(viewer.document());
  for (const auto& run : attributed->formats) {
    for (qsizetype at : {run.start, run.start + run.length / 2, run.start + run.length - 1}) {
      cursor.setPosition(int(at + 1));  // the format of the character before the cursor
      EXPECT_EQ(cursor.charFormat().foreground().color(), run.format.foreground().color()) << at;
    }
  }
}

TEST(QVTextViewerPieces, NewContentStopsTheOldPieces) {
  FakeInterfaceContext fake;
  QVTextViewer viewer(*fake.context);
  viewer.setProps({lines(100'000)}, {});
  ASSERT_TRUE(viewer.isFilling());
  viewer.setProps({QStringLiteral("short")}, {});
  EXPECT_FALSE(viewer.isFilling());
  fake.scheduler->runPending();
  EXPECT_EQ(viewer.toPlainText(), QStringLiteral("short"));
}

TEST(QVTextViewerPieces, PiecesNeverSplitALineEndingOrACharacter) {
  FakeInterfaceContext fake;
  const qsizetype at = QVTextViewer::kPieceLength;
  const struct {
    const char* name;
    QString pair;
  } cases[] = {{"CR LF", QStringLiteral("\r\n")}, {"surrogate pair", QString::fromUtf8("\xF0\x9F\x98\x80")}};
  for (const auto& c : cases) {
    QVTextViewer viewer(*fake.context);
    // No line break to cut at: the pair sits across the piece limit.
    QString text = QString(at - 1, u'x') + c.pair + QString(3 * at, u'y');
    viewer.setProps({text}, {});
    fake.scheduler->runPending();
    // The long line is held as paragraphs of a chunk each: none starts inside the pair, and the
    // text copies back whole, with one line break for the CR LF.
    for (QTextBlock block = viewer.document()->begin(); block.isValid(); block = block.next())
      EXPECT_FALSE(block.text().startsWith(u'\n') || (!block.text().isEmpty() && block.text().at(0).isLowSurrogate()))
          << c.name;
    viewer.setFocus();
    QTest::keyClick(&viewer, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&viewer, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")))
        << c.name;
  }
}

}  // namespace
