#include "items/ItemServices.h"
#include "items/model/CardGroup.h"
#include "items/model/ClipboardItem.h"
#include "items/stores/ImageStore.h"
#include "support/items/FakeItemContext.h"

#include "base/RelativeDateText.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

const QDateTime kNow = QDateTime::fromSecsSinceEpoch(1'750'000'000, Qt::UTC);

ClipboardItem itemWith(ClipboardPayload payload, QString source = QStringLiteral("org.gnome.TextEditor")) {
  return ClipboardItem::make(QUuid::fromString(QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F")),
                             std::move(source), kNow.addSecs(-120), std::move(payload));
}

ClipboardItem text(const QString& t) { return itemWith(TextPayload{t}); }

LinkPayload link(std::optional<QString> title, std::optional<QString> description) {
  return LinkPayload{*parseStrictUrl(QStringLiteral("https://example.org/page")), QStringLiteral("example.org"),
                     std::move(title), std::move(description), QStringLiteral("https://cdn.example/og.png")};
}

TEST(ItemSearch, QueryMatching) {
  EXPECT_TRUE(itemWith(ImagePayload{{}, QStringLiteral("x.png"), 1, 1, {}}).matches(QString()));
  EXPECT_TRUE(text(QStringLiteral("the foobar here")).matches(QStringLiteral("OBA")));
  EXPECT_FALSE(text(QStringLiteral("nospace")).matches(QStringLiteral(" ")));
  EXPECT_TRUE(text(QStringLiteral("a b")).matches(QStringLiteral(" ")));
  // Diacritics are not folded.
  EXPECT_FALSE(text(QStringLiteral("café")).matches(QStringLiteral("cafe")));
  EXPECT_TRUE(text(QStringLiteral("CAFÉ")).matches(QStringLiteral("café")));

  EXPECT_TRUE(itemWith(link(QStringLiteral("Weekly Report"), std::nullopt)).matches(QStringLiteral("report")));
  EXPECT_TRUE(itemWith(link(std::nullopt, QStringLiteral("About Things"))).matches(QStringLiteral("things")));
  EXPECT_FALSE(itemWith(link(std::nullopt, std::nullopt)).matches(QStringLiteral("cdn")));  // preview not searched
  EXPECT_TRUE(itemWith(link(std::nullopt, std::nullopt)).matches(QStringLiteral("/page")));

  const ClipboardItem file = itemWith(
      FilePayload{QStringLiteral("Budget.xlsx"), QStringLiteral("12 KB"),
                  *parseStrictUrl(QStringLiteral("file:///home/ann/finance/Budget.xlsx"))});
  EXPECT_TRUE(file.matches(QStringLiteral("budget")));
  EXPECT_FALSE(file.matches(QStringLiteral("12 kb")));
  EXPECT_FALSE(file.matches(QStringLiteral("finance")));

  const ClipboardItem code = itemWith(CodePayload{QStringLiteral("print(1)"), QStringLiteral("Python")});
  EXPECT_TRUE(code.matches(QStringLiteral("pyth")));
  EXPECT_TRUE(itemWith(ColorPayload{QStringLiteral("#FF8800"), 255, 136, 0}).matches(QStringLiteral("ff88")));

  const ClipboardItem image = itemWith(ImagePayload{{}, QStringLiteral("shot.png"), 1, 1, {}});
  EXPECT_FALSE(image.matches(QStringLiteral("invoice")));
  EXPECT_FALSE(image.matches(QStringLiteral("invoice"), [](const QString&) { return std::nullopt; }));
  EXPECT_TRUE(image.matches(QStringLiteral("invoice"), [](const QString& id) -> std::optional<QString> {
    EXPECT_EQ(id, QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F"));
    return QStringLiteral("INVOICE 2025");
  }));
}

TEST(ItemText, PlainTextAndCombinedText) {
  EXPECT_FALSE(itemWith(ImagePayload{}).plainText());
  EXPECT_EQ(itemWith(link(std::nullopt, std::nullopt)).plainText(), QStringLiteral("https://example.org/page"));
  EXPECT_EQ(
      itemWith(FilePayload{QStringLiteral("a b.txt"), {}, *parseStrictUrl(QStringLiteral("file:///tmp/a%20b.txt"))})
          .plainText(),
      QStringLiteral("/tmp/a b.txt"));

  EXPECT_FALSE(ClipboardItem::combinedText({itemWith(ImagePayload{})}));
  EXPECT_FALSE(ClipboardItem::combinedText({}));
  EXPECT_EQ(ClipboardItem::combinedText({text(QStringLiteral("  padded \n")), text(QStringLiteral(" \t\n ")),
                                         itemWith(ImagePayload{}),
                                         itemWith(ColorPayload{QStringLiteral("#000000"), 0, 0, 0})}),
            QStringLiteral("padded\n#000000"));
}

TEST(ItemText, FirstLineCutsAtBreaksAndNinetyGraphemes) {
  // The whole text is trimmed before the cut, so the line may keep spaces before its break.
  EXPECT_EQ(firstLine(QStringLiteral("  \n first line \r\nsecond")), QStringLiteral("first line "));
  EXPECT_EQ(firstLine(QStringLiteral("a\u2028b")), QStringLiteral("a"));
  EXPECT_EQ(firstLine(QStringLiteral("a\u0085b")), QStringLiteral("a"));
  EXPECT_EQ(firstLine(QString(120, u'x')), QString(90, u'x') + QChar(0x2026));
  EXPECT_EQ(firstLine(QString(90, u'x')), QString(90, u'x'));
  // Graphemes, not code units: 91 family emoji keep 90 whole clusters.
  QString family;
  for (int i = 0; i < 91; ++i) family += QString::fromUtf8("👨‍👩‍👧");
  const QString cut = firstLine(family);
  EXPECT_TRUE(cut.endsWith(QChar(0x2026)));
  EXPECT_EQ(cut.size() - 1, family.size() / 91 * 90);
}

TEST(ItemText, SpokenSummary) {
  const QString ago = relativeDateText(kNow.addSecs(-120), kNow);
  auto names = [](const QString& id) {
    return id == QStringLiteral("org.gnome.TextEditor") ? QStringLiteral("Text Editor") : QStringLiteral("?");
  };

  const ClipboardItem nearby = itemWith(TextPayload{QStringLiteral("  Hello there\nsecond line  ")},
                                        QString::fromLatin1(kNearbyDeviceBundleID));
  EXPECT_EQ(nearby.accessibilityLabel(names, kNow), QStringLiteral("Text, Hello there, from Nearby Device, ") + ago);
  EXPECT_EQ(
      text(QString(120, u'y')).accessibilityLabel(names, kNow),
      QStringLiteral("Text, ") + QString(90, u'y') + QChar(0x2026) + QStringLiteral(", from Text Editor, ") + ago);
  EXPECT_EQ(itemWith(ColorPayload{QStringLiteral("#FF8800"), 255, 136, 0}).accessibilityLabel(names, kNow),
            QStringLiteral("Colour #FF8800, from Text Editor, ") + ago);
  EXPECT_EQ(itemWith(ImagePayload{{}, QString(), 640, 480, {}}).accessibilityLabel(names, kNow),
            QStringLiteral("Image, 640 by 480, from Text Editor, ") + ago);
  EXPECT_EQ(itemWith(ImagePayload{{}, QStringLiteral("a.png"), 1, 2, {}}).accessibilityLabel(names, kNow),
            QStringLiteral("Image, a.png, 1 by 2, from Text Editor, ") + ago);
  EXPECT_EQ(itemWith(link(QStringLiteral("Title"), std::nullopt)).accessibilityLabel(names, kNow),
            QStringLiteral("Link, Title, https://example.org/page, from Text Editor, ") + ago);
  EXPECT_EQ(itemWith(link(std::nullopt, std::nullopt)).accessibilityLabel(names, kNow),
            QStringLiteral("Link, example.org, from Text Editor, ") + ago);
  EXPECT_EQ(itemWith(CodePayload{QStringLiteral("let a = 1\nlet b"), QString()}).accessibilityLabel(names, kNow),
            QStringLiteral("Code, let a = 1, from Text Editor, ") + ago);
  EXPECT_EQ(itemWith(CodePayload{QStringLiteral("x"), QStringLiteral("Swift")}).accessibilityLabel(names, kNow),
            QStringLiteral("Code, Swift, x, from Text Editor, ") + ago);
  EXPECT_EQ(itemWith(FilePayload{QStringLiteral("a.pdf"), QStringLiteral("2 KB"), std::nullopt})
                .accessibilityLabel(names, kNow),
            QStringLiteral("File, a.pdf, 2 KB, from Text Editor, ") + ago);
}

TEST(ItemModel, EqualityAndImageAccessor) {
  QImage red(2, 2, QImage::Format_ARGB32);
  red.fill(Qt::red);
  QImage otherRed = red.copy();
  const ImagePayload a{red, QStringLiteral("a"), 2, 2, QStringLiteral("1 KB")};
  ImagePayload b = a;
  EXPECT_EQ(a, b);  // one shared image
  b.edit().image = otherRed;
  EXPECT_NE(a, b);  // equal pixels, another image
  EXPECT_NE(itemWith(link(std::nullopt, std::nullopt)), itemWith(link(QString(), std::nullopt)));

  FakeItemContext fake;
  installItemServices(*fake.context);
  const ImageStore& store = *fake.context->imageStore;
  const ClipboardItem decoded = itemWith(ImagePayload{{}, QStringLiteral("a"), 2, 2, {}});
  EXPECT_FALSE(decoded.image(store));  // no side file
  ASSERT_TRUE(store.save(red, decoded.idString()));
  ASSERT_TRUE(decoded.image(store));
  EXPECT_EQ(decoded.image(store)->size(), QSize(2, 2));
  EXPECT_EQ(itemWith(a).image(store)->cacheKey(), red.cacheKey());
  EXPECT_FALSE(text(QStringLiteral("x")).image(store));
}

// Links, files and images keep their fields in a box their copies share: a copy of an item is
// still a value of its own, and items are equal by their fields, not by their box.
TEST(ItemModel, BoxedKindsAreValues) {
  const Url page = *parseStrictUrl(QStringLiteral("https://example.org/page"));
  const struct {
    const char* name;
    ClipboardPayload payload;
    std::function<void(ClipboardPayload&)> edit;
  } cases[] = {
      {"link", link(QStringLiteral("Title"), std::nullopt),
       [](ClipboardPayload& p) { std::get<LinkPayload>(p).edit().title = QStringLiteral("Other"); }},
      {"file", FilePayload{QStringLiteral("a.txt"), QStringLiteral("1 KB"), Url::fromLocalFile("/tmp/a.txt")},
       [](ClipboardPayload& p) { std::get<FilePayload>(p).edit().size.clear(); }},
      {"image", ImagePayload{QImage(), QStringLiteral("a.png"), 4, 3, QStringLiteral("1 KB")},
       [](ClipboardPayload& p) { std::get<ImagePayload>(p).edit().width = 5; }},
  };
  for (const auto& c : cases) {
    const ClipboardItem original = itemWith(c.payload);
    ClipboardItem copy = original;
    EXPECT_EQ(copy, original) << c.name;
    c.edit(copy.payload);
    EXPECT_NE(copy, original) << c.name;
    EXPECT_EQ(original, itemWith(c.payload)) << c.name << ": the original keeps its fields";
    c.edit(copy.payload);  // the same edit again: no longer shared, the copy changes in place
    ClipboardItem twin = itemWith(c.payload);
    c.edit(twin.payload);
    EXPECT_EQ(copy, twin) << c.name << ": equal fields in two boxes";
    EXPECT_EQ(copy.plainText(), twin.plainText()) << c.name;
  }
  EXPECT_EQ(contentType(ClipboardPayload(LinkPayload{page, QStringLiteral("example.org")})), ContentType::link);
}

// Local wall-clock moments, so the test holds in any time zone.
QDateTime local(int y, int m, int d, int h, int min) { return QDateTime(QDate(y, m, d), QTime(h, min)); }

TEST(CardGroups, MidnightAndWeekStarts) {
  const QLocale us(QLocale::English, QLocale::UnitedStates);                // weeks start on Sunday
  const QLocale de(QLocale::German, QLocale::Germany);                      // weeks start on Monday
  const QDateTime justAfterMidnight = local(2025, 2, 5, 0, 0).addSecs(30);  // Wednesday
  EXPECT_EQ(cardGroup(local(2025, 2, 4, 23, 59), justAfterMidnight, de), CardGroup::yesterday);
  EXPECT_EQ(cardGroup(local(2025, 2, 5, 0, 0), justAfterMidnight, de), CardGroup::today);
  EXPECT_EQ(cardGroup(local(2025, 2, 3, 12, 0), justAfterMidnight, de), CardGroup::thisWeek);  // Monday
  EXPECT_EQ(cardGroup(local(2025, 2, 2, 12, 0), justAfterMidnight, de), CardGroup::earlier);   // Sunday
  EXPECT_EQ(cardGroup(local(2025, 2, 2, 12, 0), justAfterMidnight, us), CardGroup::thisWeek);
  EXPECT_EQ(cardGroup(local(2025, 2, 1, 12, 0), justAfterMidnight, us), CardGroup::earlier);
  // Yesterday wins over an earlier week; a week spans the new year.
  EXPECT_EQ(cardGroup(local(2025, 2, 2, 23, 59), local(2025, 2, 3, 0, 5), de), CardGroup::yesterday);
  EXPECT_EQ(cardGroup(local(2024, 12, 30, 9, 0), local(2025, 1, 2, 9, 0), de), CardGroup::thisWeek);
  // UTC capture times are compared in local time.
  EXPECT_EQ(cardGroup(local(2025, 2, 4, 23, 59).toUTC(), justAfterMidnight, de), CardGroup::yesterday);

  // The titles are what the collapsed groups are stored by.
  QStringList titles;
  for (CardGroup group : kAllCardGroups) titles << rawValue(group);
  EXPECT_EQ(titles, (QStringList{"Today", "Yesterday", "This Week", "Earlier"}));
  EXPECT_EQ(cardGroupFromRaw(u"This Week"), CardGroup::thisWeek);
}

}  // namespace
}  // namespace qv
