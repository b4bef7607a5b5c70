#include "state/HistoryJournal.h"

#include "base/ContentHash.h"
#include "base/Log.h"
#include "base/RoomAtFront.h"
#include "base/Uuid.h"
#include "items/model/ItemJson.h"
#include "items/model/ItemJsonFast.h"
#include "items/model/JsonText.h"
#include "platform/Paths.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

// Journals of earlier versions named the file by a checksum of this much at each end of it.
constexpr qint64 kCheckedBytes = 4096;

quint64 fnv1a(quint64 hash, const char* data, qint64 size) {
  for (qint64 i = 0; i < size; ++i) hash = (hash ^ static_cast<uchar>(data[i])) * 0x100000001b3ULL;
  return hash;
}
constexpr quint64 kFnvBasis = 0xcbf29ce484222325ULL;

// The part of a file of `size` bytes that the checksum covers: up to kCheckedBytes at its start,
// and up to as many after those at its end.
struct CheckedParts {
  qint64 headBytes, tailStart, tailBytes;
  explicit CheckedParts(qint64 size)
      : headBytes(std::min(size, kCheckedBytes)),
        tailStart(std::max(size - kCheckedBytes, headBytes)),
        tailBytes(size - tailStart) {}
};

quint64 checkOf(const char* head, qint64 headBytes, const char* tail, qint64 tailBytes) {
  return fnv1a(fnv1a(kFnvBasis, head, headBytes), tail, tailBytes);
}

template <size_t N>
bool startsWith(std::string_view text, const char (&literal)[N]) {
  return text.size() >= N - 1 && std::memcmp(text.data(), literal, N - 1) == 0;
}

void appendIdentity(QByteArray& out, const HistoryFileIdentity& identity) {
  out.append("{\"size\":");
  appendJsonInteger(out, identity.size);
  out.append(",\"hash\":\"");
  out.append(QByteArray::number(identity.hash, 16).rightJustified(16, '0'));
  out.append("\"}");
}

std::optional<quint64> hexWord(const QJsonValue& value) {
  const QString text = value.toString();
  bool ok = false;
  const quint64 word = text.toULongLong(&ok, 16);
  if (text.size() != 16 || !ok) return std::nullopt;
  return word;
}

// A file as a line of the journal names it: by its content, or (lines of earlier versions) by its
// modification time and the checksum of its ends.
struct NamedFile {
  qint64 size = -1;
  std::optional<quint64> hash;
  qint64 modifiedNs = -1;
  quint64 endsCheck = 0;
  bool names(const std::optional<HistoryFileIdentity>& file) const {
    if (!file || file->size != size) return false;
    if (hash) return *hash == file->hash;
    return file->modifiedNs == modifiedNs && file->endsCheck == endsCheck;
  }
};

std::optional<NamedFile> identityFrom(const QJsonValue& value) {
  const QJsonObject object = value.toObject();
  const QJsonValue size = object.value(QLatin1String("size"));
  if (!size.isDouble()) return std::nullopt;
  NamedFile named;
  named.size = size.toInteger(-1);
  if (object.contains(QLatin1String("hash"))) {
    named.hash = hexWord(object.value(QLatin1String("hash")));
    if (!named.hash) return std::nullopt;
    return named;
  }
  const QJsonValue modified = object.value(QLatin1String("modified"));
  const std::optional<quint64> check = hexWord(object.value(QLatin1String("check")));
  if (!modified.isDouble() || !check) return std::nullopt;
  named.modifiedNs = modified.toInteger(-1);
  named.endsCheck = *check;
  return named;
}

// A header or folded line: {"<key>":…} with the identity (and for the header the format).
std::optional<QJsonObject> smallObject(std::string_view line) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromRawData(line.data(), qsizetype(line.size())),
                                                         &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
  return document.object();
}

std::optional<NamedFile> foldedInto(std::string_view line) {
  const std::optional<QJsonObject> object = smallObject(line);
  if (!object || object->size() != 1) return std::nullopt;
  return identityFrom(object->value(QLatin1String("folded")));
}

// A record as read, before its item is decoded.
struct ParsedRecord {
  HistoryChange::Kind kind;
  std::string_view item;  // add, update: the item's JSON
  QUuid id;               // remove
};

