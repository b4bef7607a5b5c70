#include "items/model/ItemJson.h"

#include "base/ReferenceDate.h"
#include "base/Url.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace qv {
namespace {

QString fixturePath(const QString& name) {
  // Next to this source file: ctest's environment does not reach the tests reliably.
  return QStringLiteral(QV_SOURCE_DIR "/tests/items/fixtures/items/") + name;
}

QByteArray fixture(const QString& name) {
  QFile file(fixturePath(name));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
  return file.readAll().trimmed();
}

ClipboardItem decodeFixture(const QString& name) {
  ItemDecodeError error;
  const std::optional<ClipboardItem> item = decodeItem(QJsonDocument::fromJson(fixture(name)).object(), &error);
  EXPECT_TRUE(item) << name.toStdString() << ": " << error.toString().toStdString();
  return item.value_or(ClipboardItem{});
}

TEST(ItemJson, GoldenFilesRoundTripByteForByte) {
  for (const char* name : {"color.json", "image.json", "link-full.json", "link-minimal.json", "code.json", "text.json",
                           "file.json", "file-no-url.json"}) {
    const QByteArray golden = fixture(QString::fromLatin1(name));
    ItemDecodeError error;
    const auto items = decodeItems('[' + golden + ']', &error);
    ASSERT_TRUE(items) << name << ": " << error.toString().toStdString();
    ASSERT_EQ(items->size(), 1);
    EXPECT_EQ(items->front().contentType, contentType(items->front().payload)) << name;
    EXPECT_EQ(encodeItem(items->front()), golden) << name;
    // And once more through the encoder: the value survives unchanged.
    EXPECT_EQ(decodeItems(encodeItems(*items)), items) << name;
  }
}

TEST(ItemJson, GoldenFilesDecodeToTheirValues) {
  const ClipboardItem color = decodeFixture(QStringLiteral("color.json"));
  EXPECT_EQ(color.idString(), QStringLiteral("0F8E7A2C-1B3D-4E5F-8A9B-0C1D2E3F4A5B"));
  EXPECT_EQ(color.sourceAppBundleID, QStringLiteral("org.inkscape.Inkscape"));
  EXPECT_EQ(color.capturedAt,
            QDateTime::fromMSecsSinceEpoch((kReferenceDateUnixSeconds + 760000000) * 1000 + 250, Qt::UTC));
  EXPECT_EQ(color.payload, ClipboardPayload(ColorPayload{QStringLiteral("#FF8800"), 255, 136, 0}));

  const auto image = std::get<ImagePayload>(decodeFixture(QStringLiteral("image.json")).payload);
  EXPECT_EQ(image->width, 1920);
  EXPECT_EQ(image->height, 1080);
  EXPECT_EQ(image->fileSize, QStringLiteral("1.2 MB"));
  EXPECT_TRUE(image->image.isNull());  // pictures live in side files

  const auto link = std::get<LinkPayload>(decodeFixture(QStringLiteral("link-full.json")).payload);
  EXPECT_EQ(absoluteString(link->url), QStringLiteral("https://example.org/a/b?q=1#top"));
  EXPECT_EQ(link->title, QStringLiteral("Example \"Domain\""));
  EXPECT_EQ(link->description, QStringLiteral("Line one\nLine two"));
  EXPECT_EQ(link->ogImageURL, QStringLiteral("cached:2B3C4D5E-6F7A-4B9C-8D1E-2F3A4B5C6D7E"));

  const ClipboardItem minimal = decodeFixture(QStringLiteral("link-minimal.json"));
  EXPECT_DOUBLE_EQ(secondsSinceReferenceDate(minimal.capturedAt), -12.75);
  EXPECT_FALSE(std::get<LinkPayload>(minimal.payload)->title);

  EXPECT_EQ(std::get<CodePayload>(decodeFixture(QStringLiteral("code.json")).payload).source,
            QStringLiteral("def f(x):\n\treturn x \\\\ 2\n"));
  EXPECT_EQ(std::get<TextPayload>(decodeFixture(QStringLiteral("text.json")).payload).text,
            QString::fromUtf8("Grüße, 世界 👋 \u0001 end"));

  const ClipboardItem file = decodeFixture(QStringLiteral("file.json"));
  EXPECT_EQ(file.plainText(), QStringLiteral("/home/ann/Documents/Report Q1.pdf"));
  EXPECT_EQ(decodeFixture(QStringLiteral("file-no-url.json")).plainText(), QStringLiteral("notes.txt"));
}

TEST(ItemJson, LenientFileLocationGivesNoUrl) {
  for (const char* name :
       {"lenient-file-url-number.json", "lenient-file-url-empty.json", "lenient-file-url-invalid.json"}) {
    const ClipboardItem item = decodeFixture(QString::fromLatin1(name));
    const auto& file = std::get<FilePayload>(item.payload);
    EXPECT_FALSE(file->url) << name;
    EXPECT_EQ(item.plainText(), file->name) << name;
    EXPECT_FALSE(encodeItem(item).contains("fileURL")) << name;
  }
  // Lower-case ids are read; the encoder writes them upper-case.
  EXPECT_TRUE(encodeItem(decodeFixture(QStringLiteral("lenient-file-url-number.json")))
                  .startsWith(R"({"id":"8B9C0D1E-2F3A-4B5C-8D7E-8F9A0B1C2D3E","contentType":"file",)"));
}

TEST(ItemJson, LegacyInlineImageIsReadAndNeverWritten) {
  const ClipboardItem item = decodeFixture(QStringLiteral("lenient-image-data.json"));
  const auto& image = std::get<ImagePayload>(item.payload);
  EXPECT_EQ(image->image.size(), QSize(1, 1));
  EXPECT_FALSE(encodeItem(item).contains("imageData"));

  const auto junk = decodeItems(fixture(QStringLiteral("lenient-image-data-junk.json")));
  ASSERT_TRUE(junk);
  for (const ClipboardItem& each : *junk) EXPECT_TRUE(std::get<ImagePayload>(each.payload)->image.isNull());
}

TEST(ItemJson, NullOptionalsAndEscapedSlashes) {
  const ClipboardItem item = decodeFixture(QStringLiteral("lenient-link-nulls.json"));
  const auto& link = std::get<LinkPayload>(item.payload);
  EXPECT_EQ(absoluteString(link->url), QStringLiteral("https://example.org/path"));
  EXPECT_FALSE(link->title || link->description || link->ogImageURL);
  // Absent optionals are left out, never written as null.
  const QJsonObject payload = QJsonDocument::fromJson(encodeItem(item)).object().value("payload").toObject();
  EXPECT_EQ(payload.keys(), (QStringList{"domain", "type", "url"}));
}

TEST(ItemJson, EveryFailureHasItsMessageAndPath) {
  const QJsonArray cases = QJsonDocument::fromJson(fixture(QStringLiteral("failures.json"))).array();
  ASSERT_GE(cases.size(), 18);
  for (const QJsonValue& value : cases) {
    const QJsonObject c = value.toObject();
    const std::string name = c.value("case").toString().toStdString();
    ItemDecodeError error;
    EXPECT_FALSE(decodeItem(c.value("item"), &error)) << name;
    EXPECT_EQ(error.message, c.value("message").toString()) << name;
    EXPECT_EQ(error.codingPath, c.value("path").toString()) << name;
  }
}

TEST(ItemJson, OneBadRecordFailsTheWholeList) {
  const QJsonArray cases = QJsonDocument::fromJson(fixture(QStringLiteral("failures.json"))).array();
  const QByteArray good = fixture(QStringLiteral("text.json"));
  const QByteArray bad = QJsonDocument(cases.at(0).toObject().value("item").toObject()).toJson();
  ItemDecodeError error;
  EXPECT_FALSE(decodeItems('[' + good + ',' + bad + ']', &error));
  EXPECT_EQ(error.message, QStringLiteral("Unknown payload type 'audio'"));
  EXPECT_EQ(error.codingPath, QStringLiteral("[1].payload"));

  EXPECT_FALSE(decodeItems("{}", &error));
  EXPECT_EQ(error.message, QStringLiteral("Expected an array of items"));
  EXPECT_FALSE(decodeItems("[{", &error));
  EXPECT_TRUE(error.message.startsWith(QStringLiteral("Invalid JSON")));
  EXPECT_EQ(decodeItems("[]"), QList<ClipboardItem>{});
  EXPECT_FALSE(decodeItems(R"([{"id":"2F3A4B5C-6D7E-4F9A-8B1C-2D3E4F5A6B7C","contentType":"text",)"
                           R"("sourceAppBundleID":"x","capturedAt":1e300,"payload":{"type":"text","text":""}}])"));
}

TEST(ItemJson, EncoderEscapesControlCharactersAndKeepsKeyOrder) {
  const ClipboardItem item = ClipboardItem::make(
      QUuid::fromString(QStringLiteral("5E6F7A8B-9C0D-4E2F-9A4B-5C6D7E8F9A0B")), QStringLiteral("a/b"),
      dateFromReferenceSeconds(1.5),
      FilePayload{QStringLiteral("q\"\\\x1f"), QStringLiteral("1 KB"),
                  *parseStrictUrl(QStringLiteral("file:///tmp/x"))});
  EXPECT_EQ(encodeItem(item), QByteArray(R"({"id":"5E6F7A8B-9C0D-4E2F-9A4B-5C6D7E8F9A0B","contentType":"file",)"
                                         R"("sourceAppBundleID":"a/b","capturedAt":1.5,"payload":{"type":"file",)"
                                         R"("name":"q\"\\\u001f","size":"1 KB","fileURL":"file:///tmp/x"}})"));
  EXPECT_EQ(decodeItems(encodeItems({item})), QList<ClipboardItem>{item});
}

