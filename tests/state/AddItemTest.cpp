#include "base/Uuid.h"
#include "items/ocr/ImageTextRecognizer.h"
#include "items/stores/ImageStore.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QFileInfo>
#include <QJsonArray>

namespace qv {
namespace {

using test::SignalCounter;

class AddItemTest : public ::testing::Test {
 protected:
  test::StateHarness h;
  PanelState& state = *h.state;
  SettingsStore& settings = *h.fake.context->settings;

  QStringList storedIds(const char* key) const {
    QStringList ids;
    for (const QJsonValue& value : settings.arrayValue(QLatin1String(key)).value_or(QJsonArray()))
      ids.append(value.toString());
    ids.sort();
    return ids;
  }
};

TEST_F(AddItemTest, SameContentFromTheSameAppLeavesOneNewerItemAtTheTop) {
  const ClipboardItem first = test::textItem(QStringLiteral("hello"));
  state.addItem(first);
  state.addItem(test::textItem(QStringLiteral("other")));
  h.fake.scheduler->advance(30);
  ClipboardItem again = test::textItem(QStringLiteral("hello"), QStringLiteral("org.example.Editor"), h.now());
  state.addItem(again);

  ASSERT_EQ(state.items().size(), 2);
  EXPECT_EQ(state.items()[0].id, again.id);
  EXPECT_NE(again.id, first.id);
  EXPECT_EQ(state.items()[0].capturedAt, h.now());

  // From another application, or differing in case or spaces, it is another item.
  state.addItem(test::textItem(QStringLiteral("hello"), QStringLiteral("org.example.Other")));
  state.addItem(test::textItem(QStringLiteral("Hello")));
  state.addItem(test::textItem(QStringLiteral("hello ")));
  EXPECT_EQ(state.items().size(), 5);
}

// The add path remembers what it compares of each item; the history changing by other ways
// between two copies (removed, edited, replaced, or its text put in other memory) still leaves
// exactly one item per content and source, and texts of one length stay apart.
TEST_F(AddItemTest, CopyAgainFindsTheEarlierCopyAfterAnyChange) {
  const auto texts = [this] {
    QStringList shown;
    for (const ClipboardItem& item : state.items()) shown << *item.plainText() + u'@' + item.sourceAppBundleID;
    return shown;
  };
  const QString editor = QStringLiteral("org.example.Editor");
  const struct {
    const char* name;
    std::function<void()> change;
    QString copied;
    QStringList expected;
  } cases[] = {
      {"nothing else",
       [] {},
       QStringLiteral("beta"),
       {"beta@org.example.Editor", "gamma@org.example.Editor", "alpha@org.example.Editor"}},
      {"removed",
       [this] { state.removeItem(state.items()[1].id); },
       QStringLiteral("gamma"),
       {"gamma@org.example.Editor", "alpha@org.example.Editor"}},
      {"edited",
       [this] { state.updateText(state.items()[2], QStringLiteral("delta")); },
       QStringLiteral("delta"),
       {"delta@org.example.Editor", "gamma@org.example.Editor", "beta@org.example.Editor"}},
      {"replaced",
       [this, editor] {
         state.setItems(
             {test::textItem(QStringLiteral("omega"), editor), test::textItem(QStringLiteral("alpha"), editor)});
       },
       QStringLiteral("alpha"),
       {"alpha@org.example.Editor", "omega@org.example.Editor"}},
      {"same length, other text",
       [] {},
       QStringLiteral("betA"),
       {"betA@org.example.Editor", "gamma@org.example.Editor", "beta@org.example.Editor", "alpha@org.example.Editor"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state.setItems({});
    for (const char* text : {"alpha", "beta", "gamma"})
      state.addItem(test::textItem(QString::fromLatin1(text), editor));
    c.change();
    state.addItem(test::textItem(c.copied, editor));
    EXPECT_EQ(texts(), c.expected);
    // Once more, from the history as the add path left it; from another application it is new.
    state.addItem(test::textItem(c.copied, editor));
    EXPECT_EQ(texts(), c.expected);
    state.addItem(test::textItem(c.copied, QStringLiteral("org.example.Other")));
    EXPECT_EQ(texts().size(), c.expected.size() + 1);
    // Or from one whose name is as long (the same key), once the first copy's was compared.
    state.addItem(test::textItem(c.copied, QStringLiteral("org.example.Edit0r")));
    EXPECT_EQ(texts().size(), c.expected.size() + 2);
    state.addItem(test::textItem(c.copied, editor));
    EXPECT_EQ(texts().size(), c.expected.size() + 2);
    EXPECT_EQ(texts().first(), c.copied + u'@' + editor);
  }
}

TEST_F(AddItemTest, ContentTestPerKind) {
  const ClipboardItem image = test::imageItem(test::testImage());
  const struct {
    ClipboardItem a, b;
    bool same;
  } cases[] = {
      {test::codeItem(QStringLiteral("x = 1"), QStringLiteral("python")),
       test::codeItem(QStringLiteral("x = 1"), QStringLiteral("ruby")), true},
      {test::fileItem(QStringLiteral("/a/report.pdf")), test::fileItem(QStringLiteral("/b/report.pdf")), true},
      {test::colorItem(QStringLiteral("#FF0000")), test::colorItem(QStringLiteral("#FF0000")), true},
      {test::colorItem(QStringLiteral("#FF0000")), test::colorItem(QStringLiteral("#ff0000")), false},
      {image, image, false},
      {test::linkItem(QStringLiteral("https://a.example/x")), test::linkItem(QStringLiteral("https://a.example/x")),
       true},
      {test::linkItem(QStringLiteral("https://a.example/x")), test::linkItem(QStringLiteral("https://a.example/x/")),
       false},
      // Different kinds never match, even with the same text.
      {test::textItem(QStringLiteral("x = 1")), test::codeItem(QStringLiteral("x = 1"), QString()), false},
  };
  for (const auto& c : cases) EXPECT_EQ(isSameContent(c.a, c.b), c.same) << &c - cases;
  state.addItem(test::imageItem(test::testImage()));
  state.addItem(test::imageItem(test::testImage()));
  EXPECT_EQ(state.items().size(), 2);
}

TEST_F(AddItemTest, CarriesPinManualSensitiveMarkAndCategoryButNotAnAutomaticMark) {
  const QUuid category = newUuid();
  const ClipboardItem pinned = test::textItem(QStringLiteral("pinned"));
  const ClipboardItem manual = test::textItem(QStringLiteral("manual"));
  const ClipboardItem automatic = test::textItem(QStringLiteral("automatic"));
  for (const auto& item : {pinned, manual, automatic}) state.addItem(item);
  state.setPinnedIDs({pinned.id});
  state.setCardCategories({{pinned.id, category}});
  state.markSensitive(manual.id, false);
  state.markSensitive(automatic.id, true);

  const ClipboardItem pinned2 = test::textItem(QStringLiteral("pinned"));
  const ClipboardItem manual2 = test::textItem(QStringLiteral("manual"));
  const ClipboardItem automatic2 = test::textItem(QStringLiteral("automatic"));
  for (const auto& item : {pinned2, manual2, automatic2}) state.addItem(item);

  EXPECT_EQ(state.pinnedIDs(), PanelState::IdSet({pinned2.id}));
  EXPECT_EQ(state.cardCategories(), PanelState::IdMap({{pinned2.id, category}}));
  EXPECT_EQ(state.sensitiveIDs(), PanelState::IdSet({manual2.id}));
  EXPECT_TRUE(state.autoSensitiveIDs().isEmpty());
  // Written through to the user defaults at once, old ids gone.
  EXPECT_EQ(storedIds(PanelState::kPinnedIDsKey), QStringList{uuidString(pinned2.id)});
  EXPECT_EQ(storedIds(PanelState::kSensitiveIDsKey), QStringList{uuidString(manual2.id)});
  EXPECT_TRUE(storedIds(PanelState::kAutoSensitiveIDsKey).isEmpty());
  const QByteArray map = *settings.dataValue(QLatin1String(PanelState::kCardCategoriesKey));
  EXPECT_TRUE(map.contains(uuidString(pinned2.id).toUtf8()));
  EXPECT_FALSE(map.contains(uuidString(pinned.id).toUtf8()));
}

// With every mark naming a live item, a copy again drops the marks of the earlier copy alone
// (handing on what carries over) and leaves every other item's marks as they were.
TEST_F(AddItemTest, ACopyAgainDropsTheEarlierCopysMarksAndNoOthers) {
  const QUuid category = newUuid();
  const auto textsOf = [this](const auto& ids) {
    QStringList texts;
    for (const ClipboardItem& item : state.items())
      if (ids.contains(item.id)) texts.append(*item.plainText());
    texts.sort();
    return texts;
  };
  const auto idOf = [this](const char* text) {
    for (const ClipboardItem& item : state.items())
      if (*item.plainText() == QLatin1String(text)) return item.id;
    return QUuid();
  };
  for (const char* copied : {"plain", "pinned", "filed", "manual", "automatic"}) {
    SCOPED_TRACE(copied);
    state.clearAll();
    for (const char* text : {"plain", "pinned", "filed", "manual", "automatic"})
      state.addItem(test::textItem(QString::fromLatin1(text)));
    state.setPinnedIDs({idOf("pinned"), idOf("filed")});
    state.setCardCategories({{idOf("filed"), category}});
    state.markSensitive(idOf("manual"), false);
    state.markSensitive(idOf("automatic"), true);
    state.addItem(test::textItem(QStringLiteral("new")));  // every mark found live

    state.addItem(test::textItem(QString::fromLatin1(copied)));
    const bool automaticAgain = QLatin1String(copied) == QLatin1String("automatic");
    // Every mark names an item of the history; an automatic mark does not carry over.
    EXPECT_EQ(textsOf(state.pinnedIDs()), QStringList({"filed", "pinned"}));
    EXPECT_EQ(state.pinnedIDs().size(), 2);
    EXPECT_EQ(textsOf(state.cardCategories()), QStringList{"filed"});
    EXPECT_EQ(state.cardCategories().size(), 1);
    const QStringList sensitive = automaticAgain ? QStringList{"manual"} : QStringList({"automatic", "manual"});
    EXPECT_EQ(textsOf(state.sensitiveIDs()), sensitive);
    EXPECT_EQ(state.sensitiveIDs().size(), sensitive.size());
    EXPECT_EQ(storedIds(PanelState::kSensitiveIDsKey).size(), sensitive.size());
    EXPECT_EQ(textsOf(state.autoSensitiveIDs()), automaticAgain ? QStringList() : QStringList{"automatic"});
    EXPECT_EQ(state.autoSensitiveIDs().size(), automaticAgain ? 0 : 1);
  }
}

TEST_F(AddItemTest, BlurredCaptureOverAManualMarkEndsWithAnAutomaticMark) {
  const ClipboardItem old = test::textItem(QStringLiteral("secret"));
  state.addItem(old);
  state.markSensitive(old.id, false);
  const ClipboardItem blurred = test::textItem(QStringLiteral("secret"));
  state.addItem(blurred, true);
  state.markSensitive(blurred.id, true);  // what the new-item handler does next
  EXPECT_EQ(state.sensitiveIDs(), PanelState::IdSet({blurred.id}));
  EXPECT_EQ(state.autoSensitiveIDs(), PanelState::IdSet({blurred.id}));
}

TEST_F(AddItemTest, ClearAllEmptiesHistoryAndMarksButKeepsCategoriesAndGroups) {
  const ClipboardItem a = test::textItem(QStringLiteral("a"));
  const ClipboardItem b = test::textItem(QStringLiteral("b"));
  state.addItem(a);
  state.addItem(b);
  state.setCustomCategories({CustomCategory{newUuid(), QStringLiteral("Work"), 1}});
  state.setCardCategories({{a.id, state.customCategories()[0].id}});
  state.setPinnedIDs({b.id});
  state.markSensitive(a.id, true);
  state.setPeekedIDs({a.id});
  state.setPeekedAt({{a.id, h.now()}});
  state.setCollapsedGroups({QStringLiteral("Today")});
  state.setSelectedIndex(1);
  state.setPreviewItemID(a.id);
  state.setCardAnchors({{a.id, 10.0}});

  state.clearAll();
  EXPECT_TRUE(state.items().isEmpty());
  EXPECT_TRUE(state.pinnedIDs().isEmpty());
  EXPECT_TRUE(state.cardCategories().isEmpty());
  EXPECT_TRUE(state.sensitiveIDs().isEmpty());
  EXPECT_TRUE(state.autoSensitiveIDs().isEmpty());
  EXPECT_TRUE(state.peekedIDs().isEmpty());
  EXPECT_TRUE(state.peekedAt().isEmpty());
  EXPECT_TRUE(state.cardAnchors().isEmpty());
  EXPECT_EQ(state.selectedIndex(), std::nullopt);
  EXPECT_EQ(state.previewItemID(), std::nullopt);
  EXPECT_EQ(state.customCategories().size(), 1);
  EXPECT_EQ(state.collapsedGroups(), QSet<QString>{QStringLiteral("Today")});
  EXPECT_TRUE(state.isSavePending());
  EXPECT_TRUE(storedIds(PanelState::kPinnedIDsKey).isEmpty());
  EXPECT_TRUE(settings.hasStoredValue(QLatin1String(PanelState::kSensitiveIDsKey)));
}

TEST_F(AddItemTest, LinksOfWebSchemesAreFetchedUnlessTheCaptureIsBlurred) {
  state.addItem(test::linkItem(QStringLiteral("ftp://files.example/a")));
  state.addItem(test::linkItem(QStringLiteral("HTTPS://upper.example/page")));
  state.addItem(test::linkItem(QStringLiteral("https://secret.example/token?k=1")), true);
  h.fake.drain();
  QStringList requested;
  for (const QUrl& url : h.fake.http->requestedUrls()) requested.append(url.host());
  EXPECT_EQ(requested, QStringList{QStringLiteral("upper.example")});
}

// Encoding a large picture takes long: the capture hands it to the queues, which recognise its
// text from memory and write its file with the history.
TEST_F(AddItemTest, ImageIsRecognisedFromMemoryAndStoredByTheSave) {
  h.fake.ocrEngine->setLines({QStringLiteral("invoice 42")});
  const ClipboardItem image = test::imageItem(test::testImage());
  const QString picture = h.fake.context->imageStore->filePath(image.idString());
  SignalCounter revision(&state, &PanelState::imageTextRevisionChanged);
  state.addItem(image);
  EXPECT_FALSE(QFileInfo::exists(picture));  // not encoded on the main thread
  h.fake.drain();
  EXPECT_EQ(state.imageTextRevision(), 1);
  EXPECT_EQ(revision.count(), 1);
  EXPECT_EQ(h.fake.context->imageTextRecognizer->text(image.idString()), QStringLiteral("invoice 42"));
  h.fake.scheduler->advance(PanelState::kSaveDelaySeconds);
  h.fake.drain();
  EXPECT_TRUE(QFileInfo::exists(picture));
}

// The state's properties come in four kinds, each made by one macro: a value (also one kept in a
// part of the state) notifies only on a real change, a trigger on every raise, a hook on every
// assignment, and an unset hook does nothing.
TEST_F(AddItemTest, EachKindOfPropertyNotifiesByItsOwnRule) {
  SignalCounter query(&state, &PanelState::searchQueryChanged);
  state.setSearchQuery(QStringLiteral("abc"));
  state.setSearchQuery(QStringLiteral("abc"));
  EXPECT_EQ(query.count(), 1);

  SignalCounter pins(&state, &PanelState::pinnedIDsChanged);
  const QUuid id = newUuid();
  state.setPinnedIDs({id});
  state.setPinnedIDs({id});
  EXPECT_EQ(pins.count(), 1);

  SignalCounter shake(&state, &PanelState::shakeTokenChanged);
  state.raiseShakeToken();
  state.raiseShakeToken();
  state.setShakeToken(state.shakeToken());
  EXPECT_EQ(shake.count(), 2);

  state.clearAllAction()();  // unset: nothing happens
  SignalCounter hook(&state, &PanelState::clearAllActionChanged);
  int calls = 0;
  state.setClearAllAction([&calls] { ++calls; });
  state.setClearAllAction([&calls] { ++calls; });
  state.clearAllAction()();
  EXPECT_EQ(hook.count(), 2);
  EXPECT_EQ(calls, 1);
}

TEST_F(AddItemTest, EdgeSideIsReadOnceAtStart) {
  settings.set(QLatin1String(PanelState::kEdgeSideKey), QStringLiteral("both"));
  EXPECT_EQ(h.makeState()->edgeSide(), QStringLiteral("right"));
  settings.set(QLatin1String(PanelState::kEdgeSideKey), QStringLiteral("left"));
  EXPECT_EQ(h.makeState()->edgeSide(), QStringLiteral("left"));
  settings.remove(QLatin1String(PanelState::kEdgeSideKey));
  EXPECT_EQ(h.makeState()->edgeSide(), QStringLiteral("right"));
}

// ---- Retention ----------------------------------------------------------------------------

class RetentionTest : public AddItemTest {
 protected:
  ClipboardItem aged(double days, const QString& text) {
    return test::textItem(text, QStringLiteral("org.example.Editor"), h.now().addSecs(qint64(-days * 86400)));
  }
  // The virtual clock may sit a millisecond off the minute it was set to.
  static QString localMinute(const std::optional<QDateTime>& date) {
    return date ? date->toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm")) : QString();
  }
  QStringList texts() const {
    QStringList out;
    for (const ClipboardItem& item : state.items()) out.append(*item.plainText());
    return out;
  }
};

TEST_F(RetentionTest, DefaultWeekRemovesOlderUnprotectedItemsOnTheNextCapture) {
  state.setItems({aged(8, QStringLiteral("old")), aged(8, QStringLiteral("pinned")), aged(8, QStringLiteral("filed")),
                  aged(6, QStringLiteral("recent"))});
  state.setPinnedIDs({state.items()[1].id});
  state.setCardCategories({{state.items()[2].id, newUuid()}});
  state.addItem(test::textItem(QStringLiteral("new"), QStringLiteral("org.example.Editor"), h.now()));
  EXPECT_EQ(texts(), (QStringList{QStringLiteral("new"), QStringLiteral("pinned"), QStringLiteral("filed"),
                                  QStringLiteral("recent")}));
  // Unpinned, it goes at the next pass.
  state.setPinnedIDs({});
  EXPECT_TRUE(state.applyRetention());
  EXPECT_EQ(texts(), (QStringList{QStringLiteral("new"), QStringLiteral("filed"), QStringLiteral("recent")}));
  EXPECT_FALSE(state.applyRetention());
}

TEST_F(RetentionTest, SettingValues) {
  state.setItems(
      {aged(400, QStringLiteral("ancient")), aged(40, QStringLiteral("month")), aged(10, QStringLiteral("week"))});
  for (const char* value : {"forever", "2w", ""}) {
    settings.set(QLatin1String(PanelState::kHistoryRetentionKey), QLatin1String(value));
    EXPECT_EQ(state.retentionCutoff(), std::nullopt) << value;
    EXPECT_FALSE(state.applyRetention());
  }
  // Not a string: no choice of the user's, and no default may delete what it kept.
  settings.set(QLatin1String(PanelState::kHistoryRetentionKey), 7);
  EXPECT_FALSE(state.retentionCutoff().has_value());
  EXPECT_FALSE(state.applyRetention());
  settings.set(QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("1y"));
  EXPECT_TRUE(state.applyRetention());
  EXPECT_EQ(texts(), (QStringList{QStringLiteral("month"), QStringLiteral("week")}));
  settings.set(QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("1m"));
  EXPECT_TRUE(state.applyRetention());
  EXPECT_EQ(texts(), QStringList{QStringLiteral("week")});
  settings.set(QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("1w"));
  EXPECT_TRUE(state.applyRetention());
  EXPECT_TRUE(state.items().isEmpty());
}

TEST_F(RetentionTest, CalendarArithmeticAroundMonthEndsAndTheExactCutoff) {
  settings.set(QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("1m"));
  const QDateTime endOfMarch(QDate(2025, 3, 31), QTime(10, 30), Qt::LocalTime);
  h.fake.scheduler->setWallClock(endOfMarch);
  EXPECT_EQ(localMinute(state.retentionCutoff()), QStringLiteral("2025-02-28 10:30"));
  h.fake.scheduler->setWallClock(QDateTime(QDate(2024, 3, 31), QTime(10, 30), Qt::LocalTime));
  EXPECT_EQ(localMinute(state.retentionCutoff()), QStringLiteral("2024-02-29 10:30"));

  h.fake.scheduler->setWallClock(endOfMarch);
  const QDateTime cutoff = *state.retentionCutoff();
  const auto at = [](const QDateTime& date, const QString& text) {
    return test::textItem(text, QStringLiteral("org.example.Editor"), date.toUTC());
  };
  state.setItems({at(cutoff, QStringLiteral("exact")), at(cutoff.addMSecs(-1), QStringLiteral("before"))});
  EXPECT_TRUE(state.applyRetention());
  EXPECT_EQ(texts(), QStringList{QStringLiteral("exact")});

  settings.set(QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("1y"));
  h.fake.scheduler->setWallClock(QDateTime(QDate(2028, 2, 29), QTime(9, 0), Qt::LocalTime));
  EXPECT_EQ(localMinute(state.retentionCutoff()), QStringLiteral("2027-02-28 09:00"));
}

TEST_F(RetentionTest, RemovedItemsLoseTheirMarks) {
  const ClipboardItem old = aged(9, QStringLiteral("old"));
  state.setItems({old});
  state.markSensitive(old.id, true);
  state.setCardAnchors({{old.id, 1.0}});
  EXPECT_TRUE(state.applyRetention());
  EXPECT_TRUE(state.sensitiveIDs().isEmpty());
  EXPECT_TRUE(state.autoSensitiveIDs().isEmpty());
  EXPECT_TRUE(state.cardAnchors().isEmpty());
  EXPECT_TRUE(storedIds(PanelState::kSensitiveIDsKey).isEmpty());
}

// Captures after a pass that found nothing to do: what changes in between (time, the setting,
// a pin, anchors, marks of gone items) must still be acted on at the next capture.
TEST_F(RetentionTest, CapturesAfterAQuietPassStillSeeWhatChangedMeanwhile) {
  settings.set(QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("1m"));
  state.setItems({aged(10, QStringLiteral("ten days")), aged(40, QStringLiteral("pinned"))});
  state.setPinnedIDs({state.items()[1].id});
  state.addItem(test::textItem(QStringLiteral("a"), QStringLiteral("org.example.Editor"), h.now()));
  EXPECT_EQ(texts().size(), 3);

  // A shorter setting.
  settings.set(QLatin1String(PanelState::kHistoryRetentionKey), QStringLiteral("1w"));
  state.addItem(test::textItem(QStringLiteral("b"), QStringLiteral("org.example.Editor"), h.now()));
  EXPECT_EQ(texts(), (QStringList{QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("pinned")}));

  // Unpinning through the setter and time passing.
  state.setPinnedIDs({});
  h.fake.scheduler->advance(8 * 86400);
  state.addItem(test::textItem(QStringLiteral("c"), QStringLiteral("org.example.Editor"), h.now()));
  EXPECT_EQ(texts(), QStringList{QStringLiteral("c")});

  // Anchors and marks that name gone items are dropped by the next capture.
  const QUuid gone = newUuid();
  state.setCardAnchors({{gone, 1.0}, {state.items()[0].id, 2.0}});
  state.addItem(test::textItem(QStringLiteral("d"), QStringLiteral("org.example.Editor"), h.now()));
  EXPECT_EQ(state.cardAnchors().size(), 1);
  state.setPinnedIDs({gone});
  state.addItem(test::textItem(QStringLiteral("e"), QStringLiteral("org.example.Editor"), h.now()));
  EXPECT_TRUE(state.pinnedIDs().isEmpty());
  EXPECT_TRUE(storedIds(PanelState::kPinnedIDsKey).isEmpty());
}

// A history read at start has room before its first item: the first copies go in front of it in
// place, with no item moved, whether the file was read alone or with journal records replayed,
// and whether it was read whole or, long, in pieces on several threads.
TEST_F(AddItemTest, TheFirstCopiesAfterAStartMoveNoItem) {
  const struct {
    const char* name;
    int lines;
  } rows[] = {{"read whole", 300}, {"read in pieces", 20000}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    test::StateHarness harness;
    PanelState& first = *harness.state;
    QList<ClipboardItem> history;
    for (int i = 0; i < row.lines; ++i) history << test::textItem(QStringLiteral("line %1").arg(i));
    first.setItems(history);
    first.flushSave();
    if (row.lines > 300) {
      ASSERT_GT(QFileInfo(harness.historyPath()).size(), 2 << 20);  // pieces of 1 MB or more
    }
    for (const bool withJournal : {false, true}) {
      SCOPED_TRACE(withJournal ? "file and journal" : "file alone");
      if (withJournal) {
        first.addItem(test::textItem(QStringLiteral("in the journal")));
        harness.fake.scheduler->advance(PanelState::kSaveDelaySeconds);
        harness.runSaves();
        history.prepend(first.items().constFirst());
      }
      std::unique_ptr<PanelState> again = harness.relaunch();
      ASSERT_EQ(again->items(), history);
      const ClipboardItem* oldest = &again->items().constLast();
      for (int copy = 1; copy <= 5; ++copy) {
        const ClipboardItem* front = again->items().constData();
        again->addItem(test::textItem(QStringLiteral("copy %1").arg(copy)));
        EXPECT_EQ(again->items().constData(), front - 1) << "copy " << copy;
      }
      EXPECT_EQ(&again->items().constLast(), oldest);
    }
  }
}

}  // namespace
}  // namespace qv
