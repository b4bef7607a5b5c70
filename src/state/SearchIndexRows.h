#pragma once
// What the search index's building (SearchIndex.cpp) and its scanning (SearchIndexScan.cpp)
// share: the layout of a row and how an item's searched fields are found.
#include "state/SearchIndex.h"

#include <array>

namespace qv {

namespace searchIndex {

// Joins the searched fields of one item in its search text. A query without it cannot match
// across two fields, so one substring test of the joined text equals a test per field.
constexpr QChar kFieldSeparator = QChar(0);

constexpr size_t kMaxFields = 4;
using FieldList = std::array<const QString*, kMaxFields>;

// The searched fields of a payload, in the order its text joins them. An absent field counts
// as an empty one: both join to the same text.
size_t searchedFields(const ClipboardPayload& payload, FieldList* fields);

// The bits set in any of the text's code units: below 128 for ASCII, below 256 for Latin-1.
char16_t unitBits(QStringView text);
inline bool isAscii(QStringView text) { return unitBits(text) < 128; }
inline bool fitsLatin1(QStringView text) { return unitBits(text) < 256; }

}  // namespace searchIndex

// What the scan reads of a row besides its mask, and what the refresh matches items to, in
// history order at the last refresh: 32 bytes a row. The text is where the scan reads without a
// look elsewhere: the item's one ASCII field (kept in `fields_`), or the row's lower-cased copy.
struct SearchIndex::Row {
  const void* text = nullptr;  // in place: the first kept field's UTF-16; else Latin-1, or UTF-16 when `wide`
  quint64 key = 0;             // the item's id (keyOf); 0 once the refresh has matched it to an item
  quint32 length = 0;          // of the text, in characters
  quint32 fieldsAt = 0;        // its kept fields
  quint16 fieldCount : 3 = 0;
  quint16 kind : 3 = 0;          // the payload's case
  quint16 inPlace : 1 = 0;       // ASCII fields searched where the item keeps them (its kept fields)
  quint16 wide : 1 = 0;          // its copy is in UTF-16
  quint16 awaitingText : 1 = 0;  // an image whose text has not been recognised yet
  quint16 rebuild : 1 = 0;       // its recognised text may have arrived
  quint16 moved : 1 = 0;         // the refresh took it over
  size_t copyBytes() const { return inPlace ? 0 : wide ? size_t(length) * sizeof(char16_t) : length; }
};

}  // namespace qv
