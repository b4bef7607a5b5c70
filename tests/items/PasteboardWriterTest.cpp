#include "items/ItemServices.h"
#include "items/stores/ImageStore.h"
#include "items/stores/RichTextStore.h"
#include "items/writer/PasteboardWriter.h"
#include "app/fake/FakeContext.h"
#include "support/SideFileHelpers.h"

#include <QDir>
#include <gtest/gtest.h>

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

struct PasteboardWriterTest : ::testing::Test {
  FakeContext fake;
  int ownWrites = 0;
  qsizetype writesSeenByHook = -1;

  void SetUp() override {
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

const QString kPlain = QLatin1String(mime::kPlainText);

TEST_F(PasteboardWriterTest, TextGoesBackWithItsRichFormUnderItsOwnType) {
  ASSERT_TRUE(test::writeTestFile(richFile("html"), "<b>bold</b>"));
  ASSERT_TRUE(test::writeTestFile(richFile("rtf"), "{\\rtf1 bold}"));
  ASSERT_TRUE(writer().write(itemWith(TextPayload{QStringLiteral("bold")})));
  const PasteboardItem item = onlyChange();
  // The richer form only, never both.
  EXPECT_EQ(item.types, (QStringList{QLatin1String(mime::kHtml), kPlain}));
  EXPECT_EQ(item.value(QLatin1String(mime::kHtml)), QByteArray("<b>bold</b>"));
  EXPECT_EQ(item.value(kPlain), QByteArray("bold"));
}

TEST_F(PasteboardWriterTest, RtfSideFileIsWrittenAsRtf) {
  ASSERT_TRUE(test::writeTestFile(richFile("rtf"), "{\\rtf1 x}"));
  ASSERT_TRUE(writer().write(itemWith(TextPayload{QStringLiteral("x")})));
  const PasteboardItem item = onlyChange();
  EXPECT_EQ(item.types, (QStringList{QLatin1String(mime::kRtf), kPlain}));
  EXPECT_EQ(item.value(QLatin1String(mime::kRtf)), QByteArray("{\\rtf1 x}"));
}

TEST_F(PasteboardWriterTest, TextWithoutOrWithUnreadableSideFileIsPlainString) {
  // A folder where the HTML file should be cannot be read as data: the RTF is tried next.
  ASSERT_TRUE(QDir().mkpath(richFile("html")));
  ASSERT_TRUE(writer().write(itemWith(TextPayload{QStringLiteral("plain")})));
  const PasteboardItem item = onlyChange();
  EXPECT_EQ(item.types, QStringList{kPlain});
  EXPECT_EQ(item.value(kPlain), QByteArray("plain"));
}

TEST_F(PasteboardWriterTest, PlainTextModeWritesOnlyTheString) {
  ASSERT_TRUE(test::writeTestFile(richFile("html"), "<i>x</i>"));
  ASSERT_TRUE(writer().write(itemWith(TextPayload{QStringLiteral("x")}), true));
  EXPECT_EQ(onlyChange().types, QStringList{kPlain});
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
  ASSERT_TRUE(writer().write(itemWith(ColorPayload{QStringLiteral("#A1B2C3"), 161, 178, 195}), true,
                             TextTransform::lowercase));
  EXPECT_EQ(ownWrites, 1);
  EXPECT_EQ(fake.pasteboard->read().string(), QStringLiteral("#a1b2c3"));
  EXPECT_FALSE(fake.pasteboard->read().color());
}

TEST_F(PasteboardWriterTest, ColourWritesColourObjectAndHex) {
  ASSERT_TRUE(writer().write(itemWith(ColorPayload{QStringLiteral("#FF8000"), 255, 128, 0})));
  const PasteboardItem item = onlyChange();
  EXPECT_EQ(item.types, (QStringList{QLatin1String(mime::kColor), kPlain}));
  EXPECT_EQ(pasteboard::parseColor(item.value(QLatin1String(mime::kColor))), QColor(255, 128, 0));
  EXPECT_EQ(item.value(kPlain), QByteArray("#FF8000"));
}

TEST_F(PasteboardWriterTest, ColourChannelsOutOfRangeAreClamped) {
  ASSERT_TRUE(writer().write(itemWith(ColorPayload{QStringLiteral("#FF0000"), 300, -5, 0})));
  EXPECT_EQ(fake.pasteboard->read().color(), QColor(255, 0, 0));
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

TEST_F(PasteboardWriterTest, LinkWritesStringThenUrl) {
  const Url url = *parseStrictUrl(QStringLiteral("https://example.com/path?q=1"));
  ASSERT_TRUE(writer().write(itemWith(LinkPayload{url, QStringLiteral("example.com"), {}, {}, {}})));
  const PasteboardItem item = onlyChange();
  EXPECT_EQ(item.types, (QStringList{QLatin1String(mime::kUriList), kPlain}));
  EXPECT_EQ(item.value(kPlain), QByteArray("https://example.com/path?q=1"));
  EXPECT_EQ(pasteboard::parseUriList(item.value(QLatin1String(mime::kUriList))), QList<QUrl>{url});
}

TEST_F(PasteboardWriterTest, CodeWritesItsSource) {
  ASSERT_TRUE(writer().write(itemWith(CodePayload{QStringLiteral("int main() {}"), QStringLiteral("cpp")})));
  const PasteboardItem item = onlyChange();
  EXPECT_EQ(item.types, QStringList{kPlain});
  EXPECT_EQ(item.value(kPlain), QByteArray("int main() {}"));
}

TEST_F(PasteboardWriterTest, FileWritesItsUrlAndPath) {
  const Url url = Url::fromLocalFile(QStringLiteral("/home/me/Report 1.pdf"));
  ASSERT_TRUE(writer().write(itemWith(FilePayload{QStringLiteral("Report 1.pdf"), QStringLiteral("2 KB"), url})));
  const PasteboardItem item = onlyChange();
  EXPECT_EQ(item.types,
            (QStringList{QLatin1String(mime::kUriList), QLatin1String(mime::kGnomeCopiedFiles), kPlain}));
  EXPECT_EQ(item.value(kPlain), QByteArray("/home/me/Report 1.pdf"));
  EXPECT_EQ(fake.pasteboard->read().fileUrls(), QList<QUrl>{url});
}

TEST_F(PasteboardWriterTest, FileWithoutUrlWritesOnlyItsName) {
  ASSERT_TRUE(writer().write(itemWith(FilePayload{QStringLiteral("Report.pdf"), QStringLiteral("2 KB"), {}})));
  const PasteboardItem item = onlyChange();
  EXPECT_EQ(item.types, QStringList{kPlain});
  EXPECT_EQ(item.value(kPlain), QByteArray("Report.pdf"));
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
