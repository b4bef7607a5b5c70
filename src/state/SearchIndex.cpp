#include "state/SearchIndex.h"

#include <QHash>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv {

namespace {

// Joins the searched fields of one item in its search text. A query without it cannot match
// across two fields, so one substring test of the joined text equals a test per field.
constexpr QChar kFieldSeparator = QChar(0);

// Substring test for the per-keystroke scan: find the query's first character with the
// vectorised character search, then compare the rest. For short queries this is several times
// quicker than the general search; long ones (where repeats could make it quadratic) use that.
bool containsQuery(QStringView text, QStringView query) {
  const qsizetype length = query.size();
  if (length == 1) return text.contains(query.front());
  if (length > 32) return text.contains(query);
  const QChar first = query.front();
  const qsizetype last = text.size() - length;
  const size_t restBytes = static_cast<size_t>(length - 1) * sizeof(QChar);
  for (qsizetype from = 0; from <= last;) {
    const qsizetype at = text.indexOf(first, from);
    if (at < 0 || at > last) return false;
    if (std::memcmp(text.data() + at + 1, query.data() + 1, restBytes) == 0) return true;
    from = at + 1;
  }
  return false;
}

// Byte-wise substring test of a Latin-1 text, in the same way: find the first byte with memchr,
// then compare the rest.
bool containsBytes(const char* text, size_t size, const QByteArray& query) {
  const size_t length = size_t(query.size());
  if (length > size) return false;
  if (length > 32) return memmem(text, size, query.constData(), length) != nullptr;
  const char first = query.front();
  const char* const last = text + (size - length);
  for (const char* from = text; from <= last;) {
    const auto* at = static_cast<const char*>(std::memchr(from, first, size_t(last - from) + 1));
    if (!at) return false;
    if (std::memcmp(at + 1, query.constData() + 1, length - 1) == 0) return true;
    from = at + 1;
  }
  return false;
}

// Whether `query` (lower-cased ASCII, two characters or more) starts at `at`, capitals folded.
bool foldedAt(const char16_t* text, qsizetype at, QStringView query) {
  const char16_t* rest = query.utf16();
  for (qsizetype k = 1; k < query.size(); ++k) {
    const char16_t c = text[at + k];
    if ((c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c) != rest[k]) return false;
  }
  return true;
}

// Setting bit 5 turns a capital into its small letter and leaves the small letter alone: for a
// letter, `c | foldBit(letter) == letter` holds for both cases of it and no other character.
char16_t foldBit(char16_t lower) { return lower >= u'a' && lower <= u'z' ? 0x20 : 0; }

// Whether a UTF-16 text holds the lower-cased ASCII character `lower` in either case, sixteen
// places at a time.
bool containsFoldedCharacter(QStringView text, char16_t lower) {
  const char16_t fold = foldBit(lower);
  const char16_t* const units = text.utf16();
  const qsizetype size = text.size();
  qsizetype at = 0;
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi8(char(lower)), foldByte = _mm_set1_epi8(char(fold));
  // Packing saturates: a unit above 255 becomes 255, which no ASCII character equals.
  for (; at + 16 <= size; at += 16) {
    const auto* from = reinterpret_cast<const __m128i*>(units + at);
    const __m128i packed = _mm_packus_epi16(_mm_loadu_si128(from), _mm_loadu_si128(from + 1));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(packed, foldByte), wanted))) return true;
  }
#endif
  for (; at < size; ++at)
    if (char16_t(units[at] | fold) == lower) return true;
  return false;
}

