// A text with enormous lines shows without a long step: no paragraph is longer than a chunk, no
// turn of the event loop lays out more than its budget and what comes into view, the text at
// the top of the view stays there while the rest is laid out (also after a widening), copying
// gives the text back whole, and keys that take the caret to an end show the inset there.
#include "support/platform/SteppedScheduler.h"
#include "support/ui/FakeInterfaceContext.h"
#include "ui/controls/TextViewers.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace qv;
using qv::test::FakeInterfaceContext;

namespace {

// What one turn may lay out: its budget, the paragraph that crosses it, and what comes into view
// of a viewer a few hundred points high.
constexpr qint64 kStepBound = QVTextViewer::kLayoutBudget + 3 * QVTextViewer::kChunkLength;

struct SteppedViewer {
  FakeInterfaceContext fake;
  std::shared_ptr<test::SteppedScheduler> scheduler = std::make_shared<test::SteppedScheduler>();
  std::unique_ptr<QVTextViewer> viewer;
  SteppedViewer() {
    fake.context->scheduler = scheduler;
    viewer = std::make_unique<QVTextViewer>(*fake.context);
    viewer->resize(400, 300);
    viewer->show();
  }
  qint64 laidOut() const { return viewer->textLayout().charactersLaidOut(); }
  // Runs the posted work a turn at a time, painting after each: the most characters one turn
  // laid out, the paint included.
  qint64 runSteps(const std::function<void()>& afterEach = {}) {
    qint64 largest = 0;
    for (int turn = 0; turn < 100'000; ++turn) {
      const qint64 before = laidOut();
      const bool ran = scheduler->runOne();
      viewer->grab();
      largest = std::max(largest, laidOut() - before);
      if (afterEach) afterEach();
      if (!ran) break;
    }
    return largest;
  }
};

// The longest paragraph of the document that is laid out.
qsizetype longestLaidOutParagraph(const QTextDocument& document) {
  qsizetype longest = 0;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
    if (block.layout()->lineCount() > 0) longest = std::max<qsizetype>(longest, block.length() - 1);
  return longest;
}

QString repeatedTo(const QString& unit, qsizetype length) {
  QString text;
  text.reserve(length + unit.size());
  while (text.size() < length) text += unit;
  text.truncate(length);
  return text;
}

// Runs of `length` characters in two colours, as highlighted code or a styled document is.
SharedAttributedText coloured(const QString& text, qsizetype length) {
  auto attributed = std::make_shared<AttributedText>();
  QTextCharFormat red, blue;
  red.setForeground(Qt::red);
  blue.setForeground(Qt::blue);
  for (qsizetype at = 0; at < text.size(); at += length)
    attributed->append(text.mid(at, length), (at / length) % 2 ? red : blue);
  return attributed;
}

QString copiedWhole(QVTextViewer& viewer) {
  viewer.setFocus();
  QTest::keyClick(&viewer, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(&viewer, Qt::Key_C, Qt::ControlModifier);
  return QApplication::clipboard()->text();
}

TEST(QVTextViewerLongLines, NoStepLaysOutMoreThanItsBudgetHoweverLongTheLine) {
  const QString words = QStringLiteral("the quick brown fox jumps over the lazy dog and runs away ");
  const QString json = QStringLiteral(R"({"id":12,"name":"item 12","tags":["red","blue"],"price":7.5,"ok":true},)");
  const struct {
    const char* name;
    QString text;
    SharedAttributedText attributed;
  } cases[] = {
      {"one 1 MB line", repeatedTo(words, 1 << 20), nullptr},
      {"512 KB of ÿ, read from 0xFF bytes", QString(512 * 1024, QChar(0xFF)), nullptr},
      {"500,000 letters without a space, styled", {}, coloured(repeatedTo(QString::fromUtf8("жизнь"), 500'000), 700)},
      {"minified JSON, highlighted", {}, coloured(repeatedTo(json, 512 * 1024), 6)},
      {"512 KB of NULs, read from a sparse file", QString(512 * 1024, QChar(0)), nullptr},
  };
  for (const auto& c : cases) {
    SteppedViewer f;
    f.viewer->setProps({c.text, c.attributed}, {});
    const qint64 largest = f.runSteps();
    EXPECT_LE(largest, kStepBound) << c.name;
    EXPECT_LE(longestLaidOutParagraph(*f.viewer->document()), QVTextViewer::kChunkLength) << c.name;
    EXPECT_FALSE(f.viewer->isFilling()) << c.name;
    EXPECT_FALSE(f.viewer->isLayingOut()) << c.name;
    const QString& shown = c.attributed ? c.attributed->text : c.text;
    EXPECT_GE(f.laidOut(), shown.size()) << c.name << ": all of it";
    EXPECT_EQ(f.viewer->verticalScrollBar()->value(), 0) << c.name << ": from the top";
  }
}

TEST(QVTextViewerLongLines, WideningKeepsTheTopLineAndLaysOutABudgetPerStep) {
  SteppedViewer f;
  const QString paragraph = QStringLiteral("Please send your numbers to Dana by Thursday noon. ").repeated(8) + u'\n';
  f.viewer->setProps({repeatedTo(paragraph, 1 << 20)}, {});
  f.runSteps();
  ASSERT_FALSE(f.viewer->isLayingOut());
  QScrollBar& bar = *f.viewer->verticalScrollBar();
  bar.setValue(bar.maximum() / 2);
  // The character at the start of the line at the top of the view.
  const int top = f.viewer->cursorForPosition(QPoint(1, 1)).position();
  const auto topLineOffset = [&] {
    QTextCursor cursor(f.viewer->document());
    cursor.setPosition(top);
    return f.viewer->cursorRect(cursor).top();
  };
  const int offsetBefore = topLineOffset();
  for (const int width : {640, 480}) {
    f.viewer->resize(width, 300);
    EXPECT_TRUE(f.viewer->isLayingOut()) << "not laid out at once";
    std::vector<int> offsets;
    const qint64 largest = f.runSteps([&] { offsets.push_back(topLineOffset()); });
    EXPECT_LE(largest, kStepBound) << width;
    EXPECT_FALSE(f.viewer->isLayingOut());
    for (const int offset : offsets) EXPECT_NEAR(offset, offsetBefore, 20) << width << ": the top line stays";
  }
}

TEST(QVTextViewerLongLines, CopyingGivesTheTextBackWhole) {
  const qsizetype chunk = QVTextViewer::kChunkLength;
  const qsizetype whole = QVTextViewer::kLongestWholeParagraph;
  const struct {
    const char* name;
    QString text;
    bool attributed;
  } cases[] = {
      {"words", repeatedTo(QStringLiteral("alpha beta gamma "), whole + chunk + 7), false},
      {"no space, a pair across the limit",
       QString(chunk - 1, u'x') + QString::fromUtf8("😀") + QString(3 * chunk, u'y'), false},
      {"a combining mark at the limit", QString(chunk, u'e') + QChar(0x301) + QString(chunk, u'e'), false},
      {"CR LF lines around a long line",
       QStringLiteral("first\r\n") + repeatedTo(QStringLiteral("word "), whole + chunk) + QStringLiteral("\r\nlast"),
       false},
      {"styled", repeatedTo(QStringLiteral("styled text "), whole + 2 * chunk), true},
  };
  for (const auto& c : cases) {
    FakeInterfaceContext fake;
    QVTextViewer viewer(*fake.context);
    viewer.resize(300, 200);
    viewer.show();
    viewer.setProps({c.attributed ? QString() : c.text, c.attributed ? coloured(c.text, 50) : nullptr}, {});
    fake.scheduler->runPending();
    const QTextDocument& document = *viewer.document();
    EXPECT_GT(document.blockCount(), 2) << c.name << ": held as several paragraphs";
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
      EXPECT_LE(block.length() - 1, QVTextViewer::kChunkLength) << c.name;
      const QString text = block.text();
      EXPECT_FALSE(!text.isEmpty() && (text.at(0).isLowSurrogate() || text.at(0).isMark())) << c.name;
    }
    const QString expected = QString(c.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(copiedWhole(viewer), expected) << c.name;
    if (c.attributed) {
      QTextDocument pasted;
      pasted.setHtml(QApplication::clipboard()->mimeData()->html());
      EXPECT_EQ(pasted.blockCount(), 1) << c.name << ": one paragraph in the formatted copy too";
      EXPECT_EQ(pasted.toPlainText(), expected) << c.name;
    }
  }
}

// Only lines that could stall the layout are cut: a long paragraph of words wraps where a
// reader expects, with no short line where a cut would have been.
TEST(QVTextViewerLongLines, OnlyOverlongLinesAndUnbrokenRunsAreCut) {
  const qsizetype chunk = QVTextViewer::kChunkLength;
  const qsizetype whole = QVTextViewer::kLongestWholeParagraph;
  const QString words = QStringLiteral("Please send your numbers to Dana by Thursday noon. ");
  const struct {
    const char* name;
    QString line;
    bool cut;
  } cases[] = {
      {"a paragraph of words", repeatedTo(words, 4 * chunk), false},
      {"words just under the limit", repeatedTo(words, whole), false},
      {"words over the limit", repeatedTo(words, whole + 1), true},
      {"a run without spaces just short enough", repeatedTo(words, chunk) + u' ' + QString(chunk, u'x') + u' ' + words,
       false},
      {"a run without spaces too long", repeatedTo(words, chunk) + u' ' + QString(chunk + 1, u'x') + u' ' + words,
       true},
  };
  for (const auto& c : cases) {
    FakeInterfaceContext fake;
    QVTextViewer viewer(*fake.context);
    viewer.setProps({QStringLiteral("first\n") + c.line + QStringLiteral("\nlast")}, {});
    fake.scheduler->runPending();
    EXPECT_EQ(viewer.document()->blockCount() > 3, c.cut) << c.name;
  }
}

TEST(QVTextViewerLongLines, KeysThatReachAnEndShowTheInsetThere) {
  FakeInterfaceContext fake;
  QVTextViewer viewer(*fake.context);
  viewer.resize(300, 160);
  QStringList lines;
  for (int i = 0; i < 80; ++i) lines << QStringLiteral("line %1 with descenders gjpqy").arg(i);
  viewer.setProps({lines.join(u'\n'), nullptr, false, QSizeF(14, 12)}, {});
  viewer.show();
  fake.scheduler->runPending();
  viewer.setFocus();
  QScrollBar& bar = *viewer.verticalScrollBar();
  const struct {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int presses;
    bool atEnd;
  } cases[] = {
      {"Ctrl+End", Qt::Key_End, Qt::ControlModifier, 1, true},
      {"Ctrl+Home", Qt::Key_Home, Qt::ControlModifier, 1, false},
      {"Page Down to the end", Qt::Key_PageDown, Qt::NoModifier, 40, true},
      {"Up to the first line", Qt::Key_Up, Qt::NoModifier, 200, false},
      {"Shift+Ctrl+End", Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier, 1, true},
  };
  for (const auto& c : cases) {
    for (int i = 0; i < c.presses; ++i) QTest::keyClick(&viewer, c.key, c.modifiers);
    fake.scheduler->runPending();
    EXPECT_EQ(bar.value(), c.atEnd ? bar.maximum() : 0) << c.name;
    const QRect caret = viewer.cursorRect();
    if (c.atEnd) EXPECT_LE(caret.bottom() + 12, viewer.viewport()->height()) << c.name << ": the inset shows below";
    else EXPECT_GE(caret.top(), 12) << c.name << ": the inset shows above";
  }
  // A key that does not move the caret leaves the view where the wheel put it.
  bar.setValue(bar.maximum() / 2);
  QTest::keyClick(&viewer, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(bar.value(), bar.maximum() / 2);
}

}  // namespace
