// Every view of the library reports what the user did through the callbacks given with its
// latest props, whether the props changed with them or not: a host never sees an old callback run.
#include "items/ItemServices.h"
#include "library/LibraryCard.h"
#include "library/LibraryDetailView.h"
#include "library/LibraryHeader.h"
#include "library/LibraryHeaderButton.h"
#include "panel/SearchBarView.h"
#include "support/library/FakeLibraryContext.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QTest>
#include <functional>
#include <memory>

namespace qv {
namespace {

// One view: `make` builds it with the callbacks of A, `show` gives it the props for `changed`
// (false: the same props) with the callbacks of `owner`, `fire` is the user's click.
struct ViewCase {
  const char* name;
  std::function<std::shared_ptr<void>(test::FakeLibraryContext&, QStringList& log)> make;
  std::function<void(void* view, QStringList& log, const QString& owner, bool changed)> show;
  std::function<void(void* view)> fire;
};

std::function<void()> recordAs(QStringList& log, const QString& owner) {
  return [&log, owner] { log << owner; };
}

void click(QWidget& widget) { QTest::mouseClick(&widget, Qt::LeftButton, {}, widget.rect().center()); }

template <typename View>
std::shared_ptr<void> shownWidget(std::unique_ptr<View> view) {
  view->setAttribute(Qt::WA_DontShowOnScreen);
  view->show();
  return std::shared_ptr<View>(std::move(view));
}

// A card in a scene of its own, pressed in its middle.
struct CardInScene {
  explicit CardInScene(ViewServices& context) : card(new LibraryCard(context)) { scene.addItem(card); }
  QGraphicsScene scene;
  LibraryCard* card;
};

// A card's callbacks that select (and report hover) only.
LibraryCard::Callbacks cardCallbacks(std::function<void()> onSelect, std::function<void(bool)> onHoverChange = {}) {
  LibraryCard::Callbacks callbacks;
  callbacks.onSelect = std::move(onSelect);
  callbacks.onHoverChange = std::move(onHoverChange);
  return callbacks;
}

LibraryCard::Props cardProps(const ClipboardItem& item, bool selected) {
  LibraryCard::Props props;
  props.card.item = item;
  props.card.isSelected = selected;
  return props;
}

const ClipboardItem kItem = test::textItem(QStringLiteral("a clip"));
const ClipboardItem kOther = test::textItem(QStringLiteral("another clip"));

const ViewCase kViews[] = {
    {"LibraryScopeTab",
     [](test::FakeLibraryContext& fake, QStringList& log) {
       auto tab = std::make_unique<LibraryScopeTab>(*fake.context);
       tab->setProps({QStringLiteral("All"), 3, {}, {}, false}, {recordAs(log, "A")});
       tab->resize(tab->sizeHint());
       return shownWidget(std::move(tab));
     },
     [](void* view, QStringList& log, const QString& owner, bool changed) {
       static_cast<LibraryScopeTab*>(view)->setProps({QStringLiteral("All"), 3, {}, {}, changed},
                                                     {recordAs(log, owner)});
     },
     [](void* view) { click(*static_cast<LibraryScopeTab*>(view)); }},
    {"LibraryIconPill",
     [](test::FakeLibraryContext& fake, QStringList& log) {
       auto pill = std::make_unique<LibraryIconPill>(*fake.context);
       pill->setProps({QStringLiteral("plus"), QStringLiteral("New category")}, {recordAs(log, "A")});
       pill->resize(pill->sizeHint());
       return shownWidget(std::move(pill));
     },
     [](void* view, QStringList& log, const QString& owner, bool changed) {
       static_cast<LibraryIconPill*>(view)->setProps(
           {changed ? QStringLiteral("pencil") : QStringLiteral("plus"), QStringLiteral("New category")},
           {recordAs(log, owner)});
     },
     [](void* view) { click(*static_cast<LibraryIconPill*>(view)); }},
    {"LibrarySearchPill",
     [](test::FakeLibraryContext& fake, QStringList& log) {
       auto pill = std::make_unique<LibrarySearchPill>(*fake.context);
       pill->setProps({}, {{}, recordAs(log, "A"), {}});
       pill->resize(pill->sizeHint());
       return shownWidget(std::move(pill));
     },
     [](void* view, QStringList& log, const QString& owner, bool changed) {
       static_cast<LibrarySearchPill*>(view)->setProps({{}, changed}, {{}, recordAs(log, owner), {}});
     },
     [](void* view) { click(static_cast<LibrarySearchPill*>(view)->filterButton()); }},
    {"LibraryCard",
     [](test::FakeLibraryContext& fake, QStringList& log) -> std::shared_ptr<void> {
       auto holder = std::make_shared<CardInScene>(*fake.context);
       holder->card->setProps(cardProps(kItem, false), cardCallbacks(recordAs(log, "A")));
       return holder;
     },
     [](void* view, QStringList& log, const QString& owner, bool changed) {
       static_cast<CardInScene*>(view)->card->setProps(cardProps(kItem, changed), cardCallbacks(recordAs(log, owner)));
     },
     [](void* view) {
       auto* holder = static_cast<CardInScene*>(view);
       QGraphicsSceneMouseEvent press(QEvent::GraphicsSceneMousePress);
       press.setButton(Qt::LeftButton);
       press.setButtons(Qt::LeftButton);
       press.setScenePos(holder->card->mapToScene(holder->card->rect().center()));
       press.setPos(holder->card->rect().center());
       holder->scene.sendEvent(holder->card, &press);
       // A click selects when the button comes up.
       QGraphicsSceneMouseEvent release(QEvent::GraphicsSceneMouseRelease);
       release.setButton(Qt::LeftButton);
       release.setScenePos(press.scenePos());
       release.setPos(press.pos());
       holder->scene.sendEvent(holder->card, &release);
     }},
    {"LibraryHeaderButton",
     [](test::FakeLibraryContext& fake, QStringList& log) {
       auto button = std::make_unique<LibraryHeaderButton>(*fake.context);
       button->setProps({QStringLiteral("pin"), false, false}, {recordAs(log, "A")});
       return shownWidget(std::move(button));
     },
     [](void* view, QStringList& log, const QString& owner, bool changed) {
       static_cast<LibraryHeaderButton*>(view)->setProps({QStringLiteral("pin"), changed, false},
                                                         {recordAs(log, owner)});
     },
     [](void* view) { click(*static_cast<LibraryHeaderButton*>(view)); }},
    {"LibraryDetailView",
     [](test::FakeLibraryContext& fake, QStringList& log) -> std::shared_ptr<void> {
       // The pane with the state it reads, the state going last.
       struct PaneWithState {
         explicit PaneWithState(test::FakeLibraryContext& context, QStringList& log)
             : state(*context.context), pane(*context.context, state, {kItem, 640, 400}, {recordAs(log, "A")}) {
           state.setItems({kItem, kOther});
           pane.setAttribute(Qt::WA_DontShowOnScreen);
           pane.show();
         }
         PanelState state;
         LibraryDetailView pane;
       };
       auto holder = std::make_shared<PaneWithState>(fake, log);
       return std::shared_ptr<void>(holder, &holder->pane);
     },
     [](void* view, QStringList& log, const QString& owner, bool changed) {
       static_cast<LibraryDetailView*>(view)->setProps({changed ? kOther : kItem, 640, 400}, {recordAs(log, owner)});
     },
     [](void* view) {
       LibraryHeaderButton* close = static_cast<LibraryDetailView*>(view)->button(LibraryDetailView::Action::close);
       QTest::mouseClick(close, Qt::LeftButton, {}, QPoint(11, 11));
     }},
};

class LibraryViewCallbacks : public ::testing::TestWithParam<ViewCase> {
 protected:
  LibraryViewCallbacks() { installItemServices(*fake.context); }
  test::FakeLibraryContext fake;
};

TEST_P(LibraryViewCallbacks, TheLatestCallbacksRunWithEqualAndWithChangedProps) {
  const ViewCase& view = GetParam();
  for (const bool changed : {false, true}) {
    SCOPED_TRACE(changed ? "changed props" : "equal props");
    QStringList log;
    std::shared_ptr<void> made = view.make(fake, log);
    view.show(made.get(), log, QStringLiteral("B"), changed);
    view.fire(made.get());
    EXPECT_EQ(log, QStringList{"B"});
  }
}

INSTANTIATE_TEST_SUITE_P(Views, LibraryViewCallbacks, ::testing::ValuesIn(kViews),
                         [](const ::testing::TestParamInfo<ViewCase>& param) { return std::string(param.param.name); });

// A card given back to the grid acts on nothing: a press reaches whatever lies below it.
TEST(LibraryCardReset, AResetCardTakesNoPressAndHoversNothing) {
  test::FakeLibraryContext fake;
  installItemServices(*fake.context);
  CardInScene holder(*fake.context);
  QStringList log;
  holder.card->setProps(cardProps(kItem, true),
                        cardCallbacks(recordAs(log, "select"), [&log](bool on) { log << (on ? "hover" : "leave"); }));
  holder.card->setHovered(true);
  holder.card->reset();
  EXPECT_FALSE(holder.card->isCardHovered());
  EXPECT_FALSE(holder.card->card().isLifted());
  QGraphicsSceneMouseEvent press(QEvent::GraphicsSceneMousePress);
  press.setButton(Qt::LeftButton);
  holder.scene.sendEvent(holder.card, &press);
  EXPECT_FALSE(press.isAccepted());
  EXPECT_EQ(log, (QStringList{"hover", "leave"}));
}

}  // namespace
}  // namespace qv
