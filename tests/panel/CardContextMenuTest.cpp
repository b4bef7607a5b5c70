#include "cards/CardContentTestSupport.h"
#include "items/rules/AppRulesManager.h"
#include "panel/CardCellView.h"
#include "platform/fake/FakeMenuPresenter.h"
#include "state/PanelState.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <QContextMenuEvent>
#include <QGraphicsScene>

using namespace qv;
using namespace qv::test;

namespace {

QStringList titles(const std::vector<MenuRow>& rows) {
  QStringList result;
  for (const MenuRow& row : rows) result << (row.isSeparator ? QStringLiteral("-") : row.title);
  return result;
}

ClipboardItem withSource(ClipboardItem item, const QString& source) {
  item.sourceAppBundleID = source;
  return item;
}

ClipboardItem fileWithoutUrl() {
  ClipboardItem item = fileItem("/tmp/a.txt");
  std::get<FilePayload>(item.payload).edit().url.reset();
  return item;
}

ClipboardItem remoteFile() {
  ClipboardItem item = fileItem("/tmp/a.txt");
  std::get<FilePayload>(item.payload).edit().url = *parseStrictUrl(QStringLiteral("https://example.org/a.txt"));
  return item;
}

}  // namespace

TEST(CardContextMenu, RowsPerItemKind) {
  const QStringList tail = {"-", "Pin", "-", "Mark Sensitive"};
  const QStringList rules = {"Blur clips from App", "Ignore App"};
  const QStringList end = {"-", "Delete"};
  const QStringList pastes = {"Paste", "Paste as Plain Text", "Paste Transformed", "Copy"};
  const struct {
    const char* name;
    ClipboardItem item;
    QStringList rows;
  } cases[] = {
      {"text", textItem("hello"), pastes + QStringList{"Switch to App"} + tail + rules + end},
      {"image", imageItem(testImage()), QStringList{"Paste", "Copy", "Switch to App"} + tail + rules + end},
      {"link", linkItem("https://example.org"), pastes + QStringList{"Open URL"} + tail + rules + end},
      {"local file", fileItem("/tmp/a.txt"),
       pastes + QStringList{"Switch to App", "Show in Files"} + tail + rules + end},
      {"file without url", fileWithoutUrl(), pastes + QStringList{"Switch to App"} + tail + rules + end},
      {"remote file url", remoteFile(), pastes + QStringList{"Switch to App"} + tail + rules + end},
      {"nearby device", withSource(textItem("x"), kNearbyDeviceBundleID), pastes + tail + end},
      {"empty source", withSource(textItem("x"), ""), pastes + tail + end},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CardContextMenuInputs inputs{c.item, false, false, {}, std::nullopt, c.item.plainText().has_value(), "App"};
    EXPECT_EQ(titles(cardContextMenuRows(inputs, {})), c.rows);
  }
}

TEST(CardContextMenu, MarksCategoriesAndTransformSubmenu) {
  const CustomCategory work{QUuid::createUuid(), "Work", 1};
  const CustomCategory home{QUuid::createUuid(), "Home", 9};
  CardContextMenuInputs inputs{textItem("x"), true, true, {work, home}, home, true, "App"};
  const std::vector<MenuRow> rows = cardContextMenuRows(inputs, {});
  EXPECT_EQ(titles(rows).mid(5, 6),
            (QStringList{"-", "Unpin", "Move to Category", "-", "Unmark Sensitive", "Blur clips from App"}));
  EXPECT_EQ(rows[6].symbol, "pin.slash");
  EXPECT_EQ(rows[9].symbol, "eye");
  const std::vector<MenuRow>& categories = rows[7].submenu;
  EXPECT_EQ(titles(categories), (QStringList{"None", "-", "Work", "Home"}));
  EXPECT_EQ(categories[2].dotColor, categories[3].dotColor);  // index 9 wraps onto 1
  EXPECT_FALSE(categories[2].isChecked);
  EXPECT_TRUE(categories[3].isChecked);
  EXPECT_EQ(titles(rows[2].submenu),
            (QStringList{"Trim Whitespace", "Collapse Spaces", "Join Lines", "-", "lowercase", "UPPERCASE",
                         "Title Case", "Sentence case", "-", "URL Encode", "URL Decode"}));
  inputs.currentCategory.reset();
  EXPECT_EQ(titles(cardContextMenuRows(inputs, {})[7].submenu), (QStringList{"Work", "Home"}));
}

// The menu opened from a card: each chosen row runs exactly one action, after the menu closed.
TEST(CardContextMenu, ChosenRowRunsOnceAfterTheMenuClosed) {
  FakeCardContext fake;
  PanelState state(*fake.context);
  const ClipboardItem file = fileItem("/tmp/report.txt", "org.example.Files");
  state.setItems({file});
  int transformed = 0;
  state.setPasteTransformedAction([&](const ClipboardItem&, TextTransform transform) {
    EXPECT_EQ(transform, TextTransform::titleCase);
    ++transformed;
  });
  CardTapMemory taps;
  CardCellView cell(*fake.context, state, taps);
  cell.setItem(file, 0);
  EXPECT_FALSE(cell.openContextMenu({10, 10}, {0, 0}, false));  // outside the list's viewport
  EXPECT_FALSE(cell.openContextMenu({300, 10}, {0, 0}));        // beside the card
  EXPECT_EQ(fake.menuPresenter->popUps(), 0);

  const struct {
    const char* row;
    std::function<bool()> done;
  } rows[] = {
      {"Pin", [&] { return state.pinnedIDs().contains(file.id); }},
      {"Copy", [&] { return state.copiedItemID() == file.id; }},
      {"Title Case", [&] { return transformed == 1; }},
      {"Show in Files", [&] { return fake.workspace->revealedFiles == QStringList{"/tmp/report.txt"}; }},
      {"Switch to Files", [&] { return fake.workspace->switchedToApplications == QStringList{"org.example.Files"}; }},
      {"Ignore Files", [&] { return fake.context->appRules->rule(file.sourceAppBundleID) == AppRule::never; }},
      {"Delete", [&] { return state.items().isEmpty(); }},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.row);
    ASSERT_TRUE(cell.openContextMenu({10, 10}, {40, 50}));
    EXPECT_EQ(fake.menuPresenter->lastPosition, QPoint(40, 50));
    ASSERT_TRUE(fake.menuPresenter->choose(r.row));
    EXPECT_FALSE(r.done());
    fake.drain();
    EXPECT_TRUE(r.done());
  }
  EXPECT_EQ(transformed, 1);
  EXPECT_EQ(fake.workspace->revealedFiles.size(), 1);
}

