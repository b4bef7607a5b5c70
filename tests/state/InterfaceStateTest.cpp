#include "base/Uuid.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::SignalCounter;

class InterfaceStateTest : public ::testing::Test {
 protected:
  test::StateHarness h;
  PanelState& state = *h.state;
  FakeScheduler& clock = *h.fake.scheduler;

  ClipboardItem add(const QString& text) {
    ClipboardItem item = test::textItem(text, QStringLiteral("org.example.Editor"), h.now());
    state.addItem(item);
    return item;
  }
};

// The copied flash lasts 1.1 s and the paste hint 1.6 s, each counted from its last start.
TEST_F(InterfaceStateTest, FeedbackEndsItsDurationAfterTheLastStart) {
  const struct {
    std::function<void(const QUuid&)> start;
    std::function<std::optional<QUuid>()> shown;
    double duration;
  } cases[] = {{[&](const QUuid& id) { state.flashCopied(id); }, [&] { return state.copiedItemID(); }, 1.1},
               {[&](const QUuid& id) { state.showPasteHint(id); }, [&] { return state.pasteHintItemID(); }, 1.6}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.duration);
    const QUuid id = newUuid();
    c.start(id);
    EXPECT_EQ(c.shown(), id);
    clock.advance(1.0);
    c.start(id);
    clock.advance(c.duration - 0.01);
    EXPECT_EQ(c.shown(), id);
    clock.advance(0.02);
    EXPECT_EQ(c.shown(), std::nullopt);
  }
}

TEST_F(InterfaceStateTest, PasteHintOutlivesAFlashThatMovedToAnotherCard) {
  const QUuid first = newUuid();
  const QUuid second = newUuid();
  state.showPasteHint(first);
  EXPECT_EQ(state.copiedItemID(), first);
  EXPECT_EQ(state.pasteHintItemID(), first);

  clock.advance(0.5);
  state.flashCopied(second);
  EXPECT_EQ(state.copiedItemID(), second);
  EXPECT_EQ(state.pasteHintItemID(), first);

  clock.advance(1.05);  // 1.55 s: the flash still runs (until 1.6 s)
  EXPECT_EQ(state.copiedItemID(), second);
  EXPECT_EQ(state.pasteHintItemID(), first);
  clock.advance(0.1);  // 1.65 s
  EXPECT_EQ(state.copiedItemID(), std::nullopt);
  EXPECT_EQ(state.pasteHintItemID(), std::nullopt);
}

TEST_F(InterfaceStateTest, ClearingCopyFeedbackEndsBothAtOnceAndNothingLateSetsThem) {
  const QUuid id = newUuid();
  state.showPasteHint(id);
  clock.advance(0.3);
  state.clearCopyFeedback();
  EXPECT_EQ(state.copiedItemID(), std::nullopt);
  EXPECT_EQ(state.pasteHintItemID(), std::nullopt);

  SignalCounter copied(&state, &PanelState::copiedItemIDChanged);
  SignalCounter hint(&state, &PanelState::pasteHintItemIDChanged);
  EXPECT_EQ(clock.pendingCount(), 0);
  clock.advance(5);
  EXPECT_EQ(copied.count(), 0);
  EXPECT_EQ(hint.count(), 0);
}

TEST_F(InterfaceStateTest, FeedbackWorkDoesNothingOnceTheStateIsGone) {
  state.showPasteHint(newUuid());
  h.state.reset();
  clock.advance(5);  // must not touch the destroyed state
  SUCCEED();
}

TEST_F(InterfaceStateTest, EveryShakeRaisesTheTokenAndKeepsTheCard) {
  const QUuid id = newUuid();
  SignalCounter tokens(&state, &PanelState::shakeTokenChanged);
  state.shake(id);
  state.shake(id);
  EXPECT_EQ(tokens.count(), 2);
  EXPECT_EQ(state.shakeToken(), 2);
  EXPECT_EQ(state.shakeItemID(), id);
  clock.advance(10);
  EXPECT_EQ(state.shakeItemID(), id);
}

TEST_F(InterfaceStateTest, OverlaysAndThePreviewExcludeEachOther) {
  const ClipboardItem item = add(QStringLiteral("a"));
  state.setCardAnchors({{item.id, 120.0}});
  state.setShowDotsMenu(true);
  state.setPreviewItemID(item.id);
  EXPECT_FALSE(state.showDotsMenu());
  EXPECT_EQ(state.previewAnchorY(), 120.0);

  // Assigning true again still closes the preview.
  state.setShowFilterPanel(true);
  state.setPreviewItemID(item.id);
  state.setShowFilterPanel(true);
  EXPECT_EQ(state.previewItemID(), std::nullopt);
  EXPECT_EQ(state.previewAnchorY(), std::nullopt);
  EXPECT_TRUE(state.showFilterPanel());

  state.setShowDotsMenu(true);
  EXPECT_FALSE(state.showFilterPanel());
  state.setShowDotsMenu(false);  // closing touches nothing else
  EXPECT_FALSE(state.showFilterPanel());
}

