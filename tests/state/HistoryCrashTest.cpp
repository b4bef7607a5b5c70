// The history writer killed at random moments: a child process copies steadily with the real
// file code (appends, and folds every few copies) until the test sends it SIGKILL; the test then
// reads the history the way a start-up does. Every save the child finished is there, at most
// the one it was writing comes on top, the file of record always decodes, and nothing is ever
// set aside.
#include "items/model/ItemJson.h"
#include "state/HistoryFile.h"
#include "state/HistoryWriter.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <random>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qv {
namespace {

constexpr int kKills = 1000;
// Folds come every few copies, so that many kills land in one.
constexpr qint64 kFoldBytes = 1500;

// The copies of one run, made the same way by the child and, to know what to expect, by the
// test: mostly new copies, some copied again (the older one goes), edits and removals.
class Workload {
 public:
  explicit Workload(quint64 seed) : random_(seed) {}

  QList<HistoryChange> step(QList<ClipboardItem>& items) {
    QList<HistoryChange> changes;
    const int pick = int(random_() % 10);
    const bool tooMany = items.size() > 300;
    if (!items.isEmpty() && (pick == 0 || tooMany)) {
      const qsizetype at = qsizetype(random_() % quint64(items.size()));
      changes.append(HistoryChange::removed(items.at(at).id));
      items.removeAt(at);
    } else if (!items.isEmpty() && pick == 1) {
      const qsizetype at = qsizetype(random_() % quint64(items.size()));
      items[at].payload = TextPayload{text()};
      changes.append(HistoryChange::updated(items.at(at)));
    } else {
      if (!items.isEmpty() && pick == 2) {
        changes.append(HistoryChange::removed(items.last().id));
        items.removeLast();
      }
      const quint64 bits[2] = {random_(), random_()};
      const QUuid id = QUuid::fromRfc4122(QByteArrayView(reinterpret_cast<const char*>(bits), sizeof bits));
      const ClipboardItem item = ClipboardItem::make(
          id, QStringLiteral("org.example.Editor"),
          QDateTime::fromMSecsSinceEpoch(1'770'000'000'000 + qint64(random_() % 1'000'000'000), Qt::UTC),
          TextPayload{text()});
      changes.append(HistoryChange::added(item));
      items.prepend(item);
    }
    return changes;
  }

 private:
  QString text() {
    static const char* const words[] = {"meeting", "notes",  "invoice",    "the",         "of",
                                        "order",   "street", "deadline",   "review",      "client",
                                        "server",  "value",  "\"quoted\"", "line\nbreak", "ünïcode"};
    QString out;
    const int length = 100 + int(random_() % 100);
    while (out.size() < length) out += QString::fromUtf8(words[random_() % std::size(words)]) + u' ';
    return out;
  }
  std::mt19937_64 random_;
};

// The child: sets the writer up as a start-up leaves it, then saves copy after copy, writing one
// byte to `acks` after each finished save. Never returns.
[[noreturn]] void copyUntilKilled(const QString& historyPath, const QString& journalPath, QList<ClipboardItem> items,
                                  quint64 seed, int acks) {
  QList<ClipboardItem> scratch;
  const std::optional<HistoryFileIdentity> file = HistoryFileIdentity::ofFile(historyPath);
  if (file) scratch = *decodeItems(readFile(historyPath));
  const journal::Replay replay = journal::replay(readFile(journalPath), file, scratch);
  HistoryWriter writer(historyPath, journalPath);
  writer.started(
      {file, FileOnDisk::at(historyPath), replay.goodLength, replay.liveBytes, FileOnDisk::at(journalPath), true});
  JournalLimits limits;
  limits.smallestFold = limits.largestJournal = kFoldBytes;
  limits.foldInterval = 0;
  writer.setLimits(limits);
  const char ready = 'R';
  if (::write(acks, &ready, 1) != 1) ::_exit(2);
  Workload workload(seed);
  for (int n = 0; n < 100000; ++n) {
    const QList<HistoryChange> changes = workload.step(items);
    if (!writer.save(items, changes, false, HistoryWriter::Moment::change, n, QDateTime::currentDateTimeUtc()))
      ::_exit(3);
    const char ack = 'A';
    if (::write(acks, &ack, 1) != 1) ::_exit(2);
  }
  ::_exit(0);
}

// Reads what the pipe holds until the child has closed it (it is dead by then).
QByteArray drain(int fd) {
  QByteArray all;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) all.append(buffer, n);
  return all;
}

TEST(HistoryCrashTest, AThousandKillsDuringSteadyCopyingAndFoldingLoseNothingSaved) {
  // A thousand start-ups would say a thousand times what they replayed.
  QLoggingCategory::setFilterRules(QStringLiteral("com.tarnwick.quorvalen.state.info=false"));
  const auto restoreLogging = qScopeGuard([] { QLoggingCategory::setFilterRules(QString()); });
  test::StateHarness h;
  h.fake.context->settings->set(QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("forever"));
  const QString historyPath = h.historyPath();
  const QString journalPath = h.journalPath();
  const QString folder = QFileInfo(historyPath).path();
  ASSERT_TRUE(QDir().mkpath(folder));
  std::mt19937_64 random(20260314);
  QList<ClipboardItem> items;  // what the last read found
  int killedWhileFolding = 0, savesSeen = 0, atMostOneMore = 0;
  QElapsedTimer elapsed;
  elapsed.start();

  for (int round = 0; round < kKills; ++round) {
    const quint64 seed = random();
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipeFds[0]);
      copyUntilKilled(historyPath, journalPath, items, seed, pipeFds[1]);
    }
    ::close(pipeFds[1]);
    // Killed a random moment after a random number of its saves (0 to 4): however busy the
    // machine, kills land in appends and folds alike.
    QByteArray heard;
    const qsizetype waitFor = qsizetype(random() % 5);
    while (heard.count('A') < waitFor || heard.isEmpty()) {
      pollfd ready{pipeFds[0], POLLIN, 0};
      ASSERT_EQ(::poll(&ready, 1, 10000), 1) << "round " << round;
      char buffer[64];
      const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
      ASSERT_GT(n, 0) << "round " << round;
      heard.append(buffer, n);
    }
    ::usleep(useconds_t(random() % 3000));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round << ": the child ended by itself (" << WEXITSTATUS(status)
                                     << ")";
    const qsizetype acked = (heard + drain(pipeFds[0])).count('A');
    ::close(pipeFds[0]);
    savesSeen += int(acked);

