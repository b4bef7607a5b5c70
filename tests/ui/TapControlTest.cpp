#include "support/ui/FakeInterfaceContext.h"
#include "ui/controls/OrnamentRail.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMouseEvent>

using namespace qv;
using qv::test::FakeInterfaceContext;

namespace {

void send(QWidget& widget, QEvent::Type type, quint64 at) {
  const QPointF point(17, 17);
  QMouseEvent event(type, point, widget.mapToGlobal(point), Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
  event.setTimestamp(at);
  QApplication::sendEvent(&widget, &event);
}

}  // namespace

// A double-click whose first click changed the buttons under the pointer (Save giving way to
// Delete) must not tap the button that came: it never took the first press. A double-click on one
// button taps it twice, as before; a late second press is a press of its own.
TEST(TapControl, TheSecondPressOfADoubleClickTapsOnlyTheControlThatTookTheFirst) {
  FakeInterfaceContext fake;
  int saves = 0, deletes = 0;
  OrnamentRailButton save(*fake.context, {.icon = "checkmark"}, {[&] { ++saves; }});
  OrnamentRailButton remove(*fake.context, {.icon = "trash"}, {[&] { ++deletes; }});
  const quint64 interval = quint64(QApplication::doubleClickInterval());

  send(save, QEvent::MouseButtonPress, 1000);
  send(save, QEvent::MouseButtonRelease, 1050);
  send(remove, QEvent::MouseButtonDblClick, 1100);
  send(remove, QEvent::MouseButtonRelease, 1150);
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(deletes, 0);

  send(save, QEvent::MouseButtonDblClick, 1200);
  send(save, QEvent::MouseButtonRelease, 1250);
  EXPECT_EQ(saves, 2) << "a double-click on one button taps it twice";

  send(remove, QEvent::MouseButtonPress, 5000);
  send(remove, QEvent::MouseButtonRelease, 5050);
  send(remove, QEvent::MouseButtonDblClick, 5000 + interval + 1);
  send(remove, QEvent::MouseButtonRelease, 5000 + interval + 50);
  EXPECT_EQ(deletes, 1) << "a second press after the interval is not part of the first click";
}
