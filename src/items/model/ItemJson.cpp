#include "items/model/ItemJson.h"
#include "items/model/ItemJsonFast.h"

#include "base/ReferenceDate.h"
#include "base/Url.h"
#include "base/Uuid.h"
#include "items/model/JsonText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <limits>

namespace qv {

QString ItemDecodeError::toString() const {
  return codingPath.isEmpty() ? message : codingPath + QStringLiteral(": ") + message;
}

namespace {

// Dates beyond this many seconds from the reference date cannot be held to the millisecond.
constexpr double kMaxReferenceSeconds = 1e15;

class Decoder {
 public:
  Decoder(ItemDecodeError* error, QString path) : error_(error), path_(std::move(path)) {}

  bool fail(const QString& message, const QString& suffix = {}) {
    if (error_ && error_->message.isEmpty()) {
      error_->message = message;
      error_->codingPath = path_ + suffix;
    }
    return false;
  }

  bool require(const QJsonObject& object, QLatin1StringView key, QJsonValue* out) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined()) return fail(QStringLiteral("Missing key '%1'").arg(key));
    *out = value;
    return true;
  }

  bool string(const QJsonObject& object, QLatin1StringView key, QString* out) {
    QJsonValue value;
    if (!require(object, key, &value)) return false;
    if (!value.isString()) return fail(QStringLiteral("Expected a string for key '%1'").arg(key));
    *out = value.toString();
    return true;
  }

  // Absent or null gives none; any other non-string fails.
  bool optionalString(const QJsonObject& object, QLatin1StringView key, std::optional<QString>* out) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull()) {
      out->reset();
      return true;
    }
    if (!value.isString()) return fail(QStringLiteral("Expected a string for key '%1'").arg(key));
    *out = value.toString();
    return true;
  }

  bool integer(const QJsonObject& object, QLatin1StringView key, qint64 min, qint64 max, qint64* out) {
    QJsonValue value;
    if (!require(object, key, &value)) return false;
    const double number = value.toDouble(std::numeric_limits<double>::quiet_NaN());
    if (!value.isDouble() || !std::isfinite(number) || std::trunc(number) != number ||
        number < static_cast<double>(min) || number > static_cast<double>(max))
      return fail(QStringLiteral("Expected an integer for key '%1'").arg(key));
    *out = value.toInteger(static_cast<qint64>(number));
    return true;
  }

  bool color(const QJsonObject& object, int* out, QLatin1StringView key) {
    qint64 value = 0;
    if (!integer(object, key, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), &value)) return false;
    *out = static_cast<int>(value);
    return true;
  }

  bool payload(const QJsonValue& value, ClipboardPayload* out) {
    const QString base = path_;
    path_ += QStringLiteral(".payload");
    const bool ok = payloadObject(value, out);
    path_ = base;
    return ok;
  }

 private:
  bool payloadObject(const QJsonValue& value, ClipboardPayload* out) {
    if (!value.isObject()) return fail(QStringLiteral("Expected an object"));
    const QJsonObject object = value.toObject();
    QString type;
    if (!string(object, QLatin1StringView("type"), &type)) return false;
    constexpr qint64 kIntMax = std::numeric_limits<qint64>::max();
    constexpr qint64 kIntMin = std::numeric_limits<qint64>::min();
    if (type == u"color") {
      ColorPayload p;
      if (!string(object, QLatin1StringView("hex"), &p.hex) || !color(object, &p.r, QLatin1StringView("r")) ||
          !color(object, &p.g, QLatin1StringView("g")) || !color(object, &p.b, QLatin1StringView("b")))
        return false;
      *out = std::move(p);
      return true;
    }
    if (type == u"image") {
      ImageFields p;
      if (!string(object, QLatin1StringView("filename"), &p.filename) ||
          !integer(object, QLatin1StringView("width"), kIntMin, kIntMax, &p.width) ||
          !integer(object, QLatin1StringView("height"), kIntMin, kIntMax, &p.height) ||
          !string(object, QLatin1StringView("fileSize"), &p.fileSize))
        return false;
      // Older histories carried the picture inline; any problem with it just gives no image.
      const QJsonValue legacy = object.value(QLatin1StringView("imageData"));
      if (legacy.isString()) p.image = legacyInlineImage(legacy.toString());
      *out = ImagePayload(std::move(p));
      return true;
    }
    if (type == u"link") {
      LinkFields p;
      QString url;
      if (!string(object, QLatin1StringView("url"), &url)) return false;
      const std::optional<Url> parsed = parseStrictUrl(url);
      if (!parsed) return fail(QStringLiteral("Invalid URL string '%1'").arg(url), QStringLiteral(".url"));
      p.url = *parsed;
      if (!string(object, QLatin1StringView("domain"), &p.domain) ||
          !optionalString(object, QLatin1StringView("title"), &p.title) ||
          !optionalString(object, QLatin1StringView("description"), &p.description) ||
          !optionalString(object, QLatin1StringView("ogImageURL"), &p.ogImageURL))
        return false;
      *out = LinkPayload(std::move(p));
      return true;
    }
    if (type == u"code") {
      CodePayload p;
      if (!string(object, QLatin1StringView("source"), &p.source) ||
          !string(object, QLatin1StringView("language"), &p.language))
        return false;
      *out = std::move(p);
      return true;
    }
    if (type == u"text") {
      TextPayload p;
      if (!string(object, QLatin1StringView("text"), &p.text)) return false;
      *out = std::move(p);
      return true;
    }
    if (type == u"file") {
      FileFields p;
      if (!string(object, QLatin1StringView("name"), &p.name) || !string(object, QLatin1StringView("size"), &p.size))
        return false;
      // Lenient: a missing, mistyped or unparsable location just leaves the URL out.
      const QJsonValue fileURL = object.value(QLatin1StringView("fileURL"));
      if (fileURL.isString()) p.url = parseStrictUrl(fileURL.toString());
      *out = FilePayload(std::move(p));
      return true;
    }
    return fail(QStringLiteral("Unknown payload type '") + type + u'\'');
  }

  ItemDecodeError* error_;
  QString path_;
};

