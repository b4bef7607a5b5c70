// A copied text is cut from its UTF-8 bytes, decoding only what it keeps: the result is the
// one of decoding everything first, wherever the decoded window ends (inside a character, a
// cluster of combining marks, a flag, a CR LF pair or broken bytes).
#include "items/capture/ClipboardMonitor.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

constexpr qsizetype kLimit = ClipboardMonitor::kMaximumTextLength;

QByteArray repeated(const char* utf8, qsizetype times) { return QByteArray(utf8).repeated(times); }

struct Body {
  std::string name;
  QByteArray bytes;
};

std::vector<Body> bodies() {
  std::vector<Body> all = {
      {"empty", {}},
      {"short", "hello"},
      {"only NULs", QByteArray(5, '\0')},
      {"exactly the limit", QByteArray(kLimit, 'x')},
      {"one past the limit", QByteArray(kLimit + 1, 'x')},
      {"the limit then NULs", QByteArray(kLimit, 'x') + QByteArray(3, '\0')},
      {"far past the first window", QByteArray(3'000'000, 'x')},
      {"accented letters past the limit", repeated("e\xCC\x81", kLimit + 1)},
      {"long clusters of combining marks", repeated("a\xCC\x81\xCC\x82\xCC\x83\xCC\x84\xCC\x85\xCC\x86", kLimit + 3)},
      {"flags", repeated("\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA", kLimit + 1)},
      {"CR LF lines", repeated("\r\n", kLimit + 1)},
      {"broken bytes", repeated("ab\xE2\x82", kLimit)},
  };
  // Four-byte characters put the last kept grapheme right at the end of the first window; a
  // few leading bytes move the window's end across what follows it.
  const char* tails[] = {"e\xCC\x81\xCC\x81zz", "\r\nzz",
                         "\xF0\x9F\x98zz",      "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA\xF0\x9F\x87\xA9z",
                         "\xCC\x81zz",          "\x80\x80zz"};
  for (int lead : {0, 1, 2, 3, 5, 8}) {
    for (const char* tail : tails) {
      QByteArray bytes = QByteArray(lead, 'a') + repeated("\xF0\x9F\x98\x80", kLimit - 1 - lead) + tail +
                         repeated("\xF0\x9F\x98\x80", 64);
      all.push_back({"lead " + std::to_string(lead) + " tail " + QByteArray(tail).toHex().toStdString(), bytes});
    }
  }
  return all;
}

TEST(TruncatedText, CutFromTheBytesAsFromTheWholeDecodedText) {
  for (const Body& body : bodies()) {
    const QString expected = ClipboardMonitor::truncatedText(pasteboard::decodeText(body.bytes));
    const QString actual = ClipboardMonitor::truncatedText(body.bytes);
    EXPECT_EQ(actual.size(), expected.size()) << body.name;
    EXPECT_TRUE(actual == expected) << body.name;
  }
}

}  // namespace
}  // namespace qv
