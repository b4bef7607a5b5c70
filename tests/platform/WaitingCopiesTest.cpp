#include "platform/WaitingCopies.h"
#include "support/platform/PasteboardItems.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QImage>
#include <functional>
#include <numeric>

namespace qv {
namespace {

constexpr qsizetype kMB = 1000 * 1000;

PasteboardContent contentOf(PasteboardItem item) { return {0, true, {std::move(item)}, {}}; }

const QImage& picture() {
  static const QImage screen = [] {
    QImage image(3840, 2160, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
  }();
  return screen;
}

// A 3840×2160 screenshot as the reader holds it: decoded, beside the 2 MB of PNG it came from.
PasteboardItem screenshot() {
  PasteboardItem item = test::itemOf({{QLatin1String(mime::kPng), QByteArray(2 * kMB, 'p')}});
  item.image = picture();
  return item;
}

// A 3840×2160 picture at 16 bits per channel (HDR captures, some tools' default PNGs), decoded:
// twice the bytes in memory of what the history keeps of it at 8 bits.
PasteboardItem deepScreenshot() {
  static const QImage deep = picture().convertToFormat(QImage::Format_RGBA64);
  PasteboardItem item = test::itemOf({{QLatin1String(mime::kPng), QByteArray(2 * kMB, 'p')}});
  item.image = deep;
  return item;
}

// The same not decoded yet (the fake's copies): its PNG alone.
PasteboardItem undecodedScreenshot() {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  picture().save(&buffer, "PNG");
  return test::itemOf({{QLatin1String(mime::kPng), buffer.data()}});
}

PasteboardItem text(qsizetype bytes) {
  return test::itemOf({{QLatin1String(mime::kPlainText), QByteArray(bytes, 'x')}});
}

// A 30 MB text; its copies share one buffer, as the size is all that counts here.
PasteboardItem longText() {
  static const QByteArray bytes(30 * kMB, 'x');
  return test::itemOf({{QLatin1String(mime::kPlainText), bytes}});
}

// What each copy keeps: a long text at the length it is cut to, a picture once at its decoded
// size (also one not decoded yet), a rich form only when it is small enough to be kept.
TEST(WaitingCopies, ACopyCountsAtWhatTheHistoryKeepsOfIt) {
  const struct {
    const char* name;
    PasteboardItem item;
    qsizetype kept;
  } cases[] = {
      {"a short text", text(1000), 1000},
      {"a 30 MB text", longText(), 4 * kKeptTextLength},
      {"a screenshot", screenshot(), 3840 * 2160 * 4},
      {"a screenshot not decoded yet", undecodedScreenshot(), 3840 * 2160 * 4},
      {"a 16-bit screenshot", deepScreenshot(), 3840 * 2160 * 4},
      {"a text with a small HTML form",
       test::itemOf({{QLatin1String(mime::kPlainText), "hi"}, {QLatin1String(mime::kHtml), QByteArray(1000, 'h')}}),
       1002},
      {"a text with an HTML form too large to keep",
       test::itemOf({{QLatin1String(mime::kPlainText), "hi"}, {QLatin1String(mime::kHtml), QByteArray(5 * kMB, 'h')}}),
       2},
  };
  for (const auto& c : cases) EXPECT_EQ(WaitingCopies::keptBytes(contentOf(c.item)), c.kept) << c.name;
}

// Pushes in a row and the changes that still wait: the oldest go first, the newest always stays.
TEST(WaitingCopies, TheOldestGoPastABoundAndTheNewestStays) {
  const struct {
    const char* name;
    int pushes;
    std::function<PasteboardItem(int)> item;
    qint64 firstKept;
  } cases[] = {
      {"103 short texts", 103, [](int index) { return text(100 + index); }, 4},
      // 64 MiB holds two decoded screenshots; the PNGs they came from do not count.
      {"three screenshots", 3, [](int) { return screenshot(); }, 2},
      {"three 16-bit screenshots", 3, [](int) { return deepScreenshot(); }, 2},
      {"five 30 MB texts", 5, [](int) { return longText(); }, 1},
      // The whole texts are held until the capture cuts them: 256 MiB of them.
      {"ten 30 MB texts", 10, [](int) { return longText(); }, 3},
      {"a copy over every bound after short ones", 4,
       [](int index) {
         return index < 4 ? text(10) : test::itemOf({{QStringLiteral("x-huge"), QByteArray(70 * kMB, 'x')}});
       },
       4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WaitingCopies copies;
    for (int index = 1; index <= c.pushes; ++index) {
      PasteboardContent content = contentOf(c.item(index));
      content.changeCount = index;
      copies.push({{index, false, 0, false, false, 0}, std::move(content), double(index)});
      ASSERT_TRUE(copies.content(index)) << "the newest was dropped at " << index;
    }
    QList<qint64> expected(c.pushes - c.firstKept + 1);
    std::iota(expected.begin(), expected.end(), c.firstKept);
    EXPECT_EQ(copies.counts(), expected);
  }
}

// A copy whose read goes on after a newer one came waits with no content, then is settled with
// what was read: it counts from then on, and a bound passed then drops the oldest.
TEST(WaitingCopies, ACopyReadAfterANewerOneCameCountsOnceSettled) {
  const struct {
    const char* name;
    int settled;          // the change settled with a screenshot
    QList<int> pictures;  // the changes pushed with a screenshot (the others wait with no content)
    bool found;
    QList<qint64> left;
  } cases[] = {
      {"two screenshots fit", 1, {2}, true, {1, 2}},
      {"a third one passes the bound", 2, {1, 3}, true, {2, 3}},
      {"a copy dropped meanwhile", 1, {2, 3, 4}, false, {3, 4}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WaitingCopies copies;
    const int pushes = int(c.pictures.size()) + 1;
    for (int index = 1; index <= pushes; ++index) {
      PasteboardContent content = c.pictures.contains(index) ? contentOf(screenshot())
                                                             : PasteboardContent{index, false, {}, {}};
      content.changeCount = index;
      copies.push({{index, false, 0, false, false, 0}, std::move(content), double(index)});
    }
    PasteboardContent read = contentOf(screenshot());
    read.changeCount = c.settled;
    EXPECT_EQ(copies.settle(c.settled, read), c.found);
    EXPECT_EQ(copies.counts(), c.left);
    if (c.found && c.left.contains(c.settled)) {
      ASSERT_TRUE(copies.content(c.settled));
      EXPECT_TRUE(copies.content(c.settled)->complete);
    }
  }
}

// The main thread looks past some: they are forgotten, and the rest report their age.
TEST(WaitingCopies, ChangesLookedPastAreForgotten) {
  WaitingCopies copies;
  for (int index = 1; index <= 5; ++index)
    copies.push({{index, false, 0, false, false, 0}, contentOf(text(10)), double(index)});
  copies.forgetBefore(3);
  EXPECT_EQ(copies.counts(), (QList<qint64>{3, 4, 5}));
  EXPECT_FALSE(copies.content(2));
  const QList<PasteboardChange> changes = copies.changesAfter(3, 10);
  ASSERT_EQ(changes.size(), 2);
  EXPECT_EQ(changes[0].count, 4);
  EXPECT_EQ(changes[0].age, 6);
  EXPECT_EQ(changes[1].count, 5);
}

}  // namespace
}  // namespace qv
