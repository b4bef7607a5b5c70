// The snappy hover spring overshoots 1 for a few frames: a colour's alpha made from it stays in
// [0, 1] on every frame, so painting never asks Qt for an invalid alpha (which it refuses, and
// complains about, at every hover).
#include "settings/AddButton.h"
#include "settings/Sidebar.h"
#include "support/CapturedLog.h"
#include "support/settings/FakeSettingsContext.h"

#include <gtest/gtest.h>
#include <QTest>
#include <functional>
#include <memory>

using namespace qv;
using qv::test::CapturedLog;
using qv::test::FakeSettingsContext;

TEST(HoverOvershoot, EveryFrameOfAHoverPaintsWithAValidAlpha) {
  const struct {
    const char* name;
    std::function<std::unique_ptr<PaintedWidget>(FakeSettingsContext&)> make;
  } views[] = {
      {"Add App",
       [](FakeSettingsContext& fake) {
         return std::make_unique<AddButton>(*fake.context, AddButton::Props{"Add App", false}, AddButton::Callbacks{});
       }},
      {"Quit",
       [](FakeSettingsContext& fake) { return std::make_unique<QuitButton>(*fake.context, QuitButton::Callbacks{}); }},
  };
  for (const auto& view : views) {
    SCOPED_TRACE(view.name);
    FakeSettingsContext fake;
    std::unique_ptr<PaintedWidget> widget = view.make(fake);
    widget->resize(widget->sizeHint().expandedTo(QSize(120, 32)));
    widget->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget.get()));
    CapturedLog log;
    QTest::mouseMove(widget.get(), QRect(QPoint(), widget->size()).center());
    ASSERT_TRUE(widget->isHovered());
    double highest = 0;
    for (int frame = 0; frame < 40; ++frame) {
      fake.clock->advanceFrames(1);
      highest = std::max(highest, widget->hoverProgress());
      widget->renderForTest(1);
    }
    EXPECT_GT(highest, 1) << "the spring overshoots";
    for (const CapturedLog::Line& line : log.lines())
      EXPECT_FALSE(line.text.contains("QColor")) << line.text.toStdString();
  }
}