std::optional<ParsedRecord> parseRecord(std::string_view line) {
  if (line.empty() || line.back() != '}') return std::nullopt;
  if (startsWith(line, "{\"add\":")) return ParsedRecord{HistoryChange::Kind::add, line.substr(7, line.size() - 8), {}};
  if (startsWith(line, "{\"update\":"))
    return ParsedRecord{HistoryChange::Kind::update, line.substr(10, line.size() - 11), {}};
  if (startsWith(line, "{\"remove\":\"") && line.size() == 11 + 36 + 2 && line[47] == '"') {
    if (const std::optional<QUuid> id = parseUuid(QString::fromLatin1(line.data() + 11, 36)))
      return ParsedRecord{HistoryChange::Kind::remove, {}, *id};
  }
  return std::nullopt;
}

// A line of the journal after the header, as read before its item is decoded.
struct JournalLine {
  std::string_view text;
  std::optional<ParsedRecord> record;  // none: a folded line, or a line that does not read
  std::optional<NamedFile> folded;     // the file a folded line names
  bool hasItem() const { return record && record->kind != HistoryChange::Kind::remove; }
};

// Journals up to this size decode on one thread; larger ones in as many pieces of this size, up
// to four at once.
constexpr qint64 kDecodePieceBytes = 1 << 20;
constexpr int kMaxDecodeThreads = 4;

// Decodes the items of the add and update records. Their lines are turned into the elements of
// JSON arrays where they lie in the journal (the wrappers around the items become white space),
// one array per piece of the journal, and the pieces decode on threads of their own: an 8 MB
// journal decodes in the time of 2 MB, with no copy of it. A piece whose items do not all decode
// is decoded record by record; a record whose item does not decode is left without one.
std::vector<std::optional<ClipboardItem>> decodeRecordItems(char* text, const std::vector<JournalLine>& lines) {
  std::vector<std::optional<ClipboardItem>> items(lines.size());
  std::vector<size_t> withItems;
  qint64 bytes = 0;
  for (size_t k = 0; k < lines.size(); ++k) {
    if (!lines[k].hasItem()) continue;
    withItems.push_back(k);
    bytes += qint64(lines[k].text.size());
  }
  if (withItems.empty()) return items;
  const size_t pieces = size_t(std::clamp<qint64>(bytes / kDecodePieceBytes, 1, kMaxDecodeThreads));
  const auto offset = [text](std::string_view view) { return view.data() - text; };
  const auto decodePiece = [&](size_t piece) {
    const size_t first = withItems.size() * piece / pieces, last = withItems.size() * (piece + 1) / pieces;
    if (first == last) return;
    const std::string_view from = lines[withItems[first]].text, to = lines[withItems[last - 1]].text;
    // Every line of the piece that holds no item is blanked out; each item line keeps its item,
    // followed by a comma in place of the record's closing brace.
    for (size_t k = withItems[first]; k <= withItems[last - 1]; ++k) {
      char* const line = text + offset(lines[k].text);
      const std::string_view item = lines[k].hasItem() ? lines[k].record->item : std::string_view();
      const size_t before = lines[k].hasItem() ? size_t(item.data() - lines[k].text.data()) : lines[k].text.size();
      std::memset(line, ' ', before);
      if (lines[k].hasItem()) line[lines[k].text.size() - 1] = ',';
    }
    // The line break before the piece opens the array (the header's, at the least); the last
    // comma closes it.
    char* const open = text + offset(from) - 1;
    char* const close = text + offset(to) + to.size() - 1;
    *open = '[';
    *close = ']';
    const std::optional<QList<ClipboardItem>> decoded = decodeItemsDirect(
        QByteArray::fromRawData(open, qsizetype(close - open + 1)));
    if (decoded && decoded->size() == qsizetype(last - first)) {
      for (size_t n = first; n < last; ++n) items[withItems[n]] = std::move((*decoded)[qsizetype(n - first)]);
      return;
    }
    for (size_t n = first; n < last; ++n) {
      const std::string_view item = lines[withItems[n]].record->item;
      const QByteArray one = '[' + QByteArray(item.data(), qsizetype(item.size())) + ']';
      if (std::optional<QList<ClipboardItem>> single = decodeItems(one); single && single->size() == 1)
        items[withItems[n]] = std::move(single->first());
    }
  };
  std::vector<std::thread> threads;
  for (size_t piece = 1; piece < pieces; ++piece) threads.emplace_back(decodePiece, piece);
  decodePiece(0);
  for (std::thread& thread : threads) thread.join();
  return items;
}

