#include "items/model/ItemJsonFast.h"

#include "base/ReferenceDate.h"
#include "base/Url.h"
#include "items/model/JsonReader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace qv {

namespace {

// Dates beyond this many seconds from the reference date cannot be held to the millisecond
// (the same bound as the document decoder).
constexpr double kMaxReferenceSeconds = 1e15;

// Compares with a literal of known length, which the compiler turns into a few loads.
template <size_t N>
bool is(std::string_view text, const char (&literal)[N]) {
  return text.size() == N - 1 && std::memcmp(text.data(), literal, N - 1) == 0;
}

std::optional<ContentType> contentTypeFromBytes(std::string_view raw) {
  if (is(raw, "text")) return ContentType::text;
  if (is(raw, "link")) return ContentType::link;
  if (is(raw, "code")) return ContentType::code;
  if (is(raw, "file")) return ContentType::file;
  if (is(raw, "color")) return ContentType::color;
  if (is(raw, "image")) return ContentType::image;
  return std::nullopt;
}

constexpr std::array<signed char, 256> makeHexDigits() {
  std::array<signed char, 256> digits{};
  for (int c = 0; c < 256; ++c)
    digits[c] = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
  return digits;
}
constexpr std::array<signed char, 256> kHexDigits = makeHexDigits();

// The canonical 8-4-4-4-12 form in either case, as parseUuid takes it.
std::optional<QUuid> uuidFromBytes(std::string_view text) {
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') return std::nullopt;
  static constexpr int kByteStarts[16] = {0, 2, 4, 6, 9, 11, 14, 16, 19, 21, 24, 26, 28, 30, 32, 34};
  uchar bytes[16];
  int invalid = 0;
  for (int i = 0; i < 16; ++i) {
    const int high = kHexDigits[static_cast<uchar>(text[kByteStarts[i]])];
    const int low = kHexDigits[static_cast<uchar>(text[kByteStarts[i] + 1])];
    invalid |= high | low;  // negative when either is not a hex digit
    bytes[i] = static_cast<uchar>(high << 4 | low);
  }
  if (invalid < 0) return std::nullopt;
  return QUuid(uint(bytes[0]) << 24 | uint(bytes[1]) << 16 | uint(bytes[2]) << 8 | bytes[3],
               ushort(bytes[4] << 8 | bytes[5]), ushort(bytes[6] << 8 | bytes[7]), bytes[8], bytes[9], bytes[10],
               bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
}

// The payload keys, in one table so each is recognised once per object.
enum PayloadKey {
  kType,
  kHex,
  kR,
  kG,
  kB,
  kImageData,
  kFilename,
  kWidth,
  kHeight,
  kFileSize,
  kUrl,
  kDomain,
  kTitle,
  kDescription,
  kOgImageURL,
  kSource,
  kLanguage,
  kText,
  kName,
  kSize,
  kFileURL,
  kPayloadKeyCount
};

int payloadKey(std::string_view key) {
  switch (key.size()) {
    case 1: return is(key, "r") ? kR : is(key, "g") ? kG : is(key, "b") ? kB : -1;
    case 3: return is(key, "url") ? kUrl : is(key, "hex") ? kHex : -1;
    case 4:
      return is(key, "type") ? kType : is(key, "text") ? kText : is(key, "name") ? kName : is(key, "size") ? kSize : -1;
    case 5: return is(key, "width") ? kWidth : is(key, "title") ? kTitle : -1;
    case 6: return is(key, "height") ? kHeight : is(key, "domain") ? kDomain : is(key, "source") ? kSource : -1;
    case 7: return is(key, "fileURL") ? kFileURL : -1;
    case 8:
      return is(key, "filename") ? kFilename : is(key, "fileSize") ? kFileSize : is(key, "language") ? kLanguage : -1;
    case 9: return is(key, "imageData") ? kImageData : -1;
    case 10: return is(key, "ogImageURL") ? kOgImageURL : -1;
    case 11: return is(key, "description") ? kDescription : -1;
    default: return -1;
  }
}

// The keys each kind requires (lenient and optional keys are not among them).
quint32 requiredKeys(ContentType type) {
  const auto bit = [](PayloadKey key) { return quint32(1) << key; };
  switch (type) {
    case ContentType::color: return bit(kHex) | bit(kR) | bit(kG) | bit(kB);
    case ContentType::image: return bit(kFilename) | bit(kWidth) | bit(kHeight) | bit(kFileSize);
    case ContentType::link: return bit(kUrl) | bit(kDomain);
    case ContentType::code: return bit(kSource) | bit(kLanguage);
    case ContentType::text: return bit(kText);
    case ContentType::file: return bit(kName) | bit(kSize);
  }
  return 0;
}

// Stored items take a little over 200 bytes each: the first guess of the list's size.
constexpr qsizetype kGuessedItemBytes = 256;
constexpr qsizetype kItemsBeforeEstimate = 512;

class DirectDecoder {
 public:
  explicit DirectDecoder(const QByteArray& json) : reader_(json.constData(), json.constData() + json.size()) {}

  std::optional<QList<ClipboardItem>> decode(const QByteArray& json) {
    QList<ClipboardItem> items;
    if (!reader_.expect('[')) return std::nullopt;
    if (!reader_.consume(']')) {
      const char* const start = reader_.position();
      const char* const end = json.constData() + json.size();
      items.reserve(json.size() / kGuessedItemBytes + 1);
      do {
        // The list lives as long as the history, so its spare room stays resident: once the
        // first items tell their size, reserve for the rest instead of letting the list double.
        if (items.size() == kItemsBeforeEstimate || items.size() == items.capacity()) {
          const double perItem = double(reader_.position() - start) / double(std::max<qsizetype>(items.size(), 1));
          const auto rest = static_cast<qsizetype>(double(end - reader_.position()) / perItem * 1.02);
          items.reserve(std::max(items.capacity(), items.size() + rest + 16));
        }
        ClipboardItem& item = items.emplace_back();
        if (!readItem(&item)) return std::nullopt;
      } while (reader_.consume(','));
      if (!reader_.expect(']')) return std::nullopt;
    }
    if (!reader_.atEnd()) return std::nullopt;
    if (items.capacity() > items.size() + items.size() / 16 + 16) items.squeeze();
    return items;
  }

 private:
  bool readItem(ClipboardItem* item) {
    if (!reader_.expect('{')) return false;
    enum { kId = 1, kContentType = 2, kBundle = 4, kCaptured = 8, kPayload = 16, kAll = 31 };
    int seen = 0;
    const auto once = [&seen](int bit) {
      if (seen & bit) return false;
      seen |= bit;
      return true;
    };
    if (reader_.consume('}')) return false;
    do {
      std::string_view key;
      if (!reader_.readKey(&key)) return false;
      if (is(key, "id")) {
        std::string_view text;
        if (!once(kId) || !reader_.readPlainString(&text)) return false;
        const std::optional<QUuid> id = uuidFromBytes(text);
        if (!id) return false;
        item->id = *id;
      } else if (is(key, "contentType")) {
        std::string_view text;
        if (!once(kContentType) || !reader_.readPlainString(&text)) return false;
        const std::optional<ContentType> type = contentTypeFromBytes(text);
        if (!type) return false;
        item->contentType = *type;
      } else if (is(key, "sourceAppBundleID")) {
        if (!once(kBundle) || !reader_.readString(&item->sourceAppBundleID, &pool_)) return false;
      } else if (is(key, "capturedAt")) {
        double seconds = 0;
        if (!once(kCaptured) || !reader_.readDouble(&seconds)) return false;
        if (!std::isfinite(seconds) || std::abs(seconds) > kMaxReferenceSeconds) return false;
        item->capturedAt = dateFromReferenceSeconds(seconds);
      } else if (is(key, "payload")) {
        if (!once(kPayload) || !readPayload(&item->payload)) return false;
      } else if (!reader_.skipValue()) {
        return false;
      }
    } while (reader_.consume(','));
    return reader_.expect('}') && seen == kAll;
  }

  // Keys may come in any order, so a value read before "type" is skipped and read again once
  // the kind is known.
  bool readPayload(ClipboardPayload* payload) {
    if (!reader_.expect('{')) return false;
    std::array<const char*, kPayloadKeyCount> valueAt{};
    std::optional<ContentType> type;
    quint32 read = 0;
    if (reader_.consume('}')) return false;
    do {
      std::string_view key;
      if (!reader_.readKey(&key)) return false;
      const int index = payloadKey(key);
      if (index < 0) {
        if (!reader_.skipValue()) return false;
        continue;
      }
      if (valueAt[index]) return false;  // duplicate keys: leave them to the document decoder
      valueAt[index] = reader_.position();
      if (index == kType) {
        std::string_view text;
        if (!reader_.readPlainString(&text)) return false;
        type = contentTypeFromBytes(text);
        if (!type) return false;
        emplacePayload(*type, payload);
        read |= quint32(1) << index;
      } else if (type) {
        if (!readPayloadValue(*type, index, payload, &read)) return false;
      } else if (!reader_.skipValue()) {
        return false;
      }
    } while (reader_.consume(','));
    if (!reader_.expect('}') || !type) return false;
    const char* resume = reader_.position();
    for (int index = 0; index < kPayloadKeyCount; ++index) {
      if (!valueAt[index] || (read & (quint32(1) << index))) continue;
      reader_.seek(valueAt[index]);
      if (!readPayloadValue(*type, index, payload, &read)) return false;
    }
    reader_.seek(resume);
    const quint32 required = requiredKeys(*type);
    return (read & required) == required;
  }

  static void emplacePayload(ContentType type, ClipboardPayload* payload) {
    switch (type) {
      case ContentType::color: payload->emplace<ColorPayload>(); break;
      case ContentType::image: payload->emplace<ImagePayload>(); break;
      case ContentType::link: payload->emplace<LinkPayload>(); break;
      case ContentType::code: payload->emplace<CodePayload>(); break;
      case ContentType::text: payload->emplace<TextPayload>(); break;
      case ContentType::file: payload->emplace<FilePayload>(); break;
    }
  }

  bool colorChannel(int* out) {
    qint64 value = 0;
    if (!reader_.readInt64(&value) || value < std::numeric_limits<int>::min() ||
        value > std::numeric_limits<int>::max())
      return false;
    *out = static_cast<int>(value);
    return true;
  }

  // Absent (not reached here) or null gives none; a string gives itself.
  bool optionalString(std::optional<QString>* out) {
    if (reader_.peek() == 'n') {
      out->reset();
      return reader_.readNull();
    }
    QString text;
    if (!reader_.readString(&text)) return false;
    *out = std::move(text);
    return true;
  }

  // Reads the value of payload key `index` at the cursor into the payload of `type`, or skips
  // it when that kind has no such key.
  bool readPayloadValue(ContentType type, int index, ClipboardPayload* payload, quint32* read) {
    bool ok = true;
    bool used = true;
    switch (type) {
      case ContentType::color: {
        auto& p = std::get<ColorPayload>(*payload);
        if (index == kHex) ok = reader_.readString(&p.hex, &pool_);
        else if (index == kR) ok = colorChannel(&p.r);
        else if (index == kG) ok = colorChannel(&p.g);
        else if (index == kB) ok = colorChannel(&p.b);
        else used = false;
        break;
      }
      case ContentType::image: {
        auto& p = std::get<ImagePayload>(*payload).edit();
        if (index == kFilename) ok = reader_.readString(&p.filename);
        else if (index == kWidth) ok = reader_.readInt64(&p.width);
        else if (index == kHeight) ok = reader_.readInt64(&p.height);
        else if (index == kFileSize) ok = reader_.readString(&p.fileSize, &pool_);
        else if (index == kImageData && reader_.peek() == '"') {
          QString base64;
          ok = reader_.readString(&base64);
          if (ok) p.image = legacyInlineImage(base64);
        } else used = false;
        break;
      }
      case ContentType::link: {
        auto& p = std::get<LinkPayload>(*payload).edit();
        if (index == kUrl) {
          QString text;
          ok = reader_.readString(&text);
          std::optional<Url> url = ok ? parseStrictUrl(text) : std::nullopt;
          ok = ok && url;
          if (ok) p.url = std::move(*url);
        } else if (index == kDomain) ok = reader_.readString(&p.domain, &pool_);
        else if (index == kTitle) ok = optionalString(&p.title);
        else if (index == kDescription) ok = optionalString(&p.description);
        else if (index == kOgImageURL) ok = optionalString(&p.ogImageURL);
        else used = false;
        break;
      }
      case ContentType::code: {
        auto& p = std::get<CodePayload>(*payload);
        if (index == kSource) ok = reader_.readString(&p.source);
        else if (index == kLanguage) ok = reader_.readString(&p.language, &pool_);
        else used = false;
        break;
      }
      case ContentType::text: {
        auto& p = std::get<TextPayload>(*payload);
        if (index == kText) ok = reader_.readString(&p.text);
        else used = false;
        break;
      }
      case ContentType::file: {
        auto& p = std::get<FilePayload>(*payload).edit();
        if (index == kName) ok = reader_.readString(&p.name);
        else if (index == kSize) ok = reader_.readString(&p.size, &pool_);
        else if (index == kFileURL && reader_.peek() == '"') {
          QString text;
          ok = reader_.readString(&text);
          if (ok) p.url = parseStrictUrl(text);  // lenient: no URL when it does not parse
        } else used = false;
        break;
      }
    }
    if (!used) return reader_.skipValue();
    if (ok) *read |= quint32(1) << index;
    return ok;
  }

  JsonReader reader_;
  JsonStringPool pool_;
};

}  // namespace

std::optional<QList<ClipboardItem>> decodeItemsDirect(const QByteArray& json) {
  return DirectDecoder(json).decode(json);
}

QImage legacyInlineImage(const QString& base64) {
  const auto decoded = QByteArray::fromBase64Encoding(base64.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded) return {};
  QImage image = QImage::fromData(*decoded);
  return image.width() > 0 ? image : QImage();
}

}  // namespace qv
