// Every view of the panel reports what the user did through the callbacks given with its latest
// props, whether the props changed with them or not: a host never sees an old callback run.
#include "PanelTestSupport.h"
#include "panel/CardListItems.h"
#include "panel/CategoryStripBinding.h"
#include "panel/DotsMenuRailView.h"
#include "panel/FilterControls.h"
#include "panel/FilterStatusBarView.h"
#include "panel/GroupChevron.h"
#include "panel/SearchBarView.h"

#include <gtest/gtest.h>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QTest>
#include <functional>
#include <memory>

using namespace qv;
using qv::test::PanelHarness;

namespace {

// One view: `make` builds it with the callbacks of A, `show` gives it the props for `changed`
// (false: the same props) with the callbacks of `owner`, `fire` is the user's click.
struct ViewCase {
  const char* name;
  std::function<std::unique_ptr<QWidget>(PanelHarness&, QStringList& log)> make;
  std::function<void(QWidget&, QStringList& log, const QString& owner, bool changed)> show;
  std::function<void(QWidget&)> fire;
};

std::function<void()> recordAs(QStringList& log, const QString& owner) {
  return [&log, owner] { log << owner; };
}

void clickAt(QWidget& widget, QPointF point) { QTest::mouseClick(&widget, Qt::LeftButton, {}, point.toPoint()); }

const ViewCase kViews[] = {
    {"SearchBarView",
     [](PanelHarness& h, QStringList& log) -> std::unique_ptr<QWidget> {
       return std::make_unique<SearchBarView>(*h.context, SearchBarView::Props{},
                                              SearchBarView::Callbacks{{}, {}, recordAs(log, "A"), {}});
     },
     [](QWidget& widget, QStringList& log, const QString& owner, bool changed) {
       SearchBarView::Props props;
       props.filtersInForce = changed;
       static_cast<SearchBarView&>(widget).setProps(props, {{}, {}, recordAs(log, owner), {}});
     },
     [](QWidget& widget) {
       SearchBarButton& filter = static_cast<SearchBarView&>(widget).filterButton();
       QTest::mouseClick(&filter, Qt::LeftButton, {}, filter.rect().center());
     }},
    {"CategoryStripView",
     [](PanelHarness& h, QStringList& log) -> std::unique_ptr<QWidget> {
       return std::make_unique<CategoryStripView>(*h.context, categoryStripProps(*h.state),
                                                  CategoryStripView::Callbacks{{}, {}, recordAs(log, "A")});
     },
     [](QWidget& widget, QStringList& log, const QString& owner, bool changed) {
       auto& strip = static_cast<CategoryStripView&>(widget);
       CategoryStripView::Props props = strip.props();
       if (changed) props.pills.pop_back();
       strip.setProps(props, {{}, {}, recordAs(log, owner)});
     },
     [](QWidget& widget) {
       auto& strip = static_cast<CategoryStripView&>(widget);
       clickAt(widget, strip.parts().back().rect.center() - QPointF(strip.scrollX(), 0));
     }},
    {"DotsMenuRailView",
     [](PanelHarness& h, QStringList& log) -> std::unique_ptr<QWidget> {
       auto rail = std::make_unique<DotsMenuRailView>(*h.context, *h.state);
       rail->setProps({}, {recordAs(log, "A")});
       return rail;
     },
     [](QWidget& widget, QStringList& log, const QString& owner, bool changed) {
       static_cast<DotsMenuRailView&>(widget).setProps({.isMonitoringPaused = changed, .translucency = {}},
                                                       {recordAs(log, owner)});
     },
     [](QWidget& widget) {
       auto& rail = static_cast<DotsMenuRailView&>(widget);
       clickAt(widget, rail.rowRect(int(kAllPanelQuickActions.size()) - 1).center());
     }},
    {"FilterChip",
     [](PanelHarness& h, QStringList& log) -> std::unique_ptr<QWidget> {
       return std::make_unique<FilterChip>(*h.context, FilterChip::Props{.label = "Text"},
                                           FilterChip::Callbacks{recordAs(log, "A")});
     },
     [](QWidget& widget, QStringList& log, const QString& owner, bool changed) {
       static_cast<FilterChip&>(widget).setProps({.label = "Text", .isOn = changed}, {recordAs(log, owner)});
     },
     [](QWidget& widget) { clickAt(widget, QRectF(widget.rect()).center()); }},
    {"FilterChipView",
     [](PanelHarness& h, QStringList& log) -> std::unique_ptr<QWidget> {
       return std::make_unique<FilterChipView>(*h.context, FilterChipView::Props{"Text"},
                                               FilterChipView::Callbacks{recordAs(log, "A")});
     },
     [](QWidget& widget, QStringList& log, const QString& owner, bool changed) {
       static_cast<FilterChipView&>(widget).setProps({changed ? "Code" : "Text"}, {recordAs(log, owner)});
     },
     [](QWidget& widget) { clickAt(widget, QRectF(widget.rect()).center()); }},
    {"CategoryColorDot",
     [](PanelHarness& h, QStringList& log) -> std::unique_ptr<QWidget> {
       return std::make_unique<CategoryColorDot>(*h.context, CategoryColorDot::Props{.color = Qt::blue},
                                                 CategoryColorDot::Callbacks{recordAs(log, "A")});
     },
     [](QWidget& widget, QStringList& log, const QString& owner, bool changed) {
       static_cast<CategoryColorDot&>(widget).setProps({.color = Qt::blue, .isSelected = changed},
                                                       {recordAs(log, owner)});
     },
     [](QWidget& widget) { clickAt(widget, QRectF(widget.rect()).center()); }},
};

class PanelViewCallbacks : public ::testing::TestWithParam<ViewCase> {};

void clickItem(QGraphicsScene& scene, QGraphicsItem& item) {
  const QPointF at = item.mapToScene(item.boundingRect().center());
  for (const QEvent::Type type : {QEvent::GraphicsSceneMousePress, QEvent::GraphicsSceneMouseRelease}) {
    QGraphicsSceneMouseEvent event(type);
    event.setButton(Qt::LeftButton);
    event.setScenePos(at);
    event.setPos(item.mapFromScene(at));
    scene.sendEvent(&item, &event);
  }
}

}  // namespace

