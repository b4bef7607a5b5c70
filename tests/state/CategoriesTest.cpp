#include "base/Uuid.h"
#include "platform/Paths.h"
#include "support/CapturedLog.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QJsonDocument>
#include <QJsonObject>
#include <limits>

namespace qv {
namespace {

using test::SignalCounter;

const QLatin1String kCategoriesKey(PanelState::kCustomCategoriesKey);
const QLatin1String kAssignmentsKey(PanelState::kCardCategoriesKey);
const QLatin1String kSeedKey(PanelState::kDidSeedCategoriesKey);

class CategoriesTest : public ::testing::Test {
 protected:
  test::StateHarness h;
  SettingsStore& settings = *h.fake.context->settings;
  PanelState& state() { return *h.state; }

  // A new launch over the same user defaults.
  PanelState& relaunch() {
    h.state = h.makeState();
    h.state->loadCategories();
    return *h.state;
  }

  // The stored assignments, decoded as the state reads them.
  PanelState::IdMap storedAssignments() {
    PanelState reader(*h.fake.context);
    reader.loadCategories();
    return reader.cardCategories();
  }

  QStringList setAsideKeys(const QString& key) const {
    QStringList keys;
    const QJsonDocument file = QJsonDocument::fromJson(readFile(settings.filePath()));
    for (const QString& stored : file.object().keys())
      if (stored.startsWith(key + QStringLiteral(".unreadable-"))) keys.append(stored);
    return keys;
  }
};

TEST_F(CategoriesTest, SeedsSnippetsOnceEver) {
  h.state->loadHistory();
  ASSERT_EQ(state().customCategories().size(), 1);
  EXPECT_EQ(state().customCategories()[0].name, QStringLiteral("Snippets"));
  EXPECT_EQ(state().customCategories()[0].colorIndex, 2);
  EXPECT_EQ(settings.boolValue(kSeedKey), true);

  state().deleteCategory(state().customCategories()[0].id);
  EXPECT_TRUE(relaunch().customCategories().isEmpty());
}

TEST_F(CategoriesTest, SeedFlagIsSetButNothingAddedWhenCategoriesExist) {
  const CustomCategory work{newUuid(), QStringLiteral("Work"), 4};
  settings.setData(kCategoriesKey, encodeCategories({work}));
  state().loadCategories();
  EXPECT_EQ(state().customCategories(), QList<CustomCategory>{work});
  EXPECT_EQ(settings.boolValue(kSeedKey), true);
}

TEST_F(CategoriesTest, CreateRenameRecolourAreStoredAtOnce) {
  state().loadCategories();
  const CustomCategory a = state().addCategory(QStringLiteral("Same"), 3);
  const CustomCategory b = state().addCategory(QStringLiteral("Same"), 3);
  EXPECT_NE(a.id, b.id);
  EXPECT_EQ(state().customCategories().size(), 3);  // after the seed, in creation order
  EXPECT_EQ(state().customCategories().back().id, b.id);

  EXPECT_TRUE(state().renameCategory(a.id, QStringLiteral("  \tCode\n ")));
  EXPECT_FALSE(state().renameCategory(a.id, QStringLiteral(" \n\t")));
  EXPECT_FALSE(state().renameCategory(newUuid(), QStringLiteral("Ghost")));
  EXPECT_TRUE(state().setCategoryColor(a.id, 7));
  EXPECT_FALSE(state().setCategoryColor(a.id, 8));
  EXPECT_FALSE(state().setCategoryColor(a.id, -1));
  EXPECT_FALSE(state().setCategoryColor(newUuid(), 1));

  PanelState& again = relaunch();
  ASSERT_EQ(again.customCategories().size(), 3);
  EXPECT_EQ(again.customCategories()[1].name, QStringLiteral("Code"));
  EXPECT_EQ(again.customCategories()[1].colorIndex, 7);
  EXPECT_EQ(again.customCategories()[2].name, QStringLiteral("Same"));
}

TEST_F(CategoriesTest, DeleteRemovesOnlyItsAssignmentsAndResetsItsTab) {
  const CustomCategory keep = state().addCategory(QStringLiteral("Keep"), 0);
  const CustomCategory gone = state().addCategory(QStringLiteral("Gone"), 1);
  const ClipboardItem a = test::textItem(QStringLiteral("a"));
  const ClipboardItem b = test::textItem(QStringLiteral("b"));
  state().addItem(a);
  state().addItem(b);
  state().setCategory(gone.id, a.id);
  state().setCategory(keep.id, b.id);
  state().setActiveFilter(FilterType::custom(gone.id));

  state().deleteCategory(gone.id);
  EXPECT_EQ(state().customCategories(), QList<CustomCategory>{keep});
  EXPECT_EQ(state().cardCategories(), (PanelState::IdMap{{b.id, keep.id}}));
  EXPECT_EQ(state().activeFilter(), FilterType::all());
  EXPECT_EQ(state().items().size(), 2);
  EXPECT_EQ(storedAssignments(), (PanelState::IdMap{{b.id, keep.id}}));

  // Another category's tab stays; an unknown id changes nothing but still saves.
  state().setActiveFilter(FilterType::custom(keep.id));
  state().deleteCategory(newUuid());
  EXPECT_EQ(state().activeFilter(), FilterType::custom(keep.id));
  EXPECT_EQ(state().customCategories().size(), 1);
}

TEST_F(CategoriesTest, AssignReplaceClearAndLookUp) {
  const CustomCategory first = state().addCategory(QStringLiteral("First"), 0);
  const CustomCategory second = state().addCategory(QStringLiteral("Second"), 5);
  const ClipboardItem item = test::textItem(QStringLiteral("x"));
  state().addItem(item);
  EXPECT_EQ(state().categoryForItem(item), std::nullopt);

  SignalCounter changes(h.state.get(), &PanelState::cardCategoriesChanged);
  state().setCategory(first.id, item.id);
  state().setCategory(second.id, item.id);
  state().setCategory(second.id, item.id);  // same value: no notification
  EXPECT_EQ(changes.count(), 2);
  EXPECT_EQ(state().categoryForItem(item.id), second);
  EXPECT_EQ(storedAssignments(), (PanelState::IdMap{{item.id, second.id}}));

  // An assignment to a category that does not exist answers none.
  const QUuid missing = newUuid();
  state().setCategory(missing, item.id);
  EXPECT_EQ(state().cardCategories().value(item.id), missing);
  EXPECT_EQ(state().categoryForItem(item.id), std::nullopt);

  state().setCategory(std::nullopt, item.id);
  EXPECT_TRUE(state().cardCategories().isEmpty());
  EXPECT_TRUE(storedAssignments().isEmpty());
}

TEST_F(CategoriesTest, PickedColourShowsWhileEditingOnly) {
  const CustomCategory edited = state().addCategory(QStringLiteral("Edited"), 1);
  const CustomCategory other = state().addCategory(QStringLiteral("Other"), 9);
  EXPECT_EQ(state().colorForCategory(other), categoryPalette()[1]);  // index 9 draws colour 1

  state().openCategoryForm(edited.id, FilterSurface::panel);
  state().setCategoryFormOpen(true);
  state().setEditingCategoryFormID(edited.id);
  EXPECT_EQ(state().colorForCategory(edited), categoryPalette()[1]);  // nothing picked yet
  state().setPreviewCategoryColorIndex(6);
  EXPECT_EQ(state().colorForCategory(edited), categoryPalette()[6]);
  EXPECT_EQ(state().colorForCategory(other), categoryPalette()[1]);

  state().closeCategoryForm();
  EXPECT_EQ(state().colorForCategory(edited), categoryPalette()[1]);
}

TEST_F(CategoriesTest, StoredColourIndexOutsideThePaletteWrapsIntoIt) {
  settings.setData(kCategoriesKey, QStringLiteral("[{\"id\":\"%1\",\"name\":\"Neg\",\"colorIndex\":-1},"
                                                  "{\"id\":\"%2\",\"name\":\"Big\",\"colorIndex\":1000000000003},"
                                                  "{\"id\":\"%3\",\"name\":\"Nine\",\"colorIndex\":9}]")
                                       .arg(newUuidString(), newUuidString(), newUuidString())
                                       .toUtf8());
  state().loadCategories();
  ASSERT_EQ(state().customCategories().size(), 3);
  EXPECT_EQ(state().customCategories()[0].colorIndex, 7);
  EXPECT_EQ(state().customCategories()[1].colorIndex, 3);
  EXPECT_EQ(state().customCategories()[2].colorIndex, 1);
  EXPECT_EQ(state().colorForCategory(state().customCategories()[0]), categoryPalette()[7]);

  // A picked index from anywhere still draws a palette colour.
  state().setEditingCategoryFormID(state().customCategories()[0].id);
  state().setPreviewCategoryColorIndex(std::numeric_limits<int>::min());
  EXPECT_EQ(state().colorForCategory(state().customCategories()[0]), categoryPalette()[0]);
  EXPECT_EQ(categoryPaletteColor(-9), categoryPalette()[7]);
}

TEST_F(CategoriesTest, UnreadableCategoryListIsSetAsideNotOverwritten) {
  const QByteArray garbage("[{\"id\":\"not a uuid\",\"name\":\"Lost?\",\"colorIndex\":1}]");
  settings.setData(kCategoriesKey, garbage);
  settings.set(kSeedKey, true);
  test::CapturedLog log;
  state().loadCategories();

  EXPECT_TRUE(state().customCategories().isEmpty());
  const QStringList aside = setAsideKeys(kCategoriesKey);
  ASSERT_EQ(aside.size(), 1);
  EXPECT_EQ(settings.dataValue(aside[0]), garbage);
  EXPECT_FALSE(settings.hasStoredValue(kCategoriesKey));
  EXPECT_TRUE(log.texts(QStringLiteral("com.tarnwick.quorvalen.state")).join(u'\n').contains(aside[0]));

  // New work is stored; the set-aside copy stays, also when the next launch sets more aside.
  state().addCategory(QStringLiteral("New"), 0);
  settings.set(kAssignmentsKey, QStringLiteral("not data"));
  settings.set(kCategoriesKey, 42);
  PanelState& again = relaunch();
  EXPECT_TRUE(again.customCategories().isEmpty());
  ASSERT_EQ(setAsideKeys(kCategoriesKey).size(), 2);
  EXPECT_EQ(settings.dataValue(aside[0]), garbage);
  EXPECT_EQ(setAsideKeys(kAssignmentsKey).size(), 1);
}

TEST_F(CategoriesTest, UnreadableAssignmentMapIsSetAsideButBadPairsAreDropped) {
  const QString category = newUuidString();
  const QString item = newUuidString();
  const QByteArray notStrings = QStringLiteral("{\"%1\":5}").arg(item).toUtf8();
  settings.setData(kAssignmentsKey, notStrings);
  state().loadCategories();
  EXPECT_TRUE(state().cardCategories().isEmpty());
  ASSERT_EQ(setAsideKeys(kAssignmentsKey).size(), 1);
  EXPECT_EQ(settings.dataValue(setAsideKeys(kAssignmentsKey)[0]), notStrings);

  // A readable map keeps its good pairs; a pair that names no UUID goes quietly.
  settings.setData(kAssignmentsKey, QStringLiteral("{\"%1\":\"%2\",\"clip-7\":\"%2\",\"%3\":\"nope\"}")
                                        .arg(item, category, newUuidString())
                                        .toUtf8());
  PanelState& again = relaunch();
  EXPECT_EQ(again.cardCategories(), (PanelState::IdMap{{*parseUuid(item), *parseUuid(category)}}));
  EXPECT_EQ(setAsideKeys(kAssignmentsKey).size(), 1);
}

// One category or assignment that does not read costs only itself, whether it is a bad record,
// junk after the list or a cut: the others stay, and so do the items filed in them. The stored
// value as it was is kept aside.
TEST_F(CategoriesTest, AnUnreadableEntryCostsOnlyItself) {
  const CustomCategory work{newUuid(), QStringLiteral("Work"), 1}, home{newUuid(), QStringLiteral("Home"), 5};
  const QByteArray a = QJsonDocument(work.toJson()).toJson(QJsonDocument::Compact);
  const QByteArray b = QJsonDocument(home.toJson()).toJson(QJsonDocument::Compact);
  const QString item1 = newUuidString(), item2 = newUuidString(), item3 = newUuidString();
  const QString pairs =
      QStringLiteral("\"%1\":\"%2\",\"%3\":\"%4\"").arg(item1, uuidString(work.id), item2, uuidString(home.id));
  const struct {
    const char* what;
    QByteArray categories;
    QByteArray assignments;
  } cases[] = {
      {"a bad record", "[" + a + ",{\"id\":\"x\",\"name\":7}," + b + "]",
       ("{" + pairs + ",\"" + item3 + "\":5}").toUtf8()},
      {"junk after the list", "[" + a + "," + b + "]\x01garbage", ("{" + pairs + "}\x01garbage").toUtf8()},
      {"junk in the middle", "[" + a + ",\x01\x02##," + b + "]",
       ("{" + pairs + ",##\x01\"" + item3 + "\":\"").toUtf8()},
      {"a cut", "[" + a + "," + b + ",{\"id\":\"" + newUuidString().toUtf8() + "\",\"na",
       ("{" + pairs + ",\"" + item3 + "\":\"" + newUuidString().left(10) + "").toUtf8()},
  };
  const std::shared_ptr<SettingsStore> original = h.fake.context->settings;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    h.fake.context->settings = std::make_shared<SettingsStore>(
        h.fake.root->path() + QStringLiteral("/") + QString::fromLatin1(c.what) + QStringLiteral(".json"),
        *h.fake.scheduler);
    SettingsStore& store = *h.fake.context->settings;
    store.set(kSeedKey, true);
    store.setData(kCategoriesKey, c.categories);
    store.setData(kAssignmentsKey, c.assignments);
    PanelState loaded(*h.fake.context);
    loaded.loadCategories();
    EXPECT_EQ(loaded.customCategories(), (QList<CustomCategory>{work, home}));
    EXPECT_EQ(loaded.categoryForItem(*parseUuid(item1)), work);
    EXPECT_EQ(loaded.categoryForItem(*parseUuid(item2)), home);
    EXPECT_TRUE(store.lostStoredValues());
    // Kept aside as it was, and what did read is stored again.
    const QJsonObject file = QJsonDocument::fromJson(readFile(store.filePath())).object();
    QStringList asideCategories, asideAssignments;
    for (const QString& key : file.keys()) {
      if (key.startsWith(kCategoriesKey + QStringLiteral(".unreadable-"))) asideCategories.append(key);
      if (key.startsWith(kAssignmentsKey + QStringLiteral(".unreadable-"))) asideAssignments.append(key);
    }
    ASSERT_EQ(asideCategories.size(), 1);
    ASSERT_EQ(asideAssignments.size(), 1);
    EXPECT_EQ(store.dataValue(asideCategories[0]), c.categories);
    EXPECT_EQ(store.dataValue(asideAssignments[0]), c.assignments);
    PanelState again(*h.fake.context);
    again.loadCategories();
    EXPECT_EQ(again.customCategories(), loaded.customCategories());
    EXPECT_EQ(again.cardCategories(), loaded.cardCategories());
  }
  h.fake.context->settings = original;
}

// A damaged map gives back every pair a whole one would: ids in each form they are read in.
TEST_F(CategoriesTest, ADamagedAssignmentMapKeepsIdsInEveryForm) {
  const QUuid item = newUuid(), category = newUuid();
  const QString dashed = uuidString(item), bare = QString(uuidString(item)).remove(u'-');
  const QString categoryDashed = uuidString(category);
  const struct {
    const char* form;
    QString item, category;
  } rows[] = {
      {"dashed", dashed, categoryDashed},
      {"braced", u'{' + dashed + u'}', u'{' + categoryDashed.toLower() + u'}'},
      {"without dashes", bare.toLower(), QString(categoryDashed).remove(u'-')},
      {"as a URN", QStringLiteral("urn:uuid:") + dashed.toLower(), QStringLiteral("URN:UUID:") + categoryDashed},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.form);
    const QByteArray whole = QStringLiteral("{\"%1\": \"%2\"}").arg(row.item, row.category).toUtf8();
    settings.setData(kAssignmentsKey, whole);
    EXPECT_EQ(storedAssignments(), (PanelState::IdMap{{item, category}})) << "read whole";
    settings.setData(kAssignmentsKey, whole.chopped(1) + ",\x01junk");
    EXPECT_EQ(storedAssignments(), (PanelState::IdMap{{item, category}})) << "read from a damaged map";
  }
}

