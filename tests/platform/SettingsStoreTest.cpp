#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "platform/fake/FakeScheduler.h"
#include "support/CapturedLog.h"
#include "support/PeakMemory.h"
#include "support/WriteLimit.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUuid>

namespace qv {
namespace {

class SettingsStoreTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  FakeScheduler scheduler;
  QString file() const { return dir.path() + QStringLiteral("/config/Quorvalen/defaults.json"); }
};

TEST_F(SettingsStoreTest, RoundTripAcrossReload) {
  {
    SettingsStore store(file(), scheduler);
    store.set(QStringLiteral("qv.edgeSide"), QStringLiteral("left"));
    store.set(QStringLiteral("qv.edgeDwellDelay"), 0.45);
    store.set(QStringLiteral("qv.shortcut.keyCode"), 9);
    store.set(QStringLiteral("qv.edgeEnabled"), false);
    store.set(QStringLiteral("qv.pinnedIDs.v1"), QJsonArray{QStringLiteral("A"), QStringLiteral("B")});
    store.setData(QStringLiteral("qv.clipboardHistory.v1"), QByteArray("[1,2]\x00\xff", 7));
  }
  SettingsStore again(file(), scheduler);
  EXPECT_EQ(again.stringValue(QStringLiteral("qv.edgeSide")), QStringLiteral("left"));
  EXPECT_EQ(again.doubleValue(QStringLiteral("qv.edgeDwellDelay")), 0.45);
  EXPECT_EQ(again.intValue(QStringLiteral("qv.shortcut.keyCode")), 9);
  EXPECT_EQ(again.boolValue(QStringLiteral("qv.edgeEnabled")), false);
  EXPECT_EQ(again.arrayValue(QStringLiteral("qv.pinnedIDs.v1"))->size(), 2);
  EXPECT_EQ(again.dataValue(QStringLiteral("qv.clipboardHistory.v1")), QByteArray("[1,2]\x00\xff", 7));
  again.remove(QStringLiteral("qv.edgeSide"));
  EXPECT_FALSE(SettingsStore(file(), scheduler).hasStoredValue(QStringLiteral("qv.edgeSide")));
}

TEST_F(SettingsStoreTest, WronglyTypedValuesReadAsAbsent) {
  SettingsStore store(file(), scheduler);
  store.set(QStringLiteral("n"), QStringLiteral("12"));
  store.set(QStringLiteral("s"), 12);
  store.set(QStringLiteral("f"), 1.5);
  EXPECT_FALSE(store.intValue(QStringLiteral("n")));
  EXPECT_FALSE(store.doubleValue(QStringLiteral("n")));
  EXPECT_FALSE(store.stringValue(QStringLiteral("s")));
  EXPECT_FALSE(store.boolValue(QStringLiteral("s")));
  EXPECT_FALSE(store.intValue(QStringLiteral("f")));  // not a whole number
  EXPECT_EQ(store.doubleValue(QStringLiteral("s")), 12.0);
  EXPECT_EQ(store.intOr(QStringLiteral("n"), -1), -1);
  EXPECT_FALSE(store.dataValue(QStringLiteral("s")));
}

TEST_F(SettingsStoreTest, RegisteredDefaultsAnswerButAreNeverWritten) {
  {
    SettingsStore store(file(), scheduler);
    store.registerDefaults(
        {{QStringLiteral("qv.captureNearbyDevices"), true}, {QStringLiteral("qv.edgeEnabled"), true}});
    EXPECT_EQ(store.boolValue(QStringLiteral("qv.captureNearbyDevices")), true);
    EXPECT_FALSE(store.hasStoredValue(QStringLiteral("qv.captureNearbyDevices")));
    store.set(QStringLiteral("qv.edgeEnabled"), false);
    EXPECT_EQ(store.boolValue(QStringLiteral("qv.edgeEnabled")), false);
    store.remove(QStringLiteral("qv.edgeEnabled"));
    EXPECT_EQ(store.boolValue(QStringLiteral("qv.edgeEnabled")), true);
    store.set(QStringLiteral("other"), 1);
  }
  SettingsStore fresh(file(), scheduler);
  EXPECT_FALSE(fresh.boolValue(QStringLiteral("qv.captureNearbyDevices")));
  EXPECT_FALSE(fresh.boolValue(QStringLiteral("qv.edgeEnabled")));
}

// Every reader of a key sees the same value: one of the wrong type reads as the registered
// default, whatever fallback a reader passes.
TEST_F(SettingsStoreTest, AWronglyTypedValueReadsAsTheRegisteredDefault) {
  SettingsStore store(file(), scheduler);
  store.registerDefaults({{QStringLiteral("qv.edgeEnabled"), true},
                          {QStringLiteral("qv.edgeSide"), "right"},
                          {QStringLiteral("qv.edgeDwellDelay"), 0.3}});
  store.set(QStringLiteral("qv.edgeEnabled"), QStringLiteral("no"));
  store.set(QStringLiteral("qv.edgeSide"), 1);
  store.set(QStringLiteral("qv.edgeDwellDelay"), QJsonArray{0.5});
  for (const bool fallback : {false, true}) {
    EXPECT_EQ(store.boolOr(QStringLiteral("qv.edgeEnabled"), fallback), true);
    EXPECT_EQ(store.stringOr(QStringLiteral("qv.edgeSide"), fallback ? "left" : "both"), "right");
    EXPECT_EQ(store.doubleOr(QStringLiteral("qv.edgeDwellDelay"), fallback ? 0.8 : 0), 0.3);
  }
  EXPECT_FALSE(store.arrayValue(QStringLiteral("qv.edgeEnabled")));
  EXPECT_TRUE(store.hasStoredValue(QStringLiteral("qv.edgeEnabled"))) << "what the file holds stays";
}

// A file that was there but could not be read is reported once as a reset; a missing one is not.
TEST_F(SettingsStoreTest, AFileThatCouldNotBeReadCountsAsAReset) {
  EXPECT_FALSE(SettingsStore(file(), scheduler).wasReset()) << "no file yet";
  ASSERT_TRUE(writeFileAtomically(file(), "{\"a\": 1}"));
  EXPECT_FALSE(SettingsStore(file(), scheduler).wasReset());
  ASSERT_TRUE(writeFileAtomically(file(), "[1, 2"));
  EXPECT_TRUE(SettingsStore(file(), scheduler).wasReset());
  EXPECT_FALSE(SettingsStore(file(), scheduler).wasReset()) << "set aside: the next start begins afresh";
}

TEST_F(SettingsStoreTest, OneChangeSignalPerTurn) {
  SettingsStore store(file(), scheduler);
  QSignalSpy spy(&store, &SettingsStore::changed);
  store.set(QStringLiteral("a"), 1);
  store.set(QStringLiteral("b"), 2);
  store.remove(QStringLiteral("a"));
  EXPECT_EQ(spy.count(), 0);
  scheduler.runPending();
  EXPECT_EQ(spy.count(), 1);
  store.set(QStringLiteral("c"), 3);
  scheduler.runPending();
  EXPECT_EQ(spy.count(), 2);
  scheduler.runPending();
  EXPECT_EQ(spy.count(), 2);
}

TEST_F(SettingsStoreTest, SeveralValuesAtOnceAndUnchangedValuesLeaveTheFileAlone) {
  SettingsStore store(file(), scheduler);
  store.set(QStringLiteral("gone"), 1);
  store.set(
      QJsonObject{{QStringLiteral("a"), false}, {QStringLiteral("b"), 2}, {QStringLiteral("gone"), QJsonValue()}});
  SettingsStore reread(file(), scheduler);
  EXPECT_EQ(reread.boolValue(QStringLiteral("a")), false);
  EXPECT_EQ(reread.intValue(QStringLiteral("b")), 2);
  EXPECT_FALSE(reread.hasStoredValue(QStringLiteral("gone")));
  // One value that is undefined (as a missing field reads) removes its key too.
  store.set(QStringLiteral("b"), QJsonObject().value(QStringLiteral("missing")));
  EXPECT_FALSE(SettingsStore(file(), scheduler).hasStoredValue(QStringLiteral("b")));
  store.set(QStringLiteral("b"), 2);

  ASSERT_TRUE(writeFileAtomically(file(), "{}"));  // marks whether the store writes again
  store.set(QJsonObject{{QStringLiteral("a"), false}, {QStringLiteral("b"), 2}});
  EXPECT_FALSE(SettingsStore(file(), scheduler).hasStoredValue(QStringLiteral("a")));
  store.set(QStringLiteral("b"), 3);
  EXPECT_EQ(SettingsStore(file(), scheduler).boolValue(QStringLiteral("a")), false);  // a change writes all
  EXPECT_EQ(SettingsStore(file(), scheduler).intValue(QStringLiteral("b")), 3);
}

TEST_F(SettingsStoreTest, UnreadableFileIsSetAsideNotOverwritten) {
  ASSERT_TRUE(writeFileAtomically(file(), "{ not json"));
  SettingsStore store(file(), scheduler);
  EXPECT_FALSE(store.hasStoredValue(QStringLiteral("x")));
  store.set(QStringLiteral("x"), 1);
  const QStringList aside =
      QDir(QFileInfo(file()).absolutePath()).entryList({QStringLiteral("defaults.json.unreadable-*")}, QDir::Files);
  ASSERT_EQ(aside.size(), 1);
  QFile kept(QFileInfo(file()).absolutePath() + u'/' + aside.first());
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray("{ not json"));
}