// Substring test of an ASCII text kept in the item's own UTF-16, for a lower-cased ASCII query
// of two characters or more: sixteen places at a time are tested for the query's first two
// characters in either case (packed into bytes, which is exact for ASCII), then the rest is
// compared with capitals folded.
bool containsFolded(QStringView text, QStringView query) {
  const qsizetype last = text.size() - query.size();  // the last place the query can start
  if (last < 0) return false;
  const char16_t first = query[0].unicode(), second = query[1].unicode();
  const char16_t firstFold = foldBit(first), secondFold = foldBit(second);
  const char16_t* const units = text.utf16();
  qsizetype at = 0;
#if defined(__SSE2__)
  const __m128i firstByte = _mm_set1_epi8(char(first)), secondByte = _mm_set1_epi8(char(second));
  const __m128i firstByteFold = _mm_set1_epi8(char(firstFold)), secondByteFold = _mm_set1_epi8(char(secondFold));
  // Reads up to units[at + 16], which is at most units[last + 1]: inside the text.
  for (; at + 16 <= last + 1; at += 16) {
    const auto* firstsAt = reinterpret_cast<const __m128i*>(units + at);
    const auto* secondsAt = reinterpret_cast<const __m128i*>(units + at + 1);
    const __m128i firsts = _mm_packus_epi16(_mm_loadu_si128(firstsAt), _mm_loadu_si128(firstsAt + 1));
    const __m128i seconds = _mm_packus_epi16(_mm_loadu_si128(secondsAt), _mm_loadu_si128(secondsAt + 1));
    unsigned hits = unsigned(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(firsts, firstByteFold), firstByte),
                                        _mm_cmpeq_epi8(_mm_or_si128(seconds, secondByteFold), secondByte))));
    for (; hits; hits &= hits - 1)
      if (foldedAt(units, at + qsizetype(std::countr_zero(hits)), query)) return true;
  }
  const __m128i wantedFirst = _mm_set1_epi16(short(first)), wantedSecond = _mm_set1_epi16(short(second));
  const __m128i foldFirst = _mm_set1_epi16(short(firstFold)), foldSecond = _mm_set1_epi16(short(secondFold));
  // Reads up to units[at + 8], which is at most units[last + 1]: inside the text.
  for (; at + 8 <= last + 1; at += 8) {
    const __m128i firsts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + at));
    const __m128i seconds = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + at + 1));
    unsigned hits = unsigned(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi16(_mm_or_si128(firsts, foldFirst), wantedFirst),
                                        _mm_cmpeq_epi16(_mm_or_si128(seconds, foldSecond), wantedSecond))));
    for (; hits; hits &= hits - 1) {
      const qsizetype candidate = at + qsizetype(std::countr_zero(hits) / 2);
      hits &= hits - 1;  // each character sets two bits
      if (foldedAt(units, candidate, query)) return true;
    }
  }
#endif
  for (; at <= last; ++at)
    if (char16_t(units[at] | firstFold) == first && foldedAt(units, at, query)) return true;
  return false;
}

constexpr size_t kMaxFields = 4;
using FieldList = std::array<const QString*, kMaxFields>;

const QString& noField() {
  static const QString none;
  return none;
}

// The searched fields of a payload, in the order its text joins them. An absent field counts
// as an empty one: both join to the same text.
size_t searchedFields(const ClipboardPayload& payload, FieldList* fields) {
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
char16_t unitBits(QStringView text) {
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
bool isAscii(QStringView text) { return unitBits(text) < 128; }

// An ASCII character's small letter: bit 5 set for a capital.
char16_t folded(char16_t c) { return char16_t(c | (char16_t(c - u'A') < 26 ? 0x20 : 0)); }

// The characters of an ASCII text, capitals folded, added to `mask`: two characters at a time
// into registers of their own (one shared word in memory would make each wait for the last).
// Returns the bits set in any of the text's code units (unitBits), for one pass over the text:
// the mask means nothing unless that is below 128.
char16_t addFoldedAscii(QStringView text, SearchIndex::CharMask* mask) {
  char16_t any[2] = {0, 0};
  quint64 low[2] = {0, 0}, high[2] = {0, 0};
  const char16_t* const units = text.utf16();
  const qsizetype size = text.size();
  const auto add = [&](int lane, char16_t c) {
    any[lane] |= c;
    const char16_t lower = folded(c);
    const quint64 bit = quint64(1) << (lower & 63);
    low[lane] |= lower < 64 ? bit : 0;
    high[lane] |= lower < 64 ? 0 : bit;
  };
  qsizetype i = 0;
  for (; i + 1 < size; i += 2) {
    add(0, units[i]);
    add(1, units[i + 1]);
  }
  if (i < size) add(0, units[i]);
  mask->bits[0] |= low[0] | low[1];
  mask->bits[1] |= high[0] | high[1];
  return char16_t(any[0] | any[1]);
}
bool fitsLatin1(QStringView text) { return unitBits(text) < 256; }

// An item's id folded into 64 bits, all the rows keep of it: enough to find an item's row again
// (a row taken for another item's is still checked against that item's fields). 0 for none.
quint64 keyOf(const QUuid& id) {
  quint64 low = 0;
  std::memcpy(&low, id.data4, sizeof low);
  return ((quint64(id.data1) << 32) | (quint64(id.data2) << 16) | id.data3) ^ low;
}

}  // namespace

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

// Where the rows' texts live: blocks filled in turn that never move, so that a row points at its
// text. The texts of rows that are gone stay as waste until the index is compacted.
class SearchIndex::Arena {
 public:
  explicit Arena(size_t firstBlock = kFirstBlock) : nextBlock_(std::max(firstBlock, kFirstBlock)) {}

  // Room for `bytes` bytes, aligned for UTF-16.
  char* take(size_t bytes) {
    bytes = rounded(bytes);
    live_ += bytes;
    if (bytes > left_) {
      if (bytes >= kOwnBlock) {
        // A long text gets a block of its own; the open block stays open.
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(bytes));
        return blocks_.back().get();
      }
      const size_t size = std::max(nextBlock_, bytes);
      nextBlock_ = std::min(nextBlock_ * 2, kMaxBlock);
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
      cursor_ = blocks_.back().get();
      left_ = size;
    }
    char* at = cursor_;
    cursor_ += bytes;
    left_ -= bytes;
    return at;
  }
  void drop(size_t bytes) {
    live_ -= rounded(bytes);
    waste_ += rounded(bytes);
  }
  size_t live() const { return live_; }
  size_t waste() const { return waste_; }

 private:
  static constexpr size_t kFirstBlock = 16 * 1024;
  static constexpr size_t kMaxBlock = 1024 * 1024;
  static constexpr size_t kOwnBlock = kMaxBlock / 4;
  static size_t rounded(size_t bytes) { return (bytes + 1) & ~size_t(1); }

  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t nextBlock_;
  char* cursor_ = nullptr;
  size_t left_ = 0;
  size_t live_ = 0;
  size_t waste_ = 0;
};

