#include "base/ByteCountText.h"
#include "base/CalendarWeek.h"
#include "base/ContentHash.h"
#include "base/Graphemes.h"
#include "base/ReferenceDate.h"
#include "base/RelativeDateText.h"
#include "base/Url.h"
#include "base/Uuid.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(Uuid, TextIsUpperCaseAndParsesBothCases) {
  const QString text = newUuidString();
  EXPECT_EQ(text, text.toUpper());
  EXPECT_EQ(text.size(), 36);
  const QString lower = QStringLiteral("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
  ASSERT_TRUE(parseUuid(lower));
  EXPECT_EQ(uuidString(*parseUuid(lower)), lower.toUpper());
  EXPECT_FALSE(parseUuid(QStringLiteral("{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}")));
  EXPECT_FALSE(parseUuid(QStringLiteral("not-a-uuid")));
  EXPECT_FALSE(parseUuid(QString()));
  for (const QUuid& id : {QUuid(), QUuid::createUuid(), QUuid::createUuid(),
                          *parseUuid(QStringLiteral("FFFFFFFF-0001-A0B0-0F00-00000000000A"))})
    EXPECT_EQ(uuidString(id), id.toString(QUuid::WithoutBraces).toUpper());
}

// Stored ids may come in any form of a UUID; what is only close to one is none.
TEST(Uuid, EveryFormOfAStoredIdReadsAsThatId) {
  const QString canonical = QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
  const struct {
    const char* text;
    bool read;
  } cases[] = {{"E621E1F8-C36C-495A-93FC-0C247A3E6E5F", true},
               {"{e621e1f8-c36c-495a-93fc-0c247a3e6e5f}", true},
               {"{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}", true},
               {"e621e1f8c36c495a93fc0c247a3e6e5f", true},
               {"{E621E1F8C36C495A93FC0C247A3E6E5F}", true},
               {"URN:UUID:e621e1f8-c36c-495a-93fc-0c247a3e6e5f", true},
               {"{e621e1f8-c36c-495a-93fc-0c247a3e6e5f", false},
               {"e621e1f8-c36c-495a-93fc-0c247a3e6e5f}", false},
               {"{{e621e1f8-c36c-495a-93fc-0c247a3e6e5f}}", false},
               {"e621e1f8c36c495a93fc0c247a3e6e5", false},
               {"e621e1f8c36c495a93fc0c247a3e6e5g", false},
               {"e621e1f8-c36c495a-93fc-0c247a3e6e5f", false},
               {" e621e1f8-c36c-495a-93fc-0c247a3e6e5f", false},
               {"{}", false},
               {"", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<QUuid> id = parseUuidAnyForm(QString::fromLatin1(c.text));
    ASSERT_EQ(id.has_value(), c.read);
    if (id) {
      EXPECT_EQ(uuidString(*id), canonical);
    }
  }
  // Digits of other scripts are no hex digits.
  EXPECT_FALSE(parseUuidAnyForm(QStringLiteral("e621e1f8c36c495a93fc0c247a3e6e5\u0665")));
}

TEST(ReferenceDate, SecondsSince2001RoundTrip) {
  const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
  EXPECT_DOUBLE_EQ(secondsSinceReferenceDate(reference), 0.0);
  const QDateTime later(QDate(2024, 5, 6), QTime(7, 8, 9, 250), Qt::UTC);
  const double seconds = secondsSinceReferenceDate(later);
  EXPECT_DOUBLE_EQ(seconds, 736672089.25);
  EXPECT_EQ(dateFromReferenceSeconds(seconds), later);
  EXPECT_EQ(dateFromReferenceSeconds(-86400.0), reference.addDays(-1));
}

TEST(Graphemes, CountsAndCutsWholeClusters) {
  EXPECT_EQ(graphemeCount(QStringLiteral("hello")), 5);
  // Family emoji: four people joined by zero-width joiners, one user-perceived character.
  const QString family = QString::fromUtf8(
      "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D"
      "\xF0\x9F\x91\xA7\xE2\x80\x8D\xF0\x9F\x91\xA6");
  const QString flag = QString::fromUtf8("\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA");  // regional pair
  const QString accent = QStringLiteral("e") + QChar(0x0301);                  // e + combining acute
  const QString text = family + flag + accent + QStringLiteral("x");
  EXPECT_EQ(graphemeCount(text), 4);
  EXPECT_EQ(graphemePrefix(text, 1), family);
  EXPECT_EQ(graphemePrefix(text, 2), family + flag);
  EXPECT_EQ(graphemePrefix(text, 3), family + flag + accent);
  EXPECT_EQ(graphemePrefix(text, 10), text);
  EXPECT_EQ(graphemePrefix(text, 0), QString());
  EXPECT_EQ(graphemeCount(QStringLiteral("a\r\nb")), 3);  // CR LF is one cluster
  // Three indicators: one flag and a lone indicator; a long run of flags stays linear.
  EXPECT_EQ(graphemeCount(flag + flag.left(2)), 2);
  QString flags;
  for (int i = 0; i < 100000; ++i) flags += flag;
  EXPECT_EQ(graphemeCount(flags), 100000);
  EXPECT_EQ(graphemePrefix(flags, 3), flag + flag + flag);
}

TEST(StrictUrl, AcceptsAndRejectsLikeTheStrictParser) {
  for (const char* good :
       {"https://example.com/a?b=c#d", "mailto:someone@example.com", "hello", "file:///Users/me/file.txt", "ssh:server",
        "http://[::1]:8080/x", "https://example.com/%20space", "tel:+123456"}) {
    EXPECT_TRUE(parseStrictUrl(QString::fromLatin1(good))) << good;
  }
  for (const char* bad :
       {"", "two words", "https://example.com/a b", "http://exa mple.com", "https://example.com/%zz",
        "https://example.com:80a/", "<https://x>", "a\"b", "{x}", "1http://x", "https://example.com/\xC3\xA9"}) {
    EXPECT_FALSE(parseStrictUrl(QString::fromUtf8(bad))) << bad;
  }
  EXPECT_TRUE(parseStrictUrl(QStringLiteral("hello"))->scheme().isEmpty());
  // The text comes back exactly as copied, even where QUrl would normalise it.
  for (const char* kept : {"sms://+15551234", "HTTPS://Example.COM/Path", "http://0x7f.1/"}) {
    const auto url = parseStrictUrl(QString::fromLatin1(kept));
    ASSERT_TRUE(url) << kept;
    EXPECT_EQ(absoluteString(*url), QString::fromLatin1(kept));
  }
  EXPECT_EQ(parseStrictUrl(QStringLiteral("HTTPS://Example.COM/"))->scheme(), QStringLiteral("https"));
  EXPECT_NE(*parseStrictUrl(QStringLiteral("https://a.com/")), *parseStrictUrl(QStringLiteral("https://A.com/")));
  EXPECT_EQ(absoluteString(*parseStrictUrl(QStringLiteral("https://example.com/a?b=c"))),
            QStringLiteral("https://example.com/a?b=c"));
}

TEST(ByteCountText, FileStyle) {
  EXPECT_EQ(byteCountText(0), QStringLiteral("Zero KB"));
  EXPECT_EQ(byteCountText(1), QStringLiteral("1 byte"));
  EXPECT_EQ(byteCountText(12), QStringLiteral("12 bytes"));
  EXPECT_EQ(byteCountText(999), QStringLiteral("999 bytes"));
  EXPECT_EQ(byteCountText(1000), QStringLiteral("1 KB"));
  EXPECT_EQ(byteCountText(1499), QStringLiteral("1 KB"));
  EXPECT_EQ(byteCountText(999'499), QStringLiteral("999 KB"));
  EXPECT_EQ(byteCountText(999'999), QStringLiteral("1 MB"));
  EXPECT_EQ(byteCountText(1'500'000), QStringLiteral("1.5 MB"));
  EXPECT_EQ(byteCountText(2'000'000), QStringLiteral("2 MB"));
  EXPECT_EQ(byteCountText(1'234'567'890), QStringLiteral("1.23 GB"));
  EXPECT_EQ(byteCountText(1'200'000'000), QStringLiteral("1.2 GB"));
}

TEST(RelativeDateText, AbbreviatedUnits) {
  const QDateTime now(QDate(2026, 3, 14), QTime(12, 0), Qt::UTC);
  EXPECT_EQ(relativeDateText(now.addSecs(-5), now), QStringLiteral("5 sec. ago"));
  EXPECT_EQ(relativeDateText(now.addSecs(-150), now), QStringLiteral("2 min. ago"));
  EXPECT_EQ(relativeDateText(now.addDays(-1), now), QStringLiteral("1 day ago"));
  EXPECT_EQ(relativeDateText(now.addDays(-3), now), QStringLiteral("3 days ago"));
  EXPECT_EQ(relativeDateText(now.addDays(-15), now), QStringLiteral("2 wk. ago"));
  EXPECT_EQ(relativeDateText(now.addMonths(-2), now), QStringLiteral("2 mo. ago"));
  EXPECT_EQ(relativeDateText(now.addYears(-1), now), QStringLiteral("1 yr. ago"));
}

TEST(RelativeDateText, ACaptureTimeAtOrAheadOfTheClockReadsAsThePresent) {
  const QDateTime now(QDate(2026, 3, 14), QTime(12, 0), Qt::UTC);
  // A card made a moment ago, stamped by a clock a little ahead, or one set back since.
  for (const qint64 aheadMs : {0LL, 1LL, 400LL, 999LL, 5000LL, 3 * 3600 * 1000LL + 5000})
    EXPECT_EQ(relativeDateText(now.addMSecs(aheadMs), now), QStringLiteral("0 sec. ago")) << aheadMs;
  EXPECT_EQ(relativeDateText(now.addMSecs(-400), now), QStringLiteral("0 sec. ago"));
  EXPECT_EQ(relativeDateText(now.addMSecs(-1000), now), QStringLiteral("1 sec. ago"));
}

TEST(CalendarWeek, SundayAndMondayFirstLocales) {
  const QDate sunday(2026, 3, 15);
  const QDate saturday(2026, 3, 14);
  const QDate monday(2026, 3, 16);
  EXPECT_EQ(startOfWeek(saturday, Qt::Sunday), QDate(2026, 3, 8));
  EXPECT_EQ(startOfWeek(sunday, Qt::Sunday), sunday);
  EXPECT_EQ(startOfWeek(sunday, Qt::Monday), QDate(2026, 3, 9));
  const QLocale us(QLocale::English, QLocale::UnitedStates);  // weeks start on Sunday
  const QLocale de(QLocale::German, QLocale::Germany);        // weeks start on Monday
  EXPECT_FALSE(isSameWeek(saturday, sunday, us));
  EXPECT_TRUE(isSameWeek(sunday, monday, us));
  EXPECT_TRUE(isSameWeek(saturday, sunday, de));
  EXPECT_FALSE(isSameWeek(sunday, monday, de));
  // Across a year boundary the week is still one week.
  EXPECT_TRUE(isSameWeek(QDate(2025, 12, 31), QDate(2026, 1, 2), de));
}

}  // namespace
}  // namespace qv

// The history's journal names its file by this hash, and tools compute it too: it is XXH64 with
// seed 0 (the published values), and fed in pieces of any size it gives the hash of the whole.
TEST(ContentHashTest, IsXxh64AndTheSameWhateverThePieces) {
  const std::pair<QByteArray, quint64> published[] = {
      {"", 0xEF46DB3751D8E999ULL}, {"a", 0xD24EC4F1A98C6E5BULL}, {"abc", 0x44BC2CF5AD770999ULL}};
  for (const auto& [text, hash] : published) EXPECT_EQ(qv::ContentHash::of(text), hash) << text.constData();
  QByteArray bytes(100'003, Qt::Uninitialized);
  for (qsizetype i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 7919 + i / 251) & 0xff);
  const quint64 whole = qv::ContentHash::of(bytes);
  for (const qsizetype piece : {1, 7, 31, 32, 33, 4096}) {
    qv::ContentHash hash;
    for (qsizetype at = 0; at < bytes.size(); at += piece)
      hash.add(QByteArrayView(bytes).sliced(at, std::min(piece, bytes.size() - at)));
    EXPECT_EQ(hash.result(), whole) << piece;
    EXPECT_EQ(hash.size(), bytes.size());
  }
  QByteArray changed = bytes;
  changed[50'000] ^= 1;
  EXPECT_NE(qv::ContentHash::of(changed), whole);
}
