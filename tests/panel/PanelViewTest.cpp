#include "panel/CardScrollView.h"
#include "panel/CategoryStrip.h"
#include "panel/CopiedToastView.h"
#include "panel/FilterStatusBarView.h"
#include "panel/PanelView.h"
#include "panel/SearchBarView.h"
#include "preview/ItemPreviewView.h"
#include "ui/controls/OrnamentRail.h"

#include "../cards/CardContentTestSupport.h"
#include "support/state/StateTestSupport.h"

#include "state/PanelState.h"
#include "ui/anim/Transaction.h"
#include "ui/theme/ReduceMotion.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QScreen>
#include <QTest>

using namespace qv;

namespace {

// How many pixels of `area` (every second one each way) differ between two pictures.
int differingPixels(const QImage& a, const QImage& b, const QRect& area) {
  int differing = 0;
  for (int y = area.top(); y <= area.bottom(); y += 2)
    for (int x = area.left(); x <= area.right(); x += 2)
      if (a.pixel(x, y) != b.pixel(x, y)) ++differing;
  return differing;
}

class PanelViewTest : public ::testing::Test {
 protected:
  PanelViewTest() : state(*fake.context) {}
  void show(const QList<ClipboardItem>& items, const QString& side = "right") {
    state.setEdgeSide(side);
    state.setIsVisible(true);
    state.setItems(items);
    root = std::make_unique<PanelView>(*fake.context, state, support);
    root->resize(916, 1048);
    root->show();
    fake.advanceBoth(0.5);
  }
  QList<ClipboardItem> items(int count) {
    QList<ClipboardItem> made;
    for (int i = 0; i < count; ++i) made << test::textItem(QString("copied text %1").arg(i), "org.example.Editor");
    return made;
  }
  test::FakeCardContext fake;
  PanelState state;
  TranslucencySupport support{true, false};
  std::unique_ptr<PanelView> root;
};

TEST_F(PanelViewTest, TheColumnStacksItsRowsOnTheEdgeSideAndGrowsWithTheList) {
  struct Case {
    QString side;
    int items;
    double columnX;
  };
  for (const Case& c : {Case{"right", 1, 596}, Case{"left", 1, 0}, Case{"", 30, 596}, Case{"left", 30, 0}}) {
    SCOPED_TRACE(QString("%1 %2").arg(c.side).arg(c.items).toStdString());
    show(items(c.items), c.side);
    const QRectF column = root->columnRect();
    EXPECT_EQ(column.x(), c.columnX);
    EXPECT_EQ(column.width(), 320);
    EXPECT_EQ(root->surfaceRect(), column.adjusted(8, 8, -8, -8));
    // Search bar, category strip, (no filter chips), list, footer: top to bottom without gaps.
    EXPECT_EQ(root->searchBar().geometry(), QRect(int(c.columnX) + 8, 8, 304, 50));
    EXPECT_EQ(root->categoryStrip().geometry(), QRect(int(c.columnX) + 8, 58, 304, 36));
    EXPECT_FALSE(root->filterStatusBar().isVisible());
    EXPECT_EQ(root->list().geometry().top(), 94);
    EXPECT_EQ(root->footerRect().top(), root->list().geometry().bottom() + 1);
    EXPECT_EQ(root->surfaceRect().bottom(), root->footerRect().bottom());
    if (c.items == 1) EXPECT_LT(column.height(), 500);  // as high as one card needs
    else EXPECT_EQ(column.height(), 1048);              // never past the hosting height
  }
}

TEST_F(PanelViewTest, AFilterInForceSlidesTheChipsRowInAboveTheList) {
  show(items(3));
  state.setFilterTypes({TypeFilter::text});
  const int chips = root->filterStatusBar().geometry().height();
  EXPECT_GT(chips, 20);
  EXPECT_EQ(root->filterStatusBar().geometry().top(), 94);
  EXPECT_EQ(root->list().geometry().top(), 94 + chips);
}

// What lies behind the column shows through only where the compositor blurs it: without known
// blur, black text behind the light material changes the column by a faint shade at most, in the
// search bar, the strip, the cards and the footer alike.
TEST_F(PanelViewTest, TextBehindTheColumnIsIllegibleUnlessTheCompositorBlursIt) {
  show(items(3));
  state.setFilterTypes({TypeFilter::text});
  fake.advanceBoth(0.5);
  struct Case {
    TranslucencySupport support;
    ColorScheme scheme;
    int minShade;  // grey levels between black and white behind, somewhere in the column
    int maxShade;
  };
  for (const Case& c :
       {Case{{true, false}, ColorScheme::light, 0, 6}, Case{{true, false}, ColorScheme::dark, 0, 6},
        Case{{true, true}, ColorScheme::light, 40, 255}, Case{{false, false}, ColorScheme::light, 0, 0}}) {
    SCOPED_TRACE(testing::Message() << "compositor " << c.support.compositor << " blur " << c.support.blurBehind
                                    << " dark " << (c.scheme == ColorScheme::dark));
    fake.context->environment->setKeptAppearance(c.scheme);
    root->setTranslucency(c.support);
    fake.advanceBoth(1);  // the old look has faded
    const QImage picture = widgetPicture(*root);
    auto over = [&](const QColor& behind) {
      QImage image(picture.size(), QImage::Format_ARGB32_Premultiplied);
      image.fill(behind);
      QPainter painter(&image);
      painter.drawImage(0, 0, picture);
      return image;
    };
    const QImage onWhite = over(Qt::white), onBlack = over(Qt::black);
    // Away from the rounded corners, whose edge pixels are partly clear in any case.
    const QRect inside = root->surfaceRect().adjusted(24, 24, -24, -24).toRect();
    int shade = 0;
    for (int y = inside.top(); y <= inside.bottom(); y += 3)
      for (int x = inside.left(); x <= inside.right(); x += 3)
        shade = std::max(shade, qGray(onWhite.pixel(x, y)) - qGray(onBlack.pixel(x, y)));
    EXPECT_GE(shade, c.minShade);
    EXPECT_LE(shade, c.maxShade);
  }
}

// Set with an animation, the chips row opens its room gradually: the list moves down with it.
TEST_F(PanelViewTest, AnAnimatedFilterMovesTheListDownWithTheChipsRow) {
  show(items(3));
  withAnimation(Theme::springStandard(), [&] { state.setFilterTypes({TypeFilter::text}); });
  EXPECT_EQ(root->list().geometry().top(), 94);
  fake.clock->advance(0.08);
  const int midway = root->list().geometry().top();
  EXPECT_GT(midway, 94 + 2);
  EXPECT_LT(midway, 94 + 28);
  EXPECT_EQ(root->filterStatusBar().geometry().height(), midway - 94);
  fake.clock->advance(1);
  EXPECT_EQ(root->list().geometry().top(), 94 + 30);
}

TEST_F(PanelViewTest, TheFooterCountsTheListOrTheSelection) {
  const QList<ClipboardItem> thousand = items(1000);
  struct Case {
    int items;
    int selected;
    const char* label;
  };
  for (const Case& c : {Case{0, 0, "0 items"}, Case{1, 0, "1 item"}, Case{1000, 0, "1000 items"},
                        Case{1000, 1, "1 selected \u00B7 \u21B5 to paste together"},
                        Case{1000, 2, "2 selected \u00B7 \u21B5 to paste together"}}) {
    state.setItems(thousand.mid(0, c.items));
    QList<QUuid> selected;
    for (int i = 0; i < c.selected; ++i) selected << thousand[i].id;
    state.setMultiSelectedIDs(selected);
    EXPECT_EQ(panelCountLabel(state), QString::fromUtf8(c.label));
  }
}

TEST_F(PanelViewTest, OneSideSurfaceAtATimeGrowsFromTheColumnsTopCorner) {
  for (const QString side : {"right", "left"}) {
    SCOPED_TRACE(side.toStdString());
    show(items(3), side);
    state.setShowDotsMenu(true);
    EXPECT_EQ(root->sideSurface(), SideSurfaceKind::dotsMenu);
    const QRectF dots = root->sideSurfaceRect();
    EXPECT_EQ(side == "left" ? dots.left() : dots.right(), side == "left" ? 324 : 916 - 324);
    EXPECT_EQ(dots.top(), 8);
    EXPECT_EQ(root->sideSurfaceWidget(), nullptr);  // its picture moves in first
    fake.advanceBoth(0.21);
    EXPECT_GT(root->sideSurfaceProgress(), 0.5);
    fake.advanceBoth(0.3);
    ASSERT_NE(root->sideSurfaceWidget(), nullptr);
    EXPECT_EQ(root->sideSurfaceWidget()->geometry(), dots.adjusted(-14, -14, 14, 14).toRect());  // and its shadow

    // Opening the filter panel closes the menu: it leaves while the panel comes.
    state.setShowFilterPanel(true);
    EXPECT_EQ(root->sideSurface(), SideSurfaceKind::filterPanel);
    EXPECT_TRUE(root->sideSurfaceRect().contains(dots));
    fake.advanceBoth(0.6);
    fake.scheduler->runPending();
    const QRectF filter = root->sideSurfaceRect();
    EXPECT_EQ(side == "left" ? filter.left() : filter.right(), side == "left" ? 324 : 916 - 324);
    // Its rail and card take clicks (and show without a compositor); the gap between them does not.
    const QRegion content = root->contentRegion();
    EXPECT_EQ(content.boundingRect(), root->surfaceRect().toAlignedRect() | filter.toAlignedRect());
    const QPoint gap(int(side == "left" ? filter.left() + 46 + 5 : filter.right() - 46 - 5), int(filter.top()) + 10);
    EXPECT_FALSE(content.contains(gap));
    EXPECT_FALSE(content.contains(root->surfaceRect().topLeft().toPoint()));  // the corners are round
    EXPECT_TRUE(content.contains(root->surfaceRect().center().toPoint()));

    state.setShowFilterPanel(false);
    fake.advanceBoth(0.6);
    fake.scheduler->runPending();
    EXPECT_EQ(root->sideSurface(), SideSurfaceKind::none);
    EXPECT_TRUE(root->sideSurfaceRect().isEmpty());
  }
}

// The preview pane comes from its factory, placed by the anchor of the card that opened it.
TEST_F(PanelViewTest, ThePreviewTakesItsPlaceFromTheAnchorAndClosesThroughTheState) {
  show(items(3));
  std::function<void()> close;
  root->setPreviewFactory(
      [&](const ClipboardItem&, double availableHeight, std::function<void()> onClose, QWidget* parent) {
        EXPECT_EQ(availableHeight, 1048 - 40);
        close = onClose;
        auto* pane = new QWidget(parent);
        pane->setMinimumSize(420, 300);
        return pane;
      });
  state.setShowFilterPanel(true);
  state.setPreviewItemID(state.items()[1].id);  // the state closes the filter panel
  state.setPreviewAnchorY(500);
  EXPECT_EQ(root->sideSurface(), SideSurfaceKind::preview);
  fake.advanceBoth(0.6);
  fake.scheduler->runPending();
  EXPECT_EQ(root->sideSurfaceRect(), QRectF(916 - 324 - 420, 500 - 150, 420, 300));
  ASSERT_TRUE(close);
  close();
  EXPECT_EQ(state.previewItemID(), std::nullopt);
  EXPECT_EQ(root->sideSurface(), SideSurfaceKind::none);
}

// While the preview pane arrives as a picture, its rail and caption come in on their own in that
// picture: absent at first, there before the pane is in place.
TEST_F(PanelViewTest, ThePreviewsRailComesInWhileThePaneArrives) {
  show(items(3));
  ItemPreviewView* made = nullptr;
  root->setPreviewFactory([&](const ClipboardItem& item, double availableHeight, std::function<void()> onClose,
                              QWidget* parent) -> QWidget* {
    made = new ItemPreviewView(*fake.context, state, {item, availableHeight}, {std::move(onClose)}, parent);
    return made;
  });
  state.setPreviewItemID(state.items()[1].id);
  ASSERT_NE(made, nullptr);
  const auto railAlpha = [&] {
    const QImage picture = root->renderForTest();
    const QRectF surface = root->sideSurfaceRect();
    // The rail's middle, where the pane will stand (the picture grows about the panel's side).
    const QPointF rail = made->railRect().center() -
                         QPointF(ItemPreviewView::kShadowRoom, ItemPreviewView::kShadowRoom) + surface.topLeft();
    return qAlpha(picture.pixel(rail.toPoint()));
  };
  fake.advanceBoth(0.02);
  EXPECT_EQ(made->railEntrance(), 0);
  const int before = railAlpha();
  fake.advanceBoth(0.25);
  ASSERT_EQ(root->sideSurfaceWidget(), nullptr) << "still arriving";
  EXPECT_GT(made->railEntrance(), 0.5);
  EXPECT_GT(railAlpha(), before + 100);
}

// Without a compositor nothing blends: a pane that faded in would show black around its boxes,
// so the pane and the filter panel arrive and leave at once and only their boxes cut the window.
TEST_F(PanelViewTest, WithoutACompositorSideSurfacesComeAndGoAtOnce) {
  support.compositor = false;
  show(items(3));
  root->setPreviewFactory([&](const ClipboardItem& item, double availableHeight, std::function<void()> onClose,
                              QWidget* parent) -> QWidget* {
    return new ItemPreviewView(*fake.context, state, {item, availableHeight}, {std::move(onClose)}, parent);
  });
  for (int index : {1, 2}) {
    SCOPED_TRACE(index);
    state.setPreviewItemID(state.items()[index].id);
    auto* pane = qobject_cast<ItemPreviewView*>(root->sideSurfaceWidget());
    ASSERT_NE(pane, nullptr) << "in place before any frame";
    EXPECT_EQ(pane->props().item.id, state.items()[index].id);
    fake.scheduler->runPending();
    const QRectF boxes = root->sideSurfaceRect();
    const QRegion region = root->contentRegion() - QRegion(root->hitShape().toFillPolygon().toPolygon());
    const QRectF content = pane->contentBoxRect().translated(pane->pos());
    EXPECT_TRUE(region.contains(content.center().toPoint()));
    EXPECT_FALSE(region.contains(content.topLeft().toPoint() - QPoint(4, 4))) << "only the boxes, not the pane's rect";
    EXPECT_LE(region.boundingRect().width(), boxes.width());
  }
  // Editing shortens the rail to two buttons: the window's shape follows, or the old rail's
  // room would stay black.
  auto* pane = qobject_cast<ItemPreviewView*>(root->sideSurfaceWidget());
  ASSERT_NE(pane, nullptr);
  const QRectF railBefore = pane->railRect().translated(pane->pos());
  OrnamentRailButton* edit = nullptr;
  for (auto* button : pane->findChildren<OrnamentRailButton*>())
    if (button->toolTip() == "Edit") edit = button;
  ASSERT_NE(edit, nullptr);
  QRegion announced = root->contentRegion();
  QObject::connect(root.get(), &PanelView::contentRegionChanged, [&] { announced = root->contentRegion(); });
  QTest::mouseClick(edit, Qt::LeftButton, {}, edit->rect().center());
  ASSERT_TRUE(pane->isEditing());
  QCoreApplication::sendPostedEvents();
  const QRectF railAfter = pane->railRect().translated(pane->pos());
  ASSERT_LT(railAfter.height(), railBefore.height());
  const QPoint formerTop(int(railBefore.center().x()), int(railBefore.top()) + 4);
  EXPECT_FALSE(announced.contains(formerTop));
  EXPECT_TRUE(announced.contains(railAfter.center().toPoint()));

  state.setPreviewItemID(std::nullopt);
  fake.scheduler->runPending();
  EXPECT_EQ(root->contentRegion(), QRegion(root->hitShape().toFillPolygon().toPolygon()));
}

// The real pane: its boxes stand 4 points past the column on either edge, centred on the card
// that opened it; only the boxes belong to the window's shape; the filter panel takes its place.
TEST_F(PanelViewTest, ThePreviewPaneStandsBesideTheColumnAndShapesTheWindowByItsBoxes) {
  for (const QString side : {"right", "left"}) {
    SCOPED_TRACE(side.toStdString());
    show(items(3), side);
    root->setPreviewFactory([&](const ClipboardItem& item, double availableHeight, std::function<void()> onClose,
                                QWidget* parent) -> QWidget* {
      return new ItemPreviewView(*fake.context, state, {item, availableHeight}, {std::move(onClose)}, parent);
    });
    state.setPreviewItemID(state.items()[1].id);
    // The card's own anchor, then one set by hand: the pane follows without animating.
    ASSERT_TRUE(state.previewAnchorY());
    state.setPreviewAnchorY(400);
    fake.advanceBoth(0.6);
    fake.scheduler->runPending();
    auto* pane = qobject_cast<ItemPreviewView*>(root->sideSurfaceWidget());
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->props().availableHeight, 1048 - 40);
    const QRectF boxes = root->sideSurfaceRect();
    EXPECT_EQ(boxes.size(), pane->paneSize());
    EXPECT_EQ(side == "left" ? boxes.left() : boxes.right(), side == "left" ? 324 : 916 - 324);
    EXPECT_DOUBLE_EQ(boxes.center().y(), 400);
    // The rail faces the column.
    const QRectF rail = pane->railRect().translated(pane->pos());
    EXPECT_EQ(side == "left" ? rail.left() : rail.right(), side == "left" ? boxes.left() : boxes.right());
    const QRegion region = root->contentRegion();
    const QRectF content = pane->contentBoxRect().translated(pane->pos());
    EXPECT_TRUE(region.contains(content.center().toPoint()));
    EXPECT_TRUE(region.contains(rail.center().toPoint()));
    // Beside the rail, under the rail and in the shadows: the window below.
    EXPECT_FALSE(region.contains(QPointF(rail.center().x(), rail.bottom() + 6).toPoint()));
    EXPECT_FALSE(
        region.contains(QPointF(side == "left" ? content.left() - 6 : content.right() + 6, rail.top() - 6).toPoint()));
    EXPECT_FALSE(region.contains(content.topLeft().toPoint() - QPoint(4, 4)));

    state.setShowFilterPanel(true);
    EXPECT_EQ(root->sideSurface(), SideSurfaceKind::filterPanel);
    fake.advanceBoth(0.6);
    fake.scheduler->runPending();
    EXPECT_EQ(root->sideSurface(), SideSurfaceKind::filterPanel);
    EXPECT_EQ(state.previewItemID(), std::nullopt);
    EXPECT_EQ(qobject_cast<ItemPreviewView*>(root->sideSurfaceWidget()), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(root->findChildren<ItemPreviewView*>().size(), 0);
    state.setShowFilterPanel(false);
  }
}

// A pane taller than the room between the margins starts 20 from the top and runs past the
// bottom one; it is never cut to fit.
TEST_F(PanelViewTest, ATallerPreviewOverflowsFromTwentyFromTheTop) {
  show(items(3));
  root->resize(916, 420);
  QString lines;
  for (int i = 0; i < 200; ++i) lines += QStringLiteral("line %1\n").arg(i);
  const ClipboardItem tall = test::textItem(lines);
  state.setItems({tall});
  root->setPreviewFactory([&](const ClipboardItem& item, double availableHeight, std::function<void()> onClose,
                              QWidget* parent) -> QWidget* {
    return new ItemPreviewView(*fake.context, state, {item, availableHeight}, {std::move(onClose)}, parent);
  });
  state.setPreviewItemID(tall.id);
  state.setPreviewAnchorY(300);
  fake.advanceBoth(0.6);
  fake.scheduler->runPending();
  auto* pane = qobject_cast<ItemPreviewView*>(root->sideSurfaceWidget());
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(pane->props().availableHeight, 380);
  EXPECT_EQ(pane->contentBoxRect().height(), 380);
  const QRectF boxes = root->sideSurfaceRect();
  EXPECT_EQ(boxes.top(), 20);
  EXPECT_GT(boxes.bottom(), 400);
  EXPECT_EQ(boxes.height(), pane->paneSize().height());

  // The panel grows: the pane gets the height and stays whole.
  root->resize(916, 900);
  fake.advanceBoth(0.2);
  EXPECT_EQ(pane->props().availableHeight, 860);
  EXPECT_EQ(pane->contentBoxRect().height(), 620);
  EXPECT_EQ(root->sideSurfaceRect().height(), pane->paneSize().height());
}

TEST_F(PanelViewTest, SideSurfacesAndTheToastOnlyFadeUnderReduceMotion) {
  for (const bool reduced : {false, true}) {
    SCOPED_TRACE(reduced);
    fake.reduceMotion().startObserving();
    fake.desktopAppearance->setReduceMotion(reduced);
    show(items(3));
    state.setShowCopiedToast(true);
    EXPECT_TRUE(root->toast().isVisible());
    fake.advanceBoth(0.05);
    EXPECT_EQ(root->toast().scale() == 1.0, reduced);
    EXPECT_GT(root->toast().opacity(), 0);
    const QPointF centre = root->surfaceRect().center();
    EXPECT_NEAR(QRectF(root->toast().geometry()).center().x(), centre.x(), 1);
    state.setShowCopiedToast(false);
    fake.advanceBoth(1.5);
    EXPECT_FALSE(root->toast().isVisible());
  }
}

// What partial repaints leave on screen is what a whole repaint paints: the cards under the
// toast must not move when only the toast's area is painted again.
TEST_F(PanelViewTest, WhatTheScreenShowsIsWhatAWholeRepaintPaints) {
  show(items(5));
  // A scroll moves the view's scene rectangle, which once made the view drop later card changes.
  root->list().scrollBy(30);
  fake.advanceBoth(0.5);
  root->list().scrollBy(-30);
  fake.advanceBoth(0.5);
  QApplication::processEvents();
  QApplication::processEvents();
  auto screenshot = [&] { return root->screen()->grabWindow(root->winId()).toImage(); };
  const QImage whole = screenshot();
  state.setShowCopiedToast(true);
  fake.advanceBoth(0.5);
  state.setShowCopiedToast(false);
  fake.advanceBoth(1.5);
  QApplication::processEvents();
  EXPECT_EQ(differingPixels(whole, screenshot(), root->toast().geometry()), 0);

  // A card that changes on its own (selected here) is painted again without anything else moving.
  state.setSelectedIndex(0);
  fake.advanceBoth(0.5);
  for (int turn = 0; turn < 3; ++turn) QApplication::processEvents();
  const QImage selected = screenshot();
  root->repaint();
  root->list().viewport()->repaint();
  EXPECT_EQ(differingPixels(selected, screenshot(), root->list().geometry()), 0);
}

}  // namespace
