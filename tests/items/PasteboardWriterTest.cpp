#include "items/ItemServices.h"
#include "items/stores/ImageStore.h"
#include "items/stores/RichTextStore.h"
#include "items/writer/PasteboardWriter.h"
#include "support/SideFileHelpers.h"
#include "support/items/FakeItemContext.h"

#include <gtest/gtest.h>
#include <QDir>

namespace qv {
namespace {

const QUuid kID = QUuid::fromString(QStringLiteral("{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}"));

ClipboardItem itemWith(ClipboardPayload payload) {
  return ClipboardItem::make(kID, QStringLiteral("org.example.Editor"), QDateTime::currentDateTimeUtc(),
                             std::move(payload));
}

QImage redSquare() {
  QImage image(4, 4, QImage::Format_RGB32);
  image.fill(Qt::red);
  return image;
}

struct Harness {
  FakeItemContext fake;
  int ownWrites = 0;
  qsizetype writesSeenByHook = -1;

  Harness() {
    installItemServices(*fake.context);
    writer().setOwnWriteHook([this] {
      ++ownWrites;
      writesSeenByHook = fake.pasteboard->writes().size();
    });
  }
  PasteboardWriter& writer() { return *fake.context->pasteboardWriter; }
  QString richFile(const char* extension) {
    return fake.context->richTextStore->directory() + u'/' + itemWith(TextPayload{}).idString() + u'.' +
           QLatin1String(extension);
  }
  // The single change the write made, as a reader of the clipboard sees it; fails the test when
  // the write was not exactly one change announced once beforehand.
  PasteboardItem onlyChange() {
    EXPECT_EQ(fake.pasteboard->writes().size(), 1);
    EXPECT_EQ(ownWrites, 1);
    EXPECT_EQ(writesSeenByHook, 0) << "the own-write hook must run before the write";
    EXPECT_TRUE(fake.pasteboard->currentChange().ownWrite);
    const PasteboardContent content = fake.pasteboard->read();
    EXPECT_EQ(content.items.size(), 1);
    return content.items.value(0);
  }
};

struct PasteboardWriterTest : ::testing::Test, Harness {};

const QString kPlain = QLatin1String(mime::kPlainText);

// What each kind of item puts on the clipboard: its types in order, its plain value, and the
// richer value where there is one.
TEST(PasteboardWriterTable, EachKindWritesItsOwnTypes) {
  struct Case {
    const char* name;
    const char* html;  // side files next to the text ("/" makes the HTML one an unreadable folder)
    const char* rtf;
    ClipboardPayload payload;
    bool plainTextMode;
    QStringList types;
    QByteArray plain;
    QByteArray richValue;  // of types.first(), when not the plain value
  };
  const QString html = QLatin1String(mime::kHtml), rtf = QLatin1String(mime::kRtf);
  const Url file = Url::fromLocalFile(QStringLiteral("/home/me/Report 1.pdf"));
  const Case cases[] = {
      {"rich text goes back as HTML only, never both",
       "<b>bold</b>",
       "{\\rtf1 bold}",
       TextPayload{QStringLiteral("bold")},
       false,
       {html, kPlain},
       "bold",
       "<b>bold</b>"},
      {"RTF side file",
       nullptr,
       "{\\rtf1 x}",
       TextPayload{QStringLiteral("x")},
       false,
       {rtf, kPlain},
       "x",
       "{\\rtf1 x}"},
      {"unreadable side file", "/", nullptr, TextPayload{QStringLiteral("plain")}, false, {kPlain}, "plain", {}},
      {"plain-text mode writes only the string",
       "<i>x</i>",
       nullptr,
       TextPayload{QStringLiteral("x")},
       true,
       {kPlain},
       "x",
       {}},
      {"code",
       nullptr,
       nullptr,
       CodePayload{QStringLiteral("int main() {}"), QStringLiteral("cpp")},
       false,
       {kPlain},
       "int main() {}",
       {}},
      {"file",
       nullptr,
       nullptr,
       FilePayload{QStringLiteral("Report 1.pdf"), QStringLiteral("2 KB"), file},
       false,
       {QLatin1String(mime::kUriList), QLatin1String(mime::kGnomeCopiedFiles), kPlain},
       "/home/me/Report 1.pdf",
       "file:///home/me/Report%201.pdf\r\n"},
      {"file without URL",
       nullptr,
       nullptr,
       FilePayload{QStringLiteral("Report.pdf"), QStringLiteral("2 KB"), {}},
       false,
       {kPlain},
       "Report.pdf",
       {}},
      {"link",
       nullptr,
       nullptr,
       LinkPayload{
           *parseStrictUrl(QStringLiteral("https://example.com/path?q=1")), QStringLiteral("example.com"), {}, {}, {}},
       false,
       {QLatin1String(mime::kUriList), kPlain},
       "https://example.com/path?q=1",
       "https://example.com/path?q=1\r\n"},
      {"colour object and hex",
       nullptr,
       nullptr,
       ColorPayload{QStringLiteral("#FF8000"), 255, 128, 0},
       false,
       {QLatin1String(mime::kColor), kPlain},
       "#FF8000",
       pasteboard::encodeColor(QColor(255, 128, 0))},
      {"colour channels out of range are clamped",
       nullptr,
       nullptr,
       ColorPayload{QStringLiteral("#FF0000"), 300, -5, 0},
       false,
       {QLatin1String(mime::kColor), kPlain},
       "#FF0000",
       pasteboard::encodeColor(QColor(255, 0, 0))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    const bool htmlReady = !c.html || (QByteArray(c.html) == "/" ? QDir().mkpath(h.richFile("html"))
                                                                 : test::writeTestFile(h.richFile("html"), c.html));
    ASSERT_TRUE(htmlReady && (!c.rtf || test::writeTestFile(h.richFile("rtf"), c.rtf)));
    ASSERT_TRUE(h.writer().write(itemWith(c.payload), c.plainTextMode));
    const PasteboardItem item = h.onlyChange();
    EXPECT_EQ(item.types, c.types);
    EXPECT_EQ(item.value(kPlain), c.plain);
    if (!c.richValue.isEmpty()) {
      EXPECT_EQ(item.value(c.types.first()), c.richValue);
    }
  }
}

TEST_F(PasteboardWriterTest, TransformAppliesToThePlainValueOfEveryKind) {
  const Url url = *parseStrictUrl(QStringLiteral("https://example.com/A/B?Q=1"));
  ASSERT_TRUE(writer().write(itemWith(LinkPayload{url, QStringLiteral("example.com"), {}, {}, {}}), false,
                             TextTransform::lowercase));
  PasteboardItem item = onlyChange();
  // Only the transformed URL string; no URL object.
  EXPECT_EQ(item.types, QStringList{kPlain});
  EXPECT_EQ(item.value(kPlain), QByteArray("https://example.com/a/b?q=1"));

  ownWrites = 0;
  ASSERT_TRUE(
      writer().write(itemWith(ColorPayload{QStringLiteral("#A1B2C3"), 161, 178, 195}), true, TextTransform::lowercase));
  EXPECT_EQ(ownWrites, 1);
  EXPECT_EQ(fake.pasteboard->read().string(), QStringLiteral("#a1b2c3"));
  EXPECT_FALSE(fake.pasteboard->read().color());
}

TEST_F(PasteboardWriterTest, ImageFromMemoryEvenInPlainTextMode) {
  ImagePayload image{redSquare(), QStringLiteral("shot.png"), 4, 4, QStringLiteral("1 KB")};
  ASSERT_TRUE(writer().write(itemWith(image), true, TextTransform::uppercase));
  const PasteboardItem item = onlyChange();
  EXPECT_EQ(item.types, QStringList{QLatin1String(mime::kPng)});
  EXPECT_EQ(fake.pasteboard->writes().front().image.pixelColor(0, 0), QColor(Qt::red));
}

TEST_F(PasteboardWriterTest, ImageFromItsSideFileWhenNotInMemory) {
  ASSERT_TRUE(fake.context->imageStore->save(redSquare(), itemWith(TextPayload{}).idString()));
  ASSERT_TRUE(writer().write(itemWith(ImagePayload{{}, QStringLiteral("shot.png"), 4, 4, {}})));
  EXPECT_EQ(onlyChange().types, QStringList{QLatin1String(mime::kPng)});
  EXPECT_EQ(fake.pasteboard->writes().front().image.size(), QSize(4, 4));
}

TEST_F(PasteboardWriterTest, ImageWithoutImageFailsAndTouchesNothing) {
  fake.pasteboard->copyText(QStringLiteral("foreign"));
  const qint64 before = fake.pasteboard->changeCount();
  EXPECT_FALSE(writer().write(itemWith(ImagePayload{{}, QStringLiteral("gone.png"), 4, 4, {}}), true));
  EXPECT_EQ(ownWrites, 0);
  EXPECT_TRUE(fake.pasteboard->writes().isEmpty());
  EXPECT_EQ(fake.pasteboard->changeCount(), before);
  EXPECT_EQ(fake.pasteboard->read().string(), QStringLiteral("foreign"));
}

TEST_F(PasteboardWriterTest, JoinedTextIsOneAnnouncedChange) {
  writer().writeText(QStringLiteral("one\ntwo"));
  const PasteboardItem item = onlyChange();
  EXPECT_EQ(item.value(kPlain), QByteArray("one\ntwo"));
}

TEST_F(PasteboardWriterTest, EveryWriteRaisesTheCounterByOne) {
  writer().write(itemWith(TextPayload{QStringLiteral("a")}));
  writer().write(itemWith(ColorPayload{QStringLiteral("#000000"), 0, 0, 0}));
  writer().write(itemWith(ImagePayload{}));  // fails
  writer().write(itemWith(CodePayload{QStringLiteral("x"), {}}), true);
  EXPECT_EQ(ownWrites, 3);
  EXPECT_EQ(fake.pasteboard->writes().size(), 3);
}

}  // namespace
}  // namespace qv