TEST_F(CategoriesTest, FormRequestsReachTheNamedSurface) {
  const CustomCategory category = state().addCategory(QStringLiteral("Edit me"), 2);
  state().setPreviewItemID(newUuid());
  SignalCounter tokens(h.state.get(), &PanelState::categoryFormTokenChanged);

  state().requestNewCategoryForm(FilterSurface::panel);
  EXPECT_TRUE(state().pendingNewCategoryRequest());
  EXPECT_TRUE(state().categoryFormOpenedExternally());
  EXPECT_EQ(state().pendingEditCategoryID(), std::nullopt);
  EXPECT_EQ(state().pendingCategoryFormSurface(), FilterSurface::panel);
  EXPECT_TRUE(state().showFilterPanel());
  EXPECT_EQ(state().previewItemID(), std::nullopt);

  state().requestNewCategoryForm(FilterSurface::panel);  // repeated: still seen
  EXPECT_EQ(tokens.count(), 2);

  // The panel's form takes the request; closing takes the panel down with it.
  state().setCategoryFormOpen(true);
  state().closeCategoryForm();
  EXPECT_FALSE(state().showFilterPanel());
  EXPECT_FALSE(state().categoryFormOpenedExternally());
  EXPECT_FALSE(state().pendingNewCategoryRequest());
  EXPECT_FALSE(state().categoryFormOpen());

  state().openCategoryForm(category.id, FilterSurface::library);
  EXPECT_EQ(state().pendingEditCategoryID(), category.id);
  EXPECT_EQ(state().pendingCategoryFormSurface(), FilterSurface::library);
  EXPECT_FALSE(state().showFilterPanel());
  EXPECT_EQ(tokens.count(), 3);
  state().setLibraryFilterSurfaceOpen(true);
  state().setPreviewCategoryColorIndex(4);
  state().closeCategoryForm();
  EXPECT_FALSE(state().libraryFilterSurfaceOpen());
  EXPECT_EQ(state().pendingEditCategoryID(), std::nullopt);
  EXPECT_EQ(state().previewCategoryColorIndex(), std::nullopt);

  // A form the filter panel opened itself leaves the panel open when it closes.
  state().setShowFilterPanel(true);
  state().setCategoryFormOpen(true);
  state().closeCategoryForm();
  EXPECT_TRUE(state().showFilterPanel());
  EXPECT_FALSE(state().categoryFormOpen());
}

}  // namespace
}  // namespace qv
