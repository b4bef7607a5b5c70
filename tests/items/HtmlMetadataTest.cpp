#include "items/link/HtmlMetadata.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

HtmlMetadata parse(const char* html) { return parseHtmlMetadata(QString::fromUtf8(html)); }

TEST(HtmlMetadata, TitlesInOrderOfPreference) {
  EXPECT_EQ(parse("<title>Doc</title><meta property=\"og:title\" content=\"  Open  Graph \">").pageTitle(),
            QStringLiteral("Open Graph"));
  EXPECT_EQ(parse("<meta property=og:title content=\"\"><TITLE lang=en>A &lt;b&gt; &#x2014; &#8220;c&#8221;</TITLE>")
                .pageTitle(),
            QString::fromUtf8("A <b> — “c”"));
  EXPECT_FALSE(parse("<title>  </title>").pageTitle());
  EXPECT_FALSE(parse("").pageTitle());
  // Titles inside markup that is not the document's own do not count.
  EXPECT_EQ(parse("<script>var t = '<title>no</title>';</script><!-- <title>no</title> -->"
                  "<svg><title>no</title></svg><title>yes</title>")
                .title,
            QStringLiteral("yes"));
  EXPECT_EQ(parse("<title>unterminated & open").title, QStringLiteral("unterminated & open"));
}

TEST(HtmlMetadata, ImageCandidatesAndAttributes) {
  const HtmlMetadata page = parse(
      "<head><base href='https://cdn.example/'>"
      "<link rel=\"icon\" sizes=\"16x16\" href=\"/16.png\">"
      "<link rel=\"icon\" sizes=\"192x192\" href=\"/192.png\">"
      "<link rel=\"apple-touch-icon\" href=\"/touch.png\">"
      "<link rel=stylesheet href=/style.css>"
      "<meta name=\"twitter:image\" content=\"tw.png\">"
      "<meta content='og.png?a=1&amp;b=2' property='OG:IMAGE'/>"
      "<meta property=og:image content=second.png></head>");
  EXPECT_EQ(page.baseHref, QStringLiteral("https://cdn.example/"));
  EXPECT_EQ(page.imageReferences(),
            (QStringList{QStringLiteral("og.png?a=1&b=2"), QStringLiteral("tw.png"), QStringLiteral("/touch.png"),
                         QStringLiteral("/192.png"), QStringLiteral("/16.png")}));
}

TEST(HtmlMetadata, MalformedMarkupEndsQuietly) {
  for (const char* html : {"<", "<<<>>>", "<meta", "<meta property=og:title content=\"open", "<!--", "<script>", "</",
                           "<title", "&#xFFFFFFFF; &#0; &#55296; &bogus; &", "<a =x ==y b='>"}) {
    const HtmlMetadata metadata = parse(html);
    (void)metadata.pageTitle();
    (void)metadata.imageReferences();
  }
  EXPECT_EQ(decodeHtmlEntities(u"&#0;&#xD800;&#x1F600;"), QString::fromUtf8("\uFFFD\uFFFD😀"));
}

TEST(HtmlMetadata, CharsetDetection) {
  const QByteArray latin = "<title>Caf\xE9</title>";
  EXPECT_EQ(decodeHtmlBody(latin, "text/html; charset=ISO-8859-1"), QString::fromUtf8("<title>Café</title>"));
  EXPECT_EQ(decodeHtmlBody("<meta charset=\"windows-1252\"><title>\x93quoted\x94</title>", "text/html"),
            QString::fromUtf8("<meta charset=\"windows-1252\"><title>“quoted”</title>"));
  EXPECT_EQ(decodeHtmlBody("<meta http-equiv=Content-Type content='text/html; charset=koi8-r'>\xF0\xD2\xC9", ""),
            QString::fromUtf8("<meta http-equiv=Content-Type content='text/html; charset=koi8-r'>При"));
  // Undeclared: UTF-8 when it is valid UTF-8, else windows-1252.
  EXPECT_EQ(decodeHtmlBody("Caf\xC3\xA9", "text/html"), QString::fromUtf8("Café"));
  EXPECT_EQ(decodeHtmlBody(latin, "text/html"), QString::fromUtf8("<title>Café</title>"));
  // The byte-order mark wins; an unknown charset falls back.
  EXPECT_EQ(decodeHtmlBody("\xEF\xBB\xBF\xC3\xA9", "text/html; charset=iso-8859-1"), QString::fromUtf8("é"));
  EXPECT_EQ(decodeHtmlBody(QByteArray("\xFF\xFE"
                                      "A\0",
                                      4),
                           ""),
            QStringLiteral("A"));
  EXPECT_EQ(decodeHtmlBody("ok", "text/html; charset=no-such-charset"), QStringLiteral("ok"));
}

}  // namespace
}  // namespace qv
