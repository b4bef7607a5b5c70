// Faults of the disk and of stored data that no crash reaches: a full disk, a damaged settings
// file, damage in the middle of the history. Nothing that was stored may be lost to them.
#include "base/Uuid.h"
#include "items/model/ItemJson.h"
#include "items/stores/ImageStore.h"
#include "platform/SettingsStore.h"
#include "support/CapturedLog.h"
#include "support/SideFileHelpers.h"
#include "support/WriteLimit.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <functional>

namespace qv {
namespace {

std::optional<QList<ClipboardItem>> itemsInFile(const QString& path) {
  bool ok = false;
  const QByteArray data = readFile(path, &ok);
  return ok ? decodeItems(data) : std::nullopt;
}

QList<ClipboardItem> texts(int count, const QDateTime& at, const QString& prefix = QStringLiteral("note")) {
  QList<ClipboardItem> items;
  for (int i = 0; i < count; ++i)
    items.append(
        test::textItem(QStringLiteral("%1 %2, a copied text of a realistic length for the history").arg(prefix).arg(i),
                       QStringLiteral("org.example.Editor"), at));
  return items;
}

// A copy removed again: a change the journal does not tell, whose save prunes side files.
void addAndRemove(PanelState& state) {
  const ClipboardItem removed = test::textItem(QStringLiteral("copied and removed"));
  state.addItem(removed);
  state.removeItem(removed.id);
}

// ---- A full disk -----------------------------------------------------------------------------

// A history of about 2 KB and of 16 KB: on a full disk the file and its journal keep what they
// held (never an empty file, never part of a record), the failure is logged once, and the save
// is tried again until it goes through. The copy goes to the journal; the edit, which writes
// the whole file, fails the same way.
TEST(FullDiskTest, TheHistoryFileKeepsItsContentsAndTheSaveIsTriedAgain) {
  for (const int count : {11, 100}) {
    SCOPED_TRACE(count);
    test::StateHarness h;
    FakeScheduler& clock = *h.fake.scheduler;
    for (const ClipboardItem& item : texts(count, h.now())) h.state->addItem(item);
    h.state->flushSave();
    const QByteArray before = readFile(h.historyPath());
    const QByteArray journalBefore = readFile(h.journalPath());
    ASSERT_EQ(itemsInFile(h.historyPath())->size(), count);

    test::CapturedLog log;
    h.state->addItem(test::textItem(QStringLiteral("copied while the disk is full")));
    {
      test::WriteLimit full(rlim_t(journalBefore.size() + 8));
      clock.advance(PanelState::kSaveDelaySeconds);
      h.runSaves();
      EXPECT_EQ(readFile(h.historyPath()), before);
      EXPECT_EQ(readFile(h.journalPath()), journalBefore);
      h.state->updateText(h.state->items().last(), QStringLiteral("edited while the disk is full"));
      clock.advance(PanelState::kSaveRetrySeconds);
      h.runSaves();
      EXPECT_EQ(readFile(h.historyPath()), before);
      EXPECT_EQ(readFile(h.journalPath()), journalBefore);
    }
    EXPECT_EQ(log.texts().filter(QStringLiteral("History could not be written")).size(), 1);
    // Room again: the retry writes the copy and the edit made meanwhile.
    clock.advance(PanelState::kSaveRetrySeconds);
    h.runSaves();
    EXPECT_EQ(h.storedItems(), h.state->items());
    ASSERT_TRUE(itemsInFile(h.historyPath()));
    EXPECT_EQ(itemsInFile(h.historyPath())->size(), count + 1) << "the edit wrote the whole file";
  }
}

TEST(FullDiskTest, QuitWritesAHistoryWhoseLastSaveFailed) {
  test::StateHarness h;
  h.state->addItem(test::textItem(QStringLiteral("first")));
  h.state->flushSave();
  h.state->addItem(test::textItem(QStringLiteral("second")));
  {
    test::WriteLimit full(8);
    h.fake.scheduler->advance(PanelState::kSaveDelaySeconds);
    h.runSaves();
  }
  h.state->flushSave();
  EXPECT_EQ(itemsInFile(h.historyPath())->size(), 2);
}

// A picture that cannot be written (its folder cannot be made, as in a data folder made
// read-only): the item is saved, the failure is logged once, and every save tries again, also
// with nothing changed; a quit meanwhile fails and says why. Once it can, the picture is written.
TEST(FullDiskTest, APictureThatCannotBeWrittenIsTriedAgainAndFailsAQuit) {
  test::StateHarness h;
  FakeScheduler& clock = *h.fake.scheduler;
  const ClipboardItem image = test::imageItem(test::testImage());
  const QString picture = h.fake.context->imageStore->filePath(image.idString());
  const QString folder = QFileInfo(picture).path();
  ASSERT_TRUE(writeFileAtomically(folder, "a file where the folder goes"));
  test::CapturedLog log;
  h.state->addItem(image);
  clock.advance(PanelState::kSaveDelaySeconds);
  h.runSaves();
  ASSERT_TRUE(h.storedItems());
  EXPECT_EQ(h.storedItems()->size(), 1);
  h.state->addItem(test::textItem(QStringLiteral("a later copy")));
  clock.advance(PanelState::kSaveDelaySeconds);
  h.runSaves();
  EXPECT_FALSE(h.state->flushSave());
  EXPECT_TRUE(h.state->lastWriteFailure().startsWith(QStringLiteral("the picture of an image could not be written")))
      << h.state->lastWriteFailure().toStdString();
  EXPECT_FALSE(QFileInfo::exists(picture));
  EXPECT_EQ(log.texts().filter(QStringLiteral("without their pictures")).size(), 1);

  ASSERT_TRUE(QFile::remove(folder));
  clock.advance(PanelState::kSaveRetrySeconds);
  h.runSaves();
  EXPECT_TRUE(QFileInfo(picture).size() > 0);
  EXPECT_EQ(log.texts().filter(QStringLiteral("Pictures written again")).size(), 1);
  EXPECT_TRUE(h.state->flushSave());
}

// ---- Stored settings that could not be read --------------------------------------------------

// A settings file damaged in the middle, as the program would find it at its next start.
void damageFile(const QString& path) {
  QByteArray data = readFile(path);
  ASSERT_FALSE(data.isEmpty());
  data.insert(data.size() / 2, QByteArray("\x07\"}{,junk]"));
  ASSERT_TRUE(writeFileAtomically(path, data));
}

struct SettingsCase {
  const char* name;
  int recent;
  int old;           // captured 30 days ago
  bool pinOld;       // the old ones are pinned
  bool keepForever;  // the retention setting says "forever"
  bool damageFile;   // else the pins list is stored as another type
};

class DamagedSettingsTest : public ::testing::TestWithParam<SettingsCase> {};

// While a stored setting or mark could not be read, the run works on defaults (one week, no
// pins) and must not prune anything by them: the history keeps every item, on load, after new
// copies, after a retention pass and after the saves that prune side files.
TEST_P(DamagedSettingsTest, NothingIsPrunedWhileStoredValuesCouldNotBeRead) {
  const SettingsCase c = GetParam();
  test::StateHarness h;
  SettingsStore& settings = *h.fake.context->settings;
  const QList<ClipboardItem> old = texts(c.old, h.now().addDays(-30), QStringLiteral("old"));
  QList<ClipboardItem> all = texts(c.recent, h.now());
  all.append(old);
  ASSERT_TRUE(writeFileAtomically(h.historyPath(), encodeItems(all)));
  if (c.keepForever) settings.set(QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("forever"));
  QJsonArray pins;
  if (c.pinOld)
    for (const ClipboardItem& item : old) pins.append(uuidString(item.id));
  settings.set(QLatin1String(PanelState::kPinnedIDsKey), pins);
  if (c.damageFile) {
    damageFile(settings.filePath());
  } else {
    settings.set(QLatin1String(PanelState::kPinnedIDsKey), QJsonObject{{QStringLiteral("pins"), pins}});
  }

  // The next start.
  test::CapturedLog log;
  h.state.reset();
  const std::shared_ptr<SettingsStore> original = h.fake.context->settings;
  h.fake.context->settings = std::make_shared<SettingsStore>(settings.filePath(), *h.fake.scheduler);
  auto state = h.makeState();
  state->loadHistory();
  EXPECT_EQ(state->items().size(), all.size());
  EXPECT_TRUE(h.fake.context->settings->lostStoredValues());

  state->addItem(test::textItem(QStringLiteral("a new copy")));
  EXPECT_FALSE(state->applyRetention());
  addAndRemove(*state);
  state->flushSave();
  ASSERT_TRUE(itemsInFile(h.historyPath()));
  EXPECT_EQ(itemsInFile(h.historyPath())->size(), all.size() + 1);
  EXPECT_EQ(log.texts().filter(QStringLiteral("nothing is pruned")).size(), 1);
  if (!c.damageFile) {
    // The list that did not read is kept aside, as it was.
    const QStringList keys = QJsonDocument::fromJson(readFile(h.fake.context->settings->filePath()))
                                 .object()
                                 .keys()
                                 .filter(QStringLiteral("qv.pinnedIDs.v1.unreadable-"));
    ASSERT_EQ(keys.size(), 1);
    EXPECT_EQ(h.fake.context->settings->value(keys.first()).toObject().value(QStringLiteral("pins")), pins);
  }
  state.reset();
  h.fake.context->settings = original;
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedSettingsTest,
                         ::testing::Values(SettingsCase{"ForeverStoredInADamagedFile", 20, 20, false, true, true},
                                           SettingsCase{"TenOldPinsInADamagedFile", 10, 10, true, false, true},
                                           SettingsCase{"APinsListOfAnotherType", 10, 10, true, false, false}),
                         [](const ::testing::TestParamInfo<SettingsCase>& param) {
                           return std::string(param.param.name);
                         });

// Three starts after stored settings were lost or read as no choice: the run that finds them
// keeps everything, and so does every later one (it must not read its own defaults as the
// user's choice), until the user chooses a retention again. Pins that did not read as a list
// are kept. Forty items a month old, ten of them pinned where the case has pins.
TEST(LostSettingsTest, NothingIsPrunedOverThreeStartsUntilARetentionIsChosen) {
  const struct {
    const char* name;
    std::function<void(SettingsStore&, const QJsonArray& pins)> damage;
    bool pinsKept;
  } cases[] = {
      {"a damaged file that said forever",
       [](SettingsStore& settings, const QJsonArray&) {
         settings.set(QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("forever"));
         damageFile(settings.filePath());
       },
       false},
      {"a damaged file with ten pins",
       [](SettingsStore& settings, const QJsonArray& pins) {
         settings.set(QLatin1String(PanelState::kPinnedIDsKey), pins);
         damageFile(settings.filePath());
       },
       false},
      {"pins stored as an object",
       [](SettingsStore& settings, const QJsonArray& pins) {
         settings.set(QLatin1String(PanelState::kPinnedIDsKey), QJsonObject{{QStringLiteral("pins"), pins}});
       },
       true},
      {"a pin list with an entry that names no id",
       [](SettingsStore& settings, QJsonArray pins) {
         pins.append(QStringLiteral("{3f2a9c1e-77b0-4d2a}"));
         settings.set(QLatin1String(PanelState::kPinnedIDsKey), pins);
       },
       true},
      {"a retention of 0",
       [](SettingsStore& settings, const QJsonArray&) {
         settings.set(QLatin1String(PanelState::kHistoryRetentionKey), 0);
       },
       false},
      {"a retention of null",
       [](SettingsStore& settings, const QJsonArray&) {
         ASSERT_TRUE(writeFileAtomically(settings.filePath(), "{\"qv.historyRetention\": null}"));
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::StateHarness h;
    const QList<ClipboardItem> old = texts(40, h.now().addMonths(-1), QStringLiteral("old"));
    ASSERT_TRUE(writeFileAtomically(h.historyPath(), encodeItems(old)));
    QJsonArray pins;
    for (const ClipboardItem& item : old.mid(0, 10)) pins.append(uuidString(item.id));
    c.damage(*h.fake.context->settings, pins);
    h.state.reset();

    const std::shared_ptr<SettingsStore> original = h.fake.context->settings;
    const QString settingsFile = original->filePath();
    int starts = 0;
    const auto start = [&] {
      h.fake.context->settings = std::make_shared<SettingsStore>(settingsFile, *h.fake.scheduler);
      auto state = h.makeState();
      state->loadHistory();
      state->addItem(test::textItem(QStringLiteral("a copy at start %1").arg(++starts)));
      addAndRemove(*state);
      state->flushSave();
      h.fake.scheduler->advance(PanelState::kStartFoldDelaySeconds);
      h.runSaves();
      return state;
    };
    for (int n = 1; n <= 3; ++n) {
      SCOPED_TRACE(n);
      const auto state = start();
      EXPECT_EQ(state->items().size(), 40 + n);
      ASSERT_TRUE(h.storedItems());
      EXPECT_EQ(h.storedItems()->size(), 40 + n);
      if (c.pinsKept) {
        EXPECT_EQ(state->pinnedIDs().size(), 10);
      }
    }
    // The user chooses a week: the hold ends, and what the pins protect stays.
    {
      const auto state = start();
      h.fake.context->settings->set({{QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("1w")},
                                     {QLatin1String(SettingsStore::kValuesLostKey), QJsonValue()}});
      EXPECT_TRUE(state->applyRetention());
      EXPECT_EQ(state->items().size(), 4 + (c.pinsKept ? 10 : 0));
    }
    h.fake.context->settings = original;
  }
}

// The forms a UUID is written in (Qt writes braces and lower case unless told otherwise).
const struct {
  const char* form;
  std::function<QString(const QUuid&)> write;
} kIdForms[] = {
    {"upper case", [](const QUuid& id) { return uuidString(id); }},
    {"lower case", [](const QUuid& id) { return uuidString(id).toLower(); }},
    {"braced, lower case", [](const QUuid& id) { return id.toString(); }},
    {"braced, upper case", [](const QUuid& id) { return id.toString().toUpper(); }},
    {"without dashes", [](const QUuid& id) { return QString::fromLatin1(id.toRfc4122().toHex()); }},
    {"as a URN", [](const QUuid& id) { return QStringLiteral("urn:uuid:") + id.toString(QUuid::WithoutBraces); }},
};

using IdForm = std::function<QString(const QUuid&)>;

// Forty items a month old under a one-week retention, ten of them marked by `mark` with their ids
// written in `form`: over three starts the ten stay, on disk too, and `stillMarked` holds.
void expectMarkedItemsKeptOverThreeStarts(
    const IdForm& form, const std::function<void(SettingsStore&, const QList<ClipboardItem>&, const IdForm&)>& mark,
    const std::function<void(const PanelState&, const QList<ClipboardItem>&)>& stillMarked) {
  test::StateHarness h;
  const QList<ClipboardItem> old = texts(40, h.now().addMonths(-1), QStringLiteral("old"));
  ASSERT_TRUE(writeFileAtomically(h.historyPath(), encodeItems(old)));
  h.fake.context->settings->set(QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("1w"));
  mark(*h.fake.context->settings, old.mid(0, 10), form);
  h.state.reset();
  const std::shared_ptr<SettingsStore> original = h.fake.context->settings;
  for (int n = 1; n <= 3; ++n) {
    SCOPED_TRACE(n);
    h.fake.context->settings = std::make_shared<SettingsStore>(original->filePath(), *h.fake.scheduler);
    auto state = h.makeState();
    state->loadHistory();
    h.fake.scheduler->advance(PanelState::kStartFoldDelaySeconds);
    h.runSaves();
    EXPECT_EQ(state->items().size(), 10);
    stillMarked(*state, old.mid(0, 10));
    EXPECT_FALSE(h.fake.context->settings->lostStoredValues());
    ASSERT_TRUE(h.storedItems());
    EXPECT_EQ(h.storedItems()->size(), 10);
  }
  h.fake.context->settings = original;
}

// Pins written in any form of a UUID protect their items on every start.
TEST(LostSettingsTest, PinsInEveryFormOfAnIdProtectOverThreeStarts) {
  for (const auto& f : kIdForms) {
    SCOPED_TRACE(f.form);
    expectMarkedItemsKeptOverThreeStarts(
        f.write,
        [](SettingsStore& settings, const QList<ClipboardItem>& marked, const IdForm& form) {
          QJsonArray pins;
          for (const ClipboardItem& item : marked) pins.append(form(item.id));
          settings.set(QLatin1String(PanelState::kPinnedIDsKey), pins);
        },
        [](const PanelState& state, const QList<ClipboardItem>&) { EXPECT_EQ(state.pinnedIDs().size(), 10); });
  }
}

// The same for items filed in a category, item and category named in any form: they stay, and
// stay filed.
TEST(LostSettingsTest, CategoryAssignmentsInEveryFormOfAnIdProtectOverThreeStarts) {
  const CustomCategory work{newUuid(), QStringLiteral("Work"), 1};
  for (const auto& f : kIdForms) {
    SCOPED_TRACE(f.form);
    expectMarkedItemsKeptOverThreeStarts(
        f.write,
        [&work](SettingsStore& settings, const QList<ClipboardItem>& marked, const IdForm& form) {
          QJsonObject assignments;
          for (const ClipboardItem& item : marked) assignments.insert(form(item.id), form(work.id));
          settings.set(QLatin1String(PanelState::kDidSeedCategoriesKey), true);
          settings.setData(QLatin1String(PanelState::kCustomCategoriesKey), encodeCategories({work}));
          settings.setData(QLatin1String(PanelState::kCardCategoriesKey),
                           QJsonDocument(assignments).toJson(QJsonDocument::Compact));
        },
        [&work](const PanelState& state, const QList<ClipboardItem>& marked) {
          for (const ClipboardItem& item : marked) EXPECT_EQ(state.categoryForItem(item.id), work);
        });
  }
}

// ---- Damage in the middle of the history -----------------------------------------------------

QByteArray junk(int seed) {
  QRandomGenerator random(static_cast<quint32>(seed));
  QByteArray bytes(64, Qt::Uninitialized);
  for (char& byte : bytes) byte = static_cast<char>(random.bounded(256));
  return bytes;
}

// 64 junk bytes at the start, in the middle or at the end of a 1,000-item history (and in the
// middle of one long enough to be read in pieces): every whole record is kept, in order.
TEST(DamagedHistoryTest, EveryWholeRecordIsKeptWhereverTheDamageLies) {
  const struct {
    const char* where;
    int count;
    double at;       // where the junk goes, as a fraction of the file
    bool overwrite;  // else it is inserted
  } cases[] = {{"start", 1000, 0.0, true},
               {"start, inserted", 1000, 0.0, false},
               {"middle", 1000, 0.5, false},
               {"middle, overwritten", 1000, 0.5, true},
               {"end", 1000, 1.0, true},
               {"end, inserted", 1000, 1.0, false},
               {"middle of a long one", 15000, 0.5, false}};
  for (const auto& c : cases) {
    for (int seed = 1; seed <= 3; ++seed) {
      SCOPED_TRACE(testing::Message() << c.where << ", junk " << seed);
      test::StateHarness h;
      const QList<ClipboardItem> all = texts(c.count, h.now());
      QByteArray file = encodeItems(all);
      const qsizetype at = std::min<qsizetype>(static_cast<qsizetype>(file.size() * c.at), file.size() - 64);
      if (c.overwrite) file.replace(at, 64, junk(seed));
      else file.insert(at, junk(seed));
      ASSERT_TRUE(writeFileAtomically(h.historyPath(), file));
      h.state->loadHistory();
      const QList<ClipboardItem>& loaded = h.state->items();
      EXPECT_GE(loaded.size(), c.count - 1);
      // In order, and each one whole.
      qsizetype next = 0;
      for (const ClipboardItem& item : loaded) {
        while (next < all.size() && all[next].id != item.id) ++next;
        ASSERT_LT(next, all.size());
        EXPECT_EQ(item, all[next]);
      }
    }
  }
}

// Side files of records that live only in a history set aside (in this run or an earlier one)
// are never deleted: the set-aside file can still be read back with them.
TEST(DamagedHistoryTest, SideFilesNamedByASetAsideHistoryAreKept) {
  test::StateHarness h;
  QList<ClipboardItem> images;
  for (int i = 0; i < 10; ++i) images.append(test::imageItem(test::testImage()));
  for (const ClipboardItem& image : images)
    ASSERT_TRUE(h.fake.context->imageStore->save(test::testImage(), image.idString()));
  // An earlier run set this history aside; the current file has none of its images.
  ASSERT_TRUE(writeFileAtomically(h.historyPath() + QStringLiteral(".unreadable-20260101-120000"),
                                  encodeItems(images) + "\x01 junk after the end"));
  ASSERT_TRUE(writeFileAtomically(h.historyPath(), encodeItems(texts(3, h.now()))));
  h.state->loadHistory();
  const QString orphan = newUuidString();
  ASSERT_TRUE(h.fake.context->imageStore->save(test::testImage(), orphan));

  addAndRemove(*h.state);
  h.state->addItem(test::textItem(QStringLiteral("a copy")));
  h.state->flushSave();
  for (const ClipboardItem& image : images)
    EXPECT_TRUE(QFileInfo::exists(h.fake.context->imageStore->filePath(image.idString())));
  EXPECT_FALSE(QFileInfo::exists(h.fake.context->imageStore->filePath(orphan)));  // pruning still works
}

}  // namespace
}  // namespace qv
