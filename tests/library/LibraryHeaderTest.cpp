// The library's header row through real events: the search capsule (the field, the clear button
// and its fade, the filter button's tint), the scope tabs with their counts and looks, and the
// pencil and plus pills, each acting through the callbacks of its latest props.
#include "library/LibraryHeader.h"

#include "library/LibraryEdges.h"
#include "library/LibraryStatus.h"

#include "panel/SearchBarView.h"
#include "support/library/FakeLibraryContext.h"
#include "ui/anim/Transaction.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/TextInput.h"
#include "ui/text/Fonts.h"
#include "ui/text/NumericText.h"
#include "ui/text/ShapedText.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QHoverEvent>
#include <QLayout>
#include <QPointer>
#include <QTest>
#include <cmath>
#include <functional>

namespace qv {
namespace {

class LibraryHeaderTest : public ::testing::Test {
 protected:
  LibraryHeaderTest() : header(*fake.context) {
    header.setAttribute(Qt::WA_DontShowOnScreen);
    header.resize(900, 60);
    header.show();
  }
  static LibraryHeaderView::Props props(const QString& query = {}) {
    LibraryHeaderView::Props p;
    p.query = query;
    p.tabs = {{QStringLiteral("All"), 3, LibraryScope::all(), true, {}},
              {QStringLiteral("Pinned"), 0, LibraryScope::pinned(), false, {}},
              {QStringLiteral("Work"), 2, LibraryScope::category(kWork), false, QColor(255, 149, 0)}};
    return p;
  }
  // Callbacks that write what they were called with into `log`, tagged with `tag`.
  LibraryHeaderView::Callbacks logging(const QString& tag) {
    return {[this, tag](const QString& text) { log << tag + QStringLiteral(" query ") + text; },
            [this, tag] { log << tag + QStringLiteral(" filter"); },
            [this, tag](const LibraryScope& scope) {
              log << tag + QStringLiteral(" scope ") + QString::number(int(scope.kind));
            },
            [this, tag](const QUuid& id) { log << tag + QStringLiteral(" edit ") + (id == kWork ? "Work" : "?"); },
            [this, tag] { log << tag + QStringLiteral(" new"); },
            [this, tag] { log << tag + QStringLiteral(" search focus"); }};
  }
  // Lays the header out now, as the event loop would.
  void layOut() {
    // New tabs show from the event loop.
    QCoreApplication::processEvents();
    header.layout()->activate();
  }
  static void click(QWidget& widget) { QTest::mouseClick(&widget, Qt::LeftButton, {}, widget.rect().center()); }

