#include "PreviewTestSupport.h"
#include "preview/EditableTextView.h"
#include "ui/controls/OverlayScroller.h"
#include "ui/controls/TextViewers.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextFrame>
#include <QVBoxLayout>

namespace qv {
namespace {

using test::PreviewContext;
using namespace Qt::StringLiterals;

// An editor in a shown window, as the preview pane holds it.
struct EditorHost {
  EditorHost(PreviewContext& context, const QString& text, bool monospaced = false) {
    window.resize(360, 240);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    editor = new EditableTextView(*context.services, monospaced, &window);
    layout->addWidget(editor);
    editor->setProps({text}, callbacks());
  }
  EditableTextView::Callbacks callbacks() {
    return {.onEdit = [this] { reported << editor->currentText(); }};
  }
  void show(PreviewContext& context) {
    window.show();
    context.drain();
  }
  QWidget window;
  EditableTextView* editor = nullptr;
  QStringList reported;
};

struct RoundTrip {
  const char* name;
  QString given;
  QString afterTypingAtEnd;  // "x" typed after the last character
};

class EditorRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(EditorRoundTrip, UneditedTextStaysAsGivenAndAnEditKeepsItsLineBreaksAndCharacters) {
  PreviewContext context;
  EditorHost host(context, GetParam().given);
  host.show(context);
  EXPECT_EQ(host.editor->currentText(), GetParam().given);
  EXPECT_TRUE(host.reported.isEmpty()) << "showing the text is not an edit";

