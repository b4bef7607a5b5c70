#include "state/SearchIndex.h"

#include <QHash>
#include <array>
#include <cstring>
#include <utility>

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

// The kept copy holds the text alive, so the same buffer means the same text.
bool same(const QString& a, const QString& b) {
  return (a.constData() == b.constData() && a.size() == b.size()) || a == b;
}
bool same(const std::optional<QString>& a, const std::optional<QString>& b) {
  return a.has_value() == b.has_value() && (!a || same(*a, *b));
}

bool sameSearchedFields(const ClipboardPayload& a, const ClipboardPayload& b) {
  if (a.index() != b.index()) return false;
  return std::visit(
      [&](const auto& left) {
        using Payload = std::decay_t<decltype(left)>;
        const auto& right = std::get<Payload>(b);
        if constexpr (std::is_same_v<Payload, ColorPayload>) return same(left.hex, right.hex);
        if constexpr (std::is_same_v<Payload, ImagePayload>) return same(left.filename, right.filename);
        if constexpr (std::is_same_v<Payload, LinkPayload>)
          return left.url == right.url && same(left.domain, right.domain) && same(left.title, right.title) &&
                 same(left.description, right.description);
        if constexpr (std::is_same_v<Payload, CodePayload>)
          return same(left.source, right.source) && same(left.language, right.language);
        if constexpr (std::is_same_v<Payload, TextPayload>) return same(left.text, right.text);
        if constexpr (std::is_same_v<Payload, FilePayload>) return same(left.name, right.name);
      },
      a);
}

// Where an item's searched fields live: their buffers and lengths. An entry keeps its source
// payload, so its buffers stay allocated; an item with the same key shows the same texts.
struct FieldsKey {
  std::array<const QChar*, 4> data{};
  std::array<qsizetype, 4> sizes{};
  size_t kind = 0;
  bool operator==(const FieldsKey&) const = default;

  static FieldsKey of(const ClipboardPayload& payload) {
    FieldsKey key;
    key.kind = payload.index();
    int row = 0;
    const auto add = [&](const QString* field) {
      key.data[size_t(row)] = field ? field->constData() : nullptr;
      key.sizes[size_t(row)] = field ? field->size() : -1;
      ++row;
    };
    const auto addOptional = [&](const std::optional<QString>& field) { add(field ? &*field : nullptr); };
    std::visit(
        [&](const auto& p) {
          using Payload = std::decay_t<decltype(p)>;
          if constexpr (std::is_same_v<Payload, ColorPayload>) add(&p.hex);
          if constexpr (std::is_same_v<Payload, ImagePayload>) add(&p.filename);
          if constexpr (std::is_same_v<Payload, LinkPayload>) {
            add(&p.url.text());
            add(&p.domain);
            addOptional(p.title);
            addOptional(p.description);
          }
          if constexpr (std::is_same_v<Payload, CodePayload>) {
            add(&p.source);
            add(&p.language);
          }
          if constexpr (std::is_same_v<Payload, TextPayload>) add(&p.text);
          if constexpr (std::is_same_v<Payload, FilePayload>) add(&p.name);
        },
        payload);
    return key;
  }
};

QString joinedFields(std::initializer_list<const QString*> fields) {
  qsizetype length = 0;
  for (const QString* field : fields) length += field->size() + 1;
  QString joined;
  joined.reserve(length);
  bool first = true;
  for (const QString* field : fields) {
    if (!first) joined.append(kFieldSeparator);
    joined.append(*field);
    first = false;
  }
  return joined;
}

}  // namespace

// The lower-cased searched text of one item, with the payload it was made from (which keeps
// the buffers that FieldsKey compares allocated).
struct SearchIndex::Entry {
  ClipboardPayload source;
  QString text;
};

// What the matching and the scan read, side by side in history order at the last refresh.
struct SearchIndex::Row {
  QUuid id;  // null once the entry has been taken by the refresh
  FieldsKey key;
  CharMask mask;
  QStringView text;           // into the entry's text
  bool awaitingText = false;  // an image whose text has not been recognised yet
  bool rebuild = false;       // its recognised text may have arrived
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
  maskAnswers_ = ascii && text_.size() == 1;
}

SearchIndex::SearchIndex(RecognizedText recognizedText) : recognizedText_(std::move(recognizedText)) {}

SearchIndex::~SearchIndex() = default;

void SearchIndex::itemPrepended(const QList<ClipboardItem>& items) {
  const ClipboardItem& front = items.first();
  if (!stale_ && rows_.size() + 1 == size_t(items.size()) && (rows_.empty() || rows_.front().id == items.at(1).id)) {
    Row row{front.id, FieldsKey::of(front.payload), {}, {}, false, false};
    entries_.insert(entries_.begin(), makeEntry(front, &row));
    if (row.awaitingText) ++awaiting_;
    masks_.insert(masks_.begin(), row.mask);
    rows_.insert(rows_.begin(), row);
  } else {
    stale_ = true;
  }
}

