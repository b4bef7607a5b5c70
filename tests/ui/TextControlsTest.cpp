#include "support/ui/FakeInterfaceContext.h"
#include "ui/controls/CursorRect.h"
#include "ui/controls/TextInput.h"
#include "ui/controls/TextViewers.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGraphicsScene>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

using namespace qv;
using qv::test::FakeInterfaceContext;

namespace {

// A shown, active window holding a text field and another field to take focus away.
struct FieldWindow {
  explicit FieldWindow(FakeInterfaceContext& fake)
      : field(new QVTextField(*fake.context, QStringLiteral("Search"), 13)) {
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(field);
    layout->addWidget(other);
    field->setProps({}, callbacks);
    window.show();
    QApplication::setActiveWindow(&window);
  }
  QWidget window;
  QVTextField* field;
  const QVTextField::Callbacks callbacks{[this](const QString& text) { edits << text; }, [this] { ++submits; },
                                         [this](bool focused) { focusChanges.push_back(focused); }};
  QLineEdit* other = new QLineEdit;
  QStringList edits;
  int submits = 0;
  std::vector<bool> focusChanges;
};

}  // namespace

TEST(QVTextField, ReturnSubmitsOnceInsertsNothingAndKeepsTheFocus) {
  FakeInterfaceContext fake;
  FieldWindow w(fake);
  w.field->setFocus();
  QTest::keyClicks(w.field, QStringLiteral("abc"));
  EXPECT_EQ(w.edits, QStringList({"a", "ab", "abc"}));
  EXPECT_EQ(w.focusChanges, std::vector<bool>{true});  // editing began

  QTest::keyClick(w.field, Qt::Key_Return);
  EXPECT_EQ(w.submits, 1);
  EXPECT_EQ(w.field->text(), QStringLiteral("abc"));
  EXPECT_EQ(QApplication::focusWidget(), w.field);
  EXPECT_EQ(w.focusChanges.size(), 1u);

  // The owner's text replaces the field's only when it differs, so the caret stays put.
  w.field->setCursorPosition(1);
  w.field->setProps({QStringLiteral("abc")}, w.callbacks);
  EXPECT_EQ(w.field->cursorPosition(), 1);
  w.field->setProps({QStringLiteral("xyz")}, w.callbacks);
  EXPECT_EQ(w.field->text(), QStringLiteral("xyz"));
  EXPECT_EQ(w.edits.size(), 3);  // not an edit by the user
}

TEST(QVTextField, EachTokenValueActsOnceOnTheNextTurnAndPlacesTheCaret) {
  for (const bool selectAll : {false, true}) {
    FakeInterfaceContext fake;
    FieldWindow w(fake);
    w.other->setFocus();
    w.field->setProps({QStringLiteral("hello"), 4, 0, selectAll}, w.callbacks);
    fake.scheduler->runPending();
    w.other->setFocus();
    w.focusChanges.clear();
    QVTextField::Props props{QStringLiteral("hello"), 5, 0, selectAll};
    w.field->setProps(props, w.callbacks);
    EXPECT_EQ(QApplication::focusWidget(), w.other);  // never inside the update
    fake.scheduler->runPending();
    EXPECT_EQ(QApplication::focusWidget(), w.field);
    EXPECT_EQ(w.focusChanges, std::vector<bool>{true});
    EXPECT_EQ(w.field->selectedText(), selectAll ? QStringLiteral("hello") : QString());
    EXPECT_EQ(w.field->cursorPosition(), 5);

    // The same token again does nothing.
    w.other->setFocus();
    w.focusChanges.clear();
    props.text = QStringLiteral("hello!");
    w.field->setProps(props, w.callbacks);
    fake.scheduler->runPending();
    EXPECT_EQ(QApplication::focusWidget(), w.other);

    // A resign while another control has the focus does nothing and calls nothing.
    props.resignToken = 1;
    w.field->setProps(props, w.callbacks);
    fake.scheduler->runPending();
    EXPECT_EQ(QApplication::focusWidget(), w.other);
    EXPECT_TRUE(w.focusChanges.empty());
  }
}

