// The journal's lines and their replay onto the items of the file they extend.
#include "state/HistoryJournal.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using Outcome = journal::Replay::Outcome;

const HistoryFileIdentity kFile{1234, 1'700'000'000'000'000'001, 0xabcdef};
const HistoryFileIdentity kLaterFile{1300, 1'700'000'000'500'000'000, 0x123456};

QByteArray header(const HistoryFileIdentity& file = kFile) {
  QByteArray out;
  journal::appendHeader(out, file);
  return out;
}
QByteArray folded(const HistoryFileIdentity& file) {
  QByteArray out;
  journal::appendFolded(out, file);
  return out;
}
QByteArray record(const HistoryChange& change) {
  QByteArray out;
  journal::appendRecord(out, change);
  return out;
}

QStringList texts(const QList<ClipboardItem>& items) {
  QStringList out;
  for (const ClipboardItem& item : items) out.append(item.plainText().value_or(QStringLiteral("?")));
  return out;
}

ClipboardItem withText(ClipboardItem item, const QString& text) {
  item.payload = TextPayload{text};
  return item;
}

class JournalReplayTest : public ::testing::Test {
 protected:
  ClipboardItem a = test::textItem(QStringLiteral("a"));
  ClipboardItem b = test::textItem(QStringLiteral("b"));
  ClipboardItem c = test::textItem(QStringLiteral("c"));
  ClipboardItem x = test::textItem(QStringLiteral("x"));
  ClipboardItem y = test::textItem(QStringLiteral("y"));
  QList<ClipboardItem> file{a, b, c};
};

TEST_F(JournalReplayTest, RecordsApplyInOrderOnTopOfTheFile) {
  const struct {
    const char* name;
    QList<HistoryChange> changes;
    QStringList expected;
    int skipped;
  } cases[] = {
      {"adds go to the front", {HistoryChange::added(x), HistoryChange::added(y)}, {"y", "x", "a", "b", "c"}, 0},
      {"an update keeps the place", {HistoryChange::updated(withText(b, QStringLiteral("B")))}, {"a", "B", "c"}, 0},
      {"removes", {HistoryChange::removed(a.id), HistoryChange::removed(c.id)}, {"b"}, 0},
      {"a copy again: the older one goes, the new one comes first",
       {HistoryChange::removed(c.id), HistoryChange::added(x)},
       {"x", "a", "b"},
       0},
      {"an added item edited and removed",
       {HistoryChange::added(x), HistoryChange::added(y), HistoryChange::updated(withText(x, QStringLiteral("X"))),
        HistoryChange::removed(y.id)},
       {"X", "a", "b", "c"},
       0},
      {"a file item updated twice, then removed",
       {HistoryChange::updated(withText(b, QStringLiteral("1"))),
        HistoryChange::updated(withText(b, QStringLiteral("2"))), HistoryChange::removed(b.id)},
       {"a", "c"},
       0},
      {"records naming unknown items are skipped",
       {HistoryChange::removed(x.id), HistoryChange::updated(y), HistoryChange::added(a), HistoryChange::added(x),
        HistoryChange::removed(a.id), HistoryChange::removed(a.id)},
       {"x", "b", "c"},
       4},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    QByteArray bytes = header();
    for (const HistoryChange& change : row.changes) bytes += record(change);
    QList<ClipboardItem> items = file;
    const journal::Replay replay = journal::replay(bytes, kFile, items);
    EXPECT_EQ(replay.outcome, Outcome::replayed);
    EXPECT_EQ(texts(items), row.expected);
    EXPECT_EQ(replay.skipped, row.skipped);
    EXPECT_EQ(replay.applied, row.changes.size() - row.skipped);
    EXPECT_EQ(replay.goodLength, bytes.size());
    EXPECT_EQ(replay.liveBytes, bytes.size() - header().size());
    EXPECT_FALSE(replay.torn);
  }
}

TEST_F(JournalReplayTest, ReplayedItemsEqualTheOnesRecorded) {
  ClipboardItem link = test::linkItem(QStringLiteral("https://example.com/a?b=c"));
  std::get<LinkPayload>(link.payload).edit().title = QStringLiteral("Title with \"quotes\"\nand a line break");
  const ClipboardItem code = test::codeItem(QStringLiteral("int main() {\n\treturn 0;\n}"), QStringLiteral("cpp"));
  const ClipboardItem color = test::colorItem(QStringLiteral("#FFAA00"));
  QByteArray bytes = header() + record(HistoryChange::added(link)) + record(HistoryChange::added(code)) +
                     record(HistoryChange::added(color));
  EXPECT_EQ(bytes.count('\n'), 4) << "one line per record";
  QList<ClipboardItem> items = file;
  journal::replay(bytes, kFile, items);
  EXPECT_EQ(items, (QList<ClipboardItem>{color, code, link, a, b, c}));
}