SearchIndex::CharMask SearchIndex::CharMask::of(QStringView text, bool* allAscii) {
  CharMask mask;
  bool ascii = true;
  for (QChar ch : text) {
    const char16_t c = ch.unicode();
    if (c < 128) mask.bits[c >> 6] |= quint64(1) << (c & 63);
    else ascii = false;
  }
  if (allAscii) *allAscii = ascii;
  return mask;
}

SearchIndex::Query::Query(QString lowered) : text_(std::move(lowered)) {
  usesIndex_ = !text_.isEmpty() && !text_.contains(kFieldSeparator);
  bool ascii = false;
  mask_ = CharMask::of(text_, &ascii);
  ascii_ = ascii;
  maskAnswers_ = ascii && text_.size() == 1;
  fitsLatin1_ = fitsLatin1(text_);
  if (fitsLatin1_) latin1_ = text_.toLatin1();
}

SearchIndex::SearchIndex(RecognizedText recognizedText)
    : recognizedText_(std::move(recognizedText)), arena_(std::make_unique<Arena>()) {
  static_assert(sizeof(Row) == 32);
}

SearchIndex::~SearchIndex() = default;

void SearchIndex::itemPrepended(const QList<ClipboardItem>& items) {
  if (!stale_ && rows_.size() + 1 == size_t(items.size()) &&
      (rows_.empty() || rows_.front().key == keyOf(items.at(1).id))) {
    CharMask mask;
    const Row row = makeRow(items.first(), &mask);
    if (row.awaitingText) ++awaiting_;
    masks_.insert(masks_.begin(), mask);
    rows_.insert(rows_.begin(), row);
  } else {
    stale_ = true;
  }
}

SearchIndex::Row SearchIndex::makeRow(const ClipboardItem& item, CharMask* mask) {
  Row row;
  row.key = keyOf(item.id);
  row.kind = quint8(item.payload.index());
  FieldList fields{};
  const size_t count = searchedFields(item.payload, &fields);
  row.fieldCount = count;
  row.fieldsAt = quint32(fields_.size());
  std::array<QStringView, kMaxFields + 1> parts;
  for (size_t k = 0; k < count; ++k) {
    fields_.push_back(*fields[k]);
    parts[k] = *fields[k];
  }
  size_t partCount = count;
  std::optional<QString> recognized;
  if (std::holds_alternative<ImagePayload>(item.payload)) {
    if (recognizedText_) recognized = recognizedText_(item.idString());
    if (recognized) parts[partCount++] = *recognized;
    else row.awaitingText = 1;
  }
  // Nearly every text is ASCII: it is searched where the item keeps it, with capitals folded,
  // and only its characters' mask is stored (a lower-cased copy would double the memory the
  // history's texts take). Others, and an image's recognised text, get a lower-cased copy.
  char16_t units = 0;
  *mask = CharMask();
  if (!recognized)
    for (size_t k = 0; k < partCount; ++k) units |= addFoldedAscii(parts[k], mask);
  if (!recognized && units < 128) {
    row.inPlace = 1;
    row.text = fields_[row.fieldsAt].constData();
    row.length = quint32(fields_[row.fieldsAt].size());
    if (partCount > 1) mask->bits[0] |= 1;  // the separator, as a joined text would hold it
    return row;
  }
  storeText(&row, parts.data(), partCount, mask);
  return row;
}

