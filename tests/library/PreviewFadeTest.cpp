// The viewers' edge fade: its gradient stops as computed and as Qt takes them, the ease of each
// edge, and no mask at all while both edges are clear.
#include "library/PreviewFade.h"
#include "support/library/FakeLibraryContext.h"

#include <gtest/gtest.h>
#include <QGraphicsOpacityEffect>
#include <QWidget>

namespace qv {
namespace {

struct Stop {
  double location;
  double alpha;
};

void expectStops(const std::vector<Fx::GradientStop>& stops, const std::vector<Stop>& expected) {
  ASSERT_EQ(stops.size(), expected.size());
  for (size_t i = 0; i < stops.size(); ++i) {
    EXPECT_NEAR(stops[i].location, expected[i].location, 1e-9) << "stop " << i;
    EXPECT_NEAR(stops[i].color.alphaF(), expected[i].alpha, 1e-3) << "stop " << i;
  }
}

TEST(PreviewFade, StopsAsComputedAndAsTheGradientTakesThem) {
  const struct {
    const char* name;
    double top, bottom, depth, height;
    std::vector<Stop> computed;
    std::vector<Stop> taken;
  } cases[] = {
      {"both off: all opaque", 0, 0, 22, 220, {{0, 1}, {0, 1}, {1, 1}, {1, 1}}, {{0, 1}, {0, 1}, {1, 1}, {1, 1}}},
      {"top on, 220 high", 1, 0, 22, 220, {{0, 0}, {0.1, 1}, {1, 1}, {1, 1}}, {{0, 0}, {0.1, 1}, {1, 1}, {1, 1}}},
      {"bottom on", 0, 1, 22, 220, {{0, 1}, {0, 1}, {0.9, 1}, {1, 0}}, {{0, 1}, {0, 1}, {0.9, 1}, {1, 0}}},
      {"both on, ramps overlap: they meet halfway",
       1,
       1,
       30,
       50,
       {{0, 0}, {0.6, 1}, {0.4, 1}, {1, 0}},
       {{0, 0}, {0.5, 1}, {0.5, 1}, {1, 0}}},
      {"deeper than the view: clamped",
       1,
       0,
       22,
       10,
       {{0, 0}, {2.2, 1}, {1, 1}, {1, 1}},
       {{0, 0}, {1, 1}, {1, 1}, {1, 1}}},
      {"a height below 1 counts as 1",
       0,
       1,
       22,
       0.25,
       {{0, 1}, {0, 1}, {-21, 1}, {1, 0}},
       {{0, 1}, {0, 1}, {0, 1}, {1, 0}}},
      {"half way in", 0.5, 0, 22, 220, {{0, 0.5}, {0.05, 1}, {1, 1}, {1, 1}}, {{0, 0.5}, {0.05, 1}, {1, 1}, {1, 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    expectStops(PreviewFade::stops(c.top, c.bottom, c.depth, c.height), c.computed);
    const auto taken = PreviewFade::gradientStops(c.top, c.bottom, c.depth, c.height);
    expectStops(taken, c.taken);
    for (size_t i = 1; i < taken.size(); ++i) EXPECT_LE(taken[i - 1].location, taken[i].location);
  }
}

// Each edge eases in over 0.2 s, reduced motion or not; a settled clear fade masks nothing.
TEST(PreviewFade, EachEdgeEasesOutQuicklyAndAClearFadeMasksNothing) {
  for (const bool reduceMotion : {false, true}) {
    SCOPED_TRACE(reduceMotion ? "reduced motion" : "motion");
    test::FakeLibraryContext fake;
    fake.desktopAppearance->setReduceMotion(reduceMotion);
    QWidget viewer;
    viewer.resize(300, 220);
    PreviewFade fade(*fake.context, &viewer);
    EXPECT_FALSE(fade.isMasking());
    EXPECT_EQ(viewer.graphicsEffect(), nullptr);

    fade.setProps({true, false, 22});
    fake.advanceBoth(0.05);
    EXPECT_GT(fade.topAmount(), 0.2);
    EXPECT_LT(fade.topAmount(), 1);
    EXPECT_EQ(fade.bottomAmount(), 0);
    EXPECT_TRUE(fade.isMasking());
    fake.advanceBoth(0.2);
    EXPECT_EQ(fade.topAmount(), 1);
    const QGradientStops applied = fade.mask().stops();
    ASSERT_GE(applied.size(), 2);
    EXPECT_EQ(applied.first().second.alpha(), 0);
    EXPECT_NEAR(fade.mask().finalStop().y(), 220, 1e-9);

    fade.setProps({false, true, 22});
    fake.advanceBoth(0.3);
    EXPECT_EQ(fade.topAmount(), 0);
    EXPECT_EQ(fade.bottomAmount(), 1);
    fade.setProps({false, false, 22});
    fake.advanceBoth(0.3);
    EXPECT_FALSE(fade.isMasking());
  }
}

}  // namespace
}  // namespace qv
