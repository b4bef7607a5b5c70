// An editor given enormous lines opens, shows and takes a key without a long step: the text goes
// in a piece per turn, no paragraph is longer than a chunk, no turn lays out more than its budget
// and what comes into view, and the text comes back exactly, edited or not. Keys and copying
// treat the breaks of a long line as no characters at all.
#include "preview/EditableTextView.h"
#include "support/platform/SteppedScheduler.h"
#include "support/ui/FakeInterfaceContext.h"
#include "ui/controls/TextViewers.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTextBlock>

using namespace qv;

namespace {

// What one turn may lay out: its budget, the paragraph that crosses it, and what comes into view.
constexpr qint64 kStepBound = QVTextViewer::kLayoutBudget + 3 * QVTextViewer::kChunkLength;
constexpr qsizetype kChunk = QVTextViewer::kChunkLength;

QString repeatedTo(const QString& unit, qsizetype length) {
  return unit.repeated(length / unit.size() + 1).left(length);
}

struct SteppedEditor {
  test::FakeInterfaceContext fake;
  std::shared_ptr<test::SteppedScheduler> scheduler = std::make_shared<test::SteppedScheduler>();
  std::unique_ptr<EditableTextView> editor;
  QStringList reported;
  explicit SteppedEditor(const QString& text) : SteppedEditor() { setText(text); }
  SteppedEditor() {
    fake.context->scheduler = scheduler;
    editor = std::make_unique<EditableTextView>(*fake.context, false);
    editor->resize(400, 300);
    editor->show();
  }
  void setText(const QString& text) {
    editor->setProps({text}, {.onEdit = [this] { reported << editor->currentText(); }});
  }
  const IncrementalDocumentLayout* layout() const {
    return qobject_cast<const IncrementalDocumentLayout*>(editor->document()->documentLayout());
  }
  // Runs the posted work a turn at a time, painting after each: the most characters one turn
  // laid out, the paint included.
  qint64 runSteps() {
    qint64 largest = 0;
    for (int turn = 0; turn < 100'000; ++turn) {
      const qint64 before = layout()->charactersLaidOut();
      const bool ran = scheduler->runOne();
      editor->grab();
      largest = std::max(largest, layout()->charactersLaidOut() - before);
      if (!ran) break;
    }
    return largest;
  }
  // Puts the caret `count` characters into paragraph `block`.
  void placeCaret(int block, int count = 0) {
    QTextCursor cursor(editor->document()->findBlockByNumber(block));
    cursor.setPosition(cursor.position() + count);
    editor->setTextCursor(cursor);
  }
};

qsizetype longestParagraph(const QTextDocument& document) {
  qsizetype longest = 0;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
    longest = std::max<qsizetype>(longest, block.length() - 1);
  return longest;
}

TEST(EditableTextViewLongLines, OpensAndTakesAKeyWithoutLayingOutMoreThanABudgetPerStep) {
  const QString base64 = QStringLiteral("QWxhZGRpbjpvcGVuIHNlc2FtZQ");
  const struct {
    const char* name;
    QString text;
  } cases[] = {
      {"one 300,000-character line without a space", repeatedTo(base64, 300'000)},
      {"one line of words", repeatedTo(QStringLiteral("send the numbers by noon "), 300'000)},
      {"Windows lines around a long one", "head\r\n" + repeatedTo(base64, 100'000) + "\r\n\r\ntail \u00A0end"},
  };
  for (const auto& c : cases) {
    SteppedEditor f(c.text);
    ASSERT_NE(f.layout(), nullptr) << c.name << ": laid out a part at a time";
    EXPECT_LE(f.runSteps(), kStepBound) << c.name;
    EXPECT_FALSE(f.editor->isFilling()) << c.name;
    EXPECT_FALSE(f.editor->isReadOnly()) << c.name << ": open for typing once the text is in";
    EXPECT_TRUE(f.layout()->isComplete()) << c.name;
    EXPECT_LE(longestParagraph(*f.editor->document()), kChunk) << c.name;
    EXPECT_EQ(EditableTextView::textOfDocument(*f.editor->document(), EditableTextView::lineBreakOf(c.text)), c.text)
        << c.name;
    EXPECT_EQ(f.editor->textCursor().position(), f.editor->document()->characterCount() - 1) << c.name;
    EXPECT_TRUE(f.reported.isEmpty()) << c.name << ": filling in is no edit";

    // A key at the end, then one at the top: each lays out its paragraph and what shows.
    const qint64 before = f.layout()->charactersLaidOut();
    QTest::keyClick(f.editor.get(), Qt::Key_X);
    f.editor->grab();
    EXPECT_LE(f.layout()->charactersLaidOut() - before, kStepBound) << c.name;
    QTest::keyClick(f.editor.get(), Qt::Key_Home, Qt::ControlModifier);
    const qint64 beforeTop = f.layout()->charactersLaidOut();
    QTest::keyClick(f.editor.get(), Qt::Key_Y);
    f.runSteps();
    EXPECT_LE(f.layout()->charactersLaidOut() - beforeTop, kStepBound) << c.name << ": the paragraphs below stay";
    ASSERT_FALSE(f.reported.isEmpty()) << c.name;
    EXPECT_EQ(f.reported.last(), "y" + c.text + "x") << c.name;
    f.editor->undo();
    f.editor->undo();
    EXPECT_EQ(f.reported.last(), c.text) << c.name << ": undo reaches the text as given, no further";
  }
}

// A long text goes in a piece of at most 8 KB per turn, the editor read-only until it is all in
// (a key pressed meanwhile changes nothing); a new width then lays out a budget per turn.
TEST(EditableTextViewLongLines, LoadsAPiecePerTurnReadOnlyAndLaysOutABudgetPerTurnAfterAResize) {
  const QString text = repeatedTo(QStringLiteral("Please send the numbers to Dana by Thursday noon.\r\n"), 200'000);
  SteppedEditor f;
  qsizetype largestInsert = 0;
  QObject::connect(f.editor->document(), &QTextDocument::contentsChange,
                   [&](int, int, int added) { largestInsert = std::max<qsizetype>(largestInsert, added); });
  f.setText(text);
  int turns = 0;
  while (f.editor->isFilling()) {
    EXPECT_LE(largestInsert, QVTextViewer::kPieceLength) << "turn " << turns;
    largestInsert = 0;
    ASSERT_TRUE(f.editor->isReadOnly()) << "turn " << turns;
    const int characters = f.editor->document()->characterCount();
    QTest::keyClick(f.editor.get(), Qt::Key_Q);
    EXPECT_EQ(f.editor->document()->characterCount(), characters) << "turn " << turns;
    ASSERT_TRUE(f.scheduler->runOne());
    ++turns;
  }
  EXPECT_LE(largestInsert, QVTextViewer::kPieceLength) << "the last turn";
  EXPECT_GE(turns, text.size() / QVTextViewer::kPieceLength) << "a piece per turn";
  EXPECT_FALSE(f.editor->isReadOnly());
  // The keys typed meanwhile went in once the text was in, after it (the caret's place then).
  EXPECT_EQ(f.reported.size(), turns);
  EXPECT_EQ(f.editor->currentText(), text + QString(turns, u'q'));
  f.runSteps();
  ASSERT_TRUE(f.layout()->isComplete());

  for (const int width : {260, 520}) {
    const qint64 before = f.layout()->charactersLaidOut();
    f.editor->resize(width, 300);
    EXPECT_LE(f.layout()->charactersLaidOut() - before, kStepBound) << width << ": the resize itself";
    EXPECT_FALSE(f.layout()->isComplete()) << width << ": not laid out at once";
    EXPECT_LE(f.runSteps(), kStepBound) << width;
    EXPECT_TRUE(f.layout()->isComplete()) << width;
  }
}

// A line without spaces of three chunks and a bit: soft breaks after 2048, 4096 and 6144
// characters, a paragraph each. Every edit is checked against the same edit on the string.
TEST(EditableTextViewLongLines, KeysAndCopiesTreatTheBreaksOfALongLineAsNoCharacters) {
  const QString text = repeatedTo(QStringLiteral("abcdefghij"), 3 * kChunk + 100);
  const auto removed = [&](qsizetype at, qsizetype count) { return QString(text).remove(at, count); };
  const struct {
    const char* name;
    std::function<void(SteppedEditor&)> keys;
    QString expected;
  } cases[] = {
      {"Backspace at a paragraph's start removes the character before its break",
       [](SteppedEditor& f) {
         f.placeCaret(1);
         QTest::keyClick(f.editor.get(), Qt::Key_Backspace);
       },
       removed(kChunk - 1, 1)},
      {"Delete at a paragraph's end removes the character after its break",
       [](SteppedEditor& f) {
         f.placeCaret(1, int(kChunk));
         QTest::keyClick(f.editor.get(), Qt::Key_Delete);
       },
       removed(2 * kChunk, 1)},
      {"Return in a paragraph emptied after a break is a line break of the text",
       [](SteppedEditor& f) {
         f.placeCaret(1);
         QTextCursor cursor = f.editor->textCursor();
         cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
         f.editor->setTextCursor(cursor);
         QTest::keyClick(f.editor.get(), Qt::Key_Delete);
         QTest::keyClick(f.editor.get(), Qt::Key_Return);
         QTest::keyClick(f.editor.get(), Qt::Key_Z);
       },
       removed(kChunk, kChunk).insert(kChunk, QStringLiteral("\nz"))},
      {"Cut across two breaks and paste it back elsewhere",
       [&](SteppedEditor& f) {
         f.placeCaret(0, 10);
         QTextCursor cursor = f.editor->textCursor();
         cursor.setPosition(int(2 * kChunk + 2 + 5), QTextCursor::KeepAnchor);
         f.editor->setTextCursor(cursor);
         QTest::keyClick(f.editor.get(), Qt::Key_X, Qt::ControlModifier);
         EXPECT_EQ(QApplication::clipboard()->text(), text.mid(10, 2 * kChunk + 5 - 10));
         QTest::keyClick(f.editor.get(), Qt::Key_End, Qt::ControlModifier);
         QTest::keyClick(f.editor.get(), Qt::Key_V, Qt::ControlModifier);
       },
       removed(10, 2 * kChunk + 5 - 10) + text.mid(10, 2 * kChunk + 5 - 10)},
      {"A long line pasted is held in chunks",
       [&](SteppedEditor& f) {
         QApplication::clipboard()->setText(repeatedTo(QStringLiteral("0123456789"), 5 * kChunk));
         QTest::keyClick(f.editor.get(), Qt::Key_End, Qt::ControlModifier);
         QTest::keyClick(f.editor.get(), Qt::Key_V, Qt::ControlModifier);
         EXPECT_LE(longestParagraph(*f.editor->document()), 2 * kChunk);
       },
       text + repeatedTo(QStringLiteral("0123456789"), 5 * kChunk)},
  };
  for (const auto& c : cases) {
    SteppedEditor f(text);
    f.runSteps();
    ASSERT_EQ(f.editor->document()->blockCount(), 4) << c.name;
    f.editor->setFocus();
    c.keys(f);
    ASSERT_FALSE(f.reported.isEmpty()) << c.name;
    EXPECT_EQ(f.reported.last(), c.expected) << c.name;
    while (f.editor->document()->isUndoAvailable()) f.editor->undo();
    EXPECT_EQ(f.reported.last(), text) << c.name << ": undone";
  }
}

}  // namespace