// A file far larger than settings ever are is damaged: set aside as it was, unread (no memory
// to speak of), and the next start begins afresh; the largest real one is still read.
TEST_F(SettingsStoreTest, AFileLargerThanSettingsEverAreIsSetAsideUnread) {
  const auto fill = [](const QString& path, const QByteArray& contents, qint64 size) {
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(contents) == contents.size() && out.resize(size);
  };
  QJsonObject assignments;  // categories given to 100,000 items
  for (int i = 0; i < 100'000; ++i)
    assignments.insert(QUuid::createUuid().toString(QUuid::WithoutBraces),
                       QUuid::createUuid().toString(QUuid::WithoutBraces));
  const QByteArray largestReal =
      QJsonDocument(
          QJsonObject{{QStringLiteral("qv.cardCategories"),
                       QJsonObject{{QStringLiteral("$data"),
                                    QString::fromLatin1(
                                        QJsonDocument(assignments).toJson(QJsonDocument::Compact).toBase64())}}}})
          .toJson();
  const QByteArray padded = "{\"qv.edgeSide\": \"left\", \"padding\": \"" + QByteArray(20 << 20, 'x') + "\"}";
  const struct {
    const char* what;
    QByteArray contents;
    qint64 size;
    bool read;
  } rows[] = {
      {"the largest real file", largestReal, largestReal.size(), true},
      {"a 20 MB JSON object", padded, padded.size(), false},
      {"a 900 MB sparse file", "{\"qv.edgeSide\": \"left\"", qint64(900) << 20, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    QDir(QFileInfo(file()).absolutePath()).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file()).absolutePath()));
    ASSERT_TRUE(fill(file(), row.contents, row.size));
    const test::PeakMemory memory;
    SettingsStore store(file(), scheduler);
    if (memory.isAvailable() && !row.read) {
      EXPECT_LT(memory.growthBytes(), qint64(32 << 20) * test::kSanitizerMemoryFactor);
    }
    EXPECT_EQ(store.wasReset(), !row.read);
    EXPECT_EQ(store.hasStoredValue(QStringLiteral("qv.edgeSide")) ||
                  store.hasStoredValue(QStringLiteral("qv.cardCategories")),
              row.read);
    const QFileInfoList aside = QDir(QFileInfo(file()).absolutePath())
                                    .entryInfoList({QStringLiteral("defaults.json.unreadable-*")}, QDir::Files);
    ASSERT_EQ(aside.size(), row.read ? 0 : 1);
    if (!row.read) {
      EXPECT_EQ(aside.first().size(), row.size) << "kept as it was";
      EXPECT_FALSE(SettingsStore(file(), scheduler).wasReset()) << "the next start begins afresh";
    }
  }
}

