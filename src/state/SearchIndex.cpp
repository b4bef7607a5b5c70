#include "state/SearchIndex.h"
#include "state/SearchIndexRows.h"

#include <QHash>
#include <algorithm>
#include <cstring>
#include <utility>

namespace qv {

using namespace searchIndex;

namespace {

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

// An item's id folded into 64 bits, all the rows keep of it: enough to find an item's row again
// (a row taken for another item's is still checked against that item's fields). 0 for none.
quint64 keyOf(const QUuid& id) {
  quint64 low = 0;
  std::memcpy(&low, id.data4, sizeof low);
  return ((quint64(id.data1) << 32) | (quint64(id.data2) << 16) | id.data3) ^ low;
}

}  // namespace

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

SearchIndex::SearchIndex(RecognizedText recognizedText)
    : recognizedText_(std::move(recognizedText)), arena_(std::make_unique<Arena>()) {
  static_assert(sizeof(Row) == 32);
}

SearchIndex::~SearchIndex() = default;

void SearchIndex::itemPrepended(const QList<ClipboardItem>& items) {
  if (!stale_ && rowCount() + 1 == size_t(items.size()) &&
      (rowCount() == 0 || rows_[front_].key == keyOf(items.at(1).id))) {
    CharMask mask;
    const Row row = makeRow(items.first(), &mask);
    if (row.awaitingText) ++awaiting_;
    if (front_ == 0) makeRoomAtFront();
    --front_;
    masks_[front_] = mask;
    rows_[front_] = row;
  } else {
    stale_ = true;
  }
}

size_t SearchIndex::rowCount() const { return rows_.size() - front_; }

void SearchIndex::makeRoomAtFront() {
  // An eighth more: the rows are moved once every so many copies.
  constexpr size_t kLeastRoom = 256;
  const size_t room = std::max(kLeastRoom, rows_.size() / 8);
  rows_.insert(rows_.begin(), room, Row{});
  masks_.insert(masks_.begin(), room, CharMask{});
  front_ += room;
}

namespace {

// The box of a link's, file's or image's fields; none for the kinds kept in the payload itself.
template <class KeptBox>
KeptBox boxOf(const ClipboardPayload& payload) {
  if (const auto* image = std::get_if<ImagePayload>(&payload)) return *image;
  if (const auto* link = std::get_if<LinkPayload>(&payload)) return *link;
  if (const auto* file = std::get_if<FilePayload>(&payload)) return *file;
  return {};
}

template <class KeptBox>
bool holdsSameBox(const KeptBox& kept, const ClipboardPayload& payload) {
  if (const auto* image = std::get_if<ImagePayload>(&payload))
    return std::holds_alternative<ImagePayload>(kept) && std::get<ImagePayload>(kept).sharesValueWith(*image);
  if (const auto* link = std::get_if<LinkPayload>(&payload))
    return std::holds_alternative<LinkPayload>(kept) && std::get<LinkPayload>(kept).sharesValueWith(*link);
  if (const auto* file = std::get_if<FilePayload>(&payload))
    return std::holds_alternative<FilePayload>(kept) && std::get<FilePayload>(kept).sharesValueWith(*file);
  return false;
}

}  // namespace

SearchIndex::Row SearchIndex::makeRow(const ClipboardItem& item, CharMask* mask) {
  static_assert(sizeof(Row) == 32, "every scan reads the rows: two to a cache line");
  Row row;
  row.key = keyOf(item.id);
  row.kind = quint8(item.payload.index());
  if (KeptBox box = boxOf<KeptBox>(item.payload); !std::holds_alternative<std::monostate>(box)) {
    row.boxAt = quint32(boxes_.size());
    boxes_.push_back(std::move(box));
  }
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
  const KeptBox* box = row.boxAt == Row::kNoBox ? nullptr : &boxes_[row.boxAt];
  // The same box: the same fields, without reading them (a box is a read from elsewhere).
  if (box && holdsSameBox(*box, payload)) return true;
  FieldList fields{};
  const size_t count = searchedFields(payload, &fields);
  QString* kept = fields_.data() + row.fieldsAt;
  for (size_t k = 0; k < count; ++k)
    if (kept[k].constData() != fields[k]->constData() || kept[k].size() != fields[k]->size())
      if (kept[k] != *fields[k]) return false;
  for (size_t k = 0; k < count; ++k)
    if (kept[k].constData() != fields[k]->constData()) kept[k] = *fields[k];
  if (row.inPlace) row.text = kept[0].constData();  // the buffer the field holds now
  if (box) boxes_[row.boxAt] = boxOf<KeptBox>(payload);
  return true;
}

void SearchIndex::release(const Row& row) {
  for (size_t k = 0; k < row.fieldCount; ++k) fields_[row.fieldsAt + k] = QString();
  if (row.boxAt != Row::kNoBox) boxes_[row.boxAt] = {};
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
  std::vector<KeptBox> boxes;
  for (auto it = rows_.begin() + qsizetype(front_); it != rows_.end(); ++it) {
    Row& row = *it;
    if (row.boxAt != Row::kNoBox) {
      boxes.push_back(std::move(boxes_[row.boxAt]));
      row.boxAt = quint32(boxes.size() - 1);
    }
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
  boxes_ = std::move(boxes);
  releasedFields_ = 0;
}

// Matches the items to the rows of the last refresh. The history mostly changes at the front
// (a new copy) or loses a few items, so the match is looked for at the same offset first, then
// nearby; only a history rearranged beyond that pays for a look-up table.
void SearchIndex::refresh(const QList<ClipboardItem>& items) {
  // Room for the copies that will come to the front before the next rebuild, so that each one
  // takes a free slot instead of moving the rows.
  constexpr size_t kRoomForCopies = 256;
  if (!stale_) return;
  rows_.erase(rows_.begin(), rows_.begin() + qsizetype(front_));
  masks_.erase(masks_.begin(), masks_.begin() + qsizetype(front_));
  std::vector<Row> previousRows = std::move(rows_);
  std::vector<CharMask> previousMasks = std::move(masks_);
  const size_t room = static_cast<size_t>(items.size()) + kRoomForCopies;
  rows_.clear();
  rows_.reserve(room);
  rows_.resize(kRoomForCopies);
  masks_.clear();
  masks_.reserve(room);
  masks_.resize(kRoomForCopies);
  front_ = kRoomForCopies;
  // The first build knows how many fields come (one a text, the common case): no doubling
  // leaves a trail of freed blocks behind in the building thread's heap.
  if (fields_.empty()) fields_.reserve(room);
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
  for (auto row = rows_.begin() + qsizetype(front_); row != rows_.end(); ++row)
    if (row->awaitingText) row->rebuild = true;
  awaiting_ = 0;
  stale_ = true;
}

}  // namespace qv
