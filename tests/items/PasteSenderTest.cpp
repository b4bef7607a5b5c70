#include "items/ItemServices.h"
#include "items/writer/PasteSender.h"
#include "support/items/FakeItemContext.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

RunningApp app(qint64 pid, quint32 window, const char* windowClass) {
  RunningApp app;
  app.pid = pid;
  app.windowId = window;
  app.windowClass = QLatin1String(windowClass);
  app.executable = QStringLiteral("/usr/bin/") + app.windowClass.toLower();
  return app;
}
RunningApp editor() { return app(101, 0x400001, "Editor"); }
RunningApp terminal() { return app(202, 0x500001, "Gnome-terminal"); }
RunningApp panel() { return app(1, 0x600001, "quorvalen"); }

// A workspace whose window manager takes a while to hand over the focus, or never does.
class SlowFocusWorkspace : public FakeWorkspace {
 public:
  bool activate(const RunningApp& app) override {
    if (!isStillRunning(app)) return false;
    activations.append(app);
    return true;
  }
  void focus(const RunningApp& app) { setFrontmost(app); }
};

struct PasteSenderTest : ::testing::Test {
  FakeItemContext fake;
  std::optional<PasteOutcome> outcome;

  void SetUp() override {
    installItemServices(*fake.context);
    fake.workspace->addApplication(editor());
    fake.workspace->addApplication(terminal());
    fake.workspace->addApplication(panel());
    fake.workspace->setFrontmost(panel());
  }
  PasteSender& sender() { return *fake.context->pasteSender; }
  PasteSender::Completion record() {
    return [this](PasteOutcome result) { outcome = result; };
  }
};

// Posted keys pass through key grabs: our own shortcut must not be grabbed while they go out.
TEST_F(PasteSenderTest, TheGlobalShortcutIsSuspendedWhileThePasteIsPosted) {
  std::vector<bool> suspendedAtPost;
  fake.keyPoster->onPost = [this, &suspendedAtPost] { suspendedAtPost.push_back(fake.hotKey->suspended); };
  fake.workspace->setFrontmost(editor());
  EXPECT_TRUE(sender().postCommandV());
  sender().activateAndPaste(terminal(), record());
  fake.scheduler->advance(1);
  EXPECT_EQ(outcome, PasteOutcome::pasted);
  EXPECT_EQ(suspendedAtPost, std::vector<bool>({true, true}));
  EXPECT_FALSE(fake.hotKey->suspended);
}

TEST_F(PasteSenderTest, ActivatesThenPastesAfterTheDelay) {
  sender().activateAndPaste(editor(), record());
  ASSERT_EQ(fake.workspace->activations.size(), 1);
  EXPECT_EQ(fake.workspace->activations.front(), editor());
  fake.scheduler->advance(PasteSender::kPasteDelay - 0.01);
  EXPECT_TRUE(fake.keyPoster->pastes.isEmpty());
  EXPECT_FALSE(outcome);
  fake.scheduler->advance(0.01);
  EXPECT_EQ(fake.keyPoster->pastes, QStringList{QStringLiteral("Editor")});
  EXPECT_EQ(outcome, PasteOutcome::pasted);
}

TEST_F(PasteSenderTest, TerminalGetsItsWindowClassForTheShiftedChord) {
  sender().activateAndPaste(terminal());
  fake.scheduler->advance(PasteSender::kPasteDelay);
  EXPECT_EQ(fake.keyPoster->pastes, QStringList{QStringLiteral("Gnome-terminal")});
}

TEST_F(PasteSenderTest, WithoutApplicationPastesIntoWhateverIsInFront) {
  fake.workspace->setFrontmost(terminal());
  sender().activateAndPaste(std::nullopt, record());
  EXPECT_TRUE(fake.workspace->activations.isEmpty());
  fake.scheduler->advance(PasteSender::kPasteDelay);
  EXPECT_EQ(fake.keyPoster->pastes, QStringList{QStringLiteral("Gnome-terminal")});
  EXPECT_EQ(outcome, PasteOutcome::pasted);
}

TEST_F(PasteSenderTest, GoneApplicationGetsNoKeystroke) {
  fake.workspace->removeApplication(editor().pid);
  sender().activateAndPaste(editor(), record());
  EXPECT_FALSE(outcome) << "the caller hears back only after the call returned";
  fake.scheduler->advance(PasteSender::kFocusDeadline + 1);
  EXPECT_TRUE(fake.workspace->activations.isEmpty());
  EXPECT_TRUE(fake.keyPoster->pastes.isEmpty());
  EXPECT_EQ(outcome, PasteOutcome::targetGone);
}