// A full disk keeps the last good file (never an empty one), says so once, and writes the
// settings again once there is room.
TEST_F(SettingsStoreTest, AFullDiskKeepsTheFileAndWritesAgainLater) {
  SettingsStore store(file(), scheduler);
  store.set(QStringLiteral("qv.historyRetention"), QStringLiteral("forever"));
  const QByteArray before = readFile(file());
  test::CapturedLog log;
  {
    test::WriteLimit full(16);
    store.set(QStringLiteral("qv.edgeSide"), QStringLiteral("left"));
    store.set(QStringLiteral("qv.edgeDwellDelay"), 0.5);
    scheduler.advance(SettingsStore::kWriteRetrySeconds);
    EXPECT_EQ(readFile(file()), before);
  }
  EXPECT_EQ(log.texts(QStringLiteral("com.tarnwick.quorvalen.settings")).filter(QStringLiteral("Cannot write")).size(),
            1);
  scheduler.advance(SettingsStore::kWriteRetrySeconds);
  SettingsStore reread(file(), scheduler);
  EXPECT_EQ(reread.stringValue(QStringLiteral("qv.historyRetention")), QStringLiteral("forever"));
  EXPECT_EQ(reread.stringValue(QStringLiteral("qv.edgeSide")), QStringLiteral("left"));
  EXPECT_EQ(reread.doubleValue(QStringLiteral("qv.edgeDwellDelay")), 0.5);
}

TEST_F(SettingsStoreTest, FileIsPrivate) {
  SettingsStore store(file(), scheduler);
  store.set(QStringLiteral("x"), 1);
  EXPECT_EQ(QFileInfo(file()).permissions() & 0x0077, QFileDevice::Permissions());
  EXPECT_EQ(QFile::permissions(file()),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
}

}  // namespace
}  // namespace qv
