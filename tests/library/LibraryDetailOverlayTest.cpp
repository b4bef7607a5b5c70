// The library's body: the detail pane's size from the grid and the content, where it floats,
// how it comes and goes, how it follows the hovered card, and what happens when its item is
// narrowed away or deleted.
#include "items/ItemServices.h"
#include "library/LibraryCard.h"
#include "library/LibraryDetailOverlay.h"
#include "library/LibraryDetailSizing.h"
#include "library/LibraryDetailView.h"
#include "library/LibraryGridView.h"
#include "library/LibraryModel.h"
#include "library/LibraryView.h"
#include "panel/CopiedToastView.h"
#include "panel/FilterStatusBarView.h"
#include "preview/PreviewSizing.h"
#include "state/PanelState.h"
#include "support/library/FakeLibraryContext.h"
#include "support/state/StateTestSupport.h"
#include "ui/anim/Transaction.h"
#include "ui/theme/Theme.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMouseEvent>

namespace qv {
namespace {

TEST(LibraryDetailSizing, WidthHeightAndFittingHeightFromTheGridAndTheContent) {
  const ClipboardItem text = test::textItem("a short note");
  ASSERT_EQ(PreviewSizing::expandedWidth(text), 640);
  const ClipboardItem file = test::fileItem("/home/user/report.pdf");
  struct Case {
    const char* name;
    double value;
    double expected;
  };
  const Case cases[] = {
      {"a wide grid: the text's wide preview", libraryDetail::width(1100, &text), 640},
      {"a narrow grid: the floor", libraryDetail::width(380, &text), 320},
      {"no item: up to 820", libraryDetail::width(1100, nullptr), 820},
      {"no item in a narrow grid", libraryDetail::width(600, nullptr), 520},
      {"short content: the floor", libraryDetail::height(300, &text, 640), 180},
      {"tall content: what the text needs", libraryDetail::height(1000, &text, 640), 360},
      {"no item: 0.45 of the content", libraryDetail::height(1000, nullptr, 640), 450},
      {"a file lays out tall: 0.72", libraryDetail::height(500, &file, 480), 360},
      {"a file at 0.72 of 1000, held to its fit", libraryDetail::height(1000, &file, 480), 640},
      {"a candidate below 440", libraryDetail::fittingHeight(text, 640, 439), 360},
      {"a large candidate for a short text", libraryDetail::fittingHeight(text, 640, 900), 360},
      {"a file: (w - 20) x 1.25 when room allows", libraryDetail::fittingHeight(file, 420, 900), 570},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(c.value, c.expected) << c.name;
}

class LibraryDetailOverlayTest : public ::testing::Test {
 protected:
  LibraryDetailOverlayTest() {
    installItemServices(*fake.context);
    fake.context->settings->set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
    state = std::make_unique<PanelState>(*fake.context);
    model = std::make_unique<LibraryModel>(*state, *fake.scheduler);
  }
  ~LibraryDetailOverlayTest() override {
    view.reset();
    fake.drain();
  }
  void show(const QList<ClipboardItem>& items, QSize size = {1180, 800}) {
    state->setItems(items);
    view = std::make_unique<LibraryView>(*fake.context, *model);
    QObject::connect(model.get(), &LibraryModel::changed, view.get(), [this] { view->sync(); });
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(size);
    view->show();
    view->sync();
  }
  LibraryDetailOverlay& overlay() const { return view->detailOverlay(); }
  LibraryGridView& grid() const { return view->grid(); }
  // The pane's frame in the view.
  QRectF paneFrame() const { return overlay().slotRect().translated(overlay().pos()); }
  // As Space or a click opens it: the card is selected too.
  void openPane(const QUuid& id) {
    withAnimation(Theme::springCritical(), [&] {
      model->setPreviewID(id);
      model->setSelection(id);
    });
  }
  void hover(const QUuid& id) {
    PaintedItem* card = grid().cardFor(id);
    const QPoint at = grid().mapFromScene(card->mapToScene(card->rect().center()));
    QMouseEvent move(QEvent::MouseMove, at, grid().viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(grid().viewport(), &move);
  }
  // Where the card of `id` shows in the view (empty for none).
  QRect cardInView(const QUuid& id) const {
    const PaintedItem* card = grid().cardFor(id);
    if (!card) return {};
    const QRect onGrid = grid().mapFromScene(card->sceneBoundingRect()).boundingRect();
    return {grid().viewport()->mapTo(view.get(), onGrid.topLeft()), onGrid.size()};
  }
  // Those of `items` whose cards show under the pane (its shadow included), or away from it.
  QList<QUuid> cardsUnderPane(const QList<ClipboardItem>& items, bool under) const {
    QList<QUuid> ids;
    for (const ClipboardItem& item : items) {
      const QRect here = cardInView(item.id);
      if (!here.isEmpty() && here.intersects(overlay().backdropRect()) == under) ids << item.id;
    }
    return ids;
  }
  // `rect` of the view as the window paints it.
  QImage render(const QRect& rect) const {
    QImage image(rect.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    view->render(&image, QPoint(), QRegion(rect));
    return image;
  }
  void leaveGrid() {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(grid().viewport(), &leave);
  }

  test::FakeLibraryContext fake;
  std::unique_ptr<PanelState> state;
  std::unique_ptr<LibraryModel> model;
  std::unique_ptr<LibraryView> view;
};

TEST_F(LibraryDetailOverlayTest, ThePaneFloatsCentredOverTheGridsBottomAtItsSize) {
  const ClipboardItem text = test::textItem("a short note");
  show({text, test::textItem("another")});
  EXPECT_FALSE(overlay().isVisible());
  openPane(text.id);
  fake.advanceBoth(1);
  ASSERT_TRUE(overlay().isVisible());
  const QRect area = view->gridArea();
  EXPECT_EQ(view->detailWidth(), 640);
  EXPECT_EQ(view->detailHeight(), 360);
  EXPECT_EQ(paneFrame().size(), QSizeF(640, 360));
  EXPECT_NEAR(paneFrame().center().x(), QRectF(area).center().x(), 1);
  EXPECT_NEAR(paneFrame().bottom(), area.bottom() - 28, 1.5);
  auto* pane = qobject_cast<LibraryDetailView*>(overlay().pane());
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(pane->props().item.id, text.id);
  EXPECT_EQ(pane->props().width, 640);
  EXPECT_EQ(pane->props().availableHeight, 360);
  EXPECT_EQ(pane->size(), QSize(640, 360));

  // The pointer reaches the cards around the pane, through its shadow.
  const QPoint besidePane = paneFrame().topLeft().toPoint() + QPoint(20, -12);
  EXPECT_EQ(view->childAt(besidePane), grid().viewport());
  EXPECT_TRUE(overlay().shadow()->geometry().contains(besidePane));
  QWidget* atCentre = view->childAt(paneFrame().center().toPoint());
  EXPECT_TRUE(atCentre == overlay().pane() || overlay().pane()->isAncestorOf(atCentre));

  // A smaller window: the floors.
  view->resize(440, 300);
  fake.advanceBoth(0.1);
  EXPECT_EQ(paneFrame().size(), QSizeF(360, 180));
}

TEST_F(LibraryDetailOverlayTest, ItMovesInFromTheBottomOrOnlyFadesUnderReduceMotion) {
  const ClipboardItem text = test::textItem("a short note");
  show({text});
  for (const bool reduced : {false, true}) {
    SCOPED_TRACE(reduced ? "reduce motion" : "motion");
    fake.reduceMotion().startObserving();
    fake.desktopAppearance->setReduceMotion(reduced);
    openPane(text.id);
    fake.advanceBoth(0.05);
    EXPECT_GT(overlay().shownOpacity(), 0.0);
    EXPECT_LT(overlay().shownOpacity(), 1.0);
    if (reduced) EXPECT_EQ(overlay().travel(), 0);
    else EXPECT_GT(overlay().travel(), 20);
    fake.advanceBoth(1.5);
    EXPECT_EQ(overlay().travel(), 0);
    EXPECT_TRUE(overlay().graphicsEffect() == nullptr) << "no effect once it rests";
    withAnimation(Theme::springCritical(), [&] { model->setPreviewID(std::nullopt); });
    fake.advanceBoth(1.5);
    EXPECT_FALSE(overlay().isVisible());
  }
}

// Another item moves and resizes the standing pane: on the critical spring (a change that brings
// no curve of its own, as the arrow keys'), on the quick ease-out after a hover; under reduce
// motion it stands at the new frame at once and only fades in.
TEST_F(LibraryDetailOverlayTest, AnotherItemMovesAndResizesThePaneOnItsCurve) {
  const ClipboardItem tall = test::imageItem(QImage(300, 900, QImage::Format_RGB32));
  const ClipboardItem note = test::textItem("a short note");
  show({tall, note});
  const auto frameOf = [&](const ClipboardItem& item) {
    openPane(item.id);
    fake.advanceBoth(1.5);
    return paneFrame();
  };
  const QRectF from = frameOf(tall), to = frameOf(note);
  ASSERT_GT(from.height(), to.height() + 100);
  const struct {
    const char* name;
    bool reduced;
    std::function<void()> change;
    bool arrivedAt022;  // the quick ease-out lasts 0.2 s; the spring still has a way to go
  } cases[] = {
      {"no curve of its own", false, [&] { model->setPreviewID(note.id); }, false},
      {"a hover", false,
       [&] {
         hover(note.id);
         fake.advanceBoth(LibraryModel::kHoverRetargetSeconds);
         ASSERT_EQ(model->previewID(), note.id);
       },
       true},
      {"reduce motion", true, [&] { model->setPreviewID(note.id); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fake.reduceMotion().startObserving();
    fake.desktopAppearance->setReduceMotion(c.reduced);
    leaveGrid();
    ASSERT_EQ(frameOf(tall), from);
    c.change();
    fake.advanceBoth(0.05);
    const QRectF mid = paneFrame();
    if (c.reduced) {
      EXPECT_EQ(mid, to);
      EXPECT_LT(overlay().shownOpacity(), 0.9);
    } else {
      EXPECT_LT(mid.height(), from.height() - 5);
      EXPECT_GT(mid.height(), to.height() + 5);
      EXPECT_GT(mid.top(), from.top() + 5);
      EXPECT_LT(mid.top(), to.top() - 5);
      EXPECT_NEAR(mid.bottom(), to.bottom(), 1.5) << "it stands on the grid's bottom as it changes";
      EXPECT_NEAR(overlay().pane()->height(), mid.height(), 1.5) << "the pane is laid out at each step";
    }
    fake.advanceBoth(0.17);
    EXPECT_EQ(paneFrame() == to, c.arrivedAt022) << paneFrame().height();
    fake.advanceBoth(1.5);
    EXPECT_EQ(paneFrame(), to);
    EXPECT_EQ(overlay().shownOpacity(), 1.0);
  }
}

TEST_F(LibraryDetailOverlayTest, APaneWhoseItemIsNarrowedAwayHidesAndOneWhoseItemIsDeletedCloses) {
  const ClipboardItem shown = test::textItem("apple pie"), other = test::textItem("banana");
  show({shown, other});
  model->setSelection(shown.id);
  openPane(shown.id);
  fake.advanceBoth(1);
  model->setQuery(QStringLiteral("banana"));
  fake.advanceBoth(1);
  EXPECT_FALSE(overlay().isVisible());
  EXPECT_EQ(model->previewID(), shown.id);
  model->setQuery(QString());
  fake.advanceBoth(1);
  EXPECT_TRUE(overlay().isVisible());

  state->removeItem(shown.id);
  fake.advanceBoth(1);
  EXPECT_EQ(model->previewID(), std::nullopt);
  EXPECT_EQ(model->selection(), std::nullopt);
  EXPECT_FALSE(overlay().isVisible());
}

TEST_F(LibraryDetailOverlayTest, AHoveredCardTakesOverAnOpenPaneAfterAPause) {
  QList<ClipboardItem> items;
  for (int i = 0; i < 4; ++i) items << test::textItem(QStringLiteral("card %1").arg(i));
  show(items);
  fake.advanceBoth(0.5);

  // No pane open: hovering changes nothing.
  hover(items[1].id);
  fake.advanceBoth(0.3);
  EXPECT_EQ(model->previewID(), std::nullopt);

  openPane(items[0].id);
  struct Step {
    const char* name;
    std::function<void()> act;
    double wait;
    QUuid expected;
  };
  const Step steps[] = {
      {"entering a card", [&] { hover(items[2].id); }, 0.15, items[0].id},
      {"0.16 s later", [] {}, 0.02, items[2].id},
      // A sweep moves it once, to the last card.
      {"sweep: first card", [&] { hover(items[1].id); }, 0.1, items[2].id},
      {"sweep: second card", [&] { hover(items[3].id); }, 0.1, items[2].id},
      {"sweep ends", [] {}, 0.07, items[3].id},
      {"leaving cancels",
       [&] {
         hover(items[0].id);
         leaveGrid();
       },
       0.3, items[3].id},
      {"editing holds it",
       [&] {
         state->setDetailEditingActive(true);
         hover(items[1].id);
       },
       0.3, items[3].id},
      {"editing ends meanwhile",
       [&] {
         state->setDetailEditingActive(false);
         hover(items[2].id);
         state->setDetailEditingActive(true);
       },
       0.3, items[3].id},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    step.act();
    fake.advanceBoth(step.wait);
    EXPECT_EQ(model->previewID(), step.expected);
  }
  EXPECT_EQ(model->selection(), items[3].id);
}

TEST(OverlappingGroupsTest, RectanglesThatOverlapDirectlyOrThroughOthersAreOneGroup) {
  struct Case {
    const char* name;
    std::vector<QRect> rects;
    std::vector<QRect> groups;
  };
  const std::vector<Case> cases = {
      {"none", {}, {}},
      {"one", {QRect(0, 0, 10, 10)}, {QRect(0, 0, 10, 10)}},
      {"apart", {QRect(0, 0, 10, 10), QRect(20, 0, 10, 10)}, {QRect(0, 0, 10, 10), QRect(20, 0, 10, 10)}},
      {"touching edges stay apart",
       {QRect(0, 0, 10, 10), QRect(10, 0, 10, 10)},
       {QRect(0, 0, 10, 10), QRect(10, 0, 10, 10)}},
      {"a card and its parts", {QRect(0, 0, 30, 30), QRect(5, 5, 20, 20), QRect(2, 2, 26, 10)}, {QRect(0, 0, 30, 30)}},
      // The first and the last meet only through the merged middle one.
      {"a chain",
       {QRect(0, 0, 10, 10), QRect(40, 0, 10, 10), QRect(5, 0, 10, 10), QRect(14, 0, 30, 10)},
       {QRect(0, 0, 50, 10)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(overlappingGroups(c.rects), c.groups);
  }
}

// The largest difference of one channel of one pixel (both images of one size).
int largestDifference(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return 256;
  int largest = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      for (const int shift : {0, 8, 16, 24})
        largest = std::max(largest, std::abs(int((p >> shift) & 255) - int((q >> shift) & 255)));
    }
  return largest;
}

// While the pane changes over a grid that stays, the grid beneath is shown from a picture: the
// same pixels as the grid itself. A card under the pane that changes its look is painted into the
// picture again; whatever moves the grid lets the picture go.
TEST_F(LibraryDetailOverlayTest, WhatLiesUnderThePaneIsHeldAsItWasUntilItChanges) {
  QList<ClipboardItem> items;
  for (int i = 0; i < 40; ++i) items << test::textItem(QStringLiteral("Card %1: a line of notes").arg(i));
  const auto renderUnder = [this] { return render(overlay().backdropRect()); };
  const auto cardsUnder = [&](bool under) { return cardsUnderPane(items, under); };
  struct Change {
    const char* name;
    std::function<void()> apply;
    bool lets;
    bool repaintsUnder = false;  // a card under the pane changes its look
  };
  const std::vector<Change> changes = {
      {"nothing", [] {}, false},
      {"the pane retargeted", [&] { model->showDetail(items[1].id); }, false},
      {"a card away from the pane selected", [&] { model->setSelection(cardsUnder(false).last()); }, false},
      {"a card away from the pane hovered", [&] { hover(cardsUnder(false).first()); }, false},
      {"a card under the pane selected", [&] { model->setSelection(cardsUnder(true).first()); }, false, true},
      {"a card under the pane hovered", [&] { hover(cardsUnder(true).first()); }, false, true},
      {"a wheel step",
       [&] {
         QWheelEvent wheel(QPointF(10, 10), grid().viewport()->mapToGlobal(QPointF(10, 10)), {}, QPoint(0, -120),
                           Qt::NoButton, {}, Qt::NoScrollPhase, false);
         QApplication::sendEvent(grid().viewport(), &wheel);
       },
       true},
      {"a copy", [&] { state->addItem(test::textItem(QStringLiteral("a fresh copy"))); }, true},
      {"the window resized", [&] { view->resize(1160, 800); }, true},
      {"a card away from the pane repainted",
       [&] {
         grid().cardFor(cardsUnder(false).last())->update();
         QCoreApplication::processEvents();
       },
       false},
      {"a card under the pane repainted (its thumbnail come)",
       [&] {
         grid().cardFor(cardsUnder(true).first())->update();
         QCoreApplication::processEvents();
       },
       false, true},
      {"a jump down the grid", [&] { grid().scrollTo(grid().scrollOffset() + 90); }, true},
      {"a second without a change", [&] { fake.advanceBoth(1.1); }, true},
  };
  show(items);
  fake.advanceBoth(0.5);
  openPane(items[0].id);
  for (const Change& change : changes) {
    SCOPED_TRACE(change.name);
    // Held again after the last change, once the grid settled (its scene's changes told).
    fake.advanceBoth(1.5);
    QCoreApplication::processEvents();
    overlay().holdBackdrop();
    fake.advanceBoth(0.05);
    ASSERT_TRUE(overlay().showsBackdrop());
    const QImage held = renderUnder();
    overlay().dropBackdrop();
    // The same picture, but for rounding where the grid's edge fade meets another cut.
    EXPECT_LE(largestDifference(held, renderUnder()), 2);
    overlay().holdBackdrop();
    fake.advanceBoth(0.05);
    ASSERT_TRUE(overlay().showsBackdrop());
    change.apply();
    if (change.lets) {
      EXPECT_FALSE(overlay().showsBackdrop());
      continue;
    }
    fake.advanceBoth(0.05);
    EXPECT_TRUE(overlay().showsBackdrop());
    if (!change.repaintsUnder) continue;
    // Through the card's animation the picture keeps up with the grid.
    for (int frame = 0; frame < 3; ++frame) {
      fake.advanceBoth(0.1);
      QCoreApplication::processEvents();
      ASSERT_TRUE(overlay().showsBackdrop());
      const QImage kept = renderUnder();
      overlay().backdrop()->hide();  // the grid itself, for one look
      EXPECT_LE(largestDifference(kept, renderUnder()), 2) << "frame " << frame;
      overlay().backdrop()->show();
    }
  }
}

// Behind the standing pane nothing of the picture shows, so a card there that changes is painted
// into it only once the pane uncovers it: as the pane fades out, the picture is the grid again.
TEST_F(LibraryDetailOverlayTest, ACardChangedBehindThePaneIsPaintedOnceThePaneUncoversIt) {
  QList<ClipboardItem> items;
  for (int i = 0; i < 40; ++i) items << test::textItem(QStringLiteral("Card %1: a line of notes").arg(i));
  show(items);
  fake.advanceBoth(0.5);
  openPane(items[0].id);
  fake.advanceBoth(1.5);
  QCoreApplication::processEvents();
  // The scene's first change after the window showed names every card: let it pass.
  static_cast<LibraryCard*>(grid().cardFor(items[0].id))->card().setLifted(false, false);
  QCoreApplication::processEvents();
  overlay().holdBackdrop();
  fake.advanceBoth(0.05);
  ASSERT_TRUE(overlay().showsBackdrop());
  // The card right behind the pane's middle.
  const QPoint middle = paneFrame().center().toPoint();
  std::optional<QUuid> behind;
  for (const QUuid& id : cardsUnderPane(items, true))
    if (cardInView(id).contains(middle)) behind = id;
  ASSERT_TRUE(behind);
  // It lifts at once (as a hover lifts it, without the retarget that follows).
  static_cast<LibraryCard*>(grid().cardFor(*behind))->card().setLifted(true, false);
  QCoreApplication::processEvents();
  ASSERT_TRUE(overlay().showsBackdrop());
  withAnimation(Theme::springCritical(), [&] { model->setPreviewID(std::nullopt); });
  const QRect under = overlay().backdropRect();
  fake.advanceBoth(0.05);
  QCoreApplication::processEvents();
  ASSERT_TRUE(overlay().isVisible());
  ASSERT_LT(overlay().shownOpacity(), 0.999);
  ASSERT_TRUE(overlay().showsBackdrop());
  const QImage fading = render(under);
  overlay().backdrop()->hide();  // the grid itself
  EXPECT_LE(largestDifference(fading, render(under)), 2);
}

// A hover that retargets the pane holds what lies under it as a picture: soon after the window
// showed, while the grid settles from a change (once it has), and while the pane still moves in
// (once it rests, where it rests); not while a card under it changes its look.
TEST_F(LibraryDetailOverlayTest, ARetargetHoldsThePictureOnceTheGridAndThePaneRest) {
  QList<ClipboardItem> items;
  for (int i = 0; i < 40; ++i) items << test::textItem(QStringLiteral("Card %1: a line of notes").arg(i));
  struct Case {
    const char* name;
    std::function<void()> before;  // after the window showed, before the hover
    double heldWithin;             // seconds after the hover
    bool held = true;
  };
  const std::vector<Case> cases = {
      {"the window just shown, the pane in place",
       [&] {
         openPane(items[0].id);
         fake.advanceBoth(0.45);
       },
       0.05},
      {"a copy just added: once the grid settled",
       [&] {
         fake.advanceBoth(1);
         openPane(items[0].id);
         fake.advanceBoth(1);
         state->addItem(test::textItem(QStringLiteral("a fresh copy")));
         fake.advanceBoth(0.1);
       },
       0.6},
      {"the pane still moving in: once it rests",
       [&] {
         fake.advanceBoth(1);
         openPane(items[0].id);
         fake.advanceBoth(0.05);
       },
       0.6},
      {"the window just shown, a card under the pane just selected (its ring is painted into the picture)",
       [&] {
         openPane(items[0].id);
         fake.advanceBoth(0.45);
         model->setSelection(cardsUnderPane(items, true).first());
       },
       0.05},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    view.reset();
    model = std::make_unique<LibraryModel>(*state, *fake.scheduler);
    show(items);
    c.before();
    ASSERT_TRUE(overlay().isVisible());
    hover(items[1].id);
    fake.advanceBoth(c.heldWithin);
    EXPECT_EQ(overlay().showsBackdrop(), c.held);
    if (!c.held) continue;
    EXPECT_TRUE(overlay().backdropRect().intersects(paneFrame().toAlignedRect()));
    EXPECT_EQ(overlay().backdrop()->geometry(), overlay().backdropRect());
  }
}

TEST_F(LibraryDetailOverlayTest, TheCopiedToastAndTheFilterChipsTakeTheirPlaces) {
  const ClipboardItem text = test::textItem("a short note");
  show({text});
  const int gridTop = view->gridArea().top();
  state->setShowCopiedToast(true);
  fake.advanceBoth(0.5);
  ASSERT_TRUE(view->copiedToast().isVisible());
  EXPECT_EQ(view->copiedToast().geometry().center(), view->rect().center());
  state->setShowCopiedToast(false);
  fake.advanceBoth(1.5);
  EXPECT_FALSE(view->copiedToast().isVisible());

  state->setFilterTypes({TypeFilter::text});
  fake.advanceBoth(1);
  EXPECT_GT(view->filterBar().height(), 0);
  EXPECT_EQ(view->gridArea().top(), gridTop + 2 + view->filterBar().height());
}

}  // namespace
}  // namespace qv
