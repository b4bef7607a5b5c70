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
  const QByteArray json = "[" + encodeItem(a) + ",42,{\"id\":\"x\"}," + encodeItem(b) +
                          ",{\"id\":\"" + newUuidString().toUtf8() +
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
  EXPECT_FALSE(decodeItemsSkippingBad("[1,2"));
  EXPECT_FALSE(decodeItemsSkippingBad(""));
  int skipped = -1;
  EXPECT_EQ(decodeItemsSkippingBad("[]", &skipped)->size(), 0);
  EXPECT_EQ(skipped, 0);
}

}  // namespace
}  // namespace qv