std::unique_ptr<SearchIndex::Entry> SearchIndex::makeEntry(const ClipboardItem& item, Row* row) const {
  auto entry = std::make_unique<Entry>();
  entry->source = item.payload;
  entry->text = std::visit(
      [&](const auto& p) -> QString {
        using Payload = std::decay_t<decltype(p)>;
        if constexpr (std::is_same_v<Payload, ColorPayload>) return p.hex.toLower();
        if constexpr (std::is_same_v<Payload, ImagePayload>) {
          std::optional<QString> recognized;
          if (recognizedText_) recognized = recognizedText_(item.idString());
          if (!recognized) {
            row->awaitingText = true;
            return p.filename.toLower();
          }
          return joinedFields({&p.filename, &*recognized}).toLower();
        }
        if constexpr (std::is_same_v<Payload, LinkPayload>) {
          const QString url = absoluteString(p.url);
          const QString none;
          return joinedFields({&url, &p.domain, p.title ? &*p.title : &none, p.description ? &*p.description : &none})
              .toLower();
        }
        if constexpr (std::is_same_v<Payload, CodePayload>) return joinedFields({&p.source, &p.language}).toLower();
        if constexpr (std::is_same_v<Payload, TextPayload>) return p.text.toLower();
        if constexpr (std::is_same_v<Payload, FilePayload>) return p.name.toLower();
      },
      item.payload);
  row->text = entry->text;
  row->mask = CharMask::of(entry->text);
  return entry;
}

// Matches the items to the entries of the last refresh. The history mostly changes at the front
// (a new copy) or loses a few items, so the match is looked for at the same offset first, then
// nearby; only a history rearranged beyond that pays for a look-up table.
void SearchIndex::refresh(const QList<ClipboardItem>& items) {
  // Room for the copies that will come to the front before the next rebuild, so that each one
  // moves the rows instead of reallocating them.
  constexpr size_t kRoomForCopies = 256;
  if (!stale_) return;
  std::vector<std::unique_ptr<Entry>> previous = std::move(entries_);
  std::vector<Row> previousRows = std::move(rows_);
  entries_.clear();
  const size_t room = static_cast<size_t>(items.size()) + kRoomForCopies;
  entries_.reserve(room);
  rows_.clear();
  rows_.reserve(room);
  masks_.clear();
  masks_.reserve(room);
  const qsizetype previousCount = static_cast<qsizetype>(previous.size());
  const auto holds = [&](qsizetype at, const QUuid& id) {
    return at >= 0 && at < previousCount && previousRows[size_t(at)].id == id;
  };
  constexpr qsizetype kNearby = 8;
  constexpr int kMissesBeforeTable = 64;
  int misses = 0;
  std::optional<QHash<QUuid, qsizetype>> table;
  qsizetype shift = 0;  // previous index = index + shift
  awaiting_ = 0;
  for (qsizetype i = 0, n = items.size(); i < n; ++i) {
    const ClipboardItem& item = items[i];
    qsizetype at = -1;
    if (item.id.isNull()) {
      // Never matched: taken rows have a null id.
    } else if (holds(i + shift, item.id)) {
      at = i + shift;
    } else if (table) {
      at = table->value(item.id, -1);
    } else {
      for (qsizetype d = 1; d <= kNearby && at < 0; ++d) {
        if (holds(i + shift + d, item.id)) at = i + shift + d;
        else if (holds(i + shift - d, item.id)) at = i + shift - d;
      }
      if (at < 0 && ++misses > kMissesBeforeTable) {
        table.emplace();
        table->reserve(previousCount);
        for (qsizetype k = 0; k < previousCount; ++k)
          if (!previousRows[size_t(k)].id.isNull()) table->insert(previousRows[size_t(k)].id, k);
        at = table->value(item.id, -1);
      }
    }
    const FieldsKey key = FieldsKey::of(item.payload);
    if (at >= 0) {
      shift = at - i;
      Row& old = previousRows[size_t(at)];
      old.id = QUuid();
      if (!old.rebuild && (old.key == key || sameSearchedFields(previous[size_t(at)]->source, item.payload))) {
        entries_.push_back(std::move(previous[size_t(at)]));
        rows_.push_back(old);
        rows_.back().id = item.id;
        rows_.back().key = key;
        if (old.awaitingText) ++awaiting_;
        masks_.push_back(old.mask);
        continue;
      }
    }
    Row row{item.id, key, {}, {}, false, false};
    entries_.push_back(makeEntry(item, &row));
    if (row.awaitingText) ++awaiting_;
    masks_.push_back(row.mask);
    rows_.push_back(row);
  }
  stale_ = false;
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
  return query.maskAnswers_ || containsQuery(rows_[at].text, query.text_);
}

}  // namespace qv
