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
  void press(int key, quint32 code, bool repeat = false, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, code, 0, 0, QString(), repeat);
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

constexpr quint32 kShiftCode = FakeKeyPoster::kShiftCode;
constexpr quint32 kCCode = 54;
constexpr quint32 kKCode = 45;
constexpr quint32 kQCode = 24;
constexpr quint32 kWCode = 25;
constexpr quint32 kZCode = 52;

// A key the user presses or lets go of, in seconds after the pick.
struct UserKey {
  double at;
  quint32 code;
  bool press;
};

// Taps each letter from `from` on, 12 ms a key; a capital is typed with Shift around it.
QList<UserKey> typeLetters(double from, const QList<std::pair<quint32, bool>>& letters) {
  QList<UserKey> keys;
  double at = from;
  for (const auto& [code, capital] : letters) {
    if (capital) keys.append({at, kShiftCode, true});
    keys.append({at, code, true});
    keys.append({at += 0.006, code, false});
    if (capital) keys.append({at, kShiftCode, false});
    at += 0.006;
  }
  return keys;
}

// What the user typed around the paste comes out as typed: the modifiers a key was typed in,
// also one held from before the pick or across the paste.
TEST_F(PanelTypedKeysTest, CapitalsTypedAroundThePasteStayCapitals) {
  struct Case {
    const char* name;
    bool shiftPick;  // Shift+Return, Shift still down
    QList<UserKey> keys;
    QString text;
  };
  const QList<Case> cases = {
      {"AbC typed before the paste", false, typeLetters(0.2, {{kACode, true}, {kBCode, false}, {kCCode, true}}),
       "<paste>AbC"},
      {"Qz, Return and W, its Shift before the paste and W after", false,
       typeLetters(0.3, {{kQCode, true}, {kZCode, false}, {kReturnCode, false}}) +
           QList<UserKey>{
               {0.34, kShiftCode, true}, {0.36, kWCode, true}, {0.37, kWCode, false}, {0.38, kShiftCode, false}},
       "<paste>Qz\nW"},
      {"Shift pressed before the paste, held across it",
       false,
       {{0.3, kShiftCode, true},
        {0.31, kACode, true},
        {0.32, kACode, false},
        {0.5, kBCode, true},
        {0.51, kBCode, false},
        {0.6, kShiftCode, false}},
       "<paste>AB"},
      {"Shift+Return, a b held back, Shift let go after the paste, c",
       true,
       {{0.1, kACode, true},
        {0.11, kACode, false},
        {0.2, kBCode, true},
        {0.21, kBCode, false},
        {0.5, kShiftCode, false},
        {0.6, kCCode, true},
        {0.61, kCCode, false}},
       "<paste>ABc"},
      {"Shift+Return, a, Shift let go before the paste",
       true,
       {{0.1, kACode, true},
        {0.11, kACode, false},
        {0.2, kShiftCode, false},
        {0.6, kCCode, true},
        {0.61, kCCode, false}},
       "<paste>Ac"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake.keyPoster->text.clear();
    if (c.shiftPick) fake.keyPoster->type(kShiftCode, true);
    fake.keyPoster->text.clear();
    press(Qt::Key_Return, kReturnCode, false, c.shiftPick ? Qt::ShiftModifier : Qt::NoModifier);
    ASSERT_FALSE(state().isVisible());
    fake.keyPoster->type(kReturnCode, false, 1000);
    double now = 0;
    for (const UserKey& key : c.keys) {
      advance(key.at - now);
      now = key.at;
      fake.keyPoster->type(key.code, key.press, quint32(1000 + key.at * 1000));
    }
    advance(1);
    EXPECT_EQ(fake.keyPoster->text, c.text);
    EXPECT_FALSE(fake.keyPoster->isDown(kShiftCode));
    fake.workspace->setFrontmost(editor);
    controller->showPanel();
    advance(1);
    RunningApp panel;
    panel.pid = 1;
    fake.workspace->setFrontmost(panel);
  }
}

// A key held from before the paste until after it is typed once after the paste (a press of a
// key already down would be dropped) and stays down, repeating, until the user lets go.
TEST_F(PanelTypedKeysTest, AKeyHeldAcrossThePasteStaysDownUntilLetGo) {
  press(Qt::Key_Return, kReturnCode);
  fake.keyPoster->type(kReturnCode, false, 1000);
  advance(0.3);
  fake.keyPoster->type(kKCode, true, 1300);
  advance(0.5);
  EXPECT_EQ(received(), QStringList({"paste", "-45", "+45"}));
  EXPECT_TRUE(fake.keyPoster->isDown(kKCode));
  advance(1);
  fake.keyPoster->type(kKCode, false, 2800);
  EXPECT_EQ(received(), QStringList({"paste", "-45", "+45", "-45"}));
  EXPECT_EQ(fake.keyPoster->text, "<paste>k");
}

// Keys that reached the panel's window before the hold took the keyboard come in after it, but
// are typed in the server's time order.
TEST_F(PanelTypedKeysTest, KeysReachingThePanelLateAreTypedInTimeOrder) {
  press(Qt::Key_Return, kReturnCode);
  fake.keyPoster->type(kReturnCode, false, 4);
  fake.keyPoster->type(kBCode, true, 10);
  fake.keyPoster->type(kBCode, false, 11);
  for (const bool press : {true, false}) {
    QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, kACode, 0, 0, "a");
    event.setTimestamp(press ? 5 : 6);
    QApplication::sendEvent(window()->windowHandle(), &event);
  }
  advance(1);
  EXPECT_EQ(received(), QStringList({"paste", "+38", "-38", "+56", "-56"}));
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