TEST_F(PasteSenderTest, ApplicationQuittingDuringTheDelayGetsNoKeystroke) {
  sender().activateAndPaste(editor(), record());
  fake.workspace->removeApplication(editor().pid);
  fake.workspace->setFrontmost(panel());
  fake.scheduler->advance(PasteSender::kFocusDeadline + 1);
  EXPECT_TRUE(fake.keyPoster->pastes.isEmpty());
  EXPECT_EQ(outcome, PasteOutcome::targetGone);
}

struct SlowFocusTest : ::testing::Test {
  FakeItemContext fake;
  std::shared_ptr<SlowFocusWorkspace> workspace = std::make_shared<SlowFocusWorkspace>();
  PasteSender sender{fake.scheduler, workspace, fake.keyPoster};
  std::optional<PasteOutcome> outcome;
  void SetUp() override {
    workspace->addApplication(editor());
    workspace->setFrontmost(panel());
  }
};

TEST_F(SlowFocusTest, WaitsForTheWindowToBecomeActive) {
  sender.activateAndPaste(editor(), [this](PasteOutcome result) { outcome = result; });
  fake.scheduler->advance(0.3);
  EXPECT_TRUE(fake.keyPoster->pastes.isEmpty());
  workspace->focus(editor());
  fake.scheduler->advance(PasteSender::kFocusPollInterval);
  EXPECT_EQ(fake.keyPoster->pastes.size(), 1);
  EXPECT_EQ(outcome, PasteOutcome::pasted);
}

TEST_F(SlowFocusTest, WindowThatNeverBecomesActiveGetsNoKeystroke) {
  sender.activateAndPaste(editor(), [this](PasteOutcome result) { outcome = result; });
  fake.scheduler->advance(PasteSender::kFocusDeadline - 0.01);
  EXPECT_FALSE(outcome);
  fake.scheduler->advance(0.02);
  EXPECT_EQ(outcome, PasteOutcome::notActivated);
  fake.scheduler->advance(5);
  EXPECT_TRUE(fake.keyPoster->pastes.isEmpty());
}

TEST_F(PasteSenderTest, NoKeyPostingInThisSessionIsReported) {
  fake.keyPoster->available = false;
  sender().activateAndPaste(editor(), record());
  fake.scheduler->advance(PasteSender::kPasteDelay);
  EXPECT_EQ(outcome, PasteOutcome::cannotPost);
  EXPECT_FALSE(sender().postCommandV());
}

TEST_F(PasteSenderTest, SenderGoneBeforeTheDelayPostsNothing) {
  auto own = std::make_unique<PasteSender>(fake.scheduler, fake.workspace, fake.keyPoster);
  own->activateAndPaste(editor());
  own.reset();
  fake.scheduler->advance(PasteSender::kFocusDeadline + 1);
  EXPECT_TRUE(fake.keyPoster->pastes.isEmpty());
}

// Our hot key's own grab holds the keyboard until its key is released: the hold is asked
// again until it is granted. Keys are typed after the paste whatever its outcome, and a hold
// that nothing ends lets go by itself.
TEST_F(PasteSenderTest, AHeldKeyboardIsWaitedForAndEveryHoldEnds) {
  fake.keyPoster->keyboardTakenElsewhere = true;
  sender().holdTypedKeys(0);
  fake.scheduler->advance(0.1);
  EXPECT_FALSE(fake.keyPoster->keyboardHeld);
  fake.keyPoster->keyboardTakenElsewhere = false;
  fake.scheduler->advance(PasteSender::kHoldRetryInterval);
  EXPECT_TRUE(fake.keyPoster->keyboardHeld);

  fake.workspace->removeApplication(editor().pid);
  fake.keyPoster->type(38, true);
  fake.keyPoster->type(38, false);
  sender().activateAndPaste(editor(), record());
  fake.scheduler->advance(0.01);
  EXPECT_EQ(outcome, PasteOutcome::targetGone);
  EXPECT_EQ(fake.keyPoster->received, QStringList({"+38", "-38"}));

  sender().holdTypedKeys(0);
  fake.scheduler->advance(PasteSender::kHoldLimit - 0.01);
  EXPECT_TRUE(fake.keyPoster->isHolding());
  fake.scheduler->advance(0.01);
  EXPECT_FALSE(fake.keyPoster->isHolding());
}

}  // namespace
}  // namespace qv
