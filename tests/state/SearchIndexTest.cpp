#include "state/SearchIndex.h"
#include "support/StateTestSupport.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

// Which rows of the index hold the query, in history order.
QList<qsizetype> rowsMatching(SearchIndex& index, const QList<ClipboardItem>& items, const QString& query) {
  index.refresh(items);
  const SearchIndex::Query prepared(query);
  QList<qsizetype> rows;
  for (qsizetype i = 0; i < items.size(); ++i)
    if (index.matches(i, prepared)) rows.append(i);
  return rows;
}

struct MatchCase {
  const char* query;
  QList<qsizetype> rows;
};

TEST(SearchIndexTest, FindsTheQueryInEverySearchedFieldButNeverAcrossTwo) {
  const QList<ClipboardItem> items = {textItem(QStringLiteral("Hello World")),
                                      codeItem(QStringLiteral("let x = 1"), QStringLiteral("Swift")),
                                      linkItem(QStringLiteral("https://example.org/page")), colorItem(QStringLiteral("#FFAA00"))};
  const MatchCase cases[] = {
      {"hello", {0}},          {"o w", {0}},     {"swift", {1}},   {"x = 1", {1}}, {"example.org", {2}},
      {"#ffaa00", {3}},        {"1swift", {}},   {"e", {0, 1, 2}}, {"z", {}},      {"lo wo", {0}},
  };
  SearchIndex index({});
  for (const MatchCase& c : cases)
    EXPECT_EQ(rowsMatching(index, items, QString::fromUtf8(c.query)), c.rows) << c.query;
}

TEST(SearchIndexTest, ACopyAtTheFrontAddsOneRowAndTheRestStayInLine) {
  QList<ClipboardItem> items = {textItem(QStringLiteral("alpha")), textItem(QStringLiteral("beta"))};
  SearchIndex index({});
  index.refresh(items);
  items.prepend(textItem(QStringLiteral("gamma")));
  index.itemPrepended(items);
  EXPECT_EQ(rowsMatching(index, items, QStringLiteral("gamma")), QList<qsizetype>{0});
  EXPECT_EQ(rowsMatching(index, items, QStringLiteral("beta")), QList<qsizetype>{2});
  // A removed item and an edited text are picked up by the next refresh.
  items.removeAt(1);
  items[1].payload = TextPayload{QStringLiteral("delta")};
  index.markStale();
  EXPECT_EQ(rowsMatching(index, items, QStringLiteral("delta")), QList<qsizetype>{1});
  EXPECT_TRUE(rowsMatching(index, items, QStringLiteral("beta")).isEmpty());
}

TEST(SearchIndexTest, TextRecognisedLaterIsFoundAfterTheAwaitingRowsAreForgotten) {
  std::optional<QString> recognized;
  SearchIndex index([&](const QString&) { return recognized; });
  const QList<ClipboardItem> items = {imageItem(testImage())};
  EXPECT_TRUE(rowsMatching(index, items, QStringLiteral("invoice")).isEmpty());
  recognized = QStringLiteral("Invoice 42");
  EXPECT_TRUE(rowsMatching(index, items, QStringLiteral("invoice")).isEmpty());  // not asked again yet
  index.forgetAwaitingTexts();
  EXPECT_EQ(rowsMatching(index, items, QStringLiteral("invoice")), QList<qsizetype>{0});
}

TEST(SearchIndexTest, AQueryHoldingTheFieldSeparatorDoesNotUseTheIndex) {
  EXPECT_TRUE(SearchIndex::Query(QStringLiteral("abc")).usesIndex());
  EXPECT_FALSE(SearchIndex::Query(QStringLiteral("a") + QChar(0) + QStringLiteral("b")).usesIndex());
  EXPECT_FALSE(SearchIndex::Query(QString()).usesIndex());
}

}  // namespace
}  // namespace qv::test