TEST_P(PanelViewCallbacks, TheClickCallsTheCallbacksOfTheLatestProps) {
  const ViewCase& c = GetParam();
  for (const bool changed : {false, true}) {
    SCOPED_TRACE(changed ? "changed props" : "equal props");
    PanelHarness h;
    QStringList log;
    std::unique_ptr<QWidget> widget = c.make(h, log);
    // The strip takes the room it is given; the others their own size.
    widget->resize(c.name == std::string("CategoryStripView") ? QSize(320, 36) : widget->sizeHint());
    widget->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget.get()));
    h.advanceBoth(0.5);
    c.show(*widget, log, "B", changed);
    h.advanceBoth(0.5);
    c.fire(*widget);
    h.drain();
    EXPECT_EQ(log, QStringList{"B"});
  }
}

INSTANTIATE_TEST_SUITE_P(All, PanelViewCallbacks, ::testing::ValuesIn(kViews),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

// A list's section header and its chevron: both toggle through the callbacks given last.
TEST(SectionHeaderCallbacks, TheHeaderAndItsChevronCallTheCallbacksOfTheLatestProps) {
  for (const bool changed : {false, true}) {
    SCOPED_TRACE(changed ? "changed props" : "equal props");
    PanelHarness h;
    QGraphicsScene scene;
    auto* header = new SectionHeaderItem(viewServices(*h.context));
    scene.addItem(header);
    QStringList log;
    header->setProps({"Today", 3, false}, {recordAs(log, "A")});
    header->setProps({"Today", 3, changed}, {recordAs(log, "B")});
    clickItem(scene, *header);
    clickItem(scene, header->chevron());
    EXPECT_EQ(log, QStringList({"B", "B"}));
  }
}