const char* kindName(HistoryChange::Kind kind) {
  switch (kind) {
    case HistoryChange::Kind::add: return "add";
    case HistoryChange::Kind::update: return "update";
    case HistoryChange::Kind::remove: return "remove";
  }
  return "?";
}

// The ids the records name, each with the first place it has in the file. Looked up once per
// item of the file, so it is a plain open-addressed table on the id's random bits rather than a
// QSet (whose hashing of a whole UUID costs several times more per look-up).
class NamedIds {
 public:
  explicit NamedIds(const std::vector<journal::Reading::Record>& records) {
    size_t capacity = 16;
    while (capacity < records.size() * 2) capacity *= 2;
    mask_ = capacity - 1;
    slots_.assign(capacity, -1);
    ids_.reserve(records.size());
    inFile_.reserve(records.size());
    inFront_.reserve(records.size());
    for (const journal::Reading::Record& record : records) {
      size_t at = start(record.id);
      while (slots_[at] >= 0 && ids_[size_t(slots_[at])] != record.id) at = (at + 1) & mask_;
      if (slots_[at] >= 0) continue;
      slots_[at] = qsizetype(ids_.size());
      ids_.push_back(record.id);
      inFile_.push_back(-1);
      inFront_.push_back(-1);
    }
  }
  // The entry of the id, or -1 when no record names it.
  qsizetype find(const QUuid& id) const {
    for (size_t at = start(id);; at = (at + 1) & mask_) {
      const qsizetype entry = slots_[at];
      if (entry < 0 || ids_[size_t(entry)] == id) return entry;
    }
  }
  qsizetype& inFile(qsizetype entry) { return inFile_[size_t(entry)]; }
  // The record whose added item the id has in front of the file's items, -1 when none.
  qsizetype& inFront(qsizetype entry) { return inFront_[size_t(entry)]; }

 private:
  size_t start(const QUuid& id) const {
    quint64 halves[2];
    static_assert(sizeof(QUuid) == sizeof halves);
    std::memcpy(halves, &id, sizeof halves);
    const quint64 mixed = (halves[0] ^ (halves[1] * 0x9E3779B97F4A7C15ULL)) * 0xBF58476D1CE4E5B9ULL;
    return size_t(mixed >> 32) & mask_;
  }
  size_t mask_ = 0;
  std::vector<qsizetype> slots_;
  std::vector<QUuid> ids_;
  std::vector<qsizetype> inFile_;  // the first place in the file, -1 when not there
  std::vector<qsizetype> inFront_;
};

}  // namespace

std::optional<HistoryFileIdentity> HistoryFileIdentity::ofFile(const QString& path) {
  return of(RegularFile::open(path));
}

std::optional<HistoryFileIdentity> HistoryFileIdentity::of(const RegularFile& file) {
  if (!file.isOpen()) return std::nullopt;
  HistoryFileIdentity identity;
  identity.size = file.size();
  identity.modifiedNs = file.modifiedNs();
  // Read in pieces: hashing needs no copy of the whole file in memory.
  const CheckedParts parts(identity.size);
  QByteArray head, tail;
  ContentHash hash;
  constexpr qint64 kPiece = 1 << 20;
  QByteArray piece(std::min(kPiece, std::max<qint64>(identity.size, 1)), Qt::Uninitialized);
  for (qint64 at = 0; at < identity.size; at += kPiece) {
    const qint64 length = std::min(kPiece, identity.size - at);
    if (!file.readAt(at, piece.data(), length)) return std::nullopt;
    const QByteArrayView read(piece.constData(), length);
    hash.add(read);
    if (at < parts.headBytes) head.append(read.first(std::min(length, parts.headBytes - at)));
    if (at + length > parts.tailStart) {
      const qint64 from = std::max<qint64>(parts.tailStart - at, 0);
      tail.append(read.sliced(from));
    }
  }
  identity.hash = hash.result();
  identity.endsCheck = checkOf(head.constData(), head.size(), tail.constData(), tail.size());
  return identity;
}

HistoryFileIdentity HistoryFileIdentity::of(const QByteArray& contents, qint64 modifiedNs) {
  const CheckedParts parts(contents.size());
  return {contents.size(), ContentHash::of(contents), modifiedNs,
          checkOf(contents.constData(), parts.headBytes, contents.constData() + parts.tailStart, parts.tailBytes)};
}

