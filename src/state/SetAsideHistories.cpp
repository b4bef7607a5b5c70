#include "state/SetAsideHistories.h"

#include "base/Log.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <vector>

namespace qv::setAside {

namespace {

// Kinds of file set aside, by what follows "history.json" / "history.journal".
struct Kind {
  const char* file;
  const char* kind;
};
constexpr Kind kKinds[] = {
    {"history.json", "unreadable"},   {"history.json", "replaced"},    {"history.journal", "unreadable"},
    {"history.journal", "unmatched"}, {"history.journal", "replaced"},
};

QString patternOf(const Kind& kind) {
  return QLatin1String(kind.file) + u'.' + QLatin1String(kind.kind) + QStringLiteral("-*");
}

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Every UUID in `text`; returns where the next piece must start so that a UUID
// cut between two pieces is read whole.
qsizetype collectUuids(const QByteArray& text, QSet<QString>& ids) {
  constexpr qsizetype kLength = 36;
  const char* data = text.constData();
  for (qsizetype i = 8; i + kLength - 8 <= text.size(); ++i) {
    if (data[i] != '-') continue;
    const char* start = data + i - 8;
    bool uuid = true;
    for (qsizetype k = 0; k < kLength && uuid; ++k)
      uuid = (k == 8 || k == 13 || k == 18 || k == 23) ? start[k] == '-' : isHexDigit(start[k]);
    if (!uuid) continue;
    ids.insert(QString::fromLatin1(start, kLength).toUpper());
    i += kLength - 9;
  }
  return std::max<qsizetype>(0, text.size() - (kLength - 1));
}

// A set-aside file's place in time, from its name: the stamp, then the number added when two
// came in the same second.
struct Aged {
  QFileInfo file;
  QString stamp;
  int number = 1;
};

}  // namespace

QStringList files(const QString& historyPath) {
  const QDir folder = QFileInfo(historyPath).dir();
  QStringList patterns;
  for (const Kind& kind : kKinds) patterns << patternOf(kind);
  QStringList paths;
  for (const QFileInfo& file : folder.entryInfoList(patterns, QDir::Files | QDir::Hidden))
    paths << file.absoluteFilePath();
  return paths;
}

QStringList removeOldest(const QString& historyPath, qint64 historyBytes) {
  const QDir folder = QFileInfo(historyPath).dir();
  QStringList removed;
  for (const Kind& kind : kKinds) {
    const QString prefix = patternOf(kind).chopped(1);
    std::vector<Aged> aged;
    for (const QFileInfo& file : folder.entryInfoList({prefix + u'*'}, QDir::Files | QDir::Hidden)) {
      const QString rest = file.fileName().mid(prefix.size());  // yyyyMMdd-HHmmss[-n]
      Aged entry{file, rest.left(15), 1};
      if (rest.size() > 16 && rest.at(15) == u'-') entry.number = rest.mid(16).toInt();
      aged.push_back(std::move(entry));
    }
    if (aged.size() <= 1) continue;
    std::sort(aged.begin(), aged.end(), [](const Aged& a, const Aged& b) {
      return a.stamp != b.stamp ? a.stamp > b.stamp : a.number > b.number;
    });
    qint64 kept = aged.front().file.size();
    for (size_t i = 1; i < aged.size(); ++i) {
      const qint64 size = aged[i].file.size();
      if (int(i) < kMostPerKind && kept + size <= kHistoriesWorth * historyBytes) {
        kept += size;
        continue;
      }
      if (QFile::remove(aged[i].file.absoluteFilePath())) removed << aged[i].file.fileName();
    }
  }
  if (!removed.isEmpty())
    qCInfo(lcState).noquote() << "Removed the oldest histories set aside, beyond the newest" << kMostPerKind
                              << "of each kind within twice the history's size:" << removed.join(QStringLiteral(", "));
  return removed;
}

bool collectIds(const QString& path, QSet<QString>& ids) {
  constexpr qint64 kPieceBytes = 1 << 20;
  const RegularFile file = RegularFile::open(path);
  if (!file.isOpen()) return false;
  QByteArray piece;
  qsizetype carried = 0;
  for (qint64 offset = 0; offset < file.size();) {
    const qint64 length = std::min(kPieceBytes, file.size() - offset);
    piece.resize(carried + length);
    if (!file.readAt(offset, piece.data() + carried, length)) return false;
    offset += length;
    const qsizetype next = collectUuids(piece, ids);
    carried = piece.size() - next;
    piece.remove(0, next);
  }
  return true;
}

}  // namespace qv::setAside