// Lower-cases the parts joined by the field separator into the arena. An ASCII text (nearly
// every one) is lower-cased byte by byte on the way; others go through QString::toLower.
void SearchIndex::storeText(Row* row, const QStringView* parts, size_t count, CharMask* mask) {
  size_t length = count - 1;
  bool ascii = true;
  for (size_t k = 0; k < count; ++k) {
    length += size_t(parts[k].size());
    ascii = ascii && isAscii(parts[k]);
  }
  *mask = CharMask();
  row->length = quint32(length);
  if (ascii) {
    char* out = arena_->take(length);
    row->text = out;
    for (size_t k = 0; k < count; ++k) {
      if (k > 0) *out++ = char(kFieldSeparator.unicode());
      addFoldedAscii(parts[k], mask);
      for (QChar ch : parts[k]) *out++ = char(folded(ch.unicode()));
    }
    if (count > 1) mask->bits[0] |= 1;  // the separator
    return;
  }
  QString joined;
  joined.reserve(qsizetype(length));
  for (size_t k = 0; k < count; ++k) {
    if (k > 0) joined.append(kFieldSeparator);
    joined.append(parts[k]);
  }
  const QString lowered = std::move(joined).toLower();
  *mask = CharMask::of(lowered);
  row->length = quint32(lowered.size());
  if (fitsLatin1(lowered)) {
    char* out = arena_->take(row->length);
    row->text = out;
    for (QChar ch : lowered) *out++ = char(ch.unicode());
  } else {
    row->wide = 1;
    char* out = arena_->take(row->copyBytes());
    row->text = out;
    std::memcpy(out, lowered.constData(), row->copyBytes());
  }
}

// Whether the row was made from these searched fields: the same buffers (which the kept fields
// hold allocated), or equal texts, whose buffers the row then keeps instead.
bool SearchIndex::keepsFieldsOf(Row& row, const ClipboardPayload& payload) {
  if (row.kind != payload.index()) return false;
  FieldList fields{};
  const size_t count = searchedFields(payload, &fields);
  QString* kept = fields_.data() + row.fieldsAt;
  for (size_t k = 0; k < count; ++k)
    if (kept[k].constData() != fields[k]->constData() || kept[k].size() != fields[k]->size())
      if (kept[k] != *fields[k]) return false;
  for (size_t k = 0; k < count; ++k)
    if (kept[k].constData() != fields[k]->constData()) kept[k] = *fields[k];
  if (row.inPlace) row.text = kept[0].constData();  // the buffer the field holds now
  return true;
}

void SearchIndex::release(const Row& row) {
  for (size_t k = 0; k < row.fieldCount; ++k) fields_[row.fieldsAt + k] = QString();
  releasedFields_ += row.fieldCount;
  if (!row.inPlace) arena_->drop(row.copyBytes());
}

// Once more memory holds texts and fields of rows that are gone than of rows in use, the rows
// are copied into memory of their own (in history order, which the scan then reads in turn).
void SearchIndex::compactIfWasteful() {
  constexpr size_t kTolerated = 256 * 1024;
  const bool textsWasteful = arena_->waste() > std::max(arena_->live(), kTolerated);
  const bool fieldsWasteful = releasedFields_ * sizeof(QString) >
                              std::max(fields_.size() * sizeof(QString) / 2, kTolerated);
  if (!textsWasteful && !fieldsWasteful) return;
  auto arena = std::make_unique<Arena>(arena_->live());
  std::vector<QString> fields;
  fields.reserve(fields_.size() - releasedFields_);
  for (Row& row : rows_) {
    if (!row.inPlace) {
      char* text = arena->take(row.copyBytes());
      std::memcpy(text, row.text, row.copyBytes());
      row.text = text;
    }
    const auto at = quint32(fields.size());
    for (size_t k = 0; k < row.fieldCount; ++k) fields.push_back(std::move(fields_[row.fieldsAt + k]));
    row.fieldsAt = at;
  }
  arena_ = std::move(arena);
  fields_ = std::move(fields);  // moved strings keep their buffers: the rows' texts stay put
  releasedFields_ = 0;
}

