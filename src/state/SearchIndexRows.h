#pragma once
// What the search index's building (SearchIndex.cpp) and its scanning (SearchIndexScan.cpp)
// share: the layout of a row and how an item's searched fields are found.
#include "state/SearchIndex.h"

#include <array>
#include <optional>
#include <variant>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv {

namespace searchIndex {

// Joins the searched fields of one item in its search text. A query without it cannot match
// across two fields, so one substring test of the joined text equals a test per field.
constexpr QChar kFieldSeparator = QChar(0);

constexpr size_t kMaxFields = 4;
using FieldList = std::array<const QString*, kMaxFields>;

inline const QString& noField() {
  static const QString none;
  return none;
}

// The searched fields of a payload, in the order its text joins them. An absent field counts
// as an empty one: both join to the same text. (Inline, as the functions below: the refresh and
// the scan call them for every row.)
inline size_t searchedFields(const ClipboardPayload& payload, FieldList* fields) {
  const auto optional = [](const std::optional<QString>& field) { return field ? &*field : &noField(); };
  return std::visit(
      [&](const auto& p) -> size_t {
        using Payload = std::decay_t<decltype(p)>;
        if constexpr (std::is_same_v<Payload, ColorPayload>) *fields = {&p.hex};
        if constexpr (std::is_same_v<Payload, ImagePayload>) *fields = {&p->filename};
        if constexpr (std::is_same_v<Payload, LinkPayload>) {
          // The URL is searched as its text (which is what absoluteString gives).
          *fields = {&p->url.text(), &p->domain, optional(p->title), optional(p->description)};
          return 4;
        }
        if constexpr (std::is_same_v<Payload, CodePayload>) {
          *fields = {&p.source, &p.language};
          return 2;
        }
        if constexpr (std::is_same_v<Payload, TextPayload>) *fields = {&p.text};
        if constexpr (std::is_same_v<Payload, FilePayload>) *fields = {&p->name};
        return 1;
      },
      payload);
}

// The bits set in any of the text's code units: below 128 for ASCII, below 256 for Latin-1.
inline char16_t unitBits(QStringView text) {
  const char16_t* const units = text.utf16();
  const qsizetype size = text.size();
  char16_t any = 0;
  qsizetype at = 0;
#if defined(__SSE2__)
  __m128i anyUnits = _mm_setzero_si128();
  for (; at + 8 <= size; at += 8)
    anyUnits = _mm_or_si128(anyUnits, _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + at)));
  anyUnits = _mm_or_si128(anyUnits, _mm_srli_si128(anyUnits, 8));
  anyUnits = _mm_or_si128(anyUnits, _mm_srli_si128(anyUnits, 4));
  anyUnits = _mm_or_si128(anyUnits, _mm_srli_si128(anyUnits, 2));
  any = char16_t(_mm_cvtsi128_si32(anyUnits));
#endif
  for (; at < size; ++at) any |= units[at];
  return any;
}
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
  static constexpr quint32 kNoBox = ~quint32(0);
  quint32 boxAt = kNoBox;  // a link's, file's or image's kept box (in `boxes_`)
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
