// The monitor where the clipboard announces its changes (X11): captures timed from the change,
// bursts folded, nothing running while nothing changes, overlay scans only while an overlay can
// be on screen, the copy kept when its owner quits, and the pending capture run at quit.
#include "items/capture/PasteboardMarkers.h"
#include "items/rules/AppRulesManager.h"
#include "support/CapturedLog.h"
#include "support/items/MonitorHarness.h"

#include <cmath>

namespace qv {
namespace {

class Announced : public test::MonitorHarness {
 protected:
  void SetUp() override {
    MonitorHarness::SetUp();
    fake.pasteboard->setAnnouncesChanges(true);
  }
  void advance(double seconds) {
    fake.scheduler->advance(seconds);
    fake.drain();
  }
  ClipboardMonitor& startKeeping() {
    startMonitor().setOwnerGoneHandler([this](const QUuid& id) { kept.append(id); });
    return *monitor;
  }
  static WindowInfo window(int layer, const QString& type = {}, bool tray = false) {
    WindowInfo info;
    info.id = 7;
    info.layer = layer;
    info.bounds = QRect(100, 100, 300, 200);
    info.ownerPid = kBrowserPid;
    info.windowType = type;
    info.systemTray = tray;
    return info;
  }
  QList<QUuid> kept;
};

struct Spacing {
  double seconds;
  int copies;
  int recorded;
};

class CopySpacing : public Announced, public ::testing::WithParamInterface<Spacing> {};

TEST_P(CopySpacing, CopiesFurtherApartThanTheDelayAreAllKeptCloserOnesFold) {
  startMonitor();
  for (int copy = 0; copy < GetParam().copies; ++copy) {
    fake.pasteboard->copyText(QStringLiteral("copy %1").arg(copy), kEditorPid);
    advance(GetParam().seconds);
  }
  advance(1);
  ASSERT_EQ(captured.size(), GetParam().recorded);
  EXPECT_EQ(texts().last(), QStringLiteral("copy %1").arg(GetParam().copies - 1)) << "the newest always counts";
}

INSTANTIATE_TEST_SUITE_P(Announced, CopySpacing,
                         ::testing::Values(Spacing{0.4, 60, 60}, Spacing{0.31, 20, 20}, Spacing{0.5, 10, 10},
                                           Spacing{0.1, 20, 1}, Spacing{0.29, 5, 1}));

// Copies made while the main thread is busy reach it together; each goes through the rules as if
// it had been seen when it was made: the delay folds only copies closer than it, own writes and
// transient copies are skipped, and each item is dated when its capture was due.
TEST_F(Announced, CopiesMadeWhileTheMainThreadIsBusyAreEachCapturedInOrder) {
  struct Step {
    enum { copy, ownWrite, transient } kind;
    double gapAfter;
  };
  const struct {
    const char* name;
    QList<Step> steps;
    QList<int> recorded;  // copy numbers (step index) kept, in order
  } cases[] = {
      {"thirty copies 0.4 s apart", QList<Step>(30, Step{Step::copy, 0.4}),
       [] {
         QList<int> all;
         for (int index = 0; index < 30; ++index) all.append(index);
         return all;
       }()},
      {"copies closer than the delay fold",
       {{Step::copy, 0.1}, {Step::copy, 0.5}, {Step::copy, 0.2}, {Step::copy, 0.35}, {Step::copy, 0.4}},
       {1, 3, 4}},
      {"our own write and a transient copy are skipped",
       {{Step::copy, 0.5}, {Step::ownWrite, 0.5}, {Step::copy, 0.5}, {Step::transient, 0.5}, {Step::copy, 0.5}},
       {0, 2, 4}},
  };
  for (const auto& [name, steps, recorded] : cases) {
    SCOPED_TRACE(name);
    captured.clear();
    startMonitor();
    const QDateTime start = fake.scheduler->now();
    const double startUptime = fake.scheduler->uptime();
    QList<double> madeAt;
    for (qsizetype index = 0; index < steps.size(); ++index) {
      madeAt.append(fake.scheduler->uptime());
      const QString text = QStringLiteral("copy %1").arg(index);
      if (steps[index].kind == Step::ownWrite) {
        ClipboardMonitor::skipNextChanges(*fake.context).raise();
        fake.pasteboard->write(PasteboardWrite{text, {}, {}, {}, std::nullopt, {}, {}});
      } else if (steps[index].kind == Step::transient) {
        fake.pasteboard->copy(
            {{QLatin1String(mime::kPlainText), text.toUtf8()}, {QLatin1String(markers::kTransientTypes[0]), {}}},
            kEditorPid);
      } else {
        fake.pasteboard->copyText(text, kEditorPid);
      }
      // The main thread is held up right after it saw the first copy: nothing runs, not even
      // that copy's capture, and nothing is announced.
      fake.pasteboard->setMainThreadBusy(true);
      fake.scheduler->passBusy(steps[index].gapAfter);
    }
    const double busyFor = fake.scheduler->uptime();
    fake.scheduler->runPending();  // the first copy's capture, late
    fake.pasteboard->setMainThreadBusy(false);
    advance(1);
    QStringList expected;
    for (const int index : recorded) expected.append(QStringLiteral("copy %1").arg(index));
    EXPECT_EQ(texts().join(u',').toStdString(), expected.join(u',').toStdString());
    for (qsizetype index = 0; index < recorded.size() && index < captured.size(); ++index) {
      const double due = madeAt[recorded[index]] + ClipboardMonitor::kCaptureDelay;
      const QDateTime dueAt = start.addMSecs(std::llround((due - startUptime) * 1000));
      if (due < busyFor) {
        EXPECT_LE(std::abs(captured[index].item.capturedAt.msecsTo(dueAt)), 1)
            << "dated when its capture was due: " << index;
      }
    }
    EXPECT_EQ(monitor->skipNextChanges().count(), 0);
    monitor->stop();
    fake.scheduler->advance(1);
  }
}

TEST_F(Announced, TheCaptureRunsThreeTenthsOfASecondAfterTheChangeItself) {
  startMonitor();
  advance(0.17);  // no tick to wait for: the change is seen when it happens
  fake.pasteboard->copyText(QStringLiteral("timed"), kEditorPid);
  advance(0.299);
  EXPECT_TRUE(captured.isEmpty());
  advance(0.002);
  EXPECT_EQ(texts(), QStringList{QStringLiteral("timed")});
}

TEST_F(Announced, NothingRunsWhileNothingChanges) {
  startMonitor();
  EXPECT_EQ(fake.scheduler->pendingCount(), 0) << "no poll timer";
  const int reads = fake.pasteboard->readCount();
  advance(60);
  EXPECT_EQ(fake.pasteboard->readCount(), reads);
  EXPECT_EQ(fake.windowList->readCount(), 0);
  EXPECT_FALSE(monitor->isScanningOverlays());
}

TEST_F(Announced, OwnWritesAreSkippedAndPausingStopsListening) {
  startMonitor();
  ClipboardMonitor::skipNextChanges(*fake.context).raise();
  fake.pasteboard->write(PasteboardWrite{QStringLiteral("ours"), {}, {}, {}, std::nullopt, {}, {}});
  advance(1);
  EXPECT_TRUE(captured.isEmpty());
  EXPECT_EQ(monitor->skipNextChanges().count(), 0);

  monitor->stop();
  fake.pasteboard->copyText(QStringLiteral("while paused"), kEditorPid);
  advance(1);
  monitor->start();
  advance(1);
  EXPECT_TRUE(captured.isEmpty());
  fake.pasteboard->copyText(QStringLiteral("resumed"), kEditorPid);
  advance(1);
  EXPECT_EQ(texts(), QStringList{QStringLiteral("resumed")});
}

struct ScanCase {
  const char* name;
  WindowInfo window;
  bool scans;
};

TEST_F(Announced, OverlayScansRunOnlyWhileAWindowThatCanBeAnOverlayIsOnScreen) {
  const ScanCase cases[] = {
      {"a popup menu", window(windowLayer::kPopup, QStringLiteral("popup_menu")), true},
      {"a keep-above window", window(windowLayer::kAbove, QStringLiteral("normal")), true},
      {"an ordinary window", window(windowLayer::kNormal, QStringLiteral("normal")), false},
      {"a dock or panel", window(windowLayer::kDock, QStringLiteral("dock")), false},
      {"the system tray", window(windowLayer::kPopup, QString(), true), false},
      {"a 1×1 helper window",
       [] {
         WindowInfo helper = window(windowLayer::kPopup);
         helper.bounds = QRect(-100, -100, 1, 1);
         return helper;
       }(),
       false},
  };
  startMonitor();
  for (const ScanCase& scan : cases) {
    fake.windowList->setWindows({scan.window});
    advance(0);
    EXPECT_EQ(monitor->isScanningOverlays(), scan.scans) << scan.name;
    const int before = fake.windowList->readCount();
    advance(2);
    EXPECT_EQ(fake.windowList->readCount() - before, scan.scans ? 5 : 0) << scan.name << ": one scan per 0.4 s";
    fake.windowList->setWindows({});
    advance(0);
    EXPECT_FALSE(monitor->isScanningOverlays()) << scan.name << " closed";
  }
  fake.windowList->setWindows({window(windowLayer::kPopup)});
  monitor->setPanelVisible(true);
  advance(1);
  EXPECT_FALSE(monitor->isScanningOverlays()) << "the shown panel stops the scans";
  monitor->setPanelVisible(false);
  EXPECT_TRUE(monitor->isScanningOverlays());
}

TEST_F(Announced, TheNewestCopyIsKeptWhenItsOwnerQuits) {
  startKeeping();
  fake.pasteboard->copyText(QStringLiteral("from a program that quits"), kEditorPid);
  advance(1);
  ASSERT_EQ(captured.size(), 1);
  fake.pasteboard->clear();
  advance(0);
  EXPECT_EQ(kept, QList<QUuid>{captured[0].item.id});

  // The owner quits before the capture ran: the copy is recorded, then kept.
  kept.clear();
  fake.pasteboard->copyText(QStringLiteral("short-lived owner"), kEditorPid);
  advance(0.1);
  fake.pasteboard->clear();
  advance(1);
  ASSERT_EQ(captured.size(), 2);
  EXPECT_EQ(kept, QList<QUuid>{captured[1].item.id});
}

TEST_F(Announced, CopiesThatWereNotRecordedPlainlyAreNeverKept) {
  startKeeping();
  const auto copyThenQuit = [this](const QList<QPair<QString, QByteArray>>& content) {
    fake.pasteboard->copy(content, kEditorPid);
    advance(1);
    fake.pasteboard->clear();
    advance(1);
  };
  const QPair<QString, QByteArray> text{QLatin1String(mime::kPlainText), "words"};
  copyThenQuit({text, {QLatin1String(markers::kTransientTypes[0]), {}}});
  copyThenQuit({text, {QLatin1String(markers::kAutoGeneratedType), {}}});
  copyThenQuit({text, {QLatin1String(kConcealedMarkerType), {}}});
  copyThenQuit({{QLatin1String(mime::kPlainText), {}}});
  EXPECT_TRUE(kept.isEmpty());

  // Another clipboard manager keeps content itself; our own write is already ours.
  fake.pasteboard->setOtherClipboardManager(true);
  copyThenQuit({text});
  fake.pasteboard->setOtherClipboardManager(false);
  fake.pasteboard->copyText(QStringLiteral("then replaced by us"), kEditorPid);
  advance(1);
  fake.pasteboard->write(PasteboardWrite{QStringLiteral("ours"), {}, {}, {}, std::nullopt, {}, {}});
  fake.pasteboard->clear();
  advance(1);
  EXPECT_TRUE(kept.isEmpty());
}

TEST_F(Announced, QuittingRunsThePendingCaptureAtOnce) {
  startMonitor();
  fake.pasteboard->copyText(QStringLiteral("copied just before quitting"), kEditorPid);
  advance(0.1);
  monitor->flushPendingCapture();
  EXPECT_EQ(texts(), QStringList{QStringLiteral("copied just before quitting")});
  advance(1);
  EXPECT_EQ(captured.size(), 1) << "the capture is not run twice";
}

TEST_F(Announced, EveryDroppedCopyLogsOneLineWithItsReason) {
  fake.context->appRules->setRule(
      AppRule::never,
      AppRuleEntry{QStringLiteral("org.example.Browser"), QStringLiteral("Browser"), std::nullopt, AppRule::never});
  startMonitor();
  const QPair<QString, QByteArray> text{QLatin1String(mime::kPlainText), "words"};
  struct Drop {
    std::function<void()> copy;
    const char* reason;
  };
  const Drop drops[] = {
      {[&] {
         fake.pasteboard->copy({text, {QLatin1String(markers::kTransientTypes[0]), {}}}, kEditorPid);
       },
       "marked transient"},
      {[&] { fake.pasteboard->copy({text}, kBrowserPid); }, "rule for org.example.Browser is never"},
      {[&] {
         fake.pasteboard->copy({{QLatin1String(mime::kPlainText), {}}}, kEditorPid);
       },
       "its text is empty"},
      {[&] {
         fake.pasteboard->copy({{QLatin1String(mime::kPng), "not a picture"}}, kEditorPid);
       },
       "could not be decoded"},
  };
  for (const Drop& drop : drops) {
    test::CapturedLog log;
    drop.copy();
    advance(1);
    const QStringList lines = log.texts().filter(QStringLiteral("Copy not recorded"));
    ASSERT_EQ(lines.size(), 1) << drop.reason << ": " << lines.join(u'|').toStdString();
    EXPECT_TRUE(lines[0].contains(QLatin1String(drop.reason))) << lines[0].toStdString();
  }
  EXPECT_TRUE(captured.isEmpty());
}

using Polled = test::MonitorHarness;

TEST_F(Polled, QuittingLooksAtAChangeNoTickSawYet) {
  startMonitor();
  fake.pasteboard->copyText(QStringLiteral("between two ticks"), kEditorPid);
  monitor->flushPendingCapture();
  EXPECT_EQ(texts(), QStringList{QStringLiteral("between two ticks")});
}

}  // namespace
}  // namespace qv
