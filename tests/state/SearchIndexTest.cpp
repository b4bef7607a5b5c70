#include "state/SearchIndex.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace qv {
namespace {

struct MatchCase {
  const char* name;
  QString text;   // a text item's text, or a code item's source when `language` is set
  QString query;  // as typed; lower-cased like the search field's
  bool found;
  QString language = {};
};

ClipboardItem itemOf(const MatchCase& c) {
  return c.language.isEmpty() ? test::textItem(c.text) : test::codeItem(c.text, c.language);
}

bool indexFinds(SearchIndex& index, const QList<ClipboardItem>& items, qsizetype row, const QString& query) {
  index.refresh(items);
  return index.matches(row, SearchIndex::Query(query.toLower()));
}

// Texts kept a byte per character and texts kept in UTF-16, with queries of either kind: the
// index answers as each item's own search does.
TEST(SearchIndexTest, MatchesLikeTheItemsOwnSearch) {
  const MatchCase cases[] = {
      {"ascii capitals", QStringLiteral("Printed AGENDA for Monday"), QStringLiteral("agenda for m"), true},
      {"ascii absent", QStringLiteral("Printed agenda"), QStringLiteral("agendas"), false},
      {"latin-1 capitals", QStringLiteral("CAFÉ CRÈME"), QStringLiteral("Café crème"), true},
      {"accent is not its letter", QStringLiteral("café"), QStringLiteral("cafe"), false},
      {"letter is not its accent", QStringLiteral("cafe"), QStringLiteral("café"), false},
      {"sharp s", QStringLiteral("Straße"), QStringLiteral("STRASSE"), false},
      {"sharp s kept", QStringLiteral("Straße 5"), QStringLiteral("straße"), true},
      {"capital sharp s lowers into latin-1", QStringLiteral("GROẞ"), QStringLiteral("groß"), true},
      {"kelvin sign lowers to k", QStringLiteral("300 \u212A"), QStringLiteral("300 k"), true},
      {"dotted capital i", QStringLiteral("İSTANBUL"), QStringLiteral("i̇stanbul"), true},
      {"dotted capital i is not i", QStringLiteral("İSTANBUL"), QStringLiteral("istanbul"), false},
      {"micro sign is not mu", QStringLiteral("5 µm"), QStringLiteral("μm"), false},
      {"cjk", QStringLiteral("東京の会議 at 10"), QStringLiteral("会議 AT"), true},
      {"cjk query, ascii text", QStringLiteral("meeting"), QStringLiteral("会議"), false},
      {"ascii query, cjk text", QStringLiteral("会議 Meeting"), QStringLiteral("meeting"), true},
      {"latin-1 query, utf-16 text", QStringLiteral("Café 東京"), QStringLiteral("CAFÉ"), true},
      {"latin-1 query absent from utf-16 text", QStringLiteral("Cafe 東京"), QStringLiteral("café"), false},
      {"emoji", QStringLiteral("ship it 🚀 now"), QStringLiteral("🚀 n"), true},
      {"whole text", QStringLiteral("Hello"), QStringLiteral("hello"), true},
      {"longer than the text", QStringLiteral("Hello"), QStringLiteral("hello!"), false},
      {"repeats", QStringLiteral("aaaaaaaaab"), QStringLiteral("aaab"), true},
      {"long query", QStringLiteral("The quick brown fox jumps over the lazy dog and runs away"),
       QStringLiteral("quick brown fox jumps over the lazy dog and"), true},
      {"long query, one letter off", QStringLiteral("The quick brown fox jumps over the lazy dog and runs away"),
       QStringLiteral("quick brown fox jumps over the lazy dog anD x"), false},
      {"capitals at both ends", QStringLiteral("ABC def GHI"), QStringLiteral("c def g"), true},
      {"only a letter has a capital", QStringLiteral("x@Y [Tag]"), QStringLiteral("`y"), false},
      {"brackets are not braces", QStringLiteral("[Tag]"), QStringLiteral("{tag}"), false},
      {"first letter in both cases", QStringLiteral("tT tx Tt TX"), QStringLiteral("tx"), true},
      {"query at the very end", QStringLiteral("abc XYZ"), QStringLiteral("xyz"), true},
      {"a non-ascii query in an ascii text", QStringLiteral("Cafe au lait"), QStringLiteral("cafè"), false},
      {"either field", QStringLiteral("print(1)"), QStringLiteral("python"), true, QStringLiteral("Python")},
      {"not across fields", QStringLiteral("print(1)"), QStringLiteral("1)python"), false, QStringLiteral("Python")},
      {"not across fields, utf-16", QStringLiteral("x = '東'"), QStringLiteral("'python"), false,
       QStringLiteral("Python")},
  };
  QList<ClipboardItem> items;
  for (const MatchCase& c : cases) items.append(itemOf(c));
  SearchIndex index({});
  for (qsizetype row = 0; row < items.size(); ++row) {
    const MatchCase& c = cases[row];
    SCOPED_TRACE(c.name);
    EXPECT_EQ(indexFinds(index, items, row, c.query), c.found);
    EXPECT_EQ(items[row].matchesLowercased(c.query.toLower()), c.found);
  }
}

// A query holding the field separator is left to the items' own search.
TEST(SearchIndexTest, QueryWithTheSeparatorDoesNotUseTheIndex) {
  EXPECT_FALSE(SearchIndex::Query(QStringLiteral("a") + QChar(0) + QStringLiteral("b")).usesIndex());
  EXPECT_TRUE(SearchIndex::Query(QStringLiteral("a b")).usesIndex());
}

// Texts that fill their block of memory to the last byte, one far larger than a block, and
// queries at their very ends: a text never runs into the next one.
TEST(SearchIndexTest, TextsAtTheEndsOfTheirMemory) {
  QList<ClipboardItem> items;
  for (int i = 0; i < 12; ++i) {
    const qsizetype length = i % 2 ? 4096 : 4095;  // the blocks are powers of two long
    items.append(test::textItem(QString(length - 2, QLatin1Char('x')) + QStringLiteral("Y") + QChar(u'a' + i)));
  }
  items.append(test::textItem(QString(300'000, QChar(u'é')) + QStringLiteral("END")));
  items.append(test::textItem(QStringLiteral("bz")));
  SearchIndex index({});
  for (int i = 0; i < 12; ++i) {
    EXPECT_TRUE(indexFinds(index, items, i, QStringLiteral("y") + QChar(u'a' + i))) << i;
    EXPECT_FALSE(indexFinds(index, items, i, QStringLiteral("y") + QChar(u'a' + i) + QStringLiteral("x"))) << i;
  }
  EXPECT_TRUE(indexFinds(index, items, 12, QStringLiteral("éend")));
  EXPECT_FALSE(indexFinds(index, items, 12, QStringLiteral("endb")));
  EXPECT_TRUE(indexFinds(index, items, 13, QStringLiteral("bz")));
}

// An edited item keeps its id but not its text; most of a history dropped makes the index copy
// the rest into fresh memory; a copy put at the front after that is found too.
TEST(SearchIndexTest, EditsRemovalsAndCopiesStayFound) {
  QList<ClipboardItem> items;
  for (int i = 0; i < 3000; ++i)
    items.append(test::textItem(QStringLiteral("Entry %1 of the list, padded %2").arg(i).arg(QString(200, u'.'))));
  SearchIndex index({});
  index.refresh(items);

  ClipboardItem edited = items[5];
  edited.payload = TextPayload{QStringLiteral("Entry 5 CHANGED")};
  items[5] = edited;
  index.markStale();
  EXPECT_TRUE(indexFinds(index, items, 5, QStringLiteral("changed")));
  EXPECT_FALSE(indexFinds(index, items, 5, QStringLiteral("padded")));

  items.remove(10, 2900);
  index.markStale();
  for (qsizetype row = 0; row < items.size(); ++row) {
    const QString query = QStringLiteral("entry %1 of").arg(row < 10 ? row : row + 2900);
    ASSERT_EQ(indexFinds(index, items, row, query), row != 5) << row;
  }

  items.prepend(test::textItem(QStringLiteral("Fresh Copy")));
  index.itemPrepended(items);
  EXPECT_TRUE(indexFinds(index, items, 0, QStringLiteral("fresh")));
  EXPECT_TRUE(indexFinds(index, items, 1, QStringLiteral("entry 0 ")));
  EXPECT_TRUE(indexFinds(index, items, items.size() - 1, QStringLiteral("entry 2999 ")));
}

// A link's, file's or picture's fields live in a box the index holds too: an item edited in
// the list (its box copied on the write) or replaced is found by its new fields, and the boxes
// follow their rows when removals compact the index.
TEST(SearchIndexTest, EditedLinksFilesAndPicturesAreFoundByTheirNewFields) {
  struct Kind {
    const char* name;
    std::function<ClipboardItem(int)> make;
    std::function<void(ClipboardPayload&, const QString&)> rename;
  };
  const Kind kinds[] = {
      {"link", [](int i) { return test::linkItem(QStringLiteral("https://example.org/entry-%1").arg(i)); },
       [](ClipboardPayload& payload, const QString& text) { std::get<LinkPayload>(payload).edit().title = text; }},
      {"file", [](int i) { return test::fileItem(QStringLiteral("/home/u/entry-%1.txt").arg(i)); },
       [](ClipboardPayload& payload, const QString& text) { std::get<FilePayload>(payload).edit().name = text; }},
      {"picture",
       [](int i) {
         ClipboardItem item = test::imageItem(QImage());
         std::get<ImagePayload>(item.payload).edit().filename = QStringLiteral("entry-%1.png").arg(i);
         return item;
       },
       [](ClipboardPayload& payload, const QString& text) { std::get<ImagePayload>(payload).edit().filename = text; }},
  };
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    QList<ClipboardItem> items;
    for (int i = 0; i < 3000; ++i) items.append(kind.make(i));
    SearchIndex index([](const QString&) { return std::optional<QString>(QString()); });
    index.refresh(items);

    kind.rename(items[5].payload, QStringLiteral("renamed in place"));
    index.markStale();
    EXPECT_TRUE(indexFinds(index, items, 5, QStringLiteral("in place")));
    // A link is still found by its address, which holds the old name.
    EXPECT_EQ(indexFinds(index, items, 5, QStringLiteral("entry-5")), kind.name == std::string("link"));

    ClipboardItem copy = items[6];
    kind.rename(copy.payload, QStringLiteral("replaced by a copy"));
    items[6] = copy;
    index.markStale();
    EXPECT_TRUE(indexFinds(index, items, 6, QStringLiteral("by a copy")));

    items.remove(10, 2900);
    index.markStale();
    for (qsizetype row = 10; row < items.size(); ++row)
      ASSERT_TRUE(indexFinds(index, items, row, QStringLiteral("entry-%1").arg(row + 2900))) << row;
    kind.rename(items.last().payload, QStringLiteral("last one renamed"));
    index.markStale();
    EXPECT_TRUE(indexFinds(index, items, items.size() - 1, QStringLiteral("one renamed")));
  }
}

// The scan of many rows (masks first, then the texts, sixteen places at a time) finds exactly the
// rows the items' own search finds: over texts of every kind and length, with the query at every
// place of a text, in either letter case, and across the scan's runs of rows.
TEST(SearchIndexTest, ScanFindsWhatEachItemsOwnSearchFinds) {
  QList<ClipboardItem> items;
  for (int at = 0; at < 40; ++at) {
    const QString before(at, QLatin1Char('x'));
    items.append(test::textItem(before + QStringLiteral("NeedLe") + QString(at % 7, QLatin1Char('y'))));
    items.append(test::textItem(before + QStringLiteral("needlE café 東京")));
    items.append(test::codeItem(before + QStringLiteral("print(1)"), QStringLiteral("Needle")));
  }
  for (int i = 0; i < 1500; ++i)
    items.append(i % 5 == 0   ? test::linkItem(QStringLiteral("https://example.com/needle/%1").arg(i))
                 : i % 5 == 1 ? test::fileItem(QStringLiteral("/tmp/report-%1.pdf").arg(i))
                              : test::textItem(QStringLiteral("Line %1: the Printed agenda, then %2")
                                                   .arg(i)
                                                   .arg(QString(i % 90, QLatin1Char('n')))));
  items.append(test::imageItem(QImage()));
  const QString recognizedID = items.last().idString();
  const SearchIndex::RecognizedText recognized = [&](const QString& id) -> std::optional<QString> {
    if (id == recognizedID) return QStringLiteral("Needle in a SCAN");
    return std::nullopt;
  };
  SearchIndex index(recognized);
  index.refresh(items);
  QList<qint32> everyThird;
  for (qint32 row = 0; row < items.size(); row += 3) everyThird.append(row);

  const QString queries[] = {QStringLiteral("n"),
                             QStringLiteral("q"),
                             QStringLiteral("needle"),
                             QStringLiteral("xneedle"),
                             QStringLiteral("ley"),
                             QStringLiteral("printed ag"),
                             QStringLiteral("é"),
                             QStringLiteral("café 東"),
                             QStringLiteral("东京"),
                             QStringLiteral("1)ne"),
                             QStringLiteral("report-149"),
                             QStringLiteral("le in a scan"),
                             QStringLiteral("xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxneedle")};
  for (const QString& text : queries) {
    SCOPED_TRACE(text.toStdString());
    const SearchIndex::Query query(text);
    QList<qint32> expected, expectedOfThird;
    for (qint32 row = 0; row < items.size(); ++row) {
      if (!items[row].matchesLowercased(text, recognized)) continue;
      expected.append(row);
      if (row % 3 == 0) expectedOfThird.append(row);
    }
    // Compared as vectors: comparing two empty lists in this Qt passes a null pointer to memcmp.
    const auto rows = [](const auto& list) { return std::vector<qint32>(list.begin(), list.end()); };
    EXPECT_EQ(rows(index.matchingRows(query)), rows(expected));
    EXPECT_EQ(rows(index.matchingRows(query, everyThird)), rows(expectedOfThird));
    for (qint32 row = 0; row < items.size(); ++row) ASSERT_EQ(index.matches(row, query), expected.contains(row)) << row;
  }
}

// The searched fields of a text or code item.
QStringList fieldsOf(const ClipboardItem& item) {
  if (const auto* text = std::get_if<TextPayload>(&item.payload)) return {text->text};
  if (const auto* code = std::get_if<CodePayload>(&item.payload)) return {code->source, code->language};
  return {};
}

// The plain reference the scan is held to: each searched field lower-cased on its own, and the
// query compared with it at every place.
bool referenceFinds(const ClipboardItem& item, const QString& query) {
  const QStringList fields = fieldsOf(item);
  if (query.isEmpty()) return true;
  for (const QString& field : std::as_const(fields)) {
    const QString lowered = field.toLower();
    for (qsizetype at = 0; at + query.size() <= lowered.size(); ++at)
      if (QStringView(lowered).sliced(at, query.size()) == query) return true;
  }
  return false;
}

// Every second letter of `text` a capital, starting at `from`.
QString mixedCase(const QString& text, int from) {
  QString mixed = text;
  for (qsizetype k = from % 2; k < mixed.size(); k += 2) mixed[k] = mixed[k].toUpper();
  return mixed;
}

// The scan, the row-by-row test and the search without an index against the reference, over
// rows that put each query at every place from 0 to 40 (across the 8- and 16-character steps of
// the scan), with 0, 1 or 17 characters after it (a match at the very end of a text), in mixed
// letter cases, with one character of it changed, and behind an accent or a CJK character (a
// text kept as a lower-cased copy instead of in place).
TEST(SearchIndexTest, ScanAgreesWithThePlainReference) {
  const QString queries[] = {
      QStringLiteral("q"),
      QStringLiteral("ß"),
      QStringLiteral("k"),
      QStringLiteral("i"),
      QStringLiteral("i̇s"),
      QStringLiteral("at"),
      QStringLiteral("a b"),
      QStringLiteral("printed"),
      QStringLiteral("printed "),
      QStringLiteral("printed a"),
      QStringLiteral("[tag]@x`{}"),
      QStringLiteral("fifteen letters"),
      QStringLiteral("sixteen letters."),
      QStringLiteral("seventeen letters"),
      QStringLiteral("a query of thirty-one letters.."),
      QStringLiteral("a query of thirty-three letters.."),
      QStringLiteral("straße"),
      QStringLiteral("東京 at"),
  };
  const QString pieces[] = {QStringLiteral(""), QStringLiteral("é"), QStringLiteral("東"), QStringLiteral("İ"),
                            QStringLiteral("\u212A")};
  QList<ClipboardItem> items;
  for (const QString& query : queries) {
    QString changed = query;
    changed[changed.size() / 2] = QLatin1Char('#');
    for (int at = 0; at <= 40; ++at) {
      for (const int after : {0, 1, 17}) {
        const QString piece = pieces[size_t(at % std::size(pieces))];
        const QString before = (piece + QStringLiteral("Lorem ipsum dolor sit amet, consectetur"))
                                   .left(at)
                                   .leftJustified(at, QLatin1Char('.'));
        const QString tail = QStringLiteral("zZ. Tail text of some length").left(after);
        items.append(test::textItem(before + mixedCase(query, at) + tail));
        items.append(test::textItem(before + changed + tail));
        if (at % 8 == 0) items.append(test::codeItem(before + tail, mixedCase(query, at + 1)));
      }
    }
  }
  items.append(test::textItem(QStringLiteral("Straße İSTANBUL \u212Aelvin")));
  items.append(test::textItem(QStringLiteral("A")));
  SearchIndex index({});
  index.refresh(items);
  QList<qint32> everyOther;
  for (qint32 row = 1; row < items.size(); row += 2) everyOther.append(row);

  const auto rows = [](const auto& list) { return std::vector<qint32>(list.begin(), list.end()); };
  for (const QString& text : queries) {
    SCOPED_TRACE(text.toStdString());
    const SearchIndex::Query query(text);
    ASSERT_TRUE(query.usesIndex());
    QList<qint32> expected, expectedOfOthers;
    for (qint32 row = 0; row < items.size(); ++row) {
      const bool found = referenceFinds(items[row], text);
      ASSERT_EQ(index.matches(row, query), found) << fieldsOf(items[row]).join(u'|').toStdString();
      ASSERT_EQ(SearchIndex::itemContains(items[row], query, {}), found)
          << fieldsOf(items[row]).join(u'|').toStdString();
      if (!found) continue;
      expected.append(row);
      if (row % 2 == 1) expectedOfOthers.append(row);
    }
    EXPECT_FALSE(expected.isEmpty());
    EXPECT_EQ(rows(index.matchingRows(query)), rows(expected));
    EXPECT_EQ(rows(index.matchingRows(query, everyOther)), rows(expectedOfOthers));
  }
  // An empty query is not searched for in the index, and every item holds it.
  const SearchIndex::Query empty{QString()};
  EXPECT_FALSE(empty.usesIndex());
  EXPECT_TRUE(SearchIndex::itemContains(items.first(), empty, {}));
}

// A long scan is shared with helper threads; two long scans at once (one from another thread)
// each find what a scan alone finds.
TEST(SearchIndexTest, TwoLongScansAtOnceFindWhatOneFinds) {
  QList<ClipboardItem> items;
  for (int i = 0; i < 30'000; ++i)
    items.append(test::textItem(QStringLiteral("Line %1 of the Printed agenda %2").arg(i).arg(i % 7 ? "" : "NEEDLE")));
  SearchIndex index({});
  index.refresh(items);
  const SearchIndex::Query needle(QStringLiteral("agenda needle")), printed(QStringLiteral("printed ag"));
  const QList<qint32> needles = index.matchingRows(needle), printeds = index.matchingRows(printed);
  ASSERT_EQ(needles.size(), 30'000 / 7 + 1);
  ASSERT_EQ(printeds.size(), 30'000);
  bool otherAgreed = true;
  std::thread other([&] {
    for (int k = 0; k < 20; ++k) otherAgreed = otherAgreed && index.matchingRows(needle) == needles;
  });
  for (int k = 0; k < 20; ++k) EXPECT_EQ(index.matchingRows(printed), printeds);
  other.join();
  EXPECT_TRUE(otherAgreed);
}

// A one-letter query over a history long enough to be shared with the helpers: every row whose
// text holds the letter, in order, of all rows and of some; none lost or doubled at the pieces'
// seams.
TEST(SearchIndexTest, OneLetterOverAVeryLongHistoryFindsEveryRowInOrder) {
  constexpr int kCount = 300'000;
  QList<ClipboardItem> items;
  items.reserve(kCount);
  for (int i = 0; i < kCount; ++i)
    items.append(
        test::textItem(i % 5 == 0 ? QStringLiteral("Item %1 with a Q").arg(i) : QStringLiteral("Item %1").arg(i)));
  SearchIndex index({});
  index.refresh(items);
  QList<qint32> everyThird;
  for (qint32 row = 0; row < kCount; row += 3) everyThird.append(row);
  for (const QString& letter : {QStringLiteral("q"), QStringLiteral("i")}) {
    SCOPED_TRACE(letter.toStdString());
    const SearchIndex::Query query(letter);
    QList<qint32> expected, expectedOfThirds;
    for (qint32 row = 0; row < kCount; ++row) {
      if (letter == u"i" || row % 5 == 0) expected.append(row);
      if ((letter == u"i" || row % 5 == 0) && row % 3 == 0) expectedOfThirds.append(row);
    }
    EXPECT_EQ(index.matchingRows(query), expected);
    EXPECT_EQ(index.matchingRows(query, everyThird), expectedOfThirds);
  }
}

// An item whose text is replaced by an equal one in other memory keeps its row, and the row then
// reads the new memory: the old is freed and may hold anything.
TEST(SearchIndexTest, RowReadsTheMemoryItsItemHoldsNow) {
  const QString text = QStringLiteral("Agenda for the printed report, Monday");
  const auto ownCopy = [&text] { return QString(text.constData(), text.size()); };
  QList<ClipboardItem> items = {test::textItem(QStringLiteral("other")), test::textItem(ownCopy())};
  SearchIndex index({});
  index.refresh(items);
  const SearchIndex::Query query(QStringLiteral("printed report"));
  ASSERT_EQ(index.matchingRows(query), QList<qint32>{1});

  items[1].payload = TextPayload{ownCopy()};  // equal, in memory of its own
  index.markStale();
  index.refresh(items);
  // The old memory comes back for a text of the same length.
  const QString reuse(text.size(), QLatin1Char('z'));
  EXPECT_EQ(index.matchingRows(query), QList<qint32>{1});
  EXPECT_TRUE(index.matches(1, query));
  EXPECT_FALSE(reuse.isEmpty());
}

}  // namespace
}  // namespace qv
