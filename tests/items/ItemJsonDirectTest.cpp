// The direct decoder against the QJsonDocument one: whatever the direct decoder takes must decode
// to the same items, and decodeItems must answer exactly as the document decoder does.
#include "items/model/ItemJson.h"
#include "items/model/ItemJsonFast.h"
#include "items/model/JsonReader.h"
#include "items/model/JsonText.h"

#include "base/ReferenceDate.h"
#include "base/Url.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

namespace qv {
namespace {

QByteArray fixture(const QString& name) {
  QFile file(QStringLiteral(QV_SOURCE_DIR "/tests/items/fixtures/items/") + name);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
  return file.readAll().trimmed();
}

const char* const kItemFixtures[] = {"code.json",
                                     "color.json",
                                     "file-no-url.json",
                                     "file.json",
                                     "image.json",
                                     "lenient-file-url-empty.json",
                                     "lenient-file-url-invalid.json",
                                     "lenient-file-url-number.json",
                                     "lenient-image-data.json",
                                     "lenient-link-nulls.json",
                                     "link-full.json",
                                     "link-minimal.json",
                                     "text.json"};

// Stored form plus the in-memory picture, which the encoder leaves out.
bool sameItems(const QList<ClipboardItem>& a, const QList<ClipboardItem>& b) {
  if (a.size() != b.size() || encodeItems(a) != encodeItems(b)) return false;
  for (qsizetype i = 0; i < a.size(); ++i) {
    if (a[i].payload.index() != b[i].payload.index()) return false;
    if (const auto* image = fieldsIf<ImagePayload>(&a[i].payload))
      if (image->image != std::get<ImagePayload>(b[i].payload)->image) return false;
  }
  return true;
}

// Checks one input both ways; answers whether the direct decoder took it.
bool agree(const QByteArray& json) {
  ItemDecodeError documentError, error;
  const auto direct = decodeItemsDirect(json);
  const auto document = decodeItemsThroughDocument(json, &documentError);
  const auto items = decodeItems(json, &error);
  const std::string shown = json.left(300).toStdString();
  if (direct) {
    EXPECT_TRUE(document) << "direct decoder took what the document decoder rejects ("
                          << documentError.toString().toStdString() << "): " << shown;
    if (document) {
      EXPECT_TRUE(sameItems(*direct, *document)) << shown;
    }
  }
  EXPECT_EQ(items.has_value(), document.has_value()) << shown;
  if (items && document) {
    EXPECT_TRUE(sameItems(*items, *document)) << shown;
  }
  EXPECT_EQ(error.message, documentError.message) << shown;
  EXPECT_EQ(error.codingPath, documentError.codingPath) << shown;
  return direct.has_value();
}

QByteArray allFixtures() {
  QByteArray list = "[";
  for (const char* name : kItemFixtures) list += fixture(QString::fromLatin1(name)) + ',';
  list.back() = ']';
  return list;
}

const QByteArray kTextItem =
    R"({"id":"2F3A4B5C-6D7E-4F9A-8B1C-2D3E4F5A6B7C","contentType":"text","sourceAppBundleID":"x",)"
    R"("capturedAt":1,"payload":{"type":"text","text":"t"}})";

// The text item with `from` replaced by `to`, as a one-item list.
QByteArray textItemWith(const char* from, const QByteArray& to) {
  QByteArray item = kTextItem;
  item.replace(from, to);
  return '[' + item + ']';
}

TEST(ItemJsonDirect, TakesTheStoredFormAndEveryLenientFixture) {
  EXPECT_TRUE(agree(allFixtures()));
  for (const char* name : kItemFixtures) EXPECT_TRUE(agree('[' + fixture(QString::fromLatin1(name)) + ']')) << name;
  EXPECT_TRUE(agree(fixture(QStringLiteral("lenient-image-data-junk.json"))));
  EXPECT_TRUE(agree("[]"));
  EXPECT_TRUE(agree(" \n[ ]\r\n\t"));
  // The legacy picture really is read by the direct decoder.
  const auto legacy = decodeItemsDirect('[' + fixture(QStringLiteral("lenient-image-data.json")) + ']');
  ASSERT_TRUE(legacy);
  EXPECT_EQ(std::get<ImagePayload>(legacy->front().payload)->image.size(), QSize(1, 1));
}

TEST(ItemJsonDirect, TakesReorderedKeysEscapesAndUnknownKeys) {
  // "type" last: the payload's values are read again once the kind is known.
  EXPECT_TRUE(agree(R"([{"payload":{"language":"C","source":"int\/x;","extra":[1,{"a":null}],"type":"code"},)"
                    R"("capturedAt":-12.75e0,"sourceAppBundleID":"a\u00e9\ud83d\udc4b","contentType":"code",)"
                    R"("id":"2f3a4b5c-6d7e-4f9a-8b1c-2d3e4f5a6b7c","more":true}])"));
  EXPECT_TRUE(agree(textItemWith(R"("text":"t")", R"("text":"\"\\\/\b\f\n\r\t\u0000\u0041\uFFFE")")));
  EXPECT_TRUE(agree(textItemWith(R"("text":"t")", "\"text\":\"\xEF\xBF\xBE \xF4\x8F\xBF\xBF \xC3\xA9\"")));
  EXPECT_TRUE(agree(textItemWith(R"("capturedAt":1)", R"("capturedAt":-0)")));
  EXPECT_TRUE(agree(textItemWith(R"("capturedAt":1)", R"("capturedAt":123456789.123456789)")));
  EXPECT_TRUE(agree(textItemWith(R"("capturedAt":1)", R"("capturedAt":1E-7)")));
  EXPECT_TRUE(agree(textItemWith(R"("type":"text")", R"("type":"text","hex":5,"url":"not a url")")));
  EXPECT_TRUE(agree(textItemWith(R"("sourceAppBundleID":"x")", R"("sourceAppBundleID" : "x" , "\u0069d2" : {})")));
}

TEST(ItemJsonDirect, AgreesOnEdgeCasesItDoesNotTake) {
  const QList<QByteArray> inputs = {
      "",
      "[",
      "]",
      "{}",
      "null",
      "[1]",
      "[null]",
      "[[]]",
      "[{}]",
      "[] x",
      QByteArray("[]\0", 3),
      "\xEF\xBB\xBF[]",  // a byte-order mark
      textItemWith(R"("text":"t")", R"("text":"\ud800")"),
      textItemWith(R"("text":"t")", R"("text":"\udc00\ud800")"),
      textItemWith(R"("text":"t")", "\"text\":\"a\x01\x1f\""),
      textItemWith(R"("text":"t")", QByteArray("\"text\":\"a\0b\"", 12)),
      textItemWith(R"("text":"t")", "\"text\":\"\xC0\x80\""),
      textItemWith(R"("text":"t")", "\"text\":\"\xED\xA0\x80\""),
      textItemWith(R"("text":"t")", "\"text\":\"\xF4\x90\x80\x80\""),
      textItemWith(R"("text":"t")", "\"text\":\"\xE2\x82\""),
      textItemWith(R"("text":"t")", R"("text":"\x")"),
      textItemWith(R"("text":"t")", R"("text":"\u12")"),
      textItemWith(R"("capturedAt":1)", R"("capturedAt":1e400)"),
      textItemWith(R"("capturedAt":1)", R"("capturedAt":1e-400)"),
      textItemWith(R"("capturedAt":1)", R"("capturedAt":1e-310)"),
      textItemWith(R"("capturedAt":1)", R"("capturedAt":1e16)"),
      textItemWith(R"("capturedAt":1)", R"("capturedAt":1.)"),
      textItemWith(R"("capturedAt":1)", R"("capturedAt":01)"),
      textItemWith(R"("capturedAt":1)", R"("capturedAt":+1)"),
      textItemWith(R"("capturedAt":1)", R"("capturedAt":99999999999999999999999)"),
      textItemWith(R"("capturedAt":1)", R"("capturedAt":true)"),
      textItemWith(R"("text":"t")", R"("text":"t","text":"u")"),
      textItemWith(R"("id")", R"("id":"x","id")"),
      textItemWith(R"("type":"text")", R"("type":"text","type":"code")"),
      textItemWith(R"("payload")", R"("x":[1e999],"payload")"),
      textItemWith(R"("payload")", R"("x":[1,],"payload")"),
      textItemWith(R"("payload")", R"("x":tru,"payload")"),
      textItemWith(R"("2F3A4B5C)", R"("\u0032F3A4B5C)"),
      textItemWith(R"("2F3A4B5C)", R"("{2F3A4B5C)"),
      textItemWith("-2D3E4F5A6B7C\"", "-2D3E4F5A6B7C\\n\""),
      textItemWith(R"("contentType":"text")", R"("contentType":"te\u0078t")"),
      R"([{"id":"2F3A4B5C-6D7E-4F9A-8B1C-2D3E4F5A6B7C","contentType":"color","sourceAppBundleID":"x","capturedAt":1,)"
      R"("payload":{"type":"color","hex":"#000000","r":1E2,"g":2147483648,"b":-0}}])",
      R"([{"id":"2F3A4B5C-6D7E-4F9A-8B1C-2D3E4F5A6B7C","contentType":"image","sourceAppBundleID":"x","capturedAt":1,)"
      R"("payload":{"type":"image","filename":"a","width":9223372036854775807,"height":-9223372036854775808,"fileSize":"1"}}])",
      R"([{"id":"2F3A4B5C-6D7E-4F9A-8B1C-2D3E4F5A6B7C","contentType":"image","sourceAppBundleID":"x","capturedAt":1,)"
      R"("payload":{"type":"image","filename":"a","width":9223372036854775808,"height":1.0,"fileSize":"1"}}])",
      R"([{"id":"2F3A4B5C-6D7E-4F9A-8B1C-2D3E4F5A6B7C","contentType":"link","sourceAppBundleID":"x","capturedAt":1,)"
      R"("payload":{"type":"link","url":"https:\/\/example.org","domain":"example.org","title":null,"description":7}}])",
      R"([{"id":"2F3A4B5C-6D7E-4F9A-8B1C-2D3E4F5A6B7C","contentType":"file","sourceAppBundleID":"x","capturedAt":1,)"
      R"("payload":{"type":"file","name":"a","size":"1","fileURL":"file:\/\/\/tmp\/\u00e9"}}])",
      QByteArray(600, '[') + QByteArray(600, ']'),
      QByteArray(2000, '[') + QByteArray(2000, ']'),
      textItemWith(R"("payload")", R"("deep":)" + QByteArray(700, '[') + QByteArray(700, ']') + R"(,"payload")"),
  };
  for (const QByteArray& input : inputs) agree(input);
}

TEST(ItemJsonDirect, AgreesOnEveryFailureFixture) {
  // Each failing record alone, and after a good one so the path carries the index.
  const QJsonArray cases = QJsonDocument::fromJson(fixture(QStringLiteral("failures.json"))).array();
  int count = 0;
  for (const QJsonValue& value : cases) {
    const QByteArray record = QJsonDocument(value.toObject().value("item").toObject()).toJson(QJsonDocument::Compact);
    EXPECT_FALSE(agree('[' + record + ']'));
    EXPECT_FALSE(agree('[' + fixture(QStringLiteral("text.json")) + ',' + record + ']'));
    ++count;
  }
  EXPECT_GE(count, 18);
}

TEST(ItemJsonDirect, AgreesOnTruncatedAndCorruptedText) {
  const QByteArray valid = allFixtures();
  for (qsizetype length = 0; length < valid.size(); length += 7) agree(valid.left(length));
  QRandomGenerator random(20261206);
  const char replacements[] = {'"', '\\', '{', '}', '[', ']', ',', ':', '0', '-', 'e', '.', ' ', '\0', '\x80', '\xff'};
  for (int round = 0; round < 1500; ++round) {
    QByteArray corrupted = valid;
    for (int edits = 1 + round % 3; edits > 0; --edits) {
      const qsizetype at = random.bounded(corrupted.size());
      switch (random.bounded(3)) {
        case 0: corrupted[at] = replacements[random.bounded(int(sizeof replacements))]; break;
        case 1: corrupted.remove(at, 1 + random.bounded(4)); break;
        default: corrupted.insert(at, replacements[random.bounded(int(sizeof replacements))]);
      }
    }
    agree(corrupted);
  }
}

TEST(ItemJsonDirect, TakesALargeGeneratedHistory) {
  QList<ClipboardItem> items;
  for (int i = 0; i < 600; ++i) {
    const QString n = QString::number(i);
    ClipboardPayload payload;
    switch (i % 6) {
      case 0: payload = TextPayload{QString::fromUtf8("naïve \"quoted\"\n\t😀 ") + QChar(i % 0x20) + n}; break;
      case 1: payload = CodePayload{QStringLiteral("return \\%1;").arg(n), QStringLiteral("C")}; break;
      case 2:
        payload = LinkPayload{*parseStrictUrl(QStringLiteral("https://example.org/a?") + n),
                              QStringLiteral("example.org"), i % 4 ? std::optional<QString>(n) : std::nullopt,
                              std::nullopt, QStringLiteral("cached:x")};
        break;
      case 3: payload = ColorPayload{QStringLiteral("#0A0B0C"), 10, 11, i}; break;
      case 4: payload = ImagePayload{{}, n + QStringLiteral(".png"), i, -i, QStringLiteral("1 KB")}; break;
      default:
        payload = FilePayload{
            n, QStringLiteral("2 KB"),
            i % 4 ? std::optional<Url>(*parseStrictUrl(QStringLiteral("file:///tmp/") + n)) : std::nullopt};
    }
    items.append(ClipboardItem::make(QUuid::createUuid(), QStringLiteral("app.") + n,
                                     dateFromReferenceSeconds(-1e9 + i * 1234.567), std::move(payload)));
  }
  const QByteArray json = encodeItems(items);
  EXPECT_TRUE(agree(json));
  EXPECT_EQ(decodeItemsDirect(json), items);
}

TEST(JsonText, WritesStringsAsQtEncodesThem) {
  // The writer encodes UTF-8 itself; it must give the bytes QString::toUtf8 gives, escaped.
  const auto reference = [](const QString& text) {
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') out += QByteArray("\\") + c;
      else if (c == '\n') out += "\\n";
      else if (c == '\r') out += "\\r";
      else if (c == '\t') out += "\\t";
      else if (c == '\b') out += "\\b";
      else if (c == '\f') out += "\\f";
      else if (byte < 0x20) out += QByteArray("\\u00") + QByteArray::number(byte, 16).rightJustified(2, '0');
      else out += c;
    }
    return out + '"';
  };
  QString loneSurrogates;
  for (const char16_t unit : {u'a', char16_t(0xD800), u'b', char16_t(0xDC00), char16_t(0xD83D), char16_t(0xDE00),
                              char16_t(0xDBFF), char16_t(0xDBFF), char16_t(0xDFFF), char16_t(0xD83D)})
    loneSurrogates += QChar(unit);
  for (const QString& text :
       {QString(), QStringLiteral("plain"), QString::fromUtf8("é€😀 \x01\x1f\x7f \"\\/\n\r\t\b\f"), QString(QChar(0)),
        QString(QChar(0xFFFF)) + QChar(0x7FF) + QChar(0x800), loneSurrogates}) {
    QByteArray out = "x";
    appendJsonString(out, text);
    EXPECT_EQ(out, 'x' + reference(text)) << text.toStdString();
  }
}

TEST(JsonReader, ReportsWhereTheTextGoesWrong) {
  const auto firstError = [](const QByteArray& text) {
    JsonReader reader(text.constData(), text.constData() + text.size());
    reader.skipValue();
    return std::pair<std::string, qsizetype>(reader.errorMessage() ? reader.errorMessage() : "", reader.errorOffset());
  };
  EXPECT_EQ(firstError(R"({"a":[1,2,"x"]})").first, "");
  EXPECT_EQ(firstError(R"({"a":[1,2,"x)"), std::make_pair(std::string("Unterminated string"), qsizetype(12)));
  EXPECT_EQ(firstError("[1,]").first, "Unexpected character");
  EXPECT_EQ(firstError("[1e999]").first, "Number out of range");
  EXPECT_EQ(firstError("\"\xFF\"").first, "Invalid UTF-8 in string");
  EXPECT_EQ(firstError(R"("\ud800")").first, "Unpaired surrogate escape");
  EXPECT_EQ(firstError(QByteArray(JsonReader::kMaxSkipDepth + 1, '[')).first, "Nesting too deep");
  EXPECT_EQ(firstError("").first, "Unexpected end of text");

  // An error sticks.
  const QByteArray text = "x 1";
  JsonReader reader(text.constData(), text.constData() + text.size());
  EXPECT_FALSE(reader.skipValue());
  qint64 number = 0;
  EXPECT_FALSE(reader.readInt64(&number));
  EXPECT_EQ(reader.errorOffset(), 0);
}

}  // namespace
}  // namespace qv
