#include "app/PanelControllerHarness.h"
#include "items/capture/OwnWriteCounter.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QKeyEvent>
#include <QWindow>

using namespace qv;

namespace {

// The panel is open over the editor; picks go through the state's hooks as the views call them.
struct PanelPasteActionsTest : test::PanelControllerHarness {
  PanelPasteActionsTest() {
    controller->onPastePermissionNeeded = [this] { ++permissionRequests; };
    controller->onPasteNotDelivered = [this](PasteOutcome outcome) { notDelivered << outcome; };
    controller->showPanel();
    advance(1);
    // The panel now has the focus; the editor is still the paste target.
    RunningApp panel;
    panel.pid = 1;
    fake.workspace->setFrontmost(panel);
  }
  void setPermission(bool held) { fake.pastePermission->held = held; }
  const QList<PasteboardWrite>& writes() { return fake.pasteboard->writes(); }
  int ownWrites() { return fake.context->skipNextChanges->count(); }
  // An image whose picture is neither in memory nor stored: it cannot be written.
  static ClipboardItem lostImage() { return test::imageItem(QImage()); }

  int permissionRequests = 0;
  QList<PasteOutcome> notDelivered;
};

TEST_F(PanelPasteActionsTest, PlainFlagIsDroppedForAnImageAndTransformsWriteOnlyText) {
  setPermission(false);
  const ClipboardItem image = test::imageItem(test::testImage());
  state().pasteAction()(image, true);
  ASSERT_EQ(writes().size(), 1);
  EXPECT_FALSE(writes().last().image.isNull());
  EXPECT_FALSE(writes().last().text);

  const ClipboardItem link = test::linkItem("https://example.com/a");
  state().pasteTransformedAction()(link, TextTransform::uppercase);
  ASSERT_EQ(writes().size(), 2);
  EXPECT_EQ(writes().last().text, "HTTPS://EXAMPLE.COM/A");
  EXPECT_TRUE(writes().last().urls.isEmpty());
  EXPECT_EQ(ownWrites(), 2);
}

TEST_F(PanelPasteActionsTest, MultiSelectionPastesOneItemAsItselfSeveralAsJoinedText) {
  setPermission(false);
  const QImage picture = test::testImage(5, 5);
  struct Case {
    const char* name;
    QList<ClipboardItem> items;
    std::optional<QString> text;  // the joined text, or none when the first item is written as is
    bool image;
  };
  const QList<Case> cases = {
      {"one image", {test::imageItem(picture)}, std::nullopt, true},
      {"one link keeps its URL", {test::linkItem("https://example.com/a")}, "https://example.com/a", false},
      {"two texts", {test::textItem(" first "), test::textItem("second")}, "first\nsecond", false},
      {"text and image", {test::imageItem(picture), test::textItem("only text")}, "only text", false},
      {"two images", {test::imageItem(picture), test::imageItem(test::testImage(2, 2))}, std::nullopt, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const qsizetype before = writes().size();
    state().pasteMultiAction()(c.items);
    ASSERT_EQ(writes().size(), before + 1);
    const PasteboardWrite& written = writes().last();
    EXPECT_EQ(written.text, c.text);
    EXPECT_EQ(!written.image.isNull(), c.image);
    if (c.image) {
      EXPECT_EQ(written.image.size(), QSize(5, 5));  // the first image
    }
  }

  const qsizetype before = writes().size();
  state().pasteMultiAction()({});
  EXPECT_EQ(writes().size(), before);
}

TEST_F(PanelPasteActionsTest, WithoutPermissionTheItemIsOnlyCopiedThenThePanelHidesAndPermissionIsAsked) {
  setPermission(false);
  const ClipboardItem item = test::textItem("copied only");
  state().setItems({item});
  state().pasteAction()(item, false);
  ASSERT_EQ(writes().size(), 1);
  EXPECT_EQ(writes().last().text, "copied only");
  EXPECT_EQ(ownWrites(), 1);
  EXPECT_EQ(state().pasteHintItemID(), item.id);
  EXPECT_EQ(state().copiedItemID(), item.id);
  EXPECT_TRUE(state().isVisible());

  advance(1.19);
  EXPECT_TRUE(state().isVisible());
  advance(0.02);
  EXPECT_FALSE(state().isVisible());
  EXPECT_EQ(permissionRequests, 0);
  advance(0.38);
  EXPECT_EQ(permissionRequests, 0);
  advance(0.02);
  EXPECT_EQ(permissionRequests, 1);
  advance(3);
  EXPECT_EQ(permissionRequests, 1);
  EXPECT_TRUE(fake.keyPoster->pastes.isEmpty());
  EXPECT_TRUE(fake.workspace->activations.isEmpty());
}

TEST_F(PanelPasteActionsTest, CopiedJoinedTextShowsTheToastUntilShortlyAfterTheHide) {
  setPermission(false);
  state().pasteMultiAction()({test::textItem("a"), test::textItem("b")});
  EXPECT_EQ(writes().last().text, "a\nb");
  EXPECT_EQ(ownWrites(), 1);
  EXPECT_TRUE(state().showCopiedToast());
  EXPECT_EQ(state().pasteHintItemID(), std::nullopt);
  advance(1.21);
  EXPECT_FALSE(state().isVisible());
  EXPECT_TRUE(state().showCopiedToast());
  advance(0.33);
  EXPECT_TRUE(state().showCopiedToast());
  advance(0.03);
  EXPECT_FALSE(state().showCopiedToast());
  advance(0.05);
  EXPECT_EQ(permissionRequests, 1);
}

TEST_F(PanelPasteActionsTest, ReopeningDuringTheCopiedFeedbackKeepsThePanelOpen) {
  setPermission(false);
  state().pasteMultiAction()({test::textItem("a"), test::textItem("b")});
  advance(0.3);
  controller->hidePanel();
  advance(0.3);
  controller->showPanel();
  EXPECT_FALSE(state().showCopiedToast());
  advance(2);
  EXPECT_TRUE(state().isVisible());
  EXPECT_EQ(permissionRequests, 1);  // the request still comes
}

TEST_F(PanelPasteActionsTest, WithPermissionThePanelHidesAndTheKeystrokeReachesThePreviousApp) {
  const ClipboardItem item = test::textItem("pasted");
  state().pasteAction()(item, false);
  EXPECT_EQ(writes().last().text, "pasted");
  EXPECT_FALSE(state().isVisible());
  EXPECT_EQ(state().pasteHintItemID(), std::nullopt);

  advance(0.19);
  EXPECT_TRUE(fake.workspace->activations.isEmpty());
  advance(0.02);
  ASSERT_EQ(fake.workspace->activations.size(), 1);
  EXPECT_EQ(fake.workspace->activations.first().pid, 42);
  advance(0.13);
  EXPECT_TRUE(fake.keyPoster->pastes.isEmpty());
  advance(0.02);
  EXPECT_EQ(fake.keyPoster->pastes, QStringList{"editor"});
  advance(2);
  EXPECT_TRUE(notDelivered.isEmpty());
  EXPECT_FALSE(state().showCopiedToast());
  EXPECT_EQ(permissionRequests, 0);
}

TEST_F(PanelPasteActionsTest, PermissionLostDuringTheWriteHidesWithoutTypingOrFeedback) {
  QObject::connect(fake.pasteboard.get(), &Pasteboard::changed, [this] { setPermission(false); });
  const ClipboardItem item = test::textItem("kept on the clipboard");
  state().pasteAction()(item, false);
  EXPECT_EQ(writes().last().text, "kept on the clipboard");
  EXPECT_FALSE(state().isVisible());
  advance(3);
  EXPECT_TRUE(fake.workspace->activations.isEmpty());
  EXPECT_TRUE(fake.keyPoster->pastes.isEmpty());
  EXPECT_EQ(state().pasteHintItemID(), std::nullopt);
  EXPECT_FALSE(state().showCopiedToast());
  EXPECT_EQ(permissionRequests, 0);
}

TEST_F(PanelPasteActionsTest, AnImageThatCannotBeWrittenShakesAndKeepsThePanelOpen) {
  for (bool permission : {true, false}) {
    SCOPED_TRACE(permission ? "with permission" : "without permission");
    setPermission(permission);
    const ClipboardItem item = lostImage();
    const int token = state().shakeToken();
    state().pasteAction()(item, true);
    state().pasteMultiAction()({item});
    EXPECT_EQ(state().shakeToken(), token + 2);
    EXPECT_EQ(state().shakeItemID(), item.id);
    EXPECT_TRUE(writes().isEmpty());
    EXPECT_EQ(ownWrites(), 0);
    advance(2);
    EXPECT_TRUE(state().isVisible());
    EXPECT_EQ(permissionRequests, 0);
  }
}

TEST_F(PanelPasteActionsTest, AKeystrokeThatCannotBeDeliveredIsNeverTypedAndTheUserIsTold) {
  struct Case {
    const char* name;
    std::function<void(PanelPasteActionsTest&)> arrange;
    PasteOutcome outcome;
  };
  const QList<Case> cases = {
      {"target quit", [](PanelPasteActionsTest& t) { t.fake.workspace->removeApplication(42); },
       PasteOutcome::targetGone},
      {"keys cannot be posted", [](PanelPasteActionsTest& t) { t.fake.keyPoster->available = false; },
       PasteOutcome::cannotPost},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.arrange(*this);
    notDelivered.clear();
    state().pasteAction()(test::textItem("only copied"), false);
    EXPECT_EQ(writes().last().text, "only copied");
    advance(1);
    EXPECT_TRUE(fake.keyPoster->pastes.isEmpty());
    EXPECT_EQ(notDelivered, QList<PasteOutcome>{c.outcome});
    EXPECT_TRUE(state().showCopiedToast());
    advance(1);
    EXPECT_FALSE(state().showCopiedToast());
    fake.workspace->addApplication(editor);
    fake.keyPoster->available = true;
    fake.workspace->setFrontmost(editor);
    controller->showPanel();
    advance(1);
  }
}

}  // namespace

namespace {

// X key codes of a US keyboard.
constexpr quint32 kEscapeCode = 9;
constexpr quint32 kReturnCode = 36;
constexpr quint32 kACode = 38;
constexpr quint32 kBCode = 56;

// The user goes on typing right after a pick or a close: every key reaches the previous
// application after the paste, in order, and the key that picked never does.
struct PanelTypedKeysTest : PanelPasteActionsTest {
  PanelTypedKeysTest() { state().setItems({test::textItem("pasted")}); }
  void press(int key, quint32 code, bool repeat = false) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, code, 0, 0, QString(), repeat);
    QApplication::sendEvent(window()->windowHandle(), &event);
  }
  void tap(quint32 code) {
    fake.keyPoster->type(code, true);
    fake.keyPoster->type(code, false);
  }
  QStringList& received() { return fake.keyPoster->received; }
};