  inline static const QUuid kWork = QUuid::createUuid();
  test::FakeLibraryContext fake;
  LibraryHeaderView header;
  QStringList log;
};

TEST_F(LibraryHeaderTest, EveryControlActsThroughTheLatestCallbacks) {
  header.setProps(props(), logging(QStringLiteral("old")));
  LibraryHeaderView::Props selected = props(QStringLiteral("inv"));
  selected.tabs[0].selected = false;
  selected.tabs[2].selected = true;
  selected.editableCategory = kWork;
  selected.editableCategoryName = QStringLiteral("Work");
  header.setProps(selected, logging(QStringLiteral("new")));

  QTest::keyClicks(&header.searchPill().field(), QStringLiteral("o"));
  header.searchPill().clearButton().click();
  click(header.searchPill().filterButton());
  click(*header.tabs()[1]);
  ASSERT_NE(header.pencil(), nullptr);
  EXPECT_EQ(header.pencil()->toolTip(), QStringLiteral("Edit \u201CWork\u201D"));
  click(*header.pencil());
  click(header.newCategoryButton());
  // Editing began with the first key.
  EXPECT_EQ(log, (QStringList{"new query invo", "new search focus", "new query ", "new filter", "new scope 2",
                              "new edit Work", "new new"}));

  // Without a selected category there is no pencil.
  header.setProps(props(), logging(QStringLiteral("new")));
  EXPECT_EQ(header.pencil(), nullptr);
  EXPECT_EQ(header.newCategoryButton().toolTip(), QStringLiteral("New category"));
}

TEST_F(LibraryHeaderTest, TheClearButtonFadesInWithAQueryAndGrowsUnlessMotionIsReduced) {
  for (const bool reduced : {false, true}) {
    SCOPED_TRACE(reduced);
    fake.reduceMotion().startObserving();
    fake.desktopAppearance->setReduceMotion(reduced);
    LibraryHeaderView fresh(*fake.context);
    LibrarySearchPill& pill = fresh.searchPill();
    fresh.setProps(props(), {});
    EXPECT_EQ(pill.clearPresence(), 0);
    EXPECT_FALSE(pill.clearButton().isVisibleTo(&pill));
    fresh.setProps(props(QStringLiteral("a")), {});
    fake.advanceBoth(0.05);
    EXPECT_GT(pill.clearPresence(), 0);
    EXPECT_LT(pill.clearPresence(), 1);
    const SearchBarButton::Look mid = pill.clearButton().look();
    EXPECT_EQ(mid.scale == 1, reduced);
    fake.advanceBoth(0.6);
    EXPECT_NEAR(pill.clearPresence(), 1, 0.01);
    EXPECT_TRUE(pill.clearButton().isVisibleTo(&pill));
    fresh.setProps(props(), {});
    fake.advanceBoth(0.6);
    EXPECT_FALSE(pill.clearButton().isVisibleTo(&pill));
  }
}

TEST_F(LibraryHeaderTest, TheFilterButtonWearsTheAccentOnlyWhileAccented) {
  LibrarySearchPill& pill = header.searchPill();
  LibraryHeaderView::Props p = props();
  header.setProps(p, {});
  EXPECT_NEAR(pill.filterButton().look().color.alphaF(), 0.35, 0.01);
  p.filterAccented = true;
  header.setProps(p, {});
  EXPECT_EQ(pill.filterButton().look().color, Theme::accent());
  EXPECT_EQ(pill.width(), 260);
}

TEST_F(LibraryHeaderTest, TabsShowTheirCountsFromOneAndDimWithoutItems) {
  header.setProps(props(), {});
  const LibraryScopeTab& all = *header.tabs()[0];
  const LibraryScopeTab& pinned = *header.tabs()[1];
  const LibraryScopeTab& work = *header.tabs()[2];
  EXPECT_EQ(all.textColor(), QColor(Qt::white));
  EXPECT_NEAR(pinned.textColor().alphaF(), 0.45, 0.01);
  EXPECT_NEAR(work.textColor().alphaF(), 0.75, 0.01);
  // A count of 0 takes no room.
  LibraryScopeTab probe(*fake.context);
  probe.setProps({QStringLiteral("Pinned"), 0, QStringLiteral("pin.fill"), {}, false}, {});
  const double without = probe.capsuleRect().width();
  probe.setProps({QStringLiteral("Pinned"), 1, QStringLiteral("pin.fill"), {}, false}, {});
  EXPECT_GT(probe.sizeHint().width(), without);
  EXPECT_EQ(probe.accessibility().value, QStringLiteral("1"));
}

TEST_F(LibraryHeaderTest, ACountScalesInAsItComesAndTheSelectedTabNeverGrows) {
  for (const bool reduced : {false, true}) {
    SCOPED_TRACE(reduced);
    fake.reduceMotion().startObserving();
    fake.desktopAppearance->setReduceMotion(reduced);
    LibraryScopeTab tab(*fake.context);
    tab.setProps({QStringLiteral("Pinned"), 0, QStringLiteral("pin.fill"), {}, false}, {});
    EXPECT_EQ(tab.countPresence(), 0);
    tab.setProps({QStringLiteral("Pinned"), 1, QStringLiteral("pin.fill"), {}, false}, {});
    fake.advanceBoth(0.05);
    EXPECT_GT(tab.countPresence(), 0);
    EXPECT_LT(tab.countPresence(), 1);
    if (reduced) EXPECT_EQ(tab.countScale(), 1);
    else EXPECT_NEAR(tab.countScale(), LibraryScopeTab::kCountEnterScale + 0.4 * tab.countPresence(), 1e-9);
    fake.advanceBoth(1);
    EXPECT_NEAR(tab.countPresence(), 1, 0.01);
    // It leaves the same way, keeping its room until it has faded.
    const int withCount = tab.sizeHint().width();
    tab.setProps({QStringLiteral("Pinned"), 0, QStringLiteral("pin.fill"), {}, false}, {});
    EXPECT_EQ(tab.sizeHint().width(), withCount);
    fake.advanceBoth(1);
    EXPECT_EQ(tab.countPresence(), 0);
    EXPECT_LT(tab.sizeHint().width(), withCount);
  }
  // First props show at once.
  LibraryScopeTab shown(*fake.context);
  shown.setProps({QStringLiteral("All"), 4, {}, {}, true}, {});
  EXPECT_EQ(shown.countPresence(), 1);

  // Under the pointer an unselected tab grows to 1.04; the selected one stays put.
  header.setProps(props(), {});
  fake.reduceMotion().startObserving();
  fake.desktopAppearance->setReduceMotion(false);
  for (LibraryScopeTab* tab : {header.tabs()[0], header.tabs()[1]}) {
    const QPointF middle = tab->capsuleRect().center();
    QHoverEvent enter(QEvent::HoverEnter, middle, tab->mapToGlobal(middle), QPointF(-1, -1));
    QApplication::sendEvent(tab, &enter);
    fake.advanceBoth(1);
    EXPECT_TRUE(tab->isHovered());
    EXPECT_NEAR(tab->currentLook().scale, tab->props().isSelected ? 1.0 : 1.04, 1e-3)
        << tab->props().label.toStdString();
    QHoverEvent leave(QEvent::HoverLeave, QPointF(-1, -1), QPointF(-1, -1), middle);
    QApplication::sendEvent(tab, &leave);
  }
}

// The header's spacings count from the capsules, not from the room their widgets keep for the
// hover growth: 10 + 2 above and below the tabs, 6 between capsules, 12 after the search field.
TEST_F(LibraryHeaderTest, SpacingsCountFromTheCapsules) {
  LibraryHeaderView::Props p = props();
  p.tabs[2].selected = true;
  p.tabs[0].selected = false;
  p.editableCategory = kWork;
  p.editableCategoryName = QStringLiteral("Work");
  header.setProps(p, {});
  header.resize(900, header.sizeHint().height());
  layOut();
  const auto capsule = [&](const LibraryScopeTab& tab) {
    return tab.capsuleRect().translated(tab.mapTo(&header, QPoint()));
  };
  const QRectF all = capsule(*header.tabs()[0]), pinned = capsule(*header.tabs()[1]), work = capsule(*header.tabs()[2]);
  ASSERT_NE(header.pencil(), nullptr);
  const QRectF pencil = header.pencil()->capsuleRect().translated(header.pencil()->mapTo(&header, QPoint()));
  const QRectF plus = header.newCategoryButton().capsuleRect().translated(
      header.newCategoryButton().mapTo(&header, QPoint()));
  const QRect search(header.searchPill().mapTo(&header, QPoint()), header.searchPill().size());
  EXPECT_DOUBLE_EQ(all.left() - (search.left() + search.width()), 12);
  for (const auto& [left, right] : {std::pair{all, pinned}, {pinned, work}, {work, pencil}, {pencil, plus}})
    EXPECT_DOUBLE_EQ(right.left() - left.right(), 6);
  // The tallest capsule (the plus pill, 25 high) stands 10 + 2 below the top and above the
  // bottom; the header is 49 high.
  EXPECT_DOUBLE_EQ(plus.top(), 12);
  EXPECT_EQ(header.sizeHint().height(), int(plus.height()) + 24);
  EXPECT_EQ(header.sizeHint().height(), 49);
  EXPECT_NEAR(all.center().y(), plus.center().y(), 0.5);  // centred, to the whole point
}

// A new scope (the change comes in the standard spring's transaction): the tabs glide to their
// new places and turn to their looks on it, the pencil comes in from 0.7 of its size at its
// leading edge with a fade, and leaves the same way. Under reduced motion nothing moves: the
// tabs are there at once and the pencil only fades.
TEST_F(LibraryHeaderTest, AScopeChangeGlidesTheTabsAndBringsThePencilIn) {
  for (const bool reduced : {false, true}) {
    SCOPED_TRACE(reduced ? "reduce motion" : "full motion");
    fake.reduceMotion().startObserving();
    fake.desktopAppearance->setReduceMotion(reduced);
    LibraryHeaderView fresh(*fake.context);
    fresh.setAttribute(Qt::WA_DontShowOnScreen);
    fresh.resize(900, 60);
    fresh.show();
    fresh.setProps(props(), {});
    QCoreApplication::processEvents();
    LibraryIconPill& plus = fresh.newCategoryButton();
    const int plusBefore = plus.x();

    LibraryHeaderView::Props work = props();
    work.tabs[0].selected = false;
    work.tabs[2].selected = true;
    work.editableCategory = kWork;
    work.editableCategoryName = QStringLiteral("Work");
    withAnimation(Theme::springStandard(), [&] { fresh.setProps(work, {}); });
    ASSERT_NE(fresh.pencil(), nullptr);
    LibraryIconPill& pencil = *fresh.pencil();
    const int plusAfter = pencil.x() + pencil.width() + 2;  // the pencil takes its room at once
    fake.advanceBoth(0.1);
    const double p = Theme::springStandard().progress(0.1);
    EXPECT_NEAR(pencil.presence(), p, 0.01);
    EXPECT_NEAR(pencil.presenceScale(), reduced ? 1 : LibraryIconPill::kEnterScale + 0.3 * pencil.presence(), 1e-9);
    EXPECT_NEAR(fresh.tabs()[2]->selectionAmount(), p, 0.01);
    EXPECT_NEAR(plus.x(), reduced ? plusAfter : plusBefore + (plusAfter - plusBefore) * p, 1.01);
    fake.advanceBoth(1);
    EXPECT_EQ(plus.x(), plusAfter);
    EXPECT_EQ(pencil.x(), fresh.tabs()[2]->x() + fresh.tabs()[2]->width() + 2);  // right after Work
    EXPECT_NEAR(pencil.presence(), 1, 1e-3);

    // Back to All: the pencil gives its room back at once and fades out where it stood.
    QPointer<LibraryIconPill> leaving = &pencil;
    withAnimation(Theme::springStandard(), [&] { fresh.setProps(props(), {}); });
    EXPECT_EQ(fresh.pencil(), nullptr);
    fake.advanceBoth(0.1);
    ASSERT_TRUE(leaving);
    EXPECT_NEAR(leaving->presence(), 1 - p, 0.01);
    EXPECT_TRUE(leaving->testAttribute(Qt::WA_TransparentForMouseEvents));
    fake.advanceBoth(1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(leaving);
    EXPECT_EQ(plus.x(), plusBefore);
  }
}

// A count that changes rolls: the old digits leave upwards as the new ones come up from below
// (the other way round when it falls), on the change's own animation; only a fade under reduced
// motion.
TEST_F(LibraryHeaderTest, ACountThatChangesRolls) {
  for (const bool reduced : {false, true}) {
    SCOPED_TRACE(reduced ? "reduce motion" : "full motion");
    fake.reduceMotion().startObserving();
    fake.desktopAppearance->setReduceMotion(reduced);
    LibraryScopeTab tab(*fake.context);
    tab.setAttribute(Qt::WA_DontShowOnScreen);
    tab.setProps({QStringLiteral("All"), 9, {}, {}, false}, {});
    tab.show();
    const QFont font = systemFont(11);  // the count's
    const struct {
      qsizetype to;
      const char* outgoing;
      const char* incoming;
      double direction;  // +1: the new digits come from below
    } steps[] = {{12, "9", "12", 1}, {11, "2", "1", -1}};
    for (const auto& step : steps) {
      withAnimation(Theme::springStandard(), [&] {
        tab.setProps({QStringLiteral("All"), step.to, {}, {}, false}, {});
      });
      fake.advanceBoth(0.1);
      const NumericText::Roll roll = tab.count().roll(font);
      const double p = Theme::springStandard().progress(0.1);
      const double travel = reduced ? 0 : NumericText::kRollLines * QFontMetricsF(font).height();
      EXPECT_EQ(roll.outgoing, QString::fromLatin1(step.outgoing));
      EXPECT_EQ(roll.incoming, QString::fromLatin1(step.incoming));
      EXPECT_NEAR(roll.incomingOffset, step.direction * travel * (1 - p), 0.05);
      EXPECT_NEAR(roll.outgoingOffset, -step.direction * travel * p, 0.05);
      EXPECT_NEAR(roll.incomingOpacity, p, 0.01);
      fake.advanceBoth(1);
      EXPECT_FALSE(tab.count().isAnimating());
      EXPECT_EQ(tab.count().text(), QString::number(step.to));
    }
  }
}

// The status line's count rolls to a new number on the standard spring when the change brings
// no animation of its own, and what follows it moves along; out of sight it changes at once.
TEST_F(LibraryHeaderTest, TheStatusCountRollsToItsNewNumber) {
  LibraryStatusRow row(*fake.context);
  row.setAttribute(Qt::WA_DontShowOnScreen);
  row.setProps({QStringLiteral("3 items"), false, false, false});
  EXPECT_FALSE(row.count().isAnimating());  // the first line shows at once
  row.show();
  const QFont font = systemFont(11);
  row.setProps({QStringLiteral("3 of 10 items"), true, false, false});
  fake.advanceBoth(0.1);
  const double p = Theme::springStandard().progress(0.1);
  const NumericText::Roll roll = row.count().roll(font);
  EXPECT_EQ(roll.outgoing, QString());
  EXPECT_EQ(roll.incoming, QStringLiteral("of 10 "));  // between the "3 " and the "items" that stay
  EXPECT_NEAR(roll.incomingOpacity, p, 0.01);
  const double from = monospacedDigitsWidth(font, QStringLiteral("3 items"));
  const double to = monospacedDigitsWidth(font, QStringLiteral("3 of 10 items"));
  EXPECT_NEAR(row.count().width(font), from + (to - from) * p, 0.05);
  fake.advanceBoth(1);
  EXPECT_DOUBLE_EQ(row.count().width(font), to);
  EXPECT_EQ(row.text(), QStringLiteral("3 of 10 items \u00B7 filtered"));

  row.hide();
  row.setProps({QStringLiteral("10 items"), false, false, false});
  EXPECT_FALSE(row.count().isAnimating());
  EXPECT_DOUBLE_EQ(row.count().width(font), monospacedDigitsWidth(font, QStringLiteral("10 items")));
}

// Text is laid out once per string and font: the frames of a count's roll draw the same
// characters again and lay none of them out anew, nor does a frame at rest.
TEST_F(LibraryHeaderTest, TheFramesOfACountsRollLayOutNoTextAgain) {
  LibraryScopeTab tab(*fake.context);
  tab.setAttribute(Qt::WA_DontShowOnScreen);
  tab.setProps({QStringLiteral("All"), 9, {}, {}, false}, {});
  tab.show();
  LibraryStatusRow status(*fake.context);
  status.setAttribute(Qt::WA_DontShowOnScreen);
  status.setProps({QStringLiteral("9 items"), false, false, false});
  status.show();
  const struct {
    const char* name;
    QWidget* view;
    std::function<void()> change;
  } rows[] = {
      {"tab", &tab,
       [&] {
         withAnimation(Theme::springStandard(), [&] { tab.setProps({QStringLiteral("All"), 12, {}, {}, false}, {}); });
       }},
      {"status row", &status,
       [&] {
         status.setProps({QStringLiteral("12 items"), false, false, false});
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QImage frame(row.view->size(), QImage::Format_ARGB32_Premultiplied);
    row.view->render(&frame);
    row.change();
    fake.advanceBoth(1.0 / 60);
    row.view->render(&frame);  // the new number's characters are laid out here
    const quint64 laidOut = ShapedText::layoutsMade();
    for (int i = 0; i < 40; ++i) {
      fake.advanceBoth(1.0 / 60);
      row.view->render(&frame);
    }
    EXPECT_EQ(ShapedText::layoutsMade(), laidOut);
  }
}

TEST_F(LibraryHeaderTest, TheTabStripFadesWhereTabsLieBeyondIt) {
  LibraryHeaderView::Props many = props();
  for (int i = 0; i < 12; ++i)
    many.tabs.push_back({QStringLiteral("Category %1").arg(i), i, LibraryScope::category(QUuid::createUuid()), false,
                         QColor(52, 199, 89)});
  header.setProps(many, {});
  layOut();
  EXPECT_EQ(header.tabsFades(), (TabStripFades{false, true}));
  header.scrollTabs(40);
  EXPECT_EQ(header.tabsFades(), (TabStripFades{true, true}));
  header.scrollTabs(100000);
  EXPECT_EQ(header.tabsFades(), (TabStripFades{true, false}));
  // All tabs fit: no fade at all.
  header.setProps(props(), {});
  layOut();
  EXPECT_EQ(header.tabsOffset(), 0);
  EXPECT_EQ(header.tabsFades(), (TabStripFades{false, false}));
}

TEST(LibraryFilterSurfacePlacement, StartsUnderItsControlAndKeepsTwelveFromTheEdges) {
  struct Case {
    const char* name;
    QRectF anchor;
    double width;
    double container;
    QPointF expected;
  };
  const Case cases[] = {
      {"near the right edge", {900, 20, 20, 16}, 300, 1000, {688, 42}},
      {"near the left edge", {4, 20, 20, 16}, 300, 1000, {12, 42}},
      {"room enough", {300, 10, 20, 20}, 300, 1000, {300, 36}},
      {"a window narrower than the surface", {200, 10, 20, 20}, 500, 400, {12, 36}},
      {"width not yet known", {900, 10, 20, 20}, 0, 1000, {900, 36}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(libraryFilterSurfacePosition(c.anchor, c.width, c.container), c.expected) << c.name;
}

}  // namespace
}  // namespace qv