  QTest::keyClick(host.editor, Qt::Key_X);
  ASSERT_EQ(host.reported.size(), 1);
  EXPECT_EQ(host.reported.first(), GetParam().afterTypingAtEnd);
  // The host hands the edit back: nothing is replaced, the caret stays after the "x".
  const int caret = host.editor->textCursor().position();
  host.editor->setProps({host.reported.first()}, host.callbacks());
  EXPECT_EQ(host.editor->textCursor().position(), caret);
  EXPECT_EQ(host.reported.size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EditorRoundTrip,
    ::testing::Values(
        RoundTrip{"Plain", "hello", "hellox"}, RoundTrip{"Empty", "", "x"},
        RoundTrip{"WindowsLineBreaks", "one\r\ntwo\r\nthree", "one\r\ntwo\r\nthreex"},
        RoundTrip{"OldMacLineBreaks", "one\rtwo", "one\rtwox"},
        RoundTrip{"MixedBreaksEachStay", "a\r\nb\nc\rd", "a\r\nb\nc\rdx"},
        RoundTrip{"ParagraphSeparators", u"one\u2029two\u2029"_s, u"one\u2029two\u2029x"_s},
        RoundTrip{"DocumentFrameMarks", u"a\uFDD0b\uFDD1c\uFDD1\uFDD0"_s, u"a\uFDD0b\uFDD1c\uFDD1\uFDD0x"_s},
        RoundTrip{"ControlCharacters", u"a\0b\vc\fd\uFFFCe\x1F"_s, u"a\0b\vc\fd\uFFFCe\x1Fx"_s},
        RoundTrip{"FinalBreak", "line\n", "line\nx"},
        RoundTrip{"NoBreakSpaces", QString::fromUtf8("100\u00A0km\u202Fh"), QString::fromUtf8("100\u00A0km\u202Fhx")},
        RoundTrip{"LineSeparator", QString::fromUtf8("a\u2028b"), QString::fromUtf8("a\u2028bx")},
        RoundTrip{"EmojiAtTheEnd", QString::fromUtf8("hi 👋🏽"), QString::fromUtf8("hi 👋🏽x")},
        RoundTrip{"Tabs", "a\tb", "a\tbx"}),
    [](const auto& row) { return std::string(row.param.name); });

// Every line break in its own form: 33 characters.
const QString kMixed = u"first\r\nsecond\nthird\rfourth\r\nfifth"_s;
// Lines longer than a chunk (held as paragraphs joined by soft breaks) between breaks of each kind.
QString longLinesAmongBreaks() {
  const QString run = QStringLiteral("0123456789").repeated(int(QVTextViewer::kChunkLength / 4));
  return "head\r\n" + run + "\r\n\r\n" + run + u"\rmid\u2029"_s + run + u"\uFDD0tail\n"_s;
}

// Puts the caret before `text`'s `index`th character, in a text without long lines (whose CR LF
// is one paragraph break in the document).
void placeCaretAt(EditableTextView& editor, const QString& text, qsizetype index) {
  QTextCursor cursor(editor.document());
  cursor.setPosition(int(index - text.left(index).count(u"\r\n"_s)));
  editor.setTextCursor(cursor);
}

QByteArray clipboardBytes() { return QApplication::clipboard()->mimeData()->data(QStringLiteral("text/plain")); }

// Edits by real keys, each checked against the same edit on the string: what the user did not
// touch stays as it was, breaks included, and an edit undone by hand gives the text as given.
TEST(EditableTextView, AnEditChangesOnlyWhatTheUserChanged) {
  const QString paragraphs = u"one\u2029two\uFDD0three\uFDD1four"_s;
  const QString longLines = longLinesAmongBreaks();
  const struct {
    const char* name;
    QString given;
    std::function<void(EditableTextView&)> keys;
    QString expected;
  } cases[] = {
      {"x typed at the end, then Backspace", kMixed,
       [](EditableTextView& e) {
         QTest::keyClick(&e, Qt::Key_X);
         QTest::keyClick(&e, Qt::Key_Backspace);
       },
       kMixed},
      {"a character in the middle", kMixed,
       [](EditableTextView& e) {
         placeCaretAt(e, kMixed, kMixed.indexOf(u"ird"));
         QTest::keyClick(&e, Qt::Key_Z);
       },
       u"first\r\nsecond\nthzird\rfourth\r\nfifth"_s},
      {"Return takes the text's first form", kMixed,
       [](EditableTextView& e) {
         placeCaretAt(e, kMixed, kMixed.indexOf(u"ond"));
         QTest::keyClick(&e, Qt::Key_Return);
       },
       u"first\r\nsec\r\nond\nthird\rfourth\r\nfifth"_s},
      {"Backspace at a line's start removes the CR before it", kMixed,
       [](EditableTextView& e) {
         placeCaretAt(e, kMixed, kMixed.indexOf(u"fourth"));
         QTest::keyClick(&e, Qt::Key_Backspace);
       },
       u"first\r\nsecond\nthirdfourth\r\nfifth"_s},
      {"a selection across two breaks deleted, then undone", kMixed,
       [](EditableTextView& e) {
         placeCaretAt(e, kMixed, kMixed.indexOf(u"cond"));
         QTest::keyClick(&e, Qt::Key_Down, Qt::ShiftModifier);
         QTest::keyClick(&e, Qt::Key_Down, Qt::ShiftModifier);
         QTest::keyClick(&e, Qt::Key_Delete);
         EXPECT_EQ(e.currentText(), u"first\r\nseurth\r\nfifth"_s);
         QTest::keyClick(&e, Qt::Key_Z, Qt::ControlModifier);
       },
       kMixed},
      {"lines cut and pasted at the end", kMixed,
       [](EditableTextView& e) {
         placeCaretAt(e, kMixed, kMixed.indexOf(u"second"));
         for (int i = 0; i < 3; ++i) QTest::keyClick(&e, Qt::Key_Down, Qt::ShiftModifier);
         QTest::keyClick(&e, Qt::Key_X, Qt::ControlModifier);
         EXPECT_EQ(clipboardBytes(), "second\nthird\rfourth\r\n");
         QTest::keyClick(&e, Qt::Key_End, Qt::ControlModifier);
         QTest::keyClick(&e, Qt::Key_Return);
         QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier);
       },
       u"first\r\nfifth\r\nsecond\nthird\rfourth\r\n"_s},
      {"U+2029, U+FDD0, U+FDD1: x typed and removed", paragraphs,
       [](EditableTextView& e) {
         QTest::keyClick(&e, Qt::Key_X);
         QTest::keyClick(&e, Qt::Key_Backspace);
       },
       paragraphs},
      {"U+2029, U+FDD0, U+FDD1: a character in the middle", paragraphs,
       [&](EditableTextView& e) {
         placeCaretAt(e, paragraphs, paragraphs.indexOf(u"hree"));
         QTest::keyClick(&e, Qt::Key_Z);
       },
       u"one\u2029two\uFDD0tzhree\uFDD1four"_s},
      {"long lines among breaks: an edit in a long line and one at a soft break", longLines,
       [](EditableTextView& e) {
         // Paragraphs: "head", the first long line in three chunks, an empty line, the second.
         QTextCursor cursor(e.document()->findBlockByNumber(5));
         cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::MoveAnchor, 5);
         e.setTextCursor(cursor);
         QTest::keyClick(&e, Qt::Key_Z);
         cursor = QTextCursor(e.document()->findBlockByNumber(2));
         ASSERT_TRUE(EditableTextView::followsSoftBreak(cursor.block()));
         e.setTextCursor(cursor);
         QTest::keyClick(&e, Qt::Key_Backspace);
       },
       QString(longLines)
           .insert(longLines.indexOf(u"\r\n\r\n") + 4 + 5, u'z')
           .remove(6 + QVTextViewer::kChunkLength - 1, 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PreviewContext context;
    EditorHost host(context, c.given);
    host.show(context);
    host.editor->setFocus();
    c.keys(*host.editor);
    ASSERT_FALSE(host.reported.isEmpty());
    EXPECT_EQ(host.reported.last(), c.expected);
    EXPECT_EQ(host.editor->currentText(), c.expected);
  }
}

// Copying or cutting all of a text, or a span of it, gives its characters: each line break in
// its own form, U+2029, U+FDD0 and U+FDD1 as themselves, no break where a long line is cut.
TEST(EditableTextView, CopyAndCutGiveTheCharactersThatAreThere) {
  const QString longLines = longLinesAmongBreaks();
  const QString run = longLines.mid(6, longLines.indexOf(u'\r', 6) - 6);
  const struct {
    QString text;
    int fromBlock, toBlock;  // the span: from the start of one paragraph to that of another
    QString span;
  } cases[] = {
      {kMixed, 1, 3, u"second\nthird\r"_s},
      {u"a\r\nb\r\n"_s, 1, 2, u"b\r\n"_s},
      {u"one\u2029two\uFDD0three\uFDD1"_s, 1, 3, u"two\uFDD0three\uFDD1"_s},
      {longLines, 3, 6, run.mid(2 * QVTextViewer::kChunkLength) + "\r\n\r\n" + run.left(QVTextViewer::kChunkLength)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.left(40).toStdString());
    PreviewContext context;
    EditorHost host(context, c.text);
    host.show(context);
    host.editor->setFocus();
    QTest::keyClick(host.editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(host.editor, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboardBytes(), c.text.toUtf8());

    const QTextDocument& document = *host.editor->document();
    QTextCursor span(document.findBlockByNumber(c.fromBlock));
    span.setPosition(document.findBlockByNumber(c.toBlock).position(), QTextCursor::KeepAnchor);
    host.editor->setTextCursor(span);
    QTest::keyClick(host.editor, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboardBytes(), c.span.toUtf8());
    QTest::keyClick(host.editor, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(clipboardBytes(), c.span.toUtf8());
    ASSERT_FALSE(host.reported.isEmpty());
    EXPECT_EQ(host.reported.last(), QString(c.text).remove(c.text.indexOf(c.span), c.span.size()));
  }
}

// A break the user typed is copied in the text's own form, as the text keeps it: Return at the
// end, a character, then that character and the break before it copied with real keys.
TEST(EditableTextView, ACopyAcrossABreakTheUserTypedGivesItInTheTextsForm) {
  const struct {
    QString given;
    QByteArray copied;
  } cases[] = {
      {u"one\r\ntwo"_s, "\r\nx"},
      {u"one\rtwo"_s, "\rx"},
      {u"one\ntwo"_s, "\nx"},
      {u"one\u2029two"_s, "\nx"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.given.toStdString());
    PreviewContext context;
    EditorHost host(context, c.given);
    host.show(context);
    host.editor->setFocus();
    QTest::keyClick(host.editor, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(host.editor, Qt::Key_Return);
    QTest::keyClick(host.editor, Qt::Key_X);
    QTest::keyClick(host.editor, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(host.editor, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(host.editor, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboardBytes(), c.copied);
    QTest::keyClick(host.editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(host.editor, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboardBytes(), (c.given + QString::fromLatin1(c.copied)).toUtf8());
  }
}

TEST(EditableTextView, TakesFocusWithTheCaretAfterTheLastCharacterOnceAfterItShows) {
  PreviewContext context;
  const QString text = QString::fromUtf8("first line\nlast 😀");
  EditorHost host(context, text);
  host.window.show();
  EXPECT_NE(host.window.focusWidget(), host.editor) << "not inside the update that made it";
  context.drain();
  EXPECT_EQ(host.window.focusWidget(), host.editor);
  // Counted in the document's own units: the emoji's two halves both lie before the caret.
  EXPECT_EQ(host.editor->textCursor().position(), text.size());

  // A later update never moves the caret again.
  QTextCursor cursor = host.editor->textCursor();
  cursor.setPosition(3);
  host.editor->setTextCursor(cursor);
  host.window.hide();
  host.window.show();
  context.drain();
  EXPECT_EQ(host.editor->textCursor().position(), 3);
}

TEST(EditableTextView, TypingAnEmojiAtTheCaretGoesInWhole) {
  PreviewContext context;
  EditorHost host(context, QStringLiteral("ab"));
  host.show(context);
  QTextCursor cursor = host.editor->textCursor();
  cursor.setPosition(1);
  host.editor->setTextCursor(cursor);
  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf8("🦊"));
  QApplication::sendEvent(host.editor, &commit);
  ASSERT_EQ(host.reported.size(), 1);
  EXPECT_EQ(host.reported.last(), QString::fromUtf8("a🦊b"));
  QTest::keyClick(host.editor, Qt::Key_Exclam, Qt::ShiftModifier);
  EXPECT_EQ(host.reported.last(), QString::fromUtf8("a🦊!b"));
}

TEST(EditableTextView, ARichPasteInsertsItsPlainTextOnly) {
  PreviewContext context;
  EditorHost host(context, QStringLiteral("start "));
  host.show(context);
  for (const bool withText : {false, true}) {
    auto* rich = new QMimeData;
    rich->setHtml(QStringLiteral("<b>bold</b> <span style='color:red'>red</span>"));
    if (withText) rich->setText(QStringLiteral("bold red"));
    QGuiApplication::clipboard()->setMimeData(rich);
    host.editor->paste();
  }
  EXPECT_EQ(host.reported.last(), QStringLiteral("start bold redbold red"));
  // No formatting entered the document.
  for (QTextBlock block = host.editor->document()->begin(); block.isValid(); block = block.next())
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      EXPECT_NE(it.fragment().charFormat().fontWeight(), QFont::Bold);
      EXPECT_FALSE(it.fragment().charFormat().hasProperty(QTextFormat::ForegroundBrush));
    }
}

TEST(EditableTextView, UndoAndRedoReportTheTextEachTime) {
  PreviewContext context;
  EditorHost host(context, QStringLiteral("keep"));
  host.show(context);
  QTest::keyClicks(host.editor, QStringLiteral("!"));
  host.editor->undo();
  host.editor->redo();
  EXPECT_EQ(host.reported, (QStringList{"keep!", "keep", "keep!"}));
}

TEST(EditableTextView, TheHostsNewTextReplacesTheShownOneAndEditsReachTheLatestCallback) {
  PreviewContext context;
  EditorHost host(context, QStringLiteral("old"));
  host.show(context);
  QStringList second;
  host.editor->setProps({QStringLiteral("new text")}, {.onEdit = [&] { second << host.editor->currentText(); }});
  EXPECT_EQ(host.editor->currentText(), QStringLiteral("new text"));
  QTest::keyClick(host.editor, Qt::Key_End);
  QTest::keyClick(host.editor, Qt::Key_Y);
  EXPECT_TRUE(host.reported.isEmpty()) << "the first callbacks were replaced";
  EXPECT_EQ(second, QStringList{"new texty"});
}

TEST(EditableTextView, ShiftReturnBreaksTheLineInTheTextsOwnForm) {
  PreviewContext context;
  EditorHost host(context, QStringLiteral("a\r\nb"));
  host.show(context);
  QTest::keyClick(host.editor, Qt::Key_Return, Qt::ShiftModifier);
  QTest::keyClick(host.editor, Qt::Key_Return);
  EXPECT_EQ(host.reported.last(), QStringLiteral("a\r\nb\r\n\r\n"));
}

TEST(EditableTextView, SetsThirteenPointTextInsetEightByTen) {
  PreviewContext context;
  for (const bool monospaced : {false, true}) {
    EditorHost host(context, QStringLiteral("text"), monospaced);
    const QFont font = host.editor->document()->defaultFont();
    EXPECT_EQ(font.pixelSize(), 13);
    // The desktop's fixed font, whichever it is: some monospaced faces (Noto Sans Mono) are not
    // marked fixed pitch by fontconfig.
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    EXPECT_EQ(QFontInfo(font).family() == QFontInfo(fixed).family(), monospaced);
    const QTextFrameFormat frame = host.editor->document()->rootFrame()->frameFormat();
    EXPECT_EQ(frame.leftMargin(), 8);
    EXPECT_EQ(frame.rightMargin(), 8);
    EXPECT_EQ(frame.topMargin(), 10);
    EXPECT_EQ(frame.bottomMargin(), 10);
    EXPECT_FALSE(host.editor->acceptRichText());
    EXPECT_EQ(host.editor->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff) << "the overlay scroller shows instead";
  }
}

TEST(EditableTextView, TheOverlayScrollerShowsWhileScrollingAndFadesASecondAfter) {
  PreviewContext context;
  QString longText;
  for (int line = 0; line < 200; ++line) longText += QStringLiteral("line %1\n").arg(line);
  EditorHost host(context, longText);
  host.show(context);
  auto* scroller = host.editor->findChild<OverlayScroller*>();
  ASSERT_NE(scroller, nullptr);
  EXPECT_TRUE(scroller->isScrollable());
  context.advance(2);
  EXPECT_EQ(scroller->visibility(), 0) << "resting";
  host.editor->verticalScrollBar()->setValue(40);
  context.advance(0.5);
  EXPECT_NEAR(scroller->visibility(), 1, 1e-3);
  EXPECT_FALSE(scroller->knobRect().isEmpty());
  EXPECT_LE(scroller->geometry().right(), host.editor->rect().right());
  context.advance(1.0);
  EXPECT_NEAR(scroller->visibility(), 0, 1e-3);
}

// An editor that holds the focus as it is destroyed sends its focus events through the scroller's
// filter after it has stopped being a scroll area; the sanitizer run watches this.
TEST(EditableTextView, AFocusedEditorGoesWithoutItsScrollerTouchingIt) {
  PreviewContext context;
  EditorHost host(context, QStringLiteral("text"));
  host.show(context);
  QApplication::setActiveWindow(&host.window);
  host.editor->setFocus();
  ASSERT_TRUE(host.editor->hasFocus());
  delete host.editor;
  EXPECT_EQ(host.window.findChild<OverlayScroller*>(), nullptr);
}

}  // namespace
}  // namespace qv