TEST(QVTextField, ResignGivesTheFocusUpAndRunsBeforeAFocusRaisedWithIt) {
  FakeInterfaceContext fake;
  FieldWindow w(fake);
  w.field->setFocus();
  w.field->setProps({QString(), 0, 1}, w.callbacks);
  fake.scheduler->runPending();
  EXPECT_NE(QApplication::focusWidget(), w.field);
  ASSERT_FALSE(w.focusChanges.empty());
  EXPECT_FALSE(w.focusChanges.back());

  // Both raised in one update: resign first, then focus, so the field ends focused.
  w.field->setProps({QString(), 1, 2}, w.callbacks);
  fake.scheduler->runPending();
  EXPECT_EQ(QApplication::focusWidget(), w.field);
  EXPECT_TRUE(w.focusChanges.back());

  // A field whose first token is not 0 takes the focus when first shown.
  QVTextField fresh(*fake.context, QString(), 13);
  fresh.setProps({QString(), 3}, {});
  fresh.show();
  QApplication::setActiveWindow(&fresh);
  fake.scheduler->runPending();
  EXPECT_EQ(QApplication::focusWidget(), &fresh);
}

// A click into the field is the user picking it: its owner hears of the focus before the first
// key, or the owner would type that key into the search as well and it would show twice.
TEST(QVTextField, AClickIntoTheFieldReportsTheFocusAtOnceOtherFocusWaitsForAnEdit) {
  for (const Qt::FocusReason reason : {Qt::MouseFocusReason, Qt::TabFocusReason}) {
    SCOPED_TRACE(int(reason));
    FakeInterfaceContext fake;
    FieldWindow w(fake);
    w.other->setFocus();
    w.focusChanges.clear();
    w.field->setFocus(reason);
    ASSERT_EQ(QApplication::focusWidget(), w.field);
    EXPECT_EQ(w.focusChanges, reason == Qt::MouseFocusReason ? std::vector<bool>{true} : std::vector<bool>{});
    QTest::keyClicks(w.field, QStringLiteral("i"));
    EXPECT_EQ(w.field->text(), QStringLiteral("i"));
    EXPECT_EQ(w.focusChanges, std::vector<bool>{true});
  }
}

TEST(QVTextField, ResignReportsTheLostFocusOnce) {
  for (const bool edited : {false, true}) {
    SCOPED_TRACE(edited ? "while editing" : "focused only");
    FakeInterfaceContext fake;
    FieldWindow w(fake);
    w.field->setFocus();
    if (edited) QTest::keyClicks(w.field, QStringLiteral("a"));
    w.focusChanges.clear();
    w.field->setProps({w.field->text(), 0, 1}, w.callbacks);
    fake.scheduler->runPending();
    EXPECT_NE(QApplication::focusWidget(), w.field);
    EXPECT_EQ(w.focusChanges, std::vector<bool>{false});
  }
}

TEST(TextInput, ServicesStayOffWhateverHintsAreSet) {
  FakeInterfaceContext fake;
  NoCompletionTextView view;
  QVTextField field(*fake.context, QString(), 13);
  for (QWidget* widget : std::initializer_list<QWidget*>{&view, &field}) {
    widget->setInputMethodHints(Qt::ImhNone);
    const auto hints = Qt::InputMethodHints(widget->inputMethodQuery(Qt::ImHints).toInt());
    EXPECT_TRUE(hints.testFlag(Qt::ImhNoPredictiveText)) << widget->metaObject()->className();
    EXPECT_TRUE(hints.testFlag(Qt::ImhNoAutoUppercase)) << widget->metaObject()->className();
  }
  EXPECT_EQ(field.completer(), nullptr);
  EXPECT_EQ(view.autoFormatting(), QTextEdit::AutoNone);
}

