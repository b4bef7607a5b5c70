// What is typed into an editor while its long text is still coming in is neither lost nor typed
// out of order: each key goes in once the text is in, as if typed then, caret and all.
#include "preview/EditableTextView.h"
#include "support/platform/SteppedScheduler.h"
#include "support/ui/FakeInterfaceContext.h"
#include "ui/controls/TextViewers.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QTest>

using namespace qv;

namespace {

// One-character lines, long enough to come in over many turns.
QString oneCharacterLines(const QString& lineBreak) {
  return (QStringLiteral("a") + lineBreak).repeated(int(6 * QVTextViewer::kPieceLength / (1 + lineBreak.size())));
}

struct FillingEditor {
  test::FakeInterfaceContext fake;
  std::shared_ptr<test::SteppedScheduler> scheduler = std::make_shared<test::SteppedScheduler>();
  std::unique_ptr<EditableTextView> editor;
  int edits = 0;
  explicit FillingEditor(const QString& text) {
    fake.context->scheduler = scheduler;
    editor = std::make_unique<EditableTextView>(*fake.context, false);
    editor->resize(400, 300);
    editor->setProps({text}, {.onEdit = [this] { ++edits; }});
    editor->show();
  }
  // Runs `turns` turns of the event loop (the focus taken after showing, pieces of the text).
  void run(int turns) {
    for (int turn = 0; turn < turns; ++turn) ASSERT_TRUE(scheduler->runOne());
  }
  void runAll() {
    while (scheduler->runOne()) {
    }
  }
};

TEST(EditableTextViewTyping, KeysTypedWhileTheTextComesInGoInOnceItIsInInTheirOrder) {
  const QString crlf = oneCharacterLines(QStringLiteral("\r\n"));
  const struct {
    const char* name;
    QString given;
    std::function<void(EditableTextView&)> keys;
    QString expected;
  } cases[] = {
      {"letters", crlf, [](EditableTextView& e) { QTest::keyClicks(&e, QStringLiteral("xyz")); }, crlf + "xyz"},
      {"Return and Backspace", crlf,
       [](EditableTextView& e) {
         QTest::keyClick(&e, Qt::Key_B);
         QTest::keyClick(&e, Qt::Key_Return);
         QTest::keyClick(&e, Qt::Key_C);
         QTest::keyClick(&e, Qt::Key_Backspace);
         QTest::keyClick(&e, Qt::Key_D);
       },
       crlf + "b\r\nd"},
      {"Select All, then a letter", crlf,
       [](EditableTextView& e) {
         QTest::keyClick(&e, Qt::Key_A, Qt::ControlModifier);
         QTest::keyClick(&e, Qt::Key_Q);
       },
       QStringLiteral("q")},
      {"a paste between letters", oneCharacterLines(QStringLiteral("\n")),
       [](EditableTextView& e) {
         QTest::keyClick(&e, Qt::Key_P);
         QApplication::clipboard()->setText(QStringLiteral("[pasted]"));
         QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier);
         QTest::keyClick(&e, Qt::Key_S);
       },
       oneCharacterLines(QStringLiteral("\n")) + "p[pasted]s"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FillingEditor f(c.given);
    // The focus is taken and some pieces are in; the rest is still to come.
    f.run(3);
    ASSERT_TRUE(f.editor->isFilling());
    c.keys(*f.editor);
    EXPECT_EQ(f.edits, 0) << "nothing goes in before the text is whole";
    f.runAll();
    ASSERT_FALSE(f.editor->isFilling());
    EXPECT_GT(f.edits, 0);
    EXPECT_EQ(f.editor->currentText(), c.expected);
  }
}

// Another text given while keys wait for the first one: they were for the first one.
TEST(EditableTextViewTyping, KeysTypedForATextThatWasReplacedAreDropped) {
  FillingEditor f(oneCharacterLines(QStringLiteral("\n")));
  f.run(3);
  QTest::keyClicks(f.editor.get(), QStringLiteral("old"));
  f.editor->setProps({QStringLiteral("new")}, {});
  f.runAll();
  EXPECT_EQ(f.editor->currentText(), QStringLiteral("new"));
}

}  // namespace
