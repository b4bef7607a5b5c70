#include "panel/CopiedToastView.h"
#include "support/ui/FakeInterfaceContext.h"

#include <gtest/gtest.h>
#include <QImage>

using namespace qv;

namespace {

struct ToastCase {
  const char* name;
  bool reduceMotion;
  double scaleEarly;  // 30 ms after the flag rose
};

}  // namespace

TEST(CopiedToast, FollowsTheFlagScalingInOnlyWithFullMotion) {
  const ToastCase cases[] = {{"full motion", false, 0.85}, {"reduce motion", true, 1.0}};
  for (const ToastCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakeInterfaceContext fake;
    fake.desktopAppearance->setReduceMotion(c.reduceMotion);
    CopiedToastView toast(*fake.context);
    toast.resize(toast.sizeHint());
    EXPECT_EQ(toast.opacity(), 0);

    toast.setProps({true});
    fake.clock->advance(0.03);
    EXPECT_GT(toast.opacity(), 0);
    EXPECT_LT(toast.opacity(), 1);
    if (c.reduceMotion) EXPECT_EQ(toast.scale(), 1.0);
    else EXPECT_LT(toast.scale(), 1.0);
    EXPECT_GE(toast.scale(), c.scaleEarly);
    fake.clock->advanceFrames(120);
    EXPECT_NEAR(toast.opacity(), 1, 1e-3);
    EXPECT_NEAR(toast.scale(), 1, 1e-3);
    // Painted at the card's centre while shown.
    const QImage shown = toast.renderForTest();
    EXPECT_GT(qAlpha(shown.pixel(toast.cardRect().center().toPoint())), 200);

    // Leaving is a fade alone.
    toast.setProps({false});
    fake.clock->advance(0.05);
    EXPECT_EQ(toast.scale(), 1.0);
    fake.clock->advanceFrames(120);
    EXPECT_NEAR(toast.opacity(), 0, 1e-3);
    EXPECT_EQ(qAlpha(toast.renderForTest().pixel(toast.cardRect().center().toPoint())), 0);
  }
}

TEST(CopiedToast, LetsClicksThroughAndSaysHowToPaste) {
  test::FakeInterfaceContext fake;
  CopiedToastView toast(*fake.context);
  EXPECT_TRUE(toast.testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_TRUE(toast.hitShape().isEmpty());
  EXPECT_EQ(toast.accessibility().description, "Press Ctrl+V to paste");
  EXPECT_EQ(toast.accessibility().name, "Copied to clipboard");
}
