#include "preview/PreviewSizing.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

QString repeated(const char* piece, int times) { return QString::fromUtf8(piece).repeated(times); }

// `count` lines of `length` characters, the long ones (89) at the given 1-based places.
QString linesWithLongOnes(int count, std::initializer_list<int> longAt, const char* lineBreak = "\n") {
  QStringList lines;
  for (int i = 1; i <= count; ++i)
    lines << repeated("x", std::find(longAt.begin(), longAt.end(), i) != longAt.end() ? 89 : 10);
  return lines.join(QString::fromUtf8(lineBreak));
}

ClipboardItem sizedImage(qint64 width, qint64 height) {
  ClipboardItem item = imageItem(QImage());
  std::get<ImagePayload>(item.payload).edit().width = width;
  std::get<ImagePayload>(item.payload).edit().height = height;
  return item;
}

ClipboardItem fileWithoutUrl(const QString& name) {
  return ClipboardItem::make(QUuid::createUuid(), {}, QDateTime::currentDateTimeUtc(),
                             FilePayload{name, {}, std::nullopt});
}

struct WideCase {
  const char* name;
  QString text;
  bool wide;
};

}  // namespace

TEST(PreviewSizing, WideTextLooksForLongLinesAmongTheFirstSixty) {
  const QString combinedE = QString::fromUtf8("e\u0301");  // two code units, one character
  const WideCase cases[] = {
      {"empty", {}, false},
      {"one line of 89", repeated("a", 89), true},
      {"one line of 88", repeated("a", 88), false},
      {"89 combined characters", combinedE.repeated(89), true},
      {"88 combined characters in 176 code units", combinedE.repeated(88), false},
      {"two of four lines long", linesWithLongOnes(4, {1, 3}), true},
      {"two of eight lines long", linesWithLongOnes(8, {2, 7}), false},
      {"200 lines, only the first two long", linesWithLongOnes(200, {1, 2}), false},
      {"200 lines, a third long one at 60", linesWithLongOnes(200, {1, 2, 60}), true},
      {"200 lines, a third long one at 61", linesWithLongOnes(200, {1, 2, 61}), false},
      // Every kind of line break ends a line: four short lines are not one long one.
      {"four short CRLF lines", repeated("x", 30).append(QStringLiteral("\r\n")).repeated(4), false},
      {"four short CR lines", repeated("x", 30).append(u'\r').repeated(4), false},
      {"a long line among CRLF lines", linesWithLongOnes(3, {2}, "\r\n"), true},
  };
  for (const WideCase& c : cases) EXPECT_EQ(PreviewSizing::isWideText(c.text), c.wide) << c.name;
}

TEST(PreviewSizing, TextHeightCountsRowsAtTheWidthUntilTheyPass620Points) {
  struct Case {
    const char* name;
    QString text;
    bool monospaced;
    double width;
    double height;
  };
  const Case cases[] = {
      {"empty, plain", {}, false, 420, 18 + 32},
      {"empty, monospaced", {}, true, 560, 17 + 32},
      {"40 characters in 16 per row", repeated("a", 40), false, 60, 3 * 18 + 32},
      {"57 characters fill a row at 420", repeated("a", 57), false, 420, 18 + 32},
      {"58 characters take two", repeated("a", 58), false, 420, 2 * 18 + 32},
      {"monospaced rows of 67 at 560", repeated("a", 68), true, 560, 2 * 17 + 32},
      {"three lines", QStringLiteral("a\nb\nc"), false, 420, 3 * 18 + 32},
      {"a final break adds an empty line", QStringLiteral("a\n"), false, 420, 2 * 18 + 32},
      {"CRLF breaks", QStringLiteral("a\r\nb\r\nc"), false, 420, 3 * 18 + 32},
      {"CR breaks", QStringLiteral("a\rb"), false, 420, 2 * 18 + 32},
      {"stops after the line that passes 620", repeated("a\n", 100), false, 420, 35 * 18 + 32},
      // One line is counted whole: its rows may pass the limit by far (the pane clamps).
      {"one 256,000-character line", repeated("a", 256000), false, 362, 5225 * 18 + 32},
  };
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(PreviewSizing::estimatedTextHeight(c.text, c.monospaced, c.width), c.height) << c.name;
}

TEST(PreviewSizing, EachKindHasItsWidthsHeightAndLayout) {
  struct Case {
    const char* name;
    ClipboardItem item;
    double width;
    double height;  // at `width`
    double expanded;
    bool tall;
  };
  const QString longName = repeated("n", 146) + QStringLiteral(".bin");  // 150 characters, four lines at 340
  const Case cases[] = {
      {"colour", colorItem("#FFCC00"), 340, 260, 480, false},
      {"image without a size", sizedImage(0, 0), 420, 320, 640, false},
      {"landscape image", sizedImage(1000, 700), 560, 536 * 0.7 + 24, 820, false},
      {"portrait image", sizedImage(700, 1000), 340, 316 / 0.7 + 24, 480, true},
      {"square image", sizedImage(1000, 1000), 420, 420, 640, false},
      {"just tall enough", sizedImage(1000, 1101), 420, 396 * 1.101 + 24, 640, true},
      {"link", linkItem("https://example.com/a"), 420, 320, 640, false},
      {"code", codeItem("let a = 1", "Swift"), 560, 17 + 32, 820, false},
      {"short text", textItem("hello"), 420, 18 + 32, 640, false},
      {"wide text", textItem(repeated("w", 90)), 560, 2 * 18 + 32, 820, false},
      {"PDF in capitals", fileItem("/tmp/Scan.PDF"), 560, 560 * 1.25, 640, true},
      {"text file", fileItem("/tmp/notes.txt"), 560, 620, 820, true},
      {"document in capitals", fileItem("/tmp/Report.DOCX"), 560, 620, 640, true},
      {"folder package with a trailing slash", fileItem("/tmp/Old.rtfd/"), 560, 620, 640, true},
      {"other file", fileItem("/tmp/archive.zip"), 340, 320, 480, true},
      {"other file with a long name", fileItem("/tmp/" + longName), 340, 320 + 4 * 19 - 38, 480, true},
      {"file without a URL", fileWithoutUrl(QStringLiteral("notes.txt")), 340, 320, 480, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PreviewSizing::preferredWidth(c.item), c.width);
    EXPECT_NEAR(PreviewSizing::preferredHeight(c.item, c.width), c.height, 1e-9);
    EXPECT_EQ(PreviewSizing::expandedWidth(c.item), c.expanded);
    EXPECT_EQ(PreviewSizing::prefersTallLayout(c.item), c.tall);
  }
}
