#include "PreviewTestSupport.h"
#include "preview/SharePickerAnchor.h"
#include "ui/controls/PanelMenu.h"

#include <gtest/gtest.h>
#include <QMenu>

namespace qv {
namespace {

using test::PreviewContext;

const QList<ShareItem> kText = {ShareItem::ofText(QStringLiteral("hello"))};

// A shown window with the anchor behind a share control, and the host's side of the contract:
// its trigger and what it last heard.
struct ShareHost {
  explicit ShareHost(PreviewContext& shared) : context(shared) {
    context.sharePicker->targets = {
        {ShareTarget::Kind::application, QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor"),
         QStringLiteral("editor"), true},
        {ShareTarget::Kind::application, QStringLiteral("mousepad"), QStringLiteral("Mousepad"), {}, false},
        {ShareTarget::Kind::email, {}, QString::fromUtf16(kEmailTargetTitle), {}, false},
    };
    window.setGeometry(500, 300, 300, 200);
    anchor = new SharePickerAnchor(*context.services, &window);
    anchor->setGeometry(240, 40, 28, 28);
  }
  void update(QList<ShareItem> items = kText) {
    anchor->setProps({items, trigger}, {[this](bool presenting) { heard << presenting; }});
  }
  void press(QList<ShareItem> items = kText) {
    ++trigger;
    update(std::move(items));
  }
  PreviewContext& context;
  QWidget window;
  SharePickerAnchor* anchor;
  int trigger = 0;
  QList<bool> heard;
};

TEST(SharePickerAnchor, APressOpensTheTargetsLeftOfTheAnchorAndTheHostHearsItOnTheNextTurn) {
  PreviewContext context;
  ShareHost host(context);
  host.window.show();
  host.press();
  EXPECT_TRUE(host.heard.isEmpty()) << "never inside the host's update";
  context.drain();
  EXPECT_EQ(host.heard, QList<bool>{true});
  ASSERT_EQ(context.menus->popUps(), 1);
  EXPECT_EQ(FakeMenuPresenter::titles(context.menus->lastMenu()),
            (QStringList{"Text Editor", "Mousepad", "-", QString::fromUtf16(kEmailTargetTitle)}));
  const QPoint anchorTopLeft = host.anchor->mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(context.menus->lastPosition.x() + context.menus->lastMenu()->sizeHint().width(), anchorTopLeft.x());
  EXPECT_EQ(context.menus->lastPosition.y(), anchorTopLeft.y());
  auto* menu = qobject_cast<PanelMenu*>(context.menus->lastMenu());
  ASSERT_NE(menu, nullptr);
  EXPECT_FALSE(menu->rowTitled(QStringLiteral("Text Editor"))->row().icon.isNull());
  EXPECT_EQ(menu->rowTitled(QString::fromUtf16(kEmailTargetTitle))->row().symbol, QStringLiteral("envelope"));
}

TEST(SharePickerAnchor, ASecondPressClosesAndOnlyAPressAfterTheResetOpensAgain) {
  PreviewContext context;
  ShareHost host(context);
  host.window.show();
  host.press();
  context.drain();
  QMenu* first = context.menus->lastMenu();
  first->show();
  host.press();
  EXPECT_FALSE(first->isVisible()) << "taken off the screen";
  context.drain();
  EXPECT_EQ(host.heard, (QList<bool>{true, false}));
  // Within 0.35 s a press only closes again.
  context.advance(0.2);
  host.press();
  context.drain();
  EXPECT_EQ(host.heard, (QList<bool>{true, false, false}));
  EXPECT_EQ(context.menus->popUps(), 1);
  context.advance(0.4);
  host.press();
  context.drain();
  EXPECT_EQ(context.menus->popUps(), 2);
  EXPECT_EQ(host.heard.last(), true);
}

TEST(SharePickerAnchor, ChoosingATargetSharesTheItemsTheAnchorWasGivenAndReportsTheClose) {
  PreviewContext context;
  ShareHost host(context);
  host.window.show();
  const QList<ShareItem> link = {ShareItem::ofLink(QUrl(QStringLiteral("https://example.org/a")))};
  host.press(link);
  context.drain();
  ASSERT_TRUE(context.menus->choose(QStringLiteral("Mousepad")));
  context.drain();
  ASSERT_EQ(context.sharePicker->shares.size(), 1);
  EXPECT_EQ(context.sharePicker->shares.first().target.desktopId, QStringLiteral("mousepad"));
  EXPECT_EQ(context.sharePicker->shares.first().items, link);
  EXPECT_EQ(host.heard, (QList<bool>{true, false}));
  // The click that chose came with a press of the control: it opens nothing.
  host.press(link);
  context.drain();
  EXPECT_EQ(context.menus->popUps(), 1);
}

TEST(SharePickerAnchor, WithoutAnyCloseHeardThePresentationEndsAfterThirtySeconds) {
  PreviewContext context;
  ShareHost host(context);
  host.window.show();
  host.press();
  context.drain();
  context.advance(29.9);
  EXPECT_EQ(host.heard, QList<bool>{true});
  context.advance(0.2);
  EXPECT_EQ(host.heard, (QList<bool>{true, false}));
  EXPECT_FALSE(host.anchor->hasFailsafe());
  // A menu closing later reports nothing more.
  context.menus->dismiss();
  context.drain();
  EXPECT_EQ(host.heard.size(), 2);
}

TEST(SharePickerAnchor, APressWithNothingToShareOrAtZeroIsUsedUp) {
  PreviewContext context;
  ShareHost host(context);
  host.window.show();
  host.press({});
  context.drain();
  EXPECT_EQ(host.anchor->lastTrigger(), 1);
  host.update(kText);  // the same trigger with items: nothing
  host.trigger = -3;
  host.update();
  context.drain();
  EXPECT_EQ(context.menus->popUps(), 0);
  EXPECT_TRUE(host.heard.isEmpty());
  EXPECT_EQ(host.anchor->lastTrigger(), -3);
}

TEST(SharePickerAnchor, OutsideAShownWindowAPressDoesNothingAndTheNextPressOpens) {
  PreviewContext context;
  ShareHost host(context);
  host.trigger = 1;  // seen at the first update: a change from 0
  host.update();
  context.drain();
  EXPECT_EQ(context.menus->popUps(), 0);
  EXPECT_TRUE(host.heard.isEmpty());
  EXPECT_FALSE(host.anchor->isPresenting());
  host.window.show();
  host.press();
  context.drain();
  EXPECT_EQ(context.menus->popUps(), 1);
}

TEST(SharePickerAnchor, ReportsReachTheHostsLatestClosure) {
  PreviewContext context;
  ShareHost host(context);
  host.window.show();
  host.press();
  QList<bool> later;
  host.anchor->setProps({kText, host.trigger}, {[&](bool presenting) { later << presenting; }});
  context.drain();
  EXPECT_TRUE(host.heard.isEmpty());
  EXPECT_EQ(later, QList<bool>{true});
}

TEST(SharePickerAnchor, AClosedPresentationDropsTargetsThatArriveLate) {
  PreviewContext context;
  ShareHost host(context);
  context.sharePicker->holdAnswers = true;
  host.window.show();
  host.press();
  host.press();
  context.sharePicker->answerHeld();
  context.drain();
  EXPECT_EQ(context.menus->popUps(), 0);
  EXPECT_EQ(host.heard, (QList<bool>{true, false}));
}

TEST(SharePickerAnchor, AnAnchorThatIsGoneIsNeverCalledAndItsOpenMenuStays) {
  PreviewContext context;
  bool called = false;
  {
    ShareHost host(context);
    host.window.show();
    host.anchor->setProps({kText, 1}, {[&](bool) { called = true; }});
  }
  context.advance(31);
  EXPECT_FALSE(called);
  ASSERT_EQ(context.menus->popUps(), 1);
  // Its rows still share.
  EXPECT_TRUE(context.menus->choose(QStringLiteral("Text Editor")));
  context.drain();
  EXPECT_EQ(context.sharePicker->shares.size(), 1);
}

TEST(SharePickerAnchor, NoTargetsShowADisabledRow) {
  PreviewContext context;
  ShareHost host(context);
  context.sharePicker->targets.clear();
  host.window.show();
  host.press();
  context.drain();
  const auto rows = qobject_cast<PanelMenu*>(context.menus->lastMenu())->rowActions();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_FALSE(rows.front()->isEnabled());
}

}  // namespace
}  // namespace qv
