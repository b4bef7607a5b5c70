#include "base/SharedValue.h"

#include <gtest/gtest.h>
#include <QString>
#include <atomic>
#include <thread>
#include <vector>

namespace qv {
namespace {

// Counts the values alive, so a test can tell a copy from a shared value and see every value go.
struct Counted {
  static inline std::atomic<int> alive{0};
  QString text;
  int number = 0;
  Counted() { ++alive; }
  Counted(QString t, int n) : text(std::move(t)), number(n) { ++alive; }
  Counted(const Counted& other) : text(other.text), number(other.number) { ++alive; }
  Counted(Counted&& other) noexcept : text(std::move(other.text)), number(other.number) { ++alive; }
  Counted& operator=(const Counted&) = default;
  ~Counted() { --alive; }
  bool operator==(const Counted& other) const { return text == other.text && number == other.number; }
};

TEST(SharedValue, CopiesShareUntilOneIsEdited) {
  const int before = Counted::alive;  // an empty holder's default value lives on once made
  {
    const SharedValue<Counted> a(Counted(QStringLiteral("a"), 1));
    ASSERT_EQ(Counted::alive - before, 1);
    SharedValue<Counted> b = a;
    EXPECT_EQ(Counted::alive - before, 1) << "a copy shares the value";
    EXPECT_EQ(&*a, &*b);
    EXPECT_TRUE(a.isShared());

    b.edit().number = 2;
    EXPECT_EQ(Counted::alive - before, 2) << "the edited copy got a value of its own";
    EXPECT_EQ(a->number, 1) << "the other copy is unchanged";
    EXPECT_EQ(b->number, 2);
    EXPECT_FALSE(a.isShared());

    const Counted* own = &*b;
    b.edit().text = QStringLiteral("b");
    EXPECT_EQ(&*b, own) << "a value held alone is edited in place";
    EXPECT_EQ(Counted::alive - before, 2);
  }
  EXPECT_EQ(Counted::alive - before, 0);
}

TEST(SharedValue, EmptyAndMovedFromHoldersReadAsADefaultValue) {
  const SharedValue<Counted> empty;
  EXPECT_EQ(empty->text, QString());
  EXPECT_EQ(empty->number, 0);

  SharedValue<Counted> from(Counted(QStringLiteral("x"), 3));
  const SharedValue<Counted> to = std::move(from);
  EXPECT_EQ(to->number, 3);
  EXPECT_EQ(from->number, 0);  // reading a moved-from holder is safe
  from.edit().number = 4;      // and it takes a new value
  EXPECT_EQ(from->number, 4);
  EXPECT_EQ(to->number, 3);
}

TEST(SharedValue, EqualWhenTheValuesAre) {
  const struct {
    SharedValue<Counted> a, b;
    bool equal;
  } cases[] = {
      {SharedValue<Counted>(Counted(QStringLiteral("t"), 1)), SharedValue<Counted>(Counted(QStringLiteral("t"), 1)),
       true},
      {SharedValue<Counted>(Counted(QStringLiteral("t"), 1)), SharedValue<Counted>(Counted(QStringLiteral("t"), 2)),
       false},
      {SharedValue<Counted>(Counted(QStringLiteral("t"), 1)), SharedValue<Counted>(Counted(QStringLiteral("u"), 1)),
       false},
      {SharedValue<Counted>(), SharedValue<Counted>(Counted()), true},
      {SharedValue<Counted>(), SharedValue<Counted>(), true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.a == c.b, c.equal) << c.a->text.toStdString() << c.a->number << " / " << c.b->text.toStdString()
                                   << c.b->number;
    EXPECT_EQ(c.b == c.a, c.equal);
  }
}

// Worker threads copy, read and drop copies of one value while its owner keeps it: the value
// stays whole, is never copied, and goes once the last holder does.
TEST(SharedValue, CopiesAreReadAndDroppedOnSeveralThreadsAtOnce) {
  const int before = Counted::alive;
  {
    SharedValue<Counted> owner(Counted(QStringLiteral("shared text"), 7));
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([held = owner, &wrong] {
        for (int i = 0; i < 20000; ++i) {
          SharedValue<Counted> copy = held;
          SharedValue<Counted> moved = std::move(copy);
          if (moved->number != 7 || moved->text.size() != 11) ++wrong;
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(Counted::alive - before, 1);
    EXPECT_FALSE(owner.isShared()) << "every copy let go";
  }
  EXPECT_EQ(Counted::alive - before, 0);
}

}  // namespace
}  // namespace qv
