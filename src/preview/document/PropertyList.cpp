#include "preview/document/PropertyList.h"

#include <QtEndian>
#include <cstring>
#include <unordered_map>

namespace qv {

const PropertyListValue* PropertyListValue::value(QStringView key) const {
  for (const auto& [name, object] : dictionary)
    if (name == key) return object.get();
  return nullptr;
}

namespace {

constexpr qsizetype kHeaderSize = 8;
constexpr qsizetype kTrailerSize = 32;

class BinaryPropertyListReader {
 public:
  explicit BinaryPropertyListReader(QByteArrayView bytes) : in_(bytes) {}

  std::optional<PropertyListObject> read() {
    if (in_.size() < kHeaderSize + kTrailerSize || !in_.startsWith("bplist00")) return std::nullopt;
    const qsizetype trailer = in_.size() - kTrailerSize;
    offsetSize_ = uchar(in_[trailer + 6]);
    refSize_ = uchar(in_[trailer + 7]);
    const quint64 count = bigEndian(trailer + 8, 8);
    const quint64 top = bigEndian(trailer + 16, 8);
    const quint64 tableOffset = bigEndian(trailer + 24, 8);
    if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8) return std::nullopt;
    if (count < 1 || count > quint64(PropertyListLimits::kMaxObjects) || top >= count) return std::nullopt;
    // Objects lie between the header and the offset table, the table between them and the trailer.
    if (tableOffset < quint64(kHeaderSize) || tableOffset > quint64(trailer)) return std::nullopt;
    if (count * offsetSize_ > quint64(trailer) - tableOffset) return std::nullopt;
    tableOffset_ = qsizetype(tableOffset);
    objectCount_ = qsizetype(count);
    budget_ = PropertyListLimits::kMemoryPerFileByte * in_.size() + PropertyListLimits::kMemoryBesides;
    PropertyListObject root = object(qsizetype(top), 0);
    if (!root) return std::nullopt;
    return root;
  }

 private:
  quint64 bigEndian(qsizetype at, int size) const {
    quint64 value = 0;
    for (int i = 0; i < size; ++i) value = (value << 8) | uchar(in_[at + i]);
    return value;
  }

  // The object `index`, read once and shared after, as is every other index of the same place;
  // null when it (or anything in it) is bad.
  PropertyListObject object(qsizetype index, int depth) {
    if (index < 0 || index >= objectCount_) return nullptr;
    const quint64 offset = bigEndian(tableOffset_ + index * offsetSize_, offsetSize_);
    if (offset < quint64(kHeaderSize) || offset >= quint64(tableOffset_)) return nullptr;
    const auto found = objects_.find(qsizetype(offset));
    if (found != objects_.end()) return found->second;  // null while it is being read: a cycle
    if (depth > PropertyListLimits::kMaxNesting) return nullptr;
    objects_.emplace(qsizetype(offset), nullptr);
    PropertyListObject read = parse(qsizetype(offset), depth);
    objects_[qsizetype(offset)] = read;
    // A bad object makes the whole list unreadable: nothing more needs reading.
    if (!read) failed_ = true;
    return read;
  }

  // Takes `bytes` from what the values may still use; false once they would use more.
  bool spend(qint64 bytes) {
    budget_ -= bytes;
    return budget_ >= 0;
  }