TEST_F(InterfaceStateTest, RetargetOpensClosesAndMovesThePreview) {
  const ClipboardItem a = add(QStringLiteral("a"));
  const ClipboardItem b = add(QStringLiteral("b"));
  state.setCardAnchors({{a.id, 10.0}, {b.id, 300.0}});

  state.retargetPreview(a);  // nothing open: at once
  EXPECT_EQ(state.previewItemID(), a.id);
  EXPECT_EQ(state.previewAnchorY(), 10.0);

  state.retargetPreview(b);  // closes at once, opens 0.22 s later
  EXPECT_EQ(state.previewItemID(), std::nullopt);
  clock.advance(0.21);
  EXPECT_EQ(state.previewItemID(), std::nullopt);
  clock.advance(0.02);
  EXPECT_EQ(state.previewItemID(), b.id);
  EXPECT_EQ(state.previewAnchorY(), 300.0);

  state.retargetPreview(b);  // the same card again closes it
  EXPECT_EQ(state.previewItemID(), std::nullopt);
  clock.advance(1);
  EXPECT_EQ(state.previewItemID(), std::nullopt);
}

TEST_F(InterfaceStateTest, AnAnchorlessCardKeepsTheLastAnchor) {
  const ClipboardItem a = add(QStringLiteral("a"));
  state.setPreviewAnchorY(55.0);
  state.retargetPreview(a);
  EXPECT_EQ(state.previewAnchorY(), 55.0);
}

TEST_F(InterfaceStateTest, CancelPreviewWorkStopsAPendingMove) {
  const ClipboardItem a = add(QStringLiteral("a"));
  const ClipboardItem b = add(QStringLiteral("b"));
  state.retargetPreview(a);
  state.retargetPreview(b);
  state.cancelPreviewWork();
  clock.advance(1);
  EXPECT_EQ(state.previewItemID(), std::nullopt);

  state.retargetPreview(a);
  state.cancelPreviewWork();
  EXPECT_EQ(state.previewItemID(), std::nullopt);
}

TEST_F(InterfaceStateTest, HoverMovesAnOpenPreviewAfterDwellAndRetarget) {
  const ClipboardItem a = add(QStringLiteral("a"));
  const ClipboardItem b = add(QStringLiteral("b"));
  state.retargetPreview(a);

  state.schedulePreviewHover(b);
  clock.advance(0.15);
  EXPECT_EQ(state.previewItemID(), a.id);
  clock.advance(0.02);  // 0.17 s: the retarget began, the preview is closed for 0.22 s
  EXPECT_EQ(state.previewItemID(), std::nullopt);
  clock.advance(0.22);
  EXPECT_EQ(state.previewItemID(), b.id);

  // Leaving before the dwell ends, or hovering the previewed card, cancels the move.
  state.schedulePreviewHover(a);
  clock.advance(0.1);
  state.schedulePreviewHover(std::nullopt);
  clock.advance(1);
  EXPECT_EQ(state.previewItemID(), b.id);
  state.schedulePreviewHover(a);
  state.schedulePreviewHover(b);
  clock.advance(1);
  EXPECT_EQ(state.previewItemID(), b.id);
}

TEST_F(InterfaceStateTest, HoverNeverOpensAPreviewNorMovesAnOpenEditor) {
  const ClipboardItem a = add(QStringLiteral("a"));
  const ClipboardItem b = add(QStringLiteral("b"));
  state.schedulePreviewHover(a);
  clock.advance(1);
  EXPECT_EQ(state.previewItemID(), std::nullopt);

  state.retargetPreview(a);
  state.setPreviewEditingActive(true);
  state.schedulePreviewHover(b);
  clock.advance(1);
  EXPECT_EQ(state.previewItemID(), a.id);

  // A preview closed during the dwell stays closed.
  state.setPreviewEditingActive(false);
  state.schedulePreviewHover(b);
  state.setPreviewItemID(std::nullopt);
  clock.advance(1);
  EXPECT_EQ(state.previewItemID(), std::nullopt);
}

TEST_F(InterfaceStateTest, PreviewItemAndMultiSelectionSkipItemsThatAreGone) {
  const ClipboardItem a = add(QStringLiteral("a"));
  const ClipboardItem b = add(QStringLiteral("b"));
  const ClipboardItem c = add(QStringLiteral("c"));
  EXPECT_EQ(state.previewItem(), std::nullopt);
  state.setPreviewItemID(b.id);
  EXPECT_EQ(state.previewItem(), b);

  state.setMultiSelectedIDs({c.id, a.id, b.id});
  EXPECT_EQ(state.multiSelectedItems(), QList<ClipboardItem>({c, a, b}));
  state.removeItem(a.id);
  EXPECT_EQ(state.multiSelectedItems(), QList<ClipboardItem>({c, b}));

  state.setPreviewItemID(newUuid());
  EXPECT_EQ(state.previewItem(), std::nullopt);
}

TEST_F(InterfaceStateTest, SetHooksReceiveTheirArguments) {
  const ClipboardItem item = add(QStringLiteral("a"));
  state.pasteAction()(item, true);  // unset: nothing happens
  std::optional<std::pair<QUuid, bool>> pasted;
  state.setPasteAction([&](const ClipboardItem& picked, bool plain) { pasted = {picked.id, plain}; });
  state.pasteAction()(item, true);
  EXPECT_EQ(pasted, std::make_pair(item.id, true));
}

}  // namespace
}  // namespace qv
