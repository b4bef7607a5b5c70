// The grid's fade mask and the edge watcher that drives it, and the tab strip's fades: stops as
// tables, timing on the hand-driven frame clock.
#include "library/LibraryEdges.h"

#include "support/library/FakeLibraryContext.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

std::vector<double> locations(const std::vector<FadeStop>& stops) {
  std::vector<double> result;
  for (const FadeStop& stop : stops) result.push_back(stop.location);
  return result;
}
std::vector<double> opacities(const std::vector<FadeStop>& stops) {
  std::vector<double> result;
  for (const FadeStop& stop : stops) result.push_back(stop.opacity);
  return result;
}

void expectNear(const std::vector<double>& actual, const std::vector<double>& expected, const char* name) {
  ASSERT_EQ(actual.size(), expected.size()) << name;
  for (size_t i = 0; i < actual.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 1e-9) << name << " stop " << i;
}

TEST(LibraryGridFade, StopsFadeTwentyEightPointsAtTheEdgesThatHaveMoreBehindThem) {
  const double t600 = 28.0 / 600, t57 = 28.0 / 57;
  struct Case {
    const char* name;
    double height, top, bottom;
    std::vector<double> locations, opacities;
  };
  const Case cases[] = {
      {"both edges, 600 high",
       600,
       1,
       1,
       {0, 0.25 * t600, 0.5 * t600, 0.75 * t600, t600, 1 - t600, 1 - 0.75 * t600, 1 - 0.5 * t600, 1 - 0.25 * t600, 1},
       {0, 0.16, 0.5, 0.84, 1, 1, 0.84, 0.5, 0.16, 0}},
      {"top only",
       600,
       1,
       0,
       {0, 0.25 * t600, 0.5 * t600, 0.75 * t600, t600, 1, 1, 1, 1, 1},
       {0, 0.16, 0.5, 0.84, 1, 1, 1, 1, 1, 1}},
      {"40 high counts as 57",
       40,
       0,
       1,
       {0, 0, 0, 0, 0, 1 - t57, 1 - 0.75 * t57, 1 - 0.5 * t57, 1 - 0.25 * t57, 1},
       {1, 1, 1, 1, 1, 1, 0.84, 0.5, 0.16, 0}},
      {"halfway in",
       600,
       0.5,
       0,
       {0, 0.25 * t600, 0.5 * t600, 0.75 * t600, t600, 1, 1, 1, 1, 1},
       {0.5, 0.58, 0.75, 0.92, 1, 1, 1, 1, 1, 1}},
      {"no fades", 600, 0, 0, {0, 0, 0, 0, 0, 1, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
  };
  for (const Case& c : cases) {
    const std::vector<FadeStop> stops = libraryGridFadeStops(c.height, c.top, c.bottom);
    expectNear(locations(stops), c.locations, c.name);
    expectNear(opacities(stops), c.opacities, c.name);
  }
}

TEST(LibraryGridFade, TheFirstReportShowsAtOnceAndLaterOnesFadeOverATifthOfASecond) {
  test::FakeLibraryContext fake;
  GridScrollEdges edges(*fake.clock);
  int changes = 0;
  edges.setOnChange([&] { ++changes; });
  // Scrolled into a long list at once: both edges, without animation.
  edges.report(100, 600, 5000);
  EXPECT_TRUE(edges.showTop());
  EXPECT_TRUE(edges.showBottom());
  EXPECT_EQ(edges.top(), 1);
  EXPECT_EQ(edges.bottom(), 1);
  EXPECT_FALSE(edges.isAnimating());
  EXPECT_GT(changes, 0);

  // Back within 6 points of the top: the top fade goes over 0.2 s, easing out.
  edges.report(6, 600, 5000);
  EXPECT_FALSE(edges.showTop());
  EXPECT_EQ(edges.top(), 1);
  fake.clock->advance(0.1);
  EXPECT_GT(edges.top(), 0);
  EXPECT_LT(edges.top(), 0.5);  // eased out: more than half the way after half the time
  fake.clock->advance(0.1);
  EXPECT_EQ(edges.top(), 0);
  EXPECT_EQ(edges.bottom(), 1);

  // The end of the list within 6 points: no bottom fade; 7 points away: a fade again.
  edges.report(4394, 600, 5000);
  fake.clock->advance(0.2);
  EXPECT_FALSE(edges.showBottom());
  EXPECT_EQ(edges.bottom(), 0);
  edges.report(4393, 600, 5000);
  EXPECT_TRUE(edges.showBottom());
  fake.clock->advance(0.2);
  EXPECT_EQ(edges.bottom(), 1);
}

TEST(LibraryGridFade, AShortListShowsNoFadeFromTheStart) {
  test::FakeLibraryContext fake;
  GridScrollEdges edges(*fake.clock);
  edges.report(0, 600, 300);
  EXPECT_FALSE(edges.showTop());
  EXPECT_FALSE(edges.showBottom());
  EXPECT_EQ(edges.top() + edges.bottom(), 0);
}

TEST(LibraryTabStripFade, EdgesFadeWhileTabsLieBeyondThem) {
  struct Case {
    double scrollX, content, viewport;
    TabStripFades fades;
  };
  const Case cases[] = {
      {0, 400, 600, {false, false}},                                    // everything fits
      {0, 600.5, 600, {false, false}},                                  // within a point
      {0, 900, 600, {false, true}},    {2, 900, 600, {false, true}},    // two points in: no fade yet
      {3, 900, 600, {true, true}},     {298, 900, 600, {true, false}},  // within two points of the end
      {297, 900, 600, {true, true}},   {-10, 900, 600, {false, true}},  // an overscroll counts as 0
  };
  for (const Case& c : cases)
    EXPECT_EQ(tabStripFades(c.scrollX, c.content, c.viewport), c.fades) << c.scrollX << " " << c.content;
  const std::vector<FadeStop> both = tabStripFadeStops(360, {true, true});
  expectNear(locations(both), {0, 0.05, 0.95, 1}, "both");
  expectNear(opacities(both), {0, 1, 1, 0}, "both");
  expectNear(opacities(tabStripFadeStops(360, {false, true})), {1, 1, 1, 0}, "trailing");
}

}  // namespace
}  // namespace qv