namespace journal {

void appendHeader(QByteArray& out, const HistoryFileIdentity& extends) {
  out.append("{\"journal\":");
  appendJsonInteger(out, kFormat);
  out.append(",\"extends\":");
  appendIdentity(out, extends);
  out.append("}\n");
}

void appendFolded(QByteArray& out, const HistoryFileIdentity& into) {
  out.append("{\"folded\":");
  appendIdentity(out, into);
  out.append("}\n");
}

void appendRecord(QByteArray& out, const HistoryChange& change) {
  switch (change.kind) {
    case HistoryChange::Kind::add: out.append("{\"add\":"); break;
    case HistoryChange::Kind::update: out.append("{\"update\":"); break;
    case HistoryChange::Kind::remove:
      out.append("{\"remove\":\"");
      out.append(change.id.toByteArray(QUuid::WithoutBraces).toUpper());
      out.append("\"}\n");
      return;
  }
  // Item JSON escapes every line break, so a record is one line.
  appendItemJson(out, change.item);
  out.append("}\n");
}

Reading read(const QByteArray& journal, const std::optional<HistoryFileIdentity>& current) {
  return read(QByteArray(journal), [&current] { return current; });
}

Reading read(QByteArray journal, const std::function<std::optional<HistoryFileIdentity>()>& current) {
  Reading reading;
  Replay& result = reading.replay;
  char* const data = journal.data();  // changed in place while the records decode
  const std::string_view text(data, size_t(journal.size()));
  std::vector<std::string_view> all;
  size_t at = 0;
  for (size_t end; (end = text.find('\n', at)) != std::string_view::npos; at = end + 1)
    all.push_back(text.substr(at, end - at));
  result.torn = at < text.size();
  result.goodLength = qint64(at);
  if (all.empty()) {
    if (result.torn) qCInfo(lcState) << "History journal: dropped a header cut short";
    return reading;
  }

  // The header: the format and the file the journal started from.
  const std::optional<QJsonObject> header = smallObject(all[0]);
  const std::optional<NamedFile> startedFrom = header ? identityFrom(header->value(QLatin1String("extends")))
                                                      : std::nullopt;
  if (!header || header->value(QLatin1String("journal")).toInteger(-1) != kFormat || !startedFrom) {
    result.outcome = Replay::Outcome::unreadable;
    return reading;
  }
  // Every line read, and every item decoded, before the file is known (its hash comes from a
  // thread of its own meanwhile): which lines extend it is settled after.
  std::vector<JournalLine> lines(all.size() - 1);
  for (size_t k = 1; k < all.size(); ++k) {
    JournalLine& line = lines[k - 1];
    line.text = all[k];
    if (startsWith(line.text, "{\"folded\":")) line.folded = foldedInto(line.text);
    if (!line.folded) line.record = parseRecord(line.text);
  }
  std::vector<std::optional<ClipboardItem>> decoded = decodeRecordItems(data, lines);

  // The last line that names the file on disk.
  const std::optional<HistoryFileIdentity> file = current();
  std::optional<size_t> match;
  if (startedFrom->names(file)) match = 0;
  for (size_t k = 0; k < lines.size(); ++k)
    if (lines[k].folded && lines[k].folded->names(file)) match = k + 1;
  if (!match) {
    result.outcome = Replay::Outcome::unmatched;
    return reading;
  }
  result.outcome = Replay::Outcome::replayed;
  if (result.torn) qCInfo(lcState) << "History journal: dropped a last record cut short";
  reading.records.reserve(lines.size() - *match);
  for (size_t k = *match; k < lines.size(); ++k) {
    const JournalLine& line = lines[k];
    result.liveBytes += qint64(line.text.size()) + 1;
    if (line.folded) continue;  // a rewrite that did not happen
    // Records whose item does not decode are damaged, like lines that do not read.
    if (!line.record || (line.hasItem() && !decoded[k])) {
      ++result.damaged;
      continue;
    }
    const QUuid id = line.hasItem() ? decoded[k]->id : line.record->id;
    reading.records.push_back({line.record->kind, id, std::move(decoded[k])});
  }
  if (result.damaged > 0) qCInfo(lcState) << "History journal:" << result.damaged << "records do not read";
  return reading;
}

// Applies the records in order. The file's items are walked once to find the ones the records
// name; items the journal adds collect in front of them, and the history is put together in one
// pass, as the file's pieces are joined anyway.
QList<ClipboardItem> apply(Reading& reading, std::vector<QList<ClipboardItem>> parts) {
  qsizetype total = 0;
  for (const QList<ClipboardItem>& part : parts) total += part.size();
  // The history goes together with room at its front, for the copies to come.
  const auto join = [&] { return joinWithRoomAtFront(std::move(parts)); };
  std::vector<Reading::Record>& records = reading.records;
  Replay& result = reading.replay;
  if (records.empty()) return join();

  NamedIds named(records);
  for (qsizetype index = 0; const QList<ClipboardItem>& part : parts) {
    for (const ClipboardItem& item : part) {
      if (const qsizetype entry = named.find(item.id); entry >= 0 && named.inFile(entry) < 0)
        named.inFile(entry) = index;
      ++index;
    }
  }

  std::vector<bool> removedFromFile(size_t(total), false);
  std::vector<bool> replacedInFile(size_t(total), false);
  std::vector<qsizetype> changedInFile;  // the places of both
  QHash<qsizetype, ClipboardItem> replacements;
  // Added items stay in their records until the history is put together: the records that
  // added them, oldest first, and those whose item went again.
  std::vector<size_t> added;
  added.reserve(records.size());
  std::vector<bool> dropped(records.size(), false);
  constexpr int kLoggedSkips = 5;
  for (size_t at = 0; at < records.size(); ++at) {
    Reading::Record& record = records[at];
    const qsizetype entry = named.find(record.id);
    qsizetype& front = named.inFront(entry);
    const bool inFront = front >= 0;
    const qsizetype fileIndex = inFront ? -1 : named.inFile(entry);
    const bool inHistory = fileIndex >= 0 && !removedFromFile[size_t(fileIndex)];
    bool applies = true;
    switch (record.kind) {
      case HistoryChange::Kind::add:
        if (inFront || inHistory) {
          applies = false;
          break;
        }
        front = qsizetype(at);
        added.push_back(at);
        break;
      case HistoryChange::Kind::update:
        if (inFront) {
          records[size_t(front)].item = std::move(record.item);
        } else if (inHistory) {
          replacements.insert(fileIndex, std::move(*record.item));
          replacedInFile[size_t(fileIndex)] = true;
          changedInFile.push_back(fileIndex);
        } else {
          applies = false;
        }
        break;
      case HistoryChange::Kind::remove:
        if (inFront) {
          dropped[size_t(front)] = true;
          front = -1;
        } else if (inHistory) {
          removedFromFile[size_t(fileIndex)] = true;
          changedInFile.push_back(fileIndex);
        } else {
          applies = false;
        }
        break;
    }
    if (applies) {
      ++result.applied;
      continue;
    }
    if (++result.skipped <= kLoggedSkips)
      qCInfo(lcState) << "History journal: skipped a record that does not apply:" << kindName(record.kind) << record.id;
  }
  if (result.applied == 0) {
    records.clear();
    return join();
  }

  QList<ClipboardItem> items = listWithRoomAtFront<ClipboardItem>(qsizetype(added.size()) + total,
                                                                  historyRoomAtFront(total));
  for (size_t k = added.size(); k-- > 0;)
    if (!dropped[added[k]]) items.append(std::move(*records[added[k]].item));
  records.clear();
  std::sort(changedInFile.begin(), changedInFile.end());
  for (qsizetype index = 0; QList<ClipboardItem> & part : parts) {
    // A part the records do not change (most often every one: a journal mostly adds) is moved
    // over whole, which costs a fraction of taking its items one by one.
    const auto changed = std::lower_bound(changedInFile.cbegin(), changedInFile.cend(), index);
    if (changed == changedInFile.cend() || *changed >= index + part.size()) {
      index += part.size();
      items.append(std::move(part));
    } else {
      for (ClipboardItem& item : part) {
        const size_t at = size_t(index++);
        if (removedFromFile[at]) continue;
        items.append(replacedInFile[at] ? std::move(replacements[qsizetype(at)]) : std::move(item));
      }
    }
    part = {};
  }
  return items;
}

Replay replay(const QByteArray& journal, const std::optional<HistoryFileIdentity>& current,
              QList<ClipboardItem>& items) {
  Reading reading = read(journal, current);
  if (reading.replay.outcome != Replay::Outcome::replayed) return reading.replay;
  std::vector<QList<ClipboardItem>> parts;
  parts.push_back(std::move(items));
  items = apply(reading, std::move(parts));
  return reading.replay;
}

}  // namespace journal

}  // namespace qv
