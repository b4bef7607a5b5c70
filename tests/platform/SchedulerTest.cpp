#include "platform/SerialQueue.h"
#include "platform/fake/FakeScheduler.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <thread>

namespace qv {
namespace {

TEST(FakeScheduler, RunsInDueOrderAndFifoForEqualTimes) {
  FakeScheduler scheduler;
  std::vector<int> order;
  scheduler.after(0.3, [&] { order.push_back(3); });
  scheduler.after(0.1, [&] { order.push_back(1); });
  scheduler.after(0.3, [&] { order.push_back(4); });
  scheduler.post([&] { order.push_back(0); });
  scheduler.after(0.1, [&] { order.push_back(2); });
  scheduler.advance(0.2);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  EXPECT_DOUBLE_EQ(scheduler.uptime(), 0.2);
  scheduler.advance(0.1);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(FakeScheduler, CancelledAndGuardedWorkDoesNotRun) {
  FakeScheduler scheduler;
  int ran = 0;
  WorkItem item = scheduler.after(1.0, [&] { ++ran; });
  EXPECT_TRUE(item.isPending());
  item.cancel();
  auto owner = std::make_shared<int>(1);
  scheduler.after(
      1.0, [&] { ++ran; }, Guard(owner));
  auto* object = new QObject;
  scheduler.after(
      1.0, [&] { ++ran; }, Guard(object));
  owner.reset();
  delete object;
  scheduler.advance(2.0);
  EXPECT_EQ(ran, 0);
  EXPECT_FALSE(item.isPending());
}

TEST(ThreadSerialQueue, SyncWaitsBehindAsyncAndKeepsOrder) {
  ThreadSerialQueue queue(QStringLiteral("com.tarnwick.Quorvalen.test"));
  std::vector<int> order;
  std::atomic<bool> release{false};
  queue.async([&] {
    while (!release) std::this_thread::yield();
    order.push_back(1);
  });
  queue.async([&] { order.push_back(2); });
  std::thread releaser([&] { release = true; });
  queue.sync([&] { order.push_back(3); });
  releaser.join();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(ThreadSerialQueue, RunsOffTheCallingThread) {
  ThreadSerialQueue queue(QStringLiteral("com.tarnwick.Quorvalen.save"));
  std::thread::id worker;
  queue.sync([&] { worker = std::this_thread::get_id(); });
  EXPECT_NE(worker, std::this_thread::get_id());
}

TEST(QtScheduler, PostFromAWorkerArrivesOnTheMainThread) {
  QtScheduler scheduler;
  ThreadSerialQueue queue(QStringLiteral("poster"));
  std::thread::id ranOn;
  bool done = false;
  queue.async([&] {
    scheduler.post([&] {
      ranOn = std::this_thread::get_id();
      done = true;
    });
  });
  QElapsedTimer deadline;
  deadline.start();
  while (!done && deadline.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  ASSERT_TRUE(done);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

}  // namespace
}  // namespace qv