// A crash while appending leaves the last record cut short: it is dropped, and appending goes on
// where the last whole record ends.
TEST_F(JournalReplayTest, ARecordCutShortAtTheEndIsDropped) {
  const QByteArray whole = header() + record(HistoryChange::added(x));
  const QByteArray last = record(HistoryChange::added(y));
  for (const qsizetype cut : {qsizetype(1), last.size() / 2, last.size() - 1}) {
    SCOPED_TRACE(cut);
    QList<ClipboardItem> items = file;
    const journal::Replay replay = journal::replay(whole + last.left(cut), kFile, items);
    EXPECT_EQ(replay.outcome, Outcome::replayed);
    EXPECT_TRUE(replay.torn);
    EXPECT_EQ(replay.damaged, 0);
    EXPECT_EQ(texts(items), QStringList({"x", "a", "b", "c"}));
    EXPECT_EQ(replay.goodLength, whole.size());
  }
  // A header cut short: nothing to replay, and nothing worth keeping.
  QList<ClipboardItem> items = file;
  const journal::Replay replay = journal::replay(header().left(20), kFile, items);
  EXPECT_EQ(replay.outcome, Outcome::empty);
  EXPECT_EQ(replay.goodLength, 0);
  EXPECT_EQ(items, file);
}

TEST_F(JournalReplayTest, WholeLinesThatDoNotReadAreCountedAndTheOthersApplied) {
  const QByteArray bytes = header() + record(HistoryChange::added(x)) + "{\"add\":{\"id\":\"nope\"}}\n" + "garbage\n" +
                           QByteArray(8, '\0') + "\n" + "{\"remove\":\"not-a-uuid\"}\n" +
                           record(HistoryChange::added(y));
  QList<ClipboardItem> items = file;
  const journal::Replay replay = journal::replay(bytes, kFile, items);
  EXPECT_EQ(replay.outcome, Outcome::replayed);
  EXPECT_EQ(replay.damaged, 4);
  EXPECT_EQ(texts(items), QStringList({"y", "x", "a", "b", "c"}));
}

TEST_F(JournalReplayTest, OnlyTheRecordsAfterTheLastLineNamingTheFileApply) {
  const struct {
    const char* name;
    QByteArray journal;
    std::optional<HistoryFileIdentity> file;
    Outcome outcome;
    QStringList expected;
  } cases[] = {
      {"extends the file", header() + record(HistoryChange::added(x)), kFile, Outcome::replayed, {"x", "a", "b", "c"}},
      // The file was rewritten with x in it; the journal was not emptied after.
      {"folded into the file",
       header() + record(HistoryChange::added(x)) + folded(kLaterFile) + record(HistoryChange::added(y)),
       kLaterFile,
       Outcome::replayed,
       {"y", "a", "b", "c"}},
      // The rewrite never replaced the file: everything applies.
      {"a fold that did not happen",
       header() + record(HistoryChange::added(x)) + folded(kLaterFile) + record(HistoryChange::added(y)),
       kFile,
       Outcome::replayed,
       {"y", "x", "a", "b", "c"}},
      {"a journal of a newer history",
       header(kLaterFile) + record(HistoryChange::added(x)),
       kFile,
       Outcome::unmatched,
       {"a", "b", "c"}},
      {"no history file",
       header() + record(HistoryChange::added(x)),
       std::nullopt,
       Outcome::unmatched,
       {"a", "b", "c"}},
      {"a newer journal format",
       QByteArray(header()).replace("\"journal\":1", "\"journal\":2") + record(HistoryChange::added(x)),
       kFile,
       Outcome::unreadable,
       {"a", "b", "c"}},
      {"not a journal",
       "[{\"id\":1}]\n" + record(HistoryChange::added(x)),
       kFile,
       Outcome::unreadable,
       {"a", "b", "c"}},
      {"nothing", QByteArray(), kFile, Outcome::empty, {"a", "b", "c"}},
      {"only a header", header(), kFile, Outcome::replayed, {"a", "b", "c"}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    QList<ClipboardItem> items = file;
    EXPECT_EQ(journal::replay(row.journal, row.file, items).outcome, row.outcome);
    EXPECT_EQ(texts(items), row.expected);
  }
}

TEST(HistoryFileIdentityTest, TheFileOnDiskHasTheIdentityOfWhatWasWritten) {
  test::StateHarness h;
  const QString path = h.historyPath();
  for (const qsizetype size : {0, 10, 4096, 5000, 8192, 9000, 100000}) {
    SCOPED_TRACE(size);
    QByteArray data(size, 'x');
    for (qsizetype i = 0; i < size; ++i) data[i] = char('a' + (i * 7919) % 26);
    ASSERT_TRUE(writeFileAtomically(path, data));
    const std::optional<HistoryFileIdentity> onDisk = HistoryFileIdentity::ofFile(path);
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(*onDisk, HistoryFileIdentity::of(data, onDisk->modifiedNs));
    // A change at either end shows; one in the middle of a long file is told by the time.
    if (size > 0) {
      QByteArray changed = data;
      changed[size - 1] = '!';
      EXPECT_NE(HistoryFileIdentity::of(changed, onDisk->modifiedNs), *onDisk);
      changed = data;
      changed[0] = '!';
      EXPECT_NE(HistoryFileIdentity::of(changed, onDisk->modifiedNs), *onDisk);
    }
  }
  EXPECT_FALSE(HistoryFileIdentity::ofFile(path + QStringLiteral(".missing")));
}

}  // namespace
}  // namespace qv