// Matches the items to the rows of the last refresh. The history mostly changes at the front
// (a new copy) or loses a few items, so the match is looked for at the same offset first, then
// nearby; only a history rearranged beyond that pays for a look-up table.
void SearchIndex::refresh(const QList<ClipboardItem>& items) {
  // Room for the copies that will come to the front before the next rebuild, so that each one
  // moves the rows instead of reallocating them.
  constexpr size_t kRoomForCopies = 256;
  if (!stale_) return;
  std::vector<Row> previousRows = std::move(rows_);
  std::vector<CharMask> previousMasks = std::move(masks_);
  const size_t room = static_cast<size_t>(items.size()) + kRoomForCopies;
  rows_.clear();
  rows_.reserve(room);
  masks_.clear();
  masks_.reserve(room);
  const qsizetype previousCount = static_cast<qsizetype>(previousRows.size());
  const auto holds = [&](qsizetype at, quint64 key) {
    return at >= 0 && at < previousCount && previousRows[size_t(at)].key == key;
  };
  constexpr qsizetype kNearby = 8;
  constexpr int kMissesBeforeTable = 64;
  int misses = 0;
  std::optional<QHash<quint64, qsizetype>> table;
  qsizetype shift = 0;  // previous index = index + shift
  awaiting_ = 0;
  for (qsizetype i = 0, n = items.size(); i < n; ++i) {
    const ClipboardItem& item = items[i];
    const quint64 key = keyOf(item.id);
    qsizetype at = -1;
    if (key == 0) {
      // Never matched: matched rows have the key 0.
    } else if (holds(i + shift, key)) {
      at = i + shift;
    } else if (table) {
      at = table->value(key, -1);
    } else {
      for (qsizetype d = 1; d <= kNearby && at < 0; ++d) {
        if (holds(i + shift + d, key)) at = i + shift + d;
        else if (holds(i + shift - d, key)) at = i + shift - d;
      }
      if (at < 0 && ++misses > kMissesBeforeTable) {
        table.emplace();
        table->reserve(previousCount);
        for (qsizetype k = 0; k < previousCount; ++k)
          if (previousRows[size_t(k)].key != 0) table->insert(previousRows[size_t(k)].key, k);
        at = table->value(key, -1);
      }
    }
    if (at >= 0) {
      shift = at - i;
      Row& old = previousRows[size_t(at)];
      old.key = 0;
      if (!old.rebuild && keepsFieldsOf(old, item.payload)) {
        old.moved = 1;
        rows_.push_back(old);
        rows_.back().key = key;
        rows_.back().moved = 0;
        if (old.awaitingText) ++awaiting_;
        masks_.push_back(previousMasks[size_t(at)]);
        continue;
      }
    }
    CharMask mask;
    rows_.push_back(makeRow(item, &mask));
    if (rows_.back().awaitingText) ++awaiting_;
    masks_.push_back(mask);
  }
  for (const Row& old : previousRows)
    if (!old.moved) release(old);
  compactIfWasteful();
  stale_ = false;
  built_ = true;
}

void SearchIndex::forgetAwaitingTexts() {
  if (awaiting_ == 0) return;
  for (Row& row : rows_)
    if (row.awaitingText) row.rebuild = true;
  awaiting_ = 0;
  stale_ = true;
}

bool SearchIndex::matches(qsizetype row, const Query& query) const {
  const size_t at = static_cast<size_t>(row);
  if (!masks_[at].covers(query.mask_)) return false;
  return query.maskAnswers_ || textContains(rows_[at], query);
}

