// The strict URL parser takes everyday URLs without running the QUrl parse. What it takes that
// way must be what the QUrl strict parse takes (everything it turns down was turned down before
// as well: the character checks are shared and the parse is the fallback), and the URL built
// later must be the one the parse gives.
#include "base/Url.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <random>
#include <thread>
#include <vector>

namespace qv {
namespace {

// URL-like text around the quick shape: schemes, hosts with and without the traps (IP
// literals, punycode, long labels, stray hyphens and dots, user info), ports near the limit,
// and paths with escapes, brackets and extra '#'.
class UrlTextGenerator {
 public:
  explicit UrlTextGenerator(unsigned seed) : random_(seed) {}

  QString next() {
    QString text = pick({u"http", u"https", u"file", u"ftp", u"a", u"x+y-z.w", u"sms", u"H2", u"1x", u""});
    text += pick({u"://", u"://", u"://", u":", u":/", u"", u"//"});
    text += host();
    if (chance(30)) text += u':' + digits(int(below(8)));
    const int parts = int(below(6));
    for (int i = 0; i < parts; ++i) text += pathPiece();
    return text;
  }

 private:
  bool chance(int percent) { return int(below(100)) < percent; }
  size_t below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random_); }
  QString pick(std::initializer_list<const char16_t*> options) {
    return QString::fromUtf16(*(options.begin() + below(options.size())));
  }
  QString digits(int count) {
    QString out;
    for (int i = 0; i < count; ++i) out += QChar(u'0' + char16_t(below(10)));
    if (chance(20)) out = pick({u"65535", u"65536", u"0", u"00080", u"99999"});
    return out;
  }
  QString label() {
    static const QString chars = QStringLiteral("abcxyzABZ0189-");
    if (chance(8)) return pick({u"xn--bcher-kva", u"xn--zz", u"xn--", u"a--b", u"-a", u"a-", u"localhost", u"999", u"0x1f"});
    const int length = chance(3) ? 60 + int(below(8)) : 1 + int(below(10));
    QString out;
    for (int i = 0; i < length; ++i) out += chars[qsizetype(below(size_t(chars.size())))];
    return out;
  }
  QString host() {
    if (chance(8)) return QString();
    if (chance(10))
      return pick({u"[::1]", u"[v1.x]", u"[::zz]", u"1.2.3.4", u"256.1.1.1", u"1.2.3", u"user@host", u"u:p@h.example",
                   u"a_b.example", u"a%41b.example", u"a..b", u"example.com.", u".example", u"h!st", u"*.example"});
    QString out = label();
    const int more = int(below(4));
    for (int i = 0; i < more; ++i) out += u'.' + label();
    return out;
  }
  QString pathPiece() {
    static const QString chars = QStringLiteral("abcXYZ019-._~:/?#[]@!$&'()*+,;=");
    if (chance(15)) {
      static const QString hex = QStringLiteral("0123456789abcdefABCDEF");
      return u'%' + QString(hex[qsizetype(below(22))]) + QString(hex[qsizetype(below(22))]);
    }
    QString out;
    const int length = 1 + int(below(6));
    for (int i = 0; i < length; ++i) out += chars[qsizetype(below(size_t(chars.size())))];
    return out;
  }

  std::mt19937 random_;
};

TEST(StrictUrlQuickPathTest, EveryUrlTakenWithoutParsingIsOneTheStrictParseTakesAlike) {
  UrlTextGenerator generate(20260314);
  int taken = 0;
  for (int round = 0; round < 200'000; ++round) {
    const QString text = generate.next();
    const std::optional<Url> url = parseStrictUrl(text);
    if (!url) continue;
    ++taken;
    const QUrl parsed(text, QUrl::StrictMode);
    ASSERT_TRUE(parsed.isValid()) << qPrintable(text);
    ASSERT_EQ(url->qurl(), parsed) << qPrintable(text);
    ASSERT_EQ(url->text(), text);
  }
  EXPECT_GT(taken, 20'000);  // the generator reaches the quick path often enough to prove it
}

TEST(StrictUrlQuickPathTest, EverydayAndUnusualUrlsKeepTheirTextAndParts) {
  const std::optional<Url> web = parseStrictUrl(QStringLiteral("https://News.Example.com:8443/a%20b?q=1#top"));
  ASSERT_TRUE(web);
  EXPECT_EQ(web->text(), QStringLiteral("https://News.Example.com:8443/a%20b?q=1#top"));
  EXPECT_EQ(web->host(), QStringLiteral("news.example.com"));
  EXPECT_EQ(web->qurl().port(), 8443);
  EXPECT_EQ(web->path(), QStringLiteral("/a b"));

  const std::optional<Url> file = parseStrictUrl(QStringLiteral("file:///home/user/report.pdf"));
  ASSERT_TRUE(file);
  EXPECT_TRUE(file->isLocalFile());
  EXPECT_EQ(file->toLocalFile(), QStringLiteral("/home/user/report.pdf"));

  // Through the parse: a phone number read as a host, user info, an IPv6 literal.
  EXPECT_EQ(parseStrictUrl(QStringLiteral("sms://+15551234"))->text(), QStringLiteral("sms://+15551234"));
  EXPECT_EQ(parseStrictUrl(QStringLiteral("ftp://me@files.example/x"))->qurl().userName(), QStringLiteral("me"));
  EXPECT_EQ(parseStrictUrl(QStringLiteral("http://[::1]:80/"))->host(), QStringLiteral("::1"));
  EXPECT_FALSE(parseStrictUrl(QStringLiteral("http://example.com:65536/")));
  EXPECT_FALSE(parseStrictUrl(QStringLiteral("http://exa mple.com/")));
  // Without a scheme a later ':' is no scheme's end: the parse decides ("~" is no host character).
  EXPECT_FALSE(parseStrictUrl(QStringLiteral("//o9999~9999://///////////:z")));
  EXPECT_FALSE(parseStrictUrl(QStringLiteral("r://z:") + QString(100, u'3') + QStringLiteral("I:555")));
  EXPECT_EQ(parseStrictUrl(QStringLiteral("//host.example/a:b"))->host(), QStringLiteral("host.example"));
}

TEST(StrictUrlQuickPathTest, CopiesAndThreadsShareOneParse) {
  const Url original = *parseStrictUrl(QStringLiteral("https://docs.example.org/guide?page=2"));
  const Url unparsedCopy = original;  // copied before anything was read
  std::vector<std::thread> readers;
  std::vector<QString> hosts(4);
  for (size_t i = 0; i < hosts.size(); ++i) readers.emplace_back([&, i] { hosts[i] = original.host(); });
  for (std::thread& reader : readers) reader.join();
  for (const QString& host : hosts) EXPECT_EQ(host, QStringLiteral("docs.example.org"));
  const Url parsedCopy = original;
  EXPECT_EQ(parsedCopy.qurl(), original.qurl());
  EXPECT_EQ(unparsedCopy.qurl(), original.qurl());
  EXPECT_EQ(unparsedCopy, original);

  Url moved = Url::fromQUrl(QUrl(QStringLiteral("https://example.net/a b")));
  EXPECT_EQ(moved.text(), QStringLiteral("https://example.net/a%20b"));
  moved = Url(parsedCopy);  // move assignment of a parsed URL
  EXPECT_EQ(moved.host(), QStringLiteral("docs.example.org"));
}

}  // namespace
}  // namespace qv
