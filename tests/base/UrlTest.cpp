// The strict URL parser takes everyday URLs without running the QUrl parse; the URL built later
// must be the one the parse gives. The fuzz target url_strict checks that against the QUrl strict
// parse for any text; these are the shapes worth naming.
#include "base/Url.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <thread>
#include <vector>

namespace qv {
namespace {

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