TEST_F(PanelTypedKeysTest, KeysTypedAfterAPickFollowThePasteInOrder) {
  struct Case {
    const char* name;
    QList<double> typedAt;  // seconds after the pick; "a", then "b"
  };
  const QList<Case> cases = {
      {"at once and at 150 ms", {0, 0.15}},
      {"at 300 ms, before the paste", {0.3, 0.33}},
      {"before and after the paste", {0.15, 0.5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    received().clear();
    press(Qt::Key_Return, kReturnCode);
    ASSERT_FALSE(state().isVisible());
    fake.keyPoster->type(kReturnCode, false);
    double now = 0;
    for (int index = 0; index < 2; ++index) {
      advance(c.typedAt[index] - now);
      now = c.typedAt[index];
      tap(index == 0 ? kACode : kBCode);
    }
    advance(1);
    EXPECT_EQ(received(), QStringList({"paste", "+38", "-38", "+56", "-56"}));
    fake.workspace->setFrontmost(editor);
    controller->showPanel();
    advance(1);
    RunningApp panel;
    panel.pid = 1;
    fake.workspace->setFrontmost(panel);
  }
}

// Held, the key that picked repeats until it is let go: the paste waits for that, and the
// repeats are typed nowhere.
TEST_F(PanelTypedKeysTest, AHeldReturnPastesOnceOnItsReleaseWithoutItsRepeats) {
  press(Qt::Key_Return, kReturnCode);
  for (int repeat = 0; repeat < 15; ++repeat) {
    advance(0.04);
    fake.keyPoster->type(kReturnCode, true);  // repeats
  }
  EXPECT_TRUE(received().isEmpty());
  fake.keyPoster->type(kReturnCode, false);
  tap(kACode);
  advance(0.1);
  EXPECT_EQ(received(), QStringList({"paste", "+38", "-38"}));
}

// The hot key's own grab holds the keyboard until its key is released: the next keys still
// reach the panel's window, and are held with those typed once the hold has the keyboard.
TEST_F(PanelTypedKeysTest, KeysTypedAfterTheHotKeyClosesThePanelFollowInOrder) {
  fake.keyPoster->keyboardTakenElsewhere = true;
  controller->togglePanel();
  ASSERT_FALSE(state().isVisible());
  for (const bool press : {true, false}) {
    QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, kACode, 0, 0, "a");
    event.setTimestamp(10);
    QApplication::sendEvent(window()->windowHandle(), &event);
  }
  fake.keyPoster->keyboardTakenElsewhere = false;
  advance(0.05);
  fake.keyPoster->type(kBCode, true, 20);
  fake.keyPoster->type(kBCode, false, 30);
  EXPECT_TRUE(received().isEmpty());
  fake.workspace->setFrontmost(editor);
  advance(0.1);
  EXPECT_EQ(received(), QStringList({"+38", "-38", "+56", "-56"}));
}

TEST_F(PanelTypedKeysTest, KeysTypedAfterAnEscapeReachTheWindowThatGetsTheFocus) {
  press(Qt::Key_Escape, kEscapeCode);
  ASSERT_FALSE(state().isVisible());
  fake.keyPoster->type(kEscapeCode, false);
  tap(kACode);
  advance(0.3);  // the panel's window is still there, with the focus
  tap(kBCode);
  EXPECT_TRUE(received().isEmpty());
  fake.workspace->setFrontmost(editor);
  advance(0.1);
  EXPECT_EQ(received(), QStringList({"+38", "-38", "+56", "-56"}));
}

}  // namespace
