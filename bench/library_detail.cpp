// The library's detail pane retargeted to another item (what the hovered card does after its
// 0.16 s): handing the open pane the new item and painting its next frame, the time measured;
// then each later turn of the event loop until nothing is left, the longest of them reported.
// Once for the pane alone, once through the library's view (its model, the overlay, the grid's
// cards and the pane, all painted).
#include "items/ItemServices.h"
#include "library/LibraryDetailOverlay.h"
#include "library/LibraryDetailSizing.h"
#include "library/LibraryDetailView.h"
#include "library/LibraryModel.h"
#include "library/LibraryView.h"
#include "platform/Scheduler.h"
#include "state/PanelState.h"
#include "support/BenchMain.h"
#include "support/LiveFixture.h"
#include "support/app/FakeContext.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>

namespace {

using namespace qv;
using Fixture = bench::LiveFixture;

double milliseconds(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e6; }

// 256,000 characters of 100–200-byte sentences broken into lines of `lineLength` (the last
// character of each a line break), or in one line.
QString textOfLines(int lineLength) {
  const QString words = QStringLiteral(
      "Reminder: the quarterly report is due Friday. Please send your numbers to Dana by Thursday noon so that "
      "the charts can be updated in time. ");
  QString text;
  text.reserve(256'000);
  while (text.size() < 256'000) {
    for (int i = 0; i < lineLength - 1 && text.size() < 256'000; ++i) text += words.at(i % words.size());
    if (text.size() < 256'000) text += u'\n';
  }
  return text;
}

enum Kind { kTextLines, kTextOneLine, kPdf };

ClipboardPayload payloadOf(benchmark::State& state) {
  ClipboardPayload payload;
  switch (Kind(state.range(0))) {
    case kTextLines:
      state.SetLabel("256,000 characters in 80-character lines");
      payload = TextPayload{textOfLines(80)};
      break;
    case kTextOneLine:
      state.SetLabel("256,000 characters in one line");
      payload = TextPayload{textOfLines(256'001)};
      break;
    case kPdf: payload = bench::hundredPagePdf(state); break;
  }
  return payload;
}

// Runs what the views left queued: nothing of theirs (an open PDF) outlives the run into the
// program's exit, where the PDF library's own statics are already gone.
void drain(Fixture& fixture) {
  for (int round = 0; round < 100; ++round) {
    QCoreApplication::processEvents();
    if (fixture.fake.queues->runAll() == 0) return;
  }
}

void BM_DetailRetargetToFrame(benchmark::State& state) {
  Fixture& fixture = Fixture::shared();
  const ClipboardPayload payload = payloadOf(state);
  const QDateTime now = QDateTime::currentDateTimeUtc();
  const ClipboardItem first = ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"), now,
                                                  TextPayload{QStringLiteral("Meeting moved to 3 pm.")});
  const ClipboardItem target = ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"), now,
                                                   payload);
  PanelState panelState(*fixture.fake.context);
  panelState.setItems({first, target});
  // As the library sizes it for a 1,100-point grid in 720 points of content.
  const double width = libraryDetail::width(1100, &target), height = libraryDetail::height(720, &target, width);
  QImage frame(QSize(int(width), int(height)) * 2, QImage::Format_ARGB32_Premultiplied);
  frame.setDevicePixelRatio(2);
  const auto paint = [&](QWidget& pane) {
    QPainter painter(&frame);
    pane.render(&painter);
  };
  double worker = 0, steps = 0;
  std::vector<double> longestSteps;
  for (auto _ : state) {
    auto pane = std::make_unique<LibraryDetailView>(*fixture.fake.context, panelState,
                                                    LibraryDetailView::Props{first, width, height},
                                                    LibraryDetailView::Callbacks{});
    pane->setAttribute(Qt::WA_DontShowOnScreen);
    pane->show();
    paint(*pane);
    QCoreApplication::processEvents();
    QElapsedTimer main;
    main.start();
    pane->setProps({target, width, height}, {});
    paint(*pane);
    state.SetIterationTime(milliseconds(main) / 1e3);
    longestSteps.push_back(fixture.settle([&] { paint(*pane); }, worker, steps));
    pane.reset();
    QCoreApplication::processEvents();
    fixture.fake.queues->runAll();
  }
  drain(fixture);
  bench::reportSteps(state, longestSteps, steps, worker);
}
BENCHMARK(BM_DetailRetargetToFrame)
    ->Arg(kTextLines)
    ->Arg(kTextOneLine)
    ->Arg(kPdf)
    ->UseManualTime()
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);

// The library at 1,100 × 760 with 200 texts of 100–200 bytes and the item, its pane open on the
// first text and the item's card hovered (its retarget due): the retarget's action (the model
// shows the item), the view's update and a paint of the pane's place in the view.
void BM_LibraryHoverRetargetToFrame(benchmark::State& state) {
  Fixture& fixture = Fixture::shared();
  const ClipboardPayload payload = payloadOf(state);
  const QDateTime now = QDateTime::currentDateTimeUtc();
  QList<ClipboardItem> items;
  const ClipboardItem target = ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"), now,
                                                   payload);
  items << target;
  for (int i = 0; i < 200; ++i)
    items << ClipboardItem::make(
        QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"), now.addSecs(-60 * i),
        TextPayload{QStringLiteral("Note %1: the quarterly report is due Friday; send your numbers to Dana by "
                                   "Thursday noon so the charts can be updated.")
                        .arg(i)});
  PanelState panelState(*fixture.fake.context);
  panelState.setItems(items);
  QImage frame(QSize(1100, 760) * 2, QImage::Format_ARGB32_Premultiplied);
  frame.setDevicePixelRatio(2);
  double worker = 0, steps = 0;
  std::vector<double> longestSteps;
  for (auto _ : state) {
    LibraryModel model(panelState, *fixture.scheduler);
    LibraryView view(*fixture.fake.context, model);
    QObject::connect(&model, &LibraryModel::changed, &view, [&view] { view.sync(); });
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(1100, 760);
    view.show();
    view.sync();
    model.setPreviewID(items.at(1).id);
    model.setHoveredID(target.id);
    // What the window repaints: the pane's place with its shadow (the grid under it included).
    const auto paint = [&] {
      const auto* overlay = view.findChild<LibraryDetailOverlay*>();
      const QRect dirty = overlay->geometry().adjusted(-40, -40, 40, 40);
      QPainter painter(&frame);
      view.render(&painter, dirty.topLeft(), QRegion(dirty));
    };
    fixture.settle(paint, worker, steps);
    QElapsedTimer main;
    main.start();
    model.showDetail(target.id);
    paint();
    state.SetIterationTime(milliseconds(main) / 1e3);
    longestSteps.push_back(fixture.settle(paint, worker, steps));
  }
  drain(fixture);
  bench::reportSteps(state, longestSteps, steps, worker);
}
BENCHMARK(BM_LibraryHoverRetargetToFrame)
    ->Arg(kTextLines)
    ->Arg(kTextOneLine)
    ->Arg(kPdf)
    ->UseManualTime()
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QApplication>(argc, argv); }