// Capture dates keep milliseconds: each is written as the shortest number that reads back to
// the same date, and a file read and written again comes out byte for byte the same.
TEST(ItemJson, DatesAreWrittenInTheShortestFormThatReadsBack) {
  const struct {
    QByteArray stored;   // as written
    QByteArray written;  // as this file's reading writes it again
  } cases[] = {
      {"818307037.15", "818307037.15"},
      {"818307037.1500001", "818307037.15"},  // an older, longer form
      {"760000000", "760000000"},
      {"0.001", "0.001"},
      {"-12.75", "-12.75"},
      {"-978307200", "-978307200"},
      {"999999999.999", "999999999.999"},
      {"123456789.123", "123456789.123"},
      {"5.5e-2", "0.055"},
      {"7.6e8", "760000000"},
      {"1e15", "1000000000000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored.constData());
    const QByteArray file = R"([{"id":"5E6F7A8B-9C0D-4E2F-9A4B-5C6D7E8F9A0B","contentType":"text",)"
                            R"("sourceAppBundleID":"a","capturedAt":)" +
                            c.stored + R"(,"payload":{"type":"text","text":"t"}}])";
    const auto items = decodeItems(file);
    ASSERT_TRUE(items);
    const QByteArray again = encodeItems(*items);
    EXPECT_EQ(again, QByteArray(file).replace(c.stored, c.written));
    EXPECT_EQ(encodeItems(*decodeItems(again)), again);
  }
  // Every millisecond of a stretch of dates, the way copies are stamped.
  const QDateTime start = dateFromReferenceSeconds(818307037);
  for (int ms = 0; ms < 20000; ms += 7) {
    const ClipboardItem item = ClipboardItem::make(QUuid::createUuid(), QStringLiteral("a"), start.addMSecs(ms),
                                                   TextPayload{});
    const QByteArray once = encodeItem(item);
    const QByteArray number = once.mid(once.indexOf("\"capturedAt\":") + 13).split(',').first();
    const qsizetype point = number.indexOf('.');
    ASSERT_TRUE(point < 0 || number.size() - point - 1 <= 3) << number.constData();
    EXPECT_EQ(decodeItems("[" + once + "]")->first().capturedAt, item.capturedAt);
  }
}

}  // namespace
}  // namespace qv
