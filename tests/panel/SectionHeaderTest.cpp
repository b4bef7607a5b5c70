#include "panel/CardListItems.h"
#include "panel/CardListLayout.h"
#include "panel/PanelTestSupport.h"

#include <gtest/gtest.h>
#include <QPainter>

using namespace qv;
using qv::test::PanelHarness;

// The rule after the title is one point high on whole device pixels, wherever the header stands:
// never smeared over two pixel rows at half strength.
TEST(SectionHeaderItem, TheHairlineCoversOnePointOfWholePixels) {
  struct Case {
    double ratio;
    double offset;  // where the header's top lands, in points
    int rows;
  };
  PanelHarness fake;
  SectionHeaderItem header(*fake.context);
  header.setProps({QStringLiteral("Today"), 3, false}, {});
  header.setWidth(296);
  for (const Case& c :
       {Case{1, 0, 1}, Case{1, 0.5, 1}, Case{1, 0.3, 1}, Case{2, 0, 2}, Case{2, 0.25, 2}, Case{1.5, 0.4, 2}}) {
    SCOPED_TRACE(testing::Message() << "ratio " << c.ratio << " offset " << c.offset);
    QImage image(QSize(int(300 * c.ratio), int(40 * c.ratio)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(c.ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.translate(0, c.offset);
    header.paint(&painter, nullptr, nullptr);
    painter.end();
    // A column in the middle of the rule, between the title and the chevron.
    const int x = int(200 * c.ratio);
    int rows = 0, strongest = 0;
    for (int y = 0; y < image.height(); ++y) {
      const int alpha = qAlpha(image.pixel(x, y));
      rows += alpha > 0;
      strongest = std::max(strongest, alpha);
    }
    EXPECT_EQ(rows, c.rows);
    EXPECT_NEAR(strongest, 0.1 * 255, 2);  // the full colour, not half of it on two rows
    // It stays on the title's middle, within a pixel.
    int first = 0;
    while (first < image.height() && qAlpha(image.pixel(x, first)) == 0) ++first;
    EXPECT_NEAR(first / c.ratio, c.offset + cardList::kHeaderTopPadding + cardList::kHeaderRowHeight / 2 - 0.5,
                1 / c.ratio + 0.01);
  }
}