TEST(QVTextViewer, ReportsHiddenEdgesOnlyWhenTheyChange) {
  FakeInterfaceContext fake;
  QVTextViewer viewer(*fake.context);
  viewer.resize(300, 120);
  std::vector<std::pair<bool, bool>> reports;
  const QVTextViewer::Callbacks report{[&](bool above, bool below) { reports.push_back({above, below}); }};
  viewer.setProps({QStringLiteral("short")}, report);
  viewer.show();
  fake.scheduler->runPending();
  viewer.setProps({QStringLiteral("short"), nullptr, true}, report);  // only the font choice: nothing re-applied
  fake.scheduler->runPending();
  EXPECT_EQ(reports, (std::vector<std::pair<bool, bool>>{{false, false}}));
  EXPECT_EQ(viewer.contentApplyCount(), 2);  // made empty, then "short"

  QStringList lines;
  for (int i = 0; i < 60; ++i) lines << QStringLiteral("line %1").arg(i);
  viewer.setProps({lines.join('\n')}, report);
  fake.scheduler->runPending();
  EXPECT_EQ(reports.back(), std::make_pair(false, true));
  const std::pair<int, std::pair<bool, bool>> scrolls[] = {{6, {false, true}}, {7, {true, true}}, {0, {false, true}}};
  for (const auto& [offset, edges] : scrolls) {
    viewer.verticalScrollBar()->setValue(offset);
    EXPECT_EQ(viewer.lastEdges(), edges) << offset;
  }
  viewer.verticalScrollBar()->setValue(viewer.verticalScrollBar()->maximum());
  EXPECT_EQ(reports.back(), std::make_pair(true, false));

  // Attributed text is new content by identity, not by value.
  auto first = std::make_shared<const AttributedText>(AttributedText{QStringLiteral("x"), {}});
  viewer.setProps({QString(), first}, report);
  const int applied = viewer.contentApplyCount();
  viewer.setProps({QStringLiteral("ignored"), first}, report);
  EXPECT_EQ(viewer.contentApplyCount(), applied);
  viewer.setProps({QString(), std::make_shared<const AttributedText>(*first)}, report);
  EXPECT_EQ(viewer.contentApplyCount(), applied + 1);
}

TEST(QVCodeViewer, ShowsPlainAtOnceAndNeverAppliesAStaleTokenization) {
  FakeInterfaceContext fake;
  QVCodeViewer viewer(*fake.context);
  viewer.setProps({QStringLiteral("let old = 1"), QStringLiteral("swift")}, {});
  auto queue = fake.queues->queue(QStringLiteral("com.tarnwick.Quorvalen.highlight"));
  ASSERT_TRUE(queue);
  viewer.setProps({QStringLiteral("// new"), QStringLiteral("swift")}, {});
  EXPECT_EQ(viewer.textViewer().toPlainText(), QStringLiteral("// new"));

  // The old request finishes first: its result is dropped.
  ASSERT_TRUE(queue->runOne());
  fake.scheduler->runPending();
  EXPECT_FALSE(viewer.isHighlighted());
  EXPECT_EQ(viewer.textViewer().toPlainText(), QStringLiteral("// new"));

  fake.drain();
  ASSERT_TRUE(viewer.isHighlighted());
  const auto shown = viewer.textViewer().props().attributed;
  EXPECT_EQ(shown->text, QStringLiteral("// new"));
  EXPECT_EQ(shown->formats[0].format.foreground().color(),
            CodeHighlighter::viewerColor(CodeHighlighter::Kind::comment, false));

  // A change of scheme starts again from plain text and colours with the dark palette.
  fake.context->environment->setKeptAppearance(ColorScheme::dark);
  fake.drain();
  EXPECT_EQ(viewer.textViewer().props().attributed->formats[0].format.foreground().color(),
            CodeHighlighter::viewerColor(CodeHighlighter::Kind::comment, true));
}

TEST(CursorRect, ShowsThePointingHandAndLeavesClicksToTheViewBelow) {
  FakeInterfaceContext fake;
  struct Host : QWidget {
    int presses = 0;
    void mousePressEvent(QMouseEvent*) override { ++presses; }
  } host;
  host.resize(120, 80);
  auto* region = new CursorRect(*fake.context, &host);
  region->setGeometry(10, 10, 60, 40);
  host.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
  QTest::mouseMove(region, QPoint(20, 20));
  EXPECT_EQ(region->cursor().shape(), Qt::PointingHandCursor);
  QTest::mouseClick(region, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(host.presses, 1);
  region->setPointingHand(false);
  EXPECT_NE(region->cursor().shape(), Qt::PointingHandCursor);

  CursorRectItem item(*fake.context);
  EXPECT_EQ(item.acceptedMouseButtons(), Qt::NoButton);
}
