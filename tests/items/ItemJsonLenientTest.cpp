#include "base/Uuid.h"
#include "items/model/ItemJsonLenient.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

ClipboardItem text(const QString& value) {
  return ClipboardItem::make(newUuid(), QStringLiteral("org.example.Editor"),
                             QDateTime(QDate(2026, 1, 2), QTime(3, 4), Qt::UTC), TextPayload{value});
}

TEST(ItemJsonLenientTest, KeepsEverySoundRecordInOrderAndCountsTheOthers) {
  const ClipboardItem a = text(QStringLiteral("a")), b = text(QStringLiteral("b"));
  const QByteArray json = "[" + encodeItem(a) + ",42,{\"id\":\"x\"}," + encodeItem(b) + ",{\"id\":\"" +
                          newUuidString().toUtf8() +
                          "\",\"contentType\":\"text\",\"sourceAppBundleID\":\"s\",\"capturedAt\":1,"
                          "\"payload\":{\"type\":\"hologram\"}}]";
  int skipped = -1;
  ItemDecodeError error;
  const auto items = decodeItemsSkippingBad(json, &skipped, &error);
  ASSERT_TRUE(items);
  EXPECT_EQ(*items, (QList<ClipboardItem>{a, b}));
  EXPECT_EQ(skipped, 3);
  EXPECT_EQ(error.codingPath, QStringLiteral("[1]"));
  EXPECT_FALSE(decodeItems(json));  // the strict decoder still fails as a whole
}

TEST(ItemJsonLenientTest, NothingForTextThatIsNoArray) {
  EXPECT_FALSE(decodeItemsSkippingBad("{\"a\":1}"));
  EXPECT_FALSE(decodeItemsSkippingBad(""));
  int skipped = -1;
  EXPECT_EQ(decodeItemsSkippingBad("[]", &skipped)->size(), 0);
  EXPECT_EQ(skipped, 0);
}

// A history cut short anywhere keeps exactly the records that end before the cut.
TEST(ItemJsonLenientTest, TextCutShortKeepsTheWholeRecordsBeforeTheCut) {
  const QList<ClipboardItem> all{text(QStringLiteral("first")), text(QStringLiteral("second \"quoted\"")),
                                 text(QStringLiteral("third"))};
  const QByteArray json = encodeItems(all);
  const qsizetype firstEnd = 1 + encodeItem(all[0]).size();
  const qsizetype secondEnd = firstEnd + 1 + encodeItem(all[1]).size();
  const struct {
    qsizetype length;
    int kept;
  } cases[] = {{1, 0},
               {10, 0},
               {firstEnd - 1, 0},
               {firstEnd, 1},
               {firstEnd + 1, 1},
               {firstEnd + 20, 1},
               {secondEnd - 3, 1},
               {secondEnd, 2},
               {json.size() / 2, 1},
               {json.size() - 1, 3}};
  for (const auto& c : cases) {
    bool cut = false;
    int skipped = -1;
    const auto items = decodeItemsSkippingBad(json.left(c.length), &skipped, nullptr, &cut);
    ASSERT_TRUE(items) << c.length;
    EXPECT_EQ(*items, all.mid(0, c.kept)) << c.length;
    EXPECT_TRUE(cut) << c.length;
    EXPECT_EQ(skipped, 0) << c.length;
  }
  // A bad record before the cut is still skipped, not the end of what is kept.
  const QByteArray mixed = "[{\"id\":1}," + json.mid(1, secondEnd + 10);
  int skipped = 0;
  EXPECT_EQ(decodeItemsSkippingBad(mixed, &skipped), all.mid(0, 2));
  EXPECT_EQ(skipped, 1);
}

}  // namespace
}  // namespace qv