// A rule already in force for the card's application is offered as its undoing, like the pin and
// sensitive rows: each opening of the menu shows what choosing a row would change.
TEST(CardContextMenu, TheRuleRowsOfferWhatWouldChange) {
  FakeCardContext fake;
  PanelState state(*fake.context);
  const ClipboardItem file = fileItem("/tmp/report.txt", "org.example.Files");
  state.setItems({file});
  CardTapMemory taps;
  CardCellView cell(*fake.context, state, taps);
  cell.setItem(file, 0);
  const struct {
    const char* choose;
    AppRule after;
    QStringList offered;  // the rule rows of the next opening
  } steps[] = {
      {"Blur clips from Files", AppRule::blur, {"Stop Blurring clips from Files", "Ignore Files"}},
      {"Stop Blurring clips from Files", AppRule::normal, {"Blur clips from Files", "Ignore Files"}},
      {"Ignore Files", AppRule::never, {"Blur clips from Files", "Stop Ignoring Files"}},
      {"Stop Ignoring Files", AppRule::normal, {"Blur clips from Files", "Ignore Files"}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.choose);
    ASSERT_TRUE(cell.openContextMenu({10, 10}, {40, 50}));
    ASSERT_TRUE(fake.menuPresenter->choose(step.choose));
    fake.drain();
    EXPECT_EQ(fake.context->appRules->rule(file.sourceAppBundleID), step.after);
    ASSERT_TRUE(cell.openContextMenu({10, 10}, {40, 50}));
    const QStringList rows = FakeMenuPresenter::titles(fake.menuPresenter->lastMenu());
    const qsizetype sensitive = rows.indexOf("Mark Sensitive");
    ASSERT_GE(sensitive, 0);
    EXPECT_EQ(rows.mid(sensitive + 1, 2), step.offered);
  }
}

TEST(CardContextMenu, RightClickInTheListViewOpensTheMenuOfTheCardUnderThePointer) {
  FakeCardContext fake;
  PanelState state(*fake.context);
  const ClipboardItem item = textItem("x");
  state.setItems({item});
  QGraphicsScene scene;
  PaintedItemView view(&scene);
  view.resize(300, 300);
  view.setSceneRect(0, 0, 300, 300);
  CardTapMemory taps;
  auto* cell = new CardCellView(*fake.context, state, taps);
  cell->setItem(item, 0);
  scene.addItem(cell);
  const auto rightClick = [&](QPoint at) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(view.viewport(), &event);
  };
  rightClick({290, 290});  // beside the card
  EXPECT_EQ(fake.menuPresenter->popUps(), 0);
  rightClick({100, 100});
  EXPECT_EQ(fake.menuPresenter->popUps(), 1);
  EXPECT_EQ(fake.menuPresenter->lastPosition, view.viewport()->mapToGlobal(QPoint(100, 100)));
  EXPECT_EQ(FakeMenuPresenter::titles(fake.menuPresenter->lastMenu()).first(), "Paste");
}

// "Open URL" opens web and mail links at once and asks before any other scheme; the answer
// decides, and the link opened is the one of the card whose menu it was.
TEST(CardContextMenu, OpenUrlAsksBeforeALinkThatIsNoWebPage) {
  const struct {
    const char* url;
    bool asks;
    int answer;
    bool opens;
  } cases[] = {
      {"https://example.org/a", false, -1, true},  {"mailto:anna@example.org", false, -1, true},
      {"file:///home/anna/run.sh", true, 0, true}, {"ssh://build.example.org", true, 1, false},
      {"myapp://open?id=4", true, -1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    FakeCardContext fake;
    PanelState state(*fake.context);
    const ClipboardItem other = linkItem("https://example.com/other");
    const ClipboardItem link = linkItem(QString::fromLatin1(c.url));
    state.setItems({other, link});
    fake.alerts->answer = c.answer;
    CardTapMemory taps;
    CardCellView cell(*fake.context, state, taps);
    cell.setItem(other, 0);
    cell.setItem(link, 1);
    ASSERT_TRUE(cell.openContextMenu({10, 10}, {40, 50}));
    ASSERT_TRUE(fake.menuPresenter->choose("Open URL"));
    fake.drain();
    ASSERT_EQ(fake.alerts->shown.size(), c.asks ? 1 : 0);
    if (c.asks) {
      EXPECT_TRUE(fake.alerts->shown.first().message.contains(QString::fromLatin1(c.url)));
    }
    EXPECT_EQ(fake.workspace->openedUrls, c.opens ? QList<QUrl>{QUrl(QString::fromLatin1(c.url))} : QList<QUrl>{});
  }
}
