// The date filters answered from the items' capture times (a binary search in a history in date
// order) say what the item-by-item matcher says: for dates at the edges of every range, on the
// days the clocks change, with pinned items, with nothing in range, and with a history out of
// date order.
#include "state/CaptureTimes.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <ctime>
#include <random>

namespace qv {
namespace {

// The zone of the test: one with daylight saving time, put back afterwards.
class InZoneWithDaylightSaving {
 public:
  InZoneWithDaylightSaving() : before_(qgetenv("TZ")), had_(qEnvironmentVariableIsSet("TZ")) {
    qputenv("TZ", "Europe/Berlin");
    tzset();
  }
  ~InZoneWithDaylightSaving() {
    if (had_) qputenv("TZ", before_);
    else qunsetenv("TZ");
    tzset();
  }

 private:
  QByteArray before_;
  bool had_;
};

QDateTime local(int year, int month, int day, int hour, int minute = 0) {
  return QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::LocalTime).toUTC();
}

// Capture dates a millisecond either side of each filter's bounds at `now`, with `now` itself,
// a date 40 days back and an invalid one; newest first.
QList<QDateTime> datesAroundTheBounds(const QDateTime& now) {
  QList<QDateTime> dates{now, now.addDays(-40), now.addDays(2)};
  for (const DateFilter filter : kAllDateFilters) {
    const std::optional<DateRange> range = dateRange(filter, now);
    if (!range) continue;
    for (const qint64 ms : {-1, 0, 1}) {
      dates << range->start.addMSecs(ms).toUTC();
      if (range->end) dates << range->end->addMSecs(ms).toUTC();
    }
  }
  std::sort(dates.begin(), dates.end(), std::greater<>());
  dates << QDateTime();
  return dates;
}

class DateFilterRowsTest : public ::testing::Test {
 protected:
  InZoneWithDaylightSaving zone;
  test::StateHarness h;
  PanelState& state = *h.state;

