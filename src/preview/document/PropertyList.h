#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace qv {

struct PropertyListValue;
using PropertyListObject = std::shared_ptr<const PropertyListValue>;

// One value of a property list. An object that several containers refer to is one shared value.
struct PropertyListValue {
  enum class Type { null, boolean, integer, real, date, data, string, uid, array, dictionary };
  Type type = Type::null;
  bool boolean = false;
  qint64 integer = 0;  // also a UID's value
  double real = 0;     // also a date's seconds since 2001-01-01
  QByteArray data;
  QString string;
  std::vector<PropertyListObject> array;                           // also a set's members
  std::vector<std::pair<QString, PropertyListObject>> dictionary;  // in the file's order

  // The dictionary's value for `key`, or null (also when this is not a dictionary).
  const PropertyListValue* value(QStringView key) const;
};

// Bounds the binary property-list reader keeps, whatever the file claims.
namespace PropertyListLimits {
inline constexpr qint64 kMaxObjects = 100'000;  // a page with a thousand resources has some 6,000
// Containers nested deeper than this make the list unreadable (web archives nest a few levels
// per frame).
inline constexpr int kMaxNesting = 64;
// What the values read may take in memory: this many times the file's size, and this much
// besides. Objects stored once are read once however often they are referred to, so only a list
// that makes many references (each a byte or two in the file, a pointer once read) comes near.
inline constexpr qint64 kMemoryPerFileByte = 3;
inline constexpr qint64 kMemoryBesides = 16LL << 20;
}  // namespace PropertyListLimits

// Reads a binary property list ("bplist00"), as web archives are stored. None for anything
// malformed: a bad header or trailer, offsets or lengths outside the object area, more objects
// than kMaxObjects, containers nested deeper than kMaxNesting, an object that contains itself
// (a cycle), a dictionary key that is not a string, an unknown object type; and for a list whose
// values would take more memory than the limits allow. Objects stored at one place are one
// shared value, whichever index refers to them.
std::optional<PropertyListObject> readBinaryPropertyList(QByteArrayView bytes);

}  // namespace qv