  PropertyListObject parse(qsizetype offset, int depth) {
    if (failed_ || !spend(sizeof(PropertyListValue) + 32)) return nullptr;
    qsizetype at = offset;
    const uchar marker = uchar(in_[at++]);
    const int kind = marker >> 4;
    const int info = marker & 0x0F;
    auto value = std::make_shared<PropertyListValue>();
    switch (kind) {
      case 0x0:
        if (info == 0x0 || info == 0xF) value->type = PropertyListValue::Type::null;
        else if (info == 0x8 || info == 0x9) {
          value->type = PropertyListValue::Type::boolean;
          value->boolean = info == 0x9;
        } else return nullptr;
        return value;
      case 0x1: {
        if (info > 4) return nullptr;
        const qsizetype size = qsizetype(1) << info;
        if (!fits(at, size)) return nullptr;
        value->type = PropertyListValue::Type::integer;
        // 16-byte integers hold their value in the low half.
        value->integer = qint64(bigEndian(at + (size > 8 ? size - 8 : 0), int(std::min<qsizetype>(size, 8))));
        return value;
      }
      case 0x2:
      case 0x3: {
        if (kind == 0x3 && info != 0x3) return nullptr;
        const qsizetype size = kind == 0x3 ? 8 : qsizetype(1) << info;
        if ((size != 4 && size != 8) || !fits(at, size)) return nullptr;
        const quint64 bits = bigEndian(at, int(size));
        if (size == 4) {
          float real;
          const quint32 narrow = quint32(bits);
          std::memcpy(&real, &narrow, sizeof real);
          value->real = real;
        } else {
          std::memcpy(&value->real, &bits, sizeof value->real);
        }
        value->type = kind == 0x3 ? PropertyListValue::Type::date : PropertyListValue::Type::real;
        return value;
      }
      case 0x4:
      case 0x5:
      case 0x6: {
        const std::optional<qsizetype> count = lengthOf(info, at);
        const qsizetype unit = kind == 0x6 ? 2 : 1;
        if (!count || *count > (tableOffset_ - at) / unit) return nullptr;
        const QByteArrayView bytes = in_.sliced(at, *count * unit);
        if (!spend(*count * (kind == 0x4 ? 1 : 2))) return nullptr;
        if (kind == 0x4) {
          value->type = PropertyListValue::Type::data;
          value->data = bytes.toByteArray();
        } else if (kind == 0x5) {
          value->type = PropertyListValue::Type::string;
          value->string = QString::fromLatin1(bytes);
        } else {
          value->type = PropertyListValue::Type::string;
          value->string.resize(*count);
          for (qsizetype i = 0; i < *count; ++i) value->string[i] = QChar(char16_t(bigEndian(at + 2 * i, 2)));
        }
        return value;
      }
      case 0x8: {
        const qsizetype size = info + 1;
        if (size > 8 || !fits(at, size)) return nullptr;
        value->type = PropertyListValue::Type::uid;
        value->integer = qint64(bigEndian(at, int(size)));
        return value;
      }
      case 0xA:
      case 0xC:
      case 0xD: {
        const std::optional<qsizetype> count = lengthOf(info, at);
        const qsizetype refs = kind == 0xD ? 2 : 1;
        if (!count || *count > (tableOffset_ - at) / (refSize_ * refs)) return nullptr;
        if (!spend(*count * qint64(kind == 0xD ? sizeof(value->dictionary[0]) : sizeof(PropertyListObject))))
          return nullptr;
        if (kind == 0xD) {
          value->type = PropertyListValue::Type::dictionary;
          value->dictionary.reserve(*count);
          for (qsizetype i = 0; i < *count; ++i) {
            const PropertyListObject key = object(reference(at, i), depth + 1);
            const PropertyListObject member = object(reference(at, *count + i), depth + 1);
            if (!key || !member || key->type != PropertyListValue::Type::string) return nullptr;
            value->dictionary.emplace_back(key->string, member);
          }
        } else {
          value->type = PropertyListValue::Type::array;
          value->array.reserve(*count);
          for (qsizetype i = 0; i < *count; ++i) {
            PropertyListObject member = object(reference(at, i), depth + 1);
            if (!member) return nullptr;
            value->array.push_back(std::move(member));
          }
        }
        return value;
      }
      default: return nullptr;
    }
  }

  bool fits(qsizetype at, qsizetype size) const { return size <= tableOffset_ - at; }

  qsizetype reference(qsizetype at, qsizetype position) const {
    return qsizetype(bigEndian(at + position * refSize_, refSize_));
  }

  // A length kept in the marker, or (info 0xF) in the integer object that follows it.
  std::optional<qsizetype> lengthOf(int info, qsizetype& at) const {
    if (info != 0xF) return info;
    if (!fits(at, 1)) return std::nullopt;
    const uchar marker = uchar(in_[at++]);
    if ((marker >> 4) != 0x1 || (marker & 0x0F) > 3) return std::nullopt;
    const qsizetype size = qsizetype(1) << (marker & 0x0F);
    if (!fits(at, size)) return std::nullopt;
    const quint64 length = bigEndian(at, int(size));
    at += size;
    if (length > quint64(tableOffset_)) return std::nullopt;
    return qsizetype(length);
  }

  QByteArrayView in_;
  int offsetSize_ = 0;
  int refSize_ = 0;
  qsizetype tableOffset_ = 0;
  qsizetype objectCount_ = 0;
  std::unordered_map<qsizetype, PropertyListObject> objects_;  // by place; null while being read
  qint64 budget_ = 0;
  bool failed_ = false;
};

}  // namespace

std::optional<PropertyListObject> readBinaryPropertyList(QByteArrayView bytes) {
  return BinaryPropertyListReader(bytes).read();
}

}  // namespace qv
