#pragma once
#include "items/model/ClipboardItem.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>
#include <functional>
#include <optional>

namespace qv {

class RegularFile;

// Which history file a journal extends, named by its content: its size and a hash of all its
// bytes. A copy, a backup put back or a touch leaves the name as it was; any change of a byte
// gives another. Start-up hashes the file on a thread of its own while the file decodes.
struct HistoryFileIdentity {
  qint64 size = 0;
  quint64 hash = 0;  // ContentHash
  // How journals of earlier versions named the file (its modification time and a checksum of its
  // first and last 4 KB), read only so that such a journal still replays once.
  qint64 modifiedNs = 0;
  quint64 endsCheck = 0;
  // The same content; the times do not count.
  bool operator==(const HistoryFileIdentity& other) const { return size == other.size && hash == other.hash; }

  // The identity of the file as it is on disk; none when it cannot be read (or is no regular
  // file).
  static std::optional<HistoryFileIdentity> ofFile(const QString& path);
  // The same for a file already open (the bytes read are the ones that file holds).
  static std::optional<HistoryFileIdentity> of(const RegularFile& file);
  // The identity of a file holding `contents`, modified at that time.
  static HistoryFileIdentity of(const QByteArray& contents, qint64 modifiedNs);
};

// One change of the history as the journal records it: an item put at the front, an item
// replaced in place (same id), or an item removed.
struct HistoryChange {
  enum class Kind : quint8 { add, update, remove };
  Kind kind = Kind::add;
  ClipboardItem item;  // add and update
  QUuid id;            // the item's id

  static HistoryChange added(const ClipboardItem& item) { return {Kind::add, item, item.id}; }
  static HistoryChange updated(const ClipboardItem& item) { return {Kind::update, item, item.id}; }
  static HistoryChange removed(const QUuid& id) { return {Kind::remove, {}, id}; }
};

// The journal beside the history file: one line per record, appended and synced after each
// batch of changes, so that a change costs its own bytes instead of a rewrite of the file.
//   {"journal":1,"extends":{"size":…,"hash":"…"}}          the file it starts from
//   {"add":<item>}  {"update":<item>}  {"remove":"<UUID>"}  changes, in order
//   {"folded":{"size":…,"hash":"…"}}                       the file was rewritten
// A rewrite of the file appends a "folded" line naming the new file before the new file
// replaces the old one, and empties the journal after. The records that extend the file on
// disk are the ones after the last line naming it: a crash on either side of the replacement
// replays exactly what the file lacks, and a failed rewrite leaves the older line in force.
namespace journal {

inline constexpr int kFormat = 1;

void appendHeader(QByteArray& out, const HistoryFileIdentity& extends);
void appendFolded(QByteArray& out, const HistoryFileIdentity& into);
void appendRecord(QByteArray& out, const HistoryChange& change);

// What replaying a journal found.
struct Replay {
  enum class Outcome {
    empty,       // no records (nothing, or a header cut short)
    replayed,    // records after the line naming the file were applied
    unreadable,  // no header of a format this program reads: nothing applied
    unmatched,   // no line names the file on disk: it extends another history; nothing applied
  };
  Outcome outcome = Outcome::empty;
  int applied = 0;
  // Records that read but do not apply (they name an item that is not there, or add one that is).
  int skipped = 0;
  // Whole lines that do not read; the records around them are applied.
  int damaged = 0;
  // The last line was cut short (a crash while appending) and was dropped.
  bool torn = false;
  // Bytes up to the end of the last whole line: appending goes on from here.
  qint64 goodLength = 0;
  // Bytes of the records that extend the file (after the line naming it).
  qint64 liveBytes = 0;
};

// A journal read, with the items of its records decoded: the expensive part of a replay, which
// start-up does while the history file decodes.
struct Reading {
  struct Record {
    HistoryChange::Kind kind;
    QUuid id;
    std::optional<ClipboardItem> item;  // add, update
  };
  Replay replay;
  std::vector<Record> records;
};

// Reads the records of `journal` that extend the history file `current` (none when there is no
// file).
Reading read(const QByteArray& journal, const std::optional<HistoryFileIdentity>& current);
// The same, with the file's identity asked for only once the records are decoded (start-up
// hashes the file meanwhile). Takes the journal's bytes, which it changes.
Reading read(QByteArray journal, const std::function<std::optional<HistoryFileIdentity>()>& current);
// The history after the records: `parts` hold the file's items in order (the file decoded in
// one piece or several). Counts what applied in the reading's replay.
QList<ClipboardItem> apply(Reading& reading, std::vector<QList<ClipboardItem>> parts);
// Both at once, on a whole list.
Replay replay(const QByteArray& journal, const std::optional<HistoryFileIdentity>& current,
              QList<ClipboardItem>& items);

}  // namespace journal

}  // namespace qv