// Whether the text of a row whose mask covers the query's contains it.
bool SearchIndex::textContains(const Row& row, const Query& query) const {
  if (row.inPlace) {
    if (!query.ascii_) return false;  // an ASCII text holds no other character, lower-cased or not
    if (row.fieldCount == 1)
      return containsFolded(QStringView(static_cast<const char16_t*>(row.text), qsizetype(row.length)), query.text_);
    const QString* fields = fields_.data() + row.fieldsAt;
    for (size_t k = 0; k < row.fieldCount; ++k)
      if (containsFolded(fields[k], query.text_)) return true;
    return false;
  }
  if (row.wide)
    return containsQuery(QStringView(static_cast<const char16_t*>(row.text), qsizetype(row.length)), query.text_);
  return query.fitsLatin1_ && containsBytes(static_cast<const char*>(row.text), row.length, query.latin1_);
}

// Asks the memory for the start of a row's text, where most matches are found (96 characters in
// place).
void SearchIndex::fetchText(qint32 row) const {
  const char* text = static_cast<const char*>(rows_[size_t(row)].text);
  __builtin_prefetch(text);
  __builtin_prefetch(text + 64);
  __builtin_prefetch(text + 128);
}

// The rows among the first `count` that `rowAt` names whose texts contain the query. In runs:
// the masks first, then the texts of the rows they let through, each asked of the memory a few
// rows before it is read (the texts lie scattered where their items keep them: read in turn,
// each would wait for the memory).
template <typename RowAt>
QList<qint32> SearchIndex::scan(const Query& query, qsizetype count, RowAt rowAt) const {
  constexpr qsizetype kRun = 512;
  constexpr qsizetype kAhead = 8;
  QList<qint32> found(count);
  qint32* const out = found.data();
  qsizetype kept = 0;
  std::array<qint32, kRun> candidates;
  const CharMask wanted = query.mask_;
  const CharMask* const masks = masks_.data();
  for (qsizetype from = 0; from < count;) {
    // Without a branch: each row is written, and kept when its mask covers the query's.
    qsizetype n = 0;
    for (const qsizetype end = std::min(count, from + kRun); from < end; ++from) {
      const qint32 row = rowAt(from);
      candidates[size_t(n)] = row;
      n += masks[row].covers(wanted) ? 1 : 0;
    }
    if (query.maskAnswers_) {
      std::copy_n(candidates.data(), n, out + kept);
      kept += n;
      continue;
    }
    if (!query.ascii_)  // the texts in place cannot hold it
      n = std::remove_if(candidates.begin(), candidates.begin() + n,
                         [this](qint32 row) { return rows_[size_t(row)].inPlace; }) -
          candidates.begin();
    for (qsizetype k = 0; k < std::min(n, kAhead); ++k) fetchText(candidates[size_t(k)]);
    for (qsizetype k = 0; k < n; ++k) {
      if (k + kAhead < n) fetchText(candidates[size_t(k + kAhead)]);
      const qint32 row = candidates[size_t(k)];
      out[kept] = row;
      kept += textContains(rows_[size_t(row)], query) ? 1 : 0;
    }
  }
  found.resize(kept);
  return found;
}

bool SearchIndex::itemContains(const ClipboardItem& item, const Query& query, const RecognizedText& recognizedText) {
  // An ASCII query is looked for where the item keeps its fields, with capitals folded; a field
  // of other characters (whose small letters may be ASCII ones, as the Kelvin sign's) and an
  // image's recognised text are left to the item's own search.
  if (query.ascii_ && (!recognizedText || !std::holds_alternative<ImagePayload>(item.payload))) {
    FieldList fields{};
    const size_t count = searchedFields(item.payload, &fields);
    bool allAscii = true;
    for (size_t k = 0; k < count; ++k) {
      const QString& field = *fields[k];
      if (query.text_.size() == 1 ? containsFoldedCharacter(field, query.text_[0].unicode())
                                  : containsFolded(field, query.text_))
        return true;
      allAscii = allAscii && isAscii(field);
    }
    if (allAscii) return false;
  }
  return item.matchesLowercased(query.text_, recognizedText);
}

void SearchIndex::fetchItem(const ClipboardItem& item) {
  FieldList fields{};
  searchedFields(item.payload, &fields);
  const auto* text = reinterpret_cast<const char*>(fields[0]->constData());
  __builtin_prefetch(text);
  __builtin_prefetch(text + 64);
}

QList<qint32> SearchIndex::matchingRows(const Query& query) const {
  return scan(query, qsizetype(rows_.size()), [](qsizetype i) { return qint32(i); });
}

QList<qint32> SearchIndex::matchingRows(const Query& query, const QList<qint32>& among) const {
  return scan(query, among.size(), [&among](qsizetype i) { return among[i]; });
}

}  // namespace qv
