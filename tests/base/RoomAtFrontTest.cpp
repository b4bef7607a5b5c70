#include "base/RoomAtFront.h"

#include <gtest/gtest.h>
#include <QList>
#include <QString>
#include <vector>

namespace qv {
namespace {

// Counts the items made and destroyed: a join moves items by their bytes, so it makes and
// destroys none of them, and each goes once with the list that holds it.
struct Tracked {
  static inline int made = 0;
  static inline int destroyed = 0;
  QString text;
  Tracked() { ++made; }
  explicit Tracked(QString t) : text(std::move(t)) { ++made; }
  Tracked(const Tracked& other) : text(other.text) { ++made; }
  Tracked(Tracked&& other) noexcept : text(std::move(other.text)) { ++made; }
  Tracked& operator=(const Tracked&) = default;
  Tracked& operator=(Tracked&&) noexcept = default;
  ~Tracked() { ++destroyed; }
};

}  // namespace
}  // namespace qv

Q_DECLARE_TYPEINFO(qv::Tracked, Q_RELOCATABLE_TYPE);

namespace qv {
namespace {

QList<Tracked> part(const QString& prefix, int count) {
  QList<Tracked> list;
  list.reserve(count);
  for (int i = 0; i < count; ++i) list.emplaceBack(prefix + QString::number(i));
  return list;
}

QStringList textsOf(const QList<Tracked>& list) {
  QStringList texts;
  for (const Tracked& item : list) texts << item.text;
  return texts;
}

// The parts of a history read in pieces (or one part read whole, or a part still shared with
// another list) join in order, with room at the front for the copies to come, making and
// destroying no item that moves.
TEST(RoomAtFront, PartsJoinInOrderWithRoomAtTheFrontMovingNoItemOneByOne) {
  const struct {
    const char* name;
    std::vector<int> sizes;
    bool firstShared;  // the first part is held elsewhere too: it is copied, not moved
  } rows[] = {
      {"no part", {}, false},
      {"one part", {5}, false},
      {"four pieces", {3, 0, 4, 2}, false},
      {"a shared part first", {2, 3}, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const int aliveBefore = Tracked::made - Tracked::destroyed;
    QList<Tracked> held;
    {
      std::vector<QList<Tracked>> parts;
      QStringList expected;
      for (size_t k = 0; k < row.sizes.size(); ++k) {
        parts.push_back(part(QStringLiteral("p%1-").arg(k), row.sizes[k]));
        expected << textsOf(parts.back());
      }
      if (row.firstShared) held = parts.front();
      const int made = Tracked::made, destroyed = Tracked::destroyed;
      QList<Tracked> joined = joinWithRoomAtFront(std::move(parts));
      EXPECT_EQ(textsOf(joined), expected);
      EXPECT_EQ(Tracked::made - made, row.firstShared ? row.sizes.front() : 0);
      EXPECT_EQ(Tracked::destroyed - destroyed, 0);
      // Joined again on its own (as the replay of an empty journal does), it is the same list.
      const Tracked* front = joined.constData();
      std::vector<QList<Tracked>> again;
      again.push_back(std::move(joined));
      joined = joinWithRoomAtFront(std::move(again));
      EXPECT_EQ(joined.constData(), front);
      // Room at the front: the copies to come go in place.
      joined.prepend(Tracked(QStringLiteral("copy")));
      EXPECT_EQ(joined.constData(), front - 1);
      EXPECT_EQ(joined.size(), expected.size() + 1);
    }
    // Every item goes once, but those the shared list still holds.
    EXPECT_EQ(Tracked::made - Tracked::destroyed, aliveBefore + held.size());
  }
}

// Parts moved into the room after a list's end, in any order (as the decoding threads do), count
// once the list is told how many came.
TEST(RoomAtFront, PartsMovedIntoTheRoomAfterTheEndCountOnceTold) {
  QList<Tracked> list = listWithRoomAtFront<Tracked>(6, 4);
  QList<Tracked> second = part(QStringLiteral("b"), 4);
  QList<Tracked> first = part(QStringLiteral("a"), 2);
  const int destroyed = Tracked::destroyed;
  moveIntoRoomAfterEnd(list, 2, second);
  moveIntoRoomAfterEnd(list, 0, first);
  EXPECT_TRUE(list.isEmpty());
  EXPECT_TRUE(first.isEmpty());
  EXPECT_TRUE(second.isEmpty());
  EXPECT_EQ(Tracked::destroyed, destroyed);
  setSizeAfterMoves(list, 6);
  EXPECT_EQ(textsOf(list), (QStringList{QStringLiteral("a0"), QStringLiteral("a1"), QStringLiteral("b0"),
                                        QStringLiteral("b1"), QStringLiteral("b2"), QStringLiteral("b3")}));
  list = {};
  EXPECT_EQ(Tracked::destroyed - destroyed, 6);
}

}  // namespace
}  // namespace qv
