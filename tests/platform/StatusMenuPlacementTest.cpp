// Where the status icon's menu opens: beside the icon, inside the usable area of the monitor the
// icon is on, never over the tray it sits in.
#include "platform/StatusItem.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(StatusMenuPlacement, BesideTheIconInsideItsMonitorsUsableArea) {
  const QSize menu(200, 170);
  // Two 1920 × 1080 monitors side by side, a tray 28 high along the bottom of both.
  const QList<ScreenInfo> two = {{"LEFT", {0, 0, 1920, 1080}, {0, 0, 1920, 1052}},
                                 {"RIGHT", {1920, 0, 1920, 1080}, {1920, 0, 1920, 1052}}};
  // The right monitor gone; the tray still reaches where it was.
  const QList<ScreenInfo> left = {two.first()};
  // One monitor with a bar along the top.
  const QList<ScreenInfo> topBar = {{"ONE", {0, 0, 1920, 1080}, {0, 32, 1920, 1048}}};
  const struct {
    const char* name;
    QList<ScreenInfo> screens;
    QRect icon;
    QPoint pointer;
    QPoint at;
  } cases[] = {
      {"tray at the bottom of the right monitor: above it, ending at the right edge",
       two,
       {3800, 1054, 24, 24},
       {},
       {3640, 1052 - 170}},
      {"tray at the bottom of the left monitor: above the icon, at its left edge",
       two,
       {900, 1054, 24, 24},
       {},
       {900, 1052 - 170}},
      {"the icon's monitor gone: on the nearest monitor, as near as it can be",
       left,
       {3800, 1054, 24, 24},
       {},
       {1720, 1052 - 170}},
      {"a bar at the top: below the icon", topBar, {1800, 4, 24, 24}, {}, {1720, 32}},
      {"an icon in the middle of the screen: below it", topBar, {100, 500, 24, 24}, {}, {100, 500 + 24}},
      {"a menu that fits exactly below the icon: below it", topBar, {100, 886, 24, 24}, {}, {100, 1080 - 170}},
      {"no icon geometry: the pointer stands in", two, {}, {2000, 1070}, {2000, 1052 - 170}},
      {"no screens known: under the icon", {}, {50, 60, 24, 24}, {}, {50, 84}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QPoint at = statusMenuPosition(c.icon, menu, c.screens, c.pointer);
    EXPECT_EQ(at, c.at);
    if (!c.screens.isEmpty()) {
      bool inside = false;
      for (const ScreenInfo& screen : c.screens) inside |= screen.visibleFrame.contains(QRectF(at, menu));
      EXPECT_TRUE(inside) << at.x() << "," << at.y();
    }
  }
}