void appendString(QByteArray& out, const char* key, const QString& value) {
  appendJsonKey(out, key);
  appendJsonString(out, value);
}

void appendInteger(QByteArray& out, const char* key, qint64 value) {
  appendJsonKey(out, key);
  appendJsonInteger(out, value);
}

// The raw value in quotes, without building a QString.
void appendContentType(QByteArray& out, ContentType type) {
  static constexpr const char* kQuoted[] = {"\"color\"", "\"image\"", "\"link\"", "\"code\"", "\"text\"", "\"file\""};
  out.append(kQuoted[static_cast<int>(type)]);
}

// The upper-case 8-4-4-4-12 form in quotes.
void appendQuotedUuid(QByteArray& out, const QUuid& id) {
  static constexpr char kHexUpper[] = "0123456789ABCDEF";
  const QByteArray bytes = id.toRfc4122();
  char* d = appendUninitialized(out, 38);
  *d++ = '"';
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) *d++ = '-';
    const auto byte = static_cast<uchar>(bytes[i]);
    *d++ = kHexUpper[byte >> 4];
    *d++ = kHexUpper[byte & 0xF];
  }
  *d = '"';
}

void appendPayload(QByteArray& out, const ClipboardPayload& payload) {
  out.append("{\"type\":", 8);
  appendContentType(out, contentType(payload));
  if (const auto* color = std::get_if<ColorPayload>(&payload)) {
    appendString(out, "hex", color->hex);
    appendInteger(out, "r", color->r);
    appendInteger(out, "g", color->g);
    appendInteger(out, "b", color->b);
  } else if (const auto* image = fieldsIf<ImagePayload>(&payload)) {
    appendString(out, "filename", image->filename);
    appendInteger(out, "width", image->width);
    appendInteger(out, "height", image->height);
    appendString(out, "fileSize", image->fileSize);
  } else if (const auto* link = fieldsIf<LinkPayload>(&payload)) {
    appendString(out, "url", absoluteString(link->url));
    appendString(out, "domain", link->domain);
    if (link->title) appendString(out, "title", *link->title);
    if (link->description) appendString(out, "description", *link->description);
    if (link->ogImageURL) appendString(out, "ogImageURL", *link->ogImageURL);
  } else if (const auto* code = std::get_if<CodePayload>(&payload)) {
    appendString(out, "source", code->source);
    appendString(out, "language", code->language);
  } else if (const auto* text = std::get_if<TextPayload>(&payload)) {
    appendString(out, "text", text->text);
  } else if (const auto* file = fieldsIf<FilePayload>(&payload)) {
    appendString(out, "name", file->name);
    appendString(out, "size", file->size);
    if (file->url) appendString(out, "fileURL", absoluteString(*file->url));
  }
  out.append('}');
}

}  // namespace

