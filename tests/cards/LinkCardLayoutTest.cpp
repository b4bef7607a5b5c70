#include "CardContentTestSupport.h"
#include "base/Uuid.h"
#include "cards/content/LinkCardContent.h"
#include "items/link/OGImageCache.h"

#include <gtest/gtest.h>

using namespace qv;
using qv::test::FakeCardContext;
using qv::test::renderCard;
using qv::test::twoTonePicture;

namespace {

const QString kLong = QStringLiteral(
    "Words enough to wrap over many lines of the card, and then some more words, and more words still, so that "
    "the text never fits in four lines of the card however narrow the font may be");
const QString kShort = QStringLiteral("Short");

// The lowest rows of a card: the card shell's source name and time stand there.
QImage bottomBand(const QImage& card) {
  const double dpr = card.devicePixelRatio();
  return card.copy(0, int((240 - LinkCardContent::kBottomSpace) * dpr), card.width(),
                   int(LinkCardContent::kBottomSpace * dpr));
}

}  // namespace

// Title and description end above the card's lowest 46 points whatever the texts and the band:
// lines that do not fit are cut, a line that does not fit at all is left out.
TEST(LinkCardContent, TextEndsAboveTheFreeBottomOfTheCard) {
  struct Case {
    const char* name;
    bool image;
    std::optional<QString> title;
    std::optional<QString> description;
    int titleLines;        // -1: any number from 1
    int descriptionLines;  // -1: any number from 1; 0: left out
  };
  const Case cases[] = {
      {"text only, long texts", false, kLong, kLong, 4, -1},
      {"text only, short texts", false, kShort, kShort, 1, 1},
      {"text only, description alone", false, std::nullopt, kLong, 0, 4},
      {"image, long texts", true, kLong, kLong, -1, 0},
      {"image, short texts", true, kShort, kShort, 1, 0},
      {"image, empty title", true, QString(), kShort, -1, 0},
      {"image, description alone", true, std::nullopt, kLong, 0, 1},
  };
  const QRectF rect(0, 0, 280, 240);
  const double freeTop = rect.bottom() - LinkCardContent::kBottomSpace;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeCardContext fake;
    const QString id = uuidString(QUuid::createUuid());
    fake.context->ogImageCache->save(twoTonePicture({560, 292}, Qt::red, Qt::blue), id);
    std::optional<QString> og;
    if (c.image) og = QStringLiteral("https://example.com/og.png");
    LinkCardContent content(*fake.context, {});
    content.setProps({id, QStringLiteral("example.com"), c.title, c.description, og});
    fake.drain();
    fake.clock->advanceFrames(120);
    ASSERT_EQ(content.hasPreviewImage(), c.image);

    const LinkCardContent::Layout layout = content.layout(rect);
    EXPECT_EQ(layout.title.isNull(), !c.title);
    if (c.titleLines >= 0) {
      EXPECT_EQ(layout.titleLines, c.titleLines);
    } else {
      EXPECT_GE(layout.titleLines, 1);
    }
    if (!layout.title.isNull()) {
      EXPECT_LE(layout.title.bottom(), freeTop);
    }
    if (c.descriptionLines >= 0) {
      EXPECT_EQ(layout.descriptionLines, c.descriptionLines);
    } else {
      EXPECT_GE(layout.descriptionLines, 1);
    }
    EXPECT_EQ(layout.description.isNull(), layout.descriptionLines == 0);
    if (!layout.description.isNull()) {
      EXPECT_LE(layout.description.bottom(), freeTop);
    }

    // Nothing of the texts is painted there: the bottom looks as it does on a card without them.
    LinkCardContent bare(*fake.context, {});
    bare.setProps({id, QStringLiteral("example.com"), std::nullopt, std::nullopt, og});
    fake.drain();
    fake.clock->advanceFrames(120);
    for (const double dpr : {1.0, 2.0}) {
      const QImage painted = renderCard(dpr, [&](QPainter& p, const QRectF& r) { content.paint(p, r, fake.env()); });
      const QImage empty = renderCard(dpr, [&](QPainter& p, const QRectF& r) { bare.paint(p, r, fake.env()); });
      EXPECT_TRUE(bottomBand(painted) == bottomBand(empty)) << "dpr " << dpr;
    }
  }
}