    // The file of record reads on its own.
    bool ok = false;
    ASSERT_TRUE(decodeItems(readFile(historyPath, &ok)) && ok) << "round " << round;
    const QByteArray journal = readFile(journalPath);
    if (journal.endsWith("}}\n") && journal.mid(journal.lastIndexOf('\n', -2) + 1).startsWith("{\"folded\":"))
      ++killedWhileFolding;

    // What a start-up reads: the acknowledged saves, and perhaps the one under way.
    HistoryFile file(*h.fake.context);
    bool differs = false;
    const std::optional<QList<ClipboardItem>> read = file.read(&differs);
    h.queue("save")->runAll();
    ASSERT_TRUE(read) << "round " << round;
    EXPECT_FALSE(differs) << "round " << round;
    QList<ClipboardItem> expected = items;
    Workload workload(seed);
    for (qsizetype n = 0; n < acked; ++n) workload.step(expected);
    if (*read != expected) {
      workload.step(expected);
      ASSERT_EQ(*read, expected) << "round " << round << ": " << acked << " saves acknowledged";
      ++atMostOneMore;
    }
    const QStringList aside = QDir(folder).entryList(
        {QStringLiteral("*.unreadable-*"), QStringLiteral("*.unmatched-*")});
    ASSERT_TRUE(aside.isEmpty()) << "round " << round << ": " << aside.join(u' ').toStdString();
    items = *read;
  }
  // Nothing is left behind by the rewrites the kills cut short.
  const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
  EXPECT_EQ(left, QStringList({QStringLiteral("history.journal"), QStringLiteral("history.json")}));
  std::printf(
      "%d kills in %.1f s: %d saves acknowledged, %d kills between a fold's two steps, %d after a save "
      "that was not acknowledged\n",
      kKills, double(elapsed.elapsed()) / 1000, savesSeen, killedWhileFolding, atMostOneMore);
  EXPECT_GT(killedWhileFolding, 0);
  EXPECT_GT(savesSeen, kKills);
}

}  // namespace
}  // namespace qv
