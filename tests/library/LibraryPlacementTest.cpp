// Where the library opens, how its saved frame is read, and which application paste-back will
// return to.
#include "library/LibraryPlacement.h"

#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonObject>

namespace qv {
namespace {

using namespace libraryWindow;

ScreenInfo screen(const char* name, QRectF frame, QRectF visible) {
  return {QString::fromLatin1(name), frame, visible};
}

// A laptop screen with a top bar, and a large screen to its right.
const ScreenInfo kLaptop = screen("laptop", {0, 0, 1440, 900}, {0, 25, 1440, 875});
const ScreenInfo kLarge = screen("large", {1440, 0, 1920, 1080}, {1440, 0, 1920, 1080});

TEST(LibraryPlacement, FirstFrames) {
  struct Case {
    const char* name;
    QList<ScreenInfo> screens;
    QPointF pointer;
    std::optional<QRectF> saved;
    QRectF expected;
  };
  const std::vector<Case> cases = {
      {"usable 1440 × 875: 40 short, centred", {kLaptop}, {10, 10}, {}, {119, 45, 1202, 835}},
      {"1920 × 1080: the preferred size", {kLarge}, {1500, 10}, {}, {1440 + 359, 106, 1202, 868}},
      {"the pointer on the second screen", {kLaptop, kLarge}, {2000, 500}, {}, {1440 + 359, 106, 1202, 868}},
      {"the pointer beside every screen: the nearest", {kLaptop, kLarge}, {-50, 300}, {}, {119, 45, 1202, 835}},
      {"a screen smaller than the minimum",
       {screen("tiny", {0, 0, 400, 400}, {0, 0, 400, 400})},
       {1, 1},
       {},
       {-20, -40, 440, 480}},
      {"a saved frame on a screen is kept exactly",
       {kLaptop, kLarge},
       {10, 10},
       QRectF(1500, 40, 700, 600),
       {1500, 40, 700, 600}},
      {"a saved frame that overlaps a screen only partly is kept",
       {kLaptop},
       {10, 10},
       QRectF(1300, 700, 700, 600),
       {1300, 700, 700, 600}},
      {"a saved frame whose screen is gone: its size, centred under the pointer",
       {kLaptop},
       {10, 10},
       QRectF(1500, 40, 700, 600),
       {370, 162.5, 700, 600}},
      {"a saved frame 100,000 wide is cut to its screen",
       {kLaptop},
       {10, 10},
       QRectF(10, 100, 100000, 600),
       {0, 100, 1440, 600}},
      {"a saved frame taller than its screen", {kLaptop}, {10, 10}, QRectF(10, 100, 600, 5000), {10, 25, 600, 875}},
      {"a saved frame below the minimum grows to it",
       {kLaptop},
       {10, 10},
       QRectF(10, 100, 50, 60),
       {10, 100, 440, 480}},
      {"no screen at all: the preferred size at the origin", {}, {500, 500}, {}, {0, 0, 1202, 868}},
      {"no screen and a saved frame", {}, {500, 500}, QRectF(10, 10, 700, 600), {0, 0, 1202, 868}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(initialFrame(c.screens, c.pointer, c.saved), c.expected);
  }
}

TEST(LibraryPlacement, SavedFrames) {
  struct Case {
    const char* name;
    QJsonValue stored;
    std::optional<QRectF> expected;
  };
  const std::vector<Case> cases = {
      {"four numbers", QStringLiteral("100 80 1202 868"), QRectF(100, 80, 1202, 868)},
      {"with its screen", QStringLiteral("100 80 1202 868 0 0 1920 1080 "), QRectF(100, 80, 1202, 868)},
      {"a place left of the first screen", QStringLiteral("-300 -20 700 600"), QRectF(-300, -20, 700, 600)},
      {"100,000 wide is read (and cut to its screen later)", QStringLiteral("0 0 100000 600"),
       QRectF(0, 0, 100000, 600)},
      {"absent", QJsonValue(QJsonValue::Undefined), std::nullopt},
      {"a number", QJsonValue(12), std::nullopt},
      {"an object", QJsonObject{{"x", 1}}, std::nullopt},
      {"an array", QJsonArray{1, 2, 3, 4}, std::nullopt},
      {"words", QStringLiteral("the library window"), std::nullopt},
      {"empty", QString(), std::nullopt},
      {"too few numbers", QStringLiteral("1 2 3"), std::nullopt},
      {"five numbers", QStringLiteral("1 2 3 4 5"), std::nullopt},
      {"a negative width", QStringLiteral("10 10 -700 600"), std::nullopt},
      {"no height", QStringLiteral("10 10 700 0"), std::nullopt},
      {"not a number", QStringLiteral("10 10 nan 600"), std::nullopt},
      {"infinite", QStringLiteral("10 10 inf 600"), std::nullopt},
      {"beyond any desktop", QStringLiteral("1e12 0 700 600"), std::nullopt},
      {"a bad screen part", QStringLiteral("10 10 700 600 a b c d"), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decodeSavedFrame(c.stored), c.expected);
  }
  const QString written = encodeSavedFrame(QRectF(1500, 40, 700, 600), kLarge.frame);
  EXPECT_EQ(written, QStringLiteral("1500 40 700 600 1440 0 1920 1080"));
  EXPECT_EQ(decodeSavedFrame(written), QRectF(1500, 40, 700, 600));
}

TEST(LibraryPlacement, TheApplicationToPasteBackInto) {
  const RunningApp editor{100, 7, QStringLiteral("Mousepad"), QStringLiteral("org.xfce.mousepad"), {}, {}};
  const RunningApp terminal{200, 8, QStringLiteral("kitty"), QStringLiteral("kitty"), {}, {}};
  const RunningApp self{42, 9, QStringLiteral("quorvalen"), {}, {}, {}};
  struct Case {
    const char* name;
    std::optional<RunningApp> previous, frontmost, expected;
  };
  const std::vector<Case> cases = {
      {"the one in front", std::nullopt, editor, editor},
      {"a newer one replaces it", editor, terminal, terminal},
      {"opened from this program: the earlier one stays", editor, self, editor},
      {"this program in front and nothing earlier", std::nullopt, self, std::nullopt},
      {"nothing in front", editor, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(previousAppAfterShow(c.previous, c.frontmost, self.pid), c.expected);
  }
}

}  // namespace
}  // namespace qv