  QList<ClipboardItem> history(const QList<QDateTime>& dates) {
    QList<ClipboardItem> items;
    for (qsizetype i = 0; i < dates.size(); ++i)
      items << test::textItem(QStringLiteral("item %1").arg(i), QStringLiteral("org.example.Editor"), dates[i]);
    return items;
  }
  QList<QUuid> filteredIds() const {
    QList<QUuid> ids;
    for (const ClipboardItem& item : state.filteredItems()) ids.append(item.id);
    return ids;
  }
  // For each filter: whether it offers a chip and what it keeps, against the item-by-item matcher
  // (and the pinned tab with it).
  void expectSameAsTheMatcher(const QDateTime& now, const char* history) {
    for (const DateFilter filter : kAllDateFilters) {
      SCOPED_TRACE(testing::Message() << history << ", " << qPrintable(rawValue(filter)) << " at "
                                      << qPrintable(now.toString(Qt::ISODateWithMs)));
      QList<QUuid> matching, matchingPinned;
      for (const ClipboardItem& item : state.items()) {
        if (!matches(filter, item.capturedAt, now)) continue;
        matching << item.id;
        if (state.pinnedIDs().contains(item.id)) matchingPinned << item.id;
      }
      EXPECT_EQ(state.hasItemsIn(filter), !matching.isEmpty());
      state.setFilterDate(filter);
      EXPECT_EQ(filteredIds(), matching);
      state.setActiveFilter(FilterType::pinned());
      EXPECT_EQ(filteredIds(), matchingPinned);
      state.setActiveFilter(FilterType::all());
      state.setFilterDate(std::nullopt);
    }
  }
};

TEST_F(DateFilterRowsTest, AnswerAsTheItemByItemMatcherAroundTheBoundsOnOrdinaryAndClockChangeDays) {
  const QDateTime nows[] = {
      local(2026, 3, 18, 12),      // an ordinary Wednesday
      local(2026, 3, 29, 1, 30),   // before the clocks go forward that night
      local(2026, 3, 29, 3, 30),   // after
      local(2026, 3, 30, 0, 10),   // the day after: yesterday was 23 hours long
      local(2026, 10, 25, 2, 30),  // the clocks go back
      local(2026, 10, 26, 0, 10),  // the day after: yesterday was 25 hours long
  };
  std::mt19937 random(11);
  for (const QDateTime& now : nows) {
    h.fake.scheduler->setWallClock(now);
    const QList<ClipboardItem> inOrder = history(datesAroundTheBounds(now));
    state.setItems(inOrder);
    state.setPinnedIDs({inOrder[1].id, inOrder[4].id, inOrder[7].id});
    expectSameAsTheMatcher(now, "newest first");

    // A copy at the front that is older than the item after it (a clock set back).
    state.addItem(
        test::textItem(QStringLiteral("clock set back"), QStringLiteral("org.example.Editor"), now.addDays(-8)));
    expectSameAsTheMatcher(now, "a copy out of order");

    QList<ClipboardItem> shuffled = inOrder;
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    state.setItems(shuffled);
    expectSameAsTheMatcher(now, "shuffled");
  }
}

TEST_F(DateFilterRowsTest, NothingInRangeOffersNoChipAndKeepsNothing) {
  const QDateTime now = local(2026, 3, 18, 12);
  h.fake.scheduler->setWallClock(now);
  QList<QDateTime> away;
  for (int i = 0; i < 50; ++i) away << now.addDays(-40).addSecs(-600 * i);
  state.setItems(history(away));
  for (const DateFilter filter : kAllDateFilters) {
    EXPECT_FALSE(state.hasItemsIn(filter)) << qPrintable(rawValue(filter));
    state.setFilterDate(filter);
    EXPECT_TRUE(state.filteredItems().isEmpty()) << qPrintable(rawValue(filter));
  }
  // A copy today: the day's filters have it, and only it.
  const ClipboardItem copy = test::textItem(QStringLiteral("back"), QStringLiteral("org.example.Editor"), now);
  state.addItem(copy);
  EXPECT_TRUE(state.hasItemsIn(DateFilter::today));
  EXPECT_FALSE(state.hasItemsIn(DateFilter::yesterday));
  EXPECT_EQ(filteredIds(), QList<QUuid>{copy.id});
}

// A capture exactly at a range's end is the next range's first: the range offers no chip for it
// and keeps nothing, in a history in date order (a binary search) and in one out of it (a scan).
TEST_F(DateFilterRowsTest, ACaptureAtARangesEndIsOutsideIt) {
  const QDateTime now = local(2026, 3, 18, 12);
  h.fake.scheduler->setWallClock(now);
  for (const DateFilter filter : kAllDateFilters) {
    const std::optional<DateRange> range = dateRange(filter, now);
    if (!range || !range->end) continue;
    const QDateTime atEnd = range->end->toUTC();
    // The one item at the end, alone and among items far outside every range (out of order).
    const std::pair<const char*, QList<QDateTime>> histories[] = {
        {"alone", {atEnd}},
        {"shuffled", {now.addDays(-50), atEnd, now.addDays(-45), now.addDays(-60), now.addDays(-41)}},
    };
    for (const auto& [name, dates] : histories) {
      SCOPED_TRACE(testing::Message() << qPrintable(rawValue(filter)) << ", " << name);
      state.setItems(history(dates));
      EXPECT_FALSE(state.hasItemsIn(filter));
      state.setFilterDate(filter);
      EXPECT_TRUE(state.filteredItems().isEmpty());
      state.setFilterDate(std::nullopt);
    }
  }
  // One item at exactly 00:00 today: no "Yesterday" chip.
  state.setItems(history({QDateTime(now.toLocalTime().date(), QTime(0, 0), Qt::LocalTime).toUTC()}));
  EXPECT_FALSE(state.hasItemsIn(DateFilter::yesterday));
  EXPECT_TRUE(state.hasItemsIn(DateFilter::today));
}

// The times made again for a history in date order after one out of it answer by binary search
// again, not by scans.
TEST(CaptureTimesTest, AHistoryInDateOrderMadeAfterAShuffledOneIsInDateOrder) {
  const QDateTime now(QDate(2026, 3, 18), QTime(12, 0));
  QList<ClipboardItem> newestFirst;
  for (int i = 0; i < 6; ++i) newestFirst << test::textItem(QStringLiteral("item %1").arg(i), {}, now.addDays(-i));
  QList<ClipboardItem> shuffled = newestFirst;
  std::swap(shuffled[1], shuffled[4]);
  CaptureTimes times;
  times.make(shuffled);
  EXPECT_FALSE(times.inDateOrder());
  times.make(newestFirst);
  EXPECT_TRUE(times.inDateOrder());
  // Days 2 and 3 back: rows 2 and 3 alone.
  const RowSpan rows = times.rowsWithin(now.addDays(-3).toMSecsSinceEpoch(), now.addDays(-1).toMSecsSinceEpoch());
  EXPECT_EQ(rows, (RowSpan{2, 4}));
}

}  // namespace
}  // namespace qv
