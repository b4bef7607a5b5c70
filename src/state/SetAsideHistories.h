#pragma once
#include <QSet>
#include <QString>
#include <QStringList>

namespace qv {

// Histories and journals set aside beside the history file ("history.json.replaced-<stamp>",
// "history.journal.unmatched-<stamp>", …): kept so that what another program put there, or what
// could not be read, can be looked at one day, with the side files of the items they name.
namespace setAside {

// Each kind keeps its newest file, and the next newest while they are at most this many and
// together at most `kHistoriesWorth` times the history's size: a backup tool that puts an old
// history back every hour must not fill the disk, nor make every start read it all.
inline constexpr int kMostPerKind = 3;
inline constexpr qint64 kHistoriesWorth = 2;

// The set-aside files beside `historyPath`, of every kind, by path.
QStringList files(const QString& historyPath);
// Removes the oldest set-aside files of each kind beyond the bounds (logged); `historyBytes` is
// the size of the history file. Returns the names removed.
QStringList removeOldest(const QString& historyPath, qint64 historyBytes);
// Adds every UUID that the file at `path` names (upper-case, as side files are named), read a
// piece at a time: a set-aside history is never held whole in memory. False when it cannot be read.
bool collectIds(const QString& path, QSet<QString>& ids);

}  // namespace setAside
}  // namespace qv
