// Each monitor's usable area on a desktop of two 1920 × 1080 monitors side by side: the window
// manager's work area and the docks' struts, so that nothing placed there covers a panel or tray.
#include "platform/Screens.h"
#include "platform/x11/X11WorkArea.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

const QSize kDesktop(3840, 1080);
const QRectF kLeft(0, 0, 1920, 1080);
const QRectF kRight(1920, 0, 1920, 1080);

QList<ReservedStrip> partial(std::initializer_list<quint32> strut) { return x11::strutStrips(strut, kDesktop); }

}  // namespace

TEST(UsableArea, WorkAreaAndStrutsCutEachMonitorWhereTheyReachIt) {
  const struct {
    const char* name;
    DesktopReservations reserved;
    QRectF left, right;
  } cases[] = {
      {"nothing reserved", {}, kLeft, kRight},
      {"a window manager's tray along the whole bottom (work area only)",
       {QRectF(0, 0, 3840, 1052), {}},
       {0, 0, 1920, 1052},
       {1920, 0, 1920, 1052}},
      {"a tray under the left monitor only (partial strut)",
       {std::nullopt, partial({0, 0, 0, 28, 0, 0, 0, 0, 0, 0, 0, 1919})},
       {0, 0, 1920, 1052},
       kRight},
      {"a dock at the right monitor's left edge reaches across the left monitor",
       {std::nullopt, partial({1980, 0, 0, 0, 100, 899, 0, 0, 0, 0, 0, 0})},
       {0, 0, 1920, 1080},  // the strut spans the whole left monitor: it is no reservation there
       {1980, 0, 1860, 1080}},
      {"a top bar on both (plain strut) and the work area below it",
       {QRectF(0, 32, 3840, 1048), x11::strutStrips({0, 0, 32, 0}, kDesktop)},
       {0, 32, 1920, 1048},
       {1920, 32, 1920, 1048}},
      {"a work area that misses a monitor leaves it whole", {QRectF(0, 0, 1920, 1000), {}}, {0, 0, 1920, 1000}, kRight},
  };
  for (const auto& [name, reserved, left, right] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(usableArea(kLeft, reserved), left);
    EXPECT_EQ(usableArea(kRight, reserved), right);
  }
}

TEST(UsableArea, StrutsBecomeStripsAlongTheirEdges) {
  EXPECT_EQ(partial({10, 20, 30, 40, 0, 99, 100, 199, 200, 299, 300, 399}),
            (QList<ReservedStrip>{{Qt::LeftEdge, {0, 0, 10, 100}},
                                  {Qt::RightEdge, {3820, 100, 20, 100}},
                                  {Qt::TopEdge, {200, 0, 100, 30}},
                                  {Qt::BottomEdge, {300, 1040, 100, 40}}}));
  EXPECT_TRUE(partial({0, 0, 0}).isEmpty()) << "too short";
}