std::optional<ClipboardItem> decodeItem(const QJsonValue& value, ItemDecodeError* error, const QString& codingPath) {
  Decoder decoder(error, codingPath);
  if (!value.isObject()) {
    decoder.fail(QStringLiteral("Expected an object"));
    return std::nullopt;
  }
  const QJsonObject object = value.toObject();
  ClipboardItem item;

  QString text;
  if (!decoder.string(object, QLatin1StringView("id"), &text)) return std::nullopt;
  const std::optional<QUuid> id = parseUuid(text);
  if (!id) {
    decoder.fail(QStringLiteral("Invalid UUID string '%1'").arg(text), QStringLiteral(".id"));
    return std::nullopt;
  }
  item.id = *id;

  if (!decoder.string(object, QLatin1StringView("contentType"), &text)) return std::nullopt;
  const std::optional<ContentType> type = contentTypeFromRaw(text);
  if (!type) {
    decoder.fail(QStringLiteral("Unknown content type '%1'").arg(text), QStringLiteral(".contentType"));
    return std::nullopt;
  }
  item.contentType = *type;

  if (!decoder.string(object, QLatin1StringView("sourceAppBundleID"), &item.sourceAppBundleID)) return std::nullopt;

  QJsonValue captured;
  if (!decoder.require(object, QLatin1StringView("capturedAt"), &captured)) return std::nullopt;
  const double seconds = captured.toDouble(std::numeric_limits<double>::quiet_NaN());
  if (!captured.isDouble() || !std::isfinite(seconds)) {
    decoder.fail(QStringLiteral("Expected a number for key 'capturedAt'"));
    return std::nullopt;
  }
  if (std::abs(seconds) > kMaxReferenceSeconds) {
    decoder.fail(QStringLiteral("Date out of range"), QStringLiteral(".capturedAt"));
    return std::nullopt;
  }
  item.capturedAt = dateFromReferenceSeconds(seconds);

  QJsonValue payload;
  if (!decoder.require(object, QLatin1StringView("payload"), &payload) || !decoder.payload(payload, &item.payload))
    return std::nullopt;
  return item;
}

std::optional<QList<ClipboardItem>> decodeItems(const QByteArray& json, ItemDecodeError* error) {
  // The history's own form is read directly; anything else (errors included) goes through
  // QJsonDocument, which gives the exact message.
  if (std::optional<QList<ClipboardItem>> items = decodeItemsDirect(json)) return items;
  return decodeItemsThroughDocument(json, error);
}

std::optional<QList<ClipboardItem>> decodeItemsThroughDocument(const QByteArray& json, ItemDecodeError* error) {
  QJsonParseError parseError;
  const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
  if (parseError.error != QJsonParseError::NoError) {
    if (error)
      *error = {QStringLiteral("Invalid JSON: %1 at offset %2").arg(parseError.errorString()).arg(parseError.offset),
                {}};
    return std::nullopt;
  }
  if (!document.isArray()) {
    if (error) *error = {QStringLiteral("Expected an array of items"), {}};
    return std::nullopt;
  }
  const QJsonArray array = document.array();
  QList<ClipboardItem> items;
  items.reserve(array.size());
  for (qsizetype i = 0; i < array.size(); ++i) {
    std::optional<ClipboardItem> item = decodeItem(array.at(i), error, u'[' + QString::number(i) + u']');
    if (!item) return std::nullopt;
    items.append(std::move(*item));
  }
  return items;
}

void appendItemJson(QByteArray& out, const ClipboardItem& item) {
  out.append('{');
  appendJsonKey(out, "id", true);
  appendQuotedUuid(out, item.id);
  appendJsonKey(out, "contentType");
  appendContentType(out, item.contentType);
  appendString(out, "sourceAppBundleID", item.sourceAppBundleID);
  appendJsonKey(out, "capturedAt");
  appendJsonDouble(out, secondsSinceReferenceDate(item.capturedAt));
  appendJsonKey(out, "payload");
  appendPayload(out, item.payload);
  out.append('}');
}

QByteArray encodeItem(const ClipboardItem& item) {
  QByteArray out;
  appendItemJson(out, item);
  return out;
}

QByteArray encodeItems(const QList<ClipboardItem>& items) {
  QByteArray out;
  out.reserve(items.size() * 256);
  out.append('[');
  for (qsizetype i = 0; i < items.size(); ++i) {
    if (i) out.append(',');
    appendItemJson(out, items.at(i));
  }
  out.append(']');
  return out;
}

}  // namespace qv
