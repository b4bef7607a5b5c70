// The copy's analysis on the capture queue: a newer copy drops the analysis of the one it
// replaced, captures that ran wait for theirs and hand over in the order of their changes, and
// quitting hands over every capture that ran. The queues run only when a test says so.
#include "items/capture/PasteboardMarkers.h"
#include "items/stores/RichTextStore.h"
#include "support/items/MonitorHarness.h"

#include <QDir>

namespace qv {
namespace {

class CaptureQueue : public test::MonitorHarness {
 protected:
  void SetUp() override {
    MonitorHarness::SetUp();
    fake.pasteboard->setAnnouncesChanges(true);
  }
  FakeSerialQueue& analyses() { return *fake.queues->queue(QStringLiteral("com.tarnwick.Quorvalen.capture")); }
  // Moves the clock only: the queues stay as they are.
  void clock(double seconds) { fake.scheduler->advance(seconds); }
  void settle(double seconds = 1) {
    fake.scheduler->advance(seconds);
    fake.drain();
  }
  void copy(const QString& text) { fake.pasteboard->copyText(text, kEditorPid); }
};

enum class AnalysedWhen { beforeTheNewerCopy, afterTheNewerCopy, withTheNewerOne };

class ReplacedCopy : public CaptureQueue, public ::testing::WithParamInterface<AnalysedWhen> {};

TEST_P(ReplacedCopy, ANewerCopyDropsTheAnalysisOfTheOneItReplaced) {
  startMonitor();
  copy(QStringLiteral("replaced"));
  if (GetParam() == AnalysedWhen::beforeTheNewerCopy) analyses().runAll();
  clock(0.1);  // the analysis's answer (if any) arrives before the capture is due
  copy(QStringLiteral("newer"));
  if (GetParam() == AnalysedWhen::afterTheNewerCopy) analyses().runOne();
  clock(0.35);
  EXPECT_TRUE(captured.isEmpty()) << "the newer copy's capture ran and waits for its analysis";
  EXPECT_EQ(monitor->capturesAwaitingAnalysis(), 1);
  settle();
  EXPECT_EQ(texts(), QStringList{QStringLiteral("newer")});
  EXPECT_EQ(monitor->capturesAwaitingAnalysis(), 0);
}

INSTANTIATE_TEST_SUITE_P(CaptureQueue, ReplacedCopy,
                         ::testing::Values(AnalysedWhen::beforeTheNewerCopy, AnalysedWhen::afterTheNewerCopy,
                                           AnalysedWhen::withTheNewerOne));

TEST_F(CaptureQueue, CapturesThatRanWaitForTheirAnalysisAndHandOverInTheOrderOfTheirChanges) {
  startMonitor();
  const QDateTime start = fake.scheduler->now();
  copy(QStringLiteral("first"));
  clock(0.35);
  copy(QStringLiteral("second"));  // after the first one's capture ran: both are recorded
  clock(0.35);
  EXPECT_TRUE(captured.isEmpty());
  ASSERT_EQ(monitor->capturesAwaitingAnalysis(), 2);

  ASSERT_TRUE(analyses().runOne());
  fake.scheduler->runPending();
  EXPECT_EQ(texts(), QStringList{QStringLiteral("first")});
  EXPECT_EQ(captured[0].item.capturedAt, start.addMSecs(300)) << "the time its capture ran, not its analysis";
  ASSERT_TRUE(analyses().runOne());
  fake.scheduler->runPending();
  EXPECT_EQ(texts(), (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
  EXPECT_EQ(captured[1].item.capturedAt, start.addMSecs(650));
}

TEST_F(CaptureQueue, ACaptureWithItsAnalysisReadyStillWaitsBehindAnEarlierOne) {
  startMonitor();
  copy(QStringLiteral("first"));
  clock(0.35);
  copy(QStringLiteral("second"));
  analyses().runAll();                  // both analysed; the answers are still on their way to the main thread
  monitor->captureCurrentPasteboard();  // the second one's delay ends before they arrive
  EXPECT_EQ(texts(), (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
  settle();
  EXPECT_EQ(captured.size(), 2);
}

TEST_F(CaptureQueue, AnAnalysisDoneBeforeItsCaptureIsHandedOverWhenTheCaptureRuns) {
  startMonitor();
  copy(QStringLiteral("quick"));
  analyses().runAll();
  clock(0.299);
  EXPECT_TRUE(captured.isEmpty()) << "the analysis alone records nothing";
  clock(0.002);
  EXPECT_EQ(texts(), QStringList{QStringLiteral("quick")});
}

TEST_F(CaptureQueue, ATextArrivesOnlyWithItsRichFormStoredAndOnlyOnceItsCaptureRan) {
  startMonitor();
  const auto copyRich = [this](const QByteArray& text) {
    fake.pasteboard->copy(
        {{QLatin1String(mime::kPlainText), text}, {QLatin1String(mime::kHtml), "<b>" + text + "</b>"}}, kEditorPid);
  };
  copyRich("replaced at once");
  analyses().runAll();
  copyRich("rich");
  analyses().runAll();
  fake.scheduler->runPending();
  EXPECT_TRUE(QDir(fake.context->richTextStore->directory()).isEmpty()) << "nothing is written before the capture";
  clock(0.35);
  EXPECT_TRUE(captured.isEmpty()) << "the rich form is written first";
  ASSERT_TRUE(analyses().runOne());
  fake.scheduler->runPending();
  ASSERT_EQ(texts(), QStringList{QStringLiteral("rich")});
  const auto stored = fake.context->richTextStore->read(captured[0].item.idString());
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->data, QByteArray("<b>rich</b>"));
  EXPECT_EQ(QDir(fake.context->richTextStore->directory()).count(), 3) << "only the recorded copy's (and . ..)";

  // The capture ran before the analysis: the analysis writes it.
  copyRich("slow");
  clock(0.35);
  ASSERT_TRUE(analyses().runOne());
  fake.scheduler->runPending();
  ASSERT_EQ(captured.size(), 2);
  EXPECT_TRUE(fake.context->richTextStore->read(captured[1].item.idString()));
}

TEST_F(CaptureQueue, QuittingHandsOverEveryCaptureThatRanInOrder) {
  startMonitor();
  copy(QStringLiteral("captured, not analysed"));
  clock(0.35);
  copy(QStringLiteral("still pending"));
  clock(0.1);
  monitor->flushPendingCapture();
  EXPECT_EQ(texts(), (QStringList{QStringLiteral("captured, not analysed"), QStringLiteral("still pending")}));
  settle();
  EXPECT_EQ(captured.size(), 2) << "nothing is handed over twice";
}

TEST_F(CaptureQueue, ACaptureThatRanSurvivesPausingButNotTheMonitor) {
  startMonitor();
  copy(QStringLiteral("before the pause"));
  clock(0.35);
  monitor->stop();
  settle();
  EXPECT_EQ(texts(), QStringList{QStringLiteral("before the pause")});

  monitor->start();
  copy(QStringLiteral("monitor gone"));
  clock(0.35);
  monitor.reset();
  settle();
  EXPECT_EQ(captured.size(), 1);
}

TEST_F(CaptureQueue, TheOwnerQuittingWhileItsCopyIsAnalysedKeepsItOnceItArrives) {
  QList<QUuid> kept;
  startMonitor().setOwnerGoneHandler([&kept](const QUuid& id) { kept.append(id); });
  copy(QStringLiteral("owner quits"));
  clock(0.35);
  fake.pasteboard->clear();
  clock(0);
  EXPECT_TRUE(kept.isEmpty());
  settle();
  ASSERT_EQ(captured.size(), 1);
  EXPECT_EQ(kept, QList<QUuid>{captured[0].item.id});

  // A newer change came while the copy was analysed: the clipboard no longer holds it.
  kept.clear();
  copy(QStringLiteral("replaced meanwhile"));
  clock(0.35);
  fake.pasteboard->copy(
      {{QLatin1String(mime::kPlainText), "transient"}, {QLatin1String(markers::kTransientTypes[0]), {}}}, kEditorPid);
  settle();
  ASSERT_EQ(captured.size(), 2);
  fake.pasteboard->clear();
  settle();
  EXPECT_TRUE(kept.isEmpty());
}

}  // namespace
}  // namespace qv
