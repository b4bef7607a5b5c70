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
#include "preview/EditableTextView.h"
#include "preview/ItemPreviewView.h"
#include "state/PanelState.h"
#include "support/BenchMain.h"
#include "support/LiveFixture.h"
#include "support/app/FakeContext.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QTemporaryDir>

namespace {

using namespace qv;
using Fixture = bench::LiveFixture;

double milliseconds(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e6; }

// 256,000 characters of 100–200-byte sentences broken into lines of `lineLength`, or in one line.
QString textOfLines(int lineLength) {
  return bench::textOfLines(
      QStringLiteral("Reminder: the quarterly report is due Friday. Please send your numbers to Dana by Thursday noon "
                     "so that the charts can be updated in time. "),
      lineLength);
}

enum Kind { kTextLines, kTextOneLine, kPdf, kLongTextFile };

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
    default: payload = bench::longTextFile(state, int(state.range(0) - kLongTextFile)); break;
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

// The library's view over `state` at 1,100 × 760, following its model, shown offscreen.
struct ShownLibrary {
  ShownLibrary(Fixture& fixture, PanelState& state)
      : model(state, *fixture.scheduler), view(*fixture.fake.context, model) {
    QObject::connect(&model, &LibraryModel::changed, &view, [this] { view.sync(); });
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(1100, 760);
    view.show();
    view.sync();
  }
  LibraryModel model;
  LibraryView view;
};

// Each iteration: a pane made with `first` and painted (and let rest when `settleFirst`), then
// handed `next` and painted, the time measured; then each later step until it rests, the longest
// reported as max_step_ms.
void measurePaneChange(benchmark::State& state, Fixture& fixture, PanelState& panelState,
                       const LibraryDetailView::Props& first, const LibraryDetailView::Props& next, QImage& frame,
                       bool settleFirst) {
  const auto paint = [&](QWidget& pane) {
    QPainter painter(&frame);
    pane.render(&painter);
  };
  double worker = 0, steps = 0, ignored = 0;
  std::vector<double> longestSteps;
  for (auto _ : state) {
    auto pane = std::make_unique<LibraryDetailView>(*fixture.fake.context, panelState, first,
                                                    LibraryDetailView::Callbacks{});
    pane->setAttribute(Qt::WA_DontShowOnScreen);
    pane->show();
    paint(*pane);
    if (settleFirst) fixture.settle([&] { paint(*pane); }, ignored, ignored);
    QCoreApplication::processEvents();
    QElapsedTimer main;
    main.start();
    pane->setProps(next, {});
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
  measurePaneChange(state, fixture, panelState, {first, width, height}, {target, width, height}, frame, false);
}
BENCHMARK(BM_DetailRetargetToFrame)
    ->Arg(kTextLines)
    ->Arg(kTextOneLine)
    ->Arg(kPdf)
    ->DenseRange(kLongTextFile, kLongTextFile + bench::kLongTextFileCount - 1)
    ->UseManualTime()
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);

// The library at 1,100 × 760 with 200 texts of 100–200 bytes and the item, its pane open on the
// first text (selected, as a click or Space opens it). The pointer comes onto the item's card and
// stays for the hover's delay; then the retarget's action (the model shows the item), the view's
// update and a paint of the pane's place in the view is the time measured. max_step_ms is the
// longest step from the hover on.
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
    ShownLibrary library(fixture, panelState);
    LibraryModel& model = library.model;
    LibraryView& view = library.view;
    model.setPreviewID(items.at(1).id);
    model.setSelection(items.at(1).id);
    // What the window repaints: the pane's place with its shadow (the grid under it included).
    const auto paint = [&] {
      const auto* overlay = view.findChild<LibraryDetailOverlay*>();
      const QRect dirty = overlay->geometry().adjusted(-40, -40, 40, 40);
      QPainter painter(&frame);
      view.render(&painter, dirty.topLeft(), QRegion(dirty));
    };
    fixture.settle(paint, worker, steps);
    // At rest: what lies under the pane is held as a picture again (the first mark on a card in
    // a new window lets it go while the grid settles).
    const auto* overlay = view.findChild<LibraryDetailOverlay*>();
    double unused = 0;
    for (int turn = 0; turn < 120 && !overlay->showsBackdrop(); ++turn) fixture.runFor(1.0 / 60, paint, worker, unused);
    model.setHoveredID(target.id);
    double longest = fixture.runFor(LibraryModel::kHoverRetargetSeconds, paint, worker, steps);
    QElapsedTimer main;
    main.start();
    model.showDetail(target.id);
    paint();
    state.SetIterationTime(milliseconds(main) / 1e3);
    longest = std::max(longest, fixture.settle(paint, worker, steps));
    longestSteps.push_back(longest);
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

// A megabyte of prose in paragraphs of about 400 characters: as a text item (range 0) or as an RTF
// file with a bold phrase in every paragraph (range 1).
ClipboardPayload megabyteDocument(benchmark::State& state) {
  const QString sentence = QStringLiteral(
      "Reminder: the quarterly report is due Friday. Please send your numbers to Dana by Thursday noon. ");
  QString text;
  while (text.size() < (1 << 20)) text += sentence.repeated(4) + u'\n';
  if (state.range(0) == 0) {
    state.SetLabel("1 MB text in 400-character paragraphs");
    return TextPayload{text};
  }
  state.SetLabel("1 MB RTF in 400-character paragraphs");
  static QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("megabyte.rtf"));
  if (!QFileInfo::exists(path)) {
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Helvetica;}}\\f0\\fs24 ";
    for (const QString& paragraph : text.split(u'\n', Qt::SkipEmptyParts))
      rtf += "{\\b Note:} " + paragraph.toLatin1() + "\\par\n";
    rtf += "}";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size()) state.SkipWithError("cannot write");
  }
  return FilePayload{QStringLiteral("megabyte.rtf"), {}, Url::fromLocalFile(path)};
}

// The detail pane showing a megabyte document, settled, then made 240 points wider (the library's
// window widened): the step that widens it and paints the next frame is the time measured, the
// longest later step max_step_ms.
void BM_DetailWidenDocument(benchmark::State& state) {
  Fixture& fixture = Fixture::shared();
  const ClipboardItem item = ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"),
                                                 QDateTime::currentDateTimeUtc(), megabyteDocument(state));
  PanelState panelState(*fixture.fake.context);
  panelState.setItems({item});
  const double width = libraryDetail::width(1100, &item), height = libraryDetail::height(720, &item, width);
  QImage frame(QSize(int(width) + 240, int(height)) * 2, QImage::Format_ARGB32_Premultiplied);
  frame.setDevicePixelRatio(2);
  measurePaneChange(state, fixture, panelState, {item, width, height}, {item, width + 240, height}, frame, true);
}
BENCHMARK(BM_DetailWidenDocument)->Arg(0)->Arg(1)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

double residentMegabytes() { return double(bench::residentBytesAsLeft()) / (1 << 20); }

// A pane opened on the minified 700 KB JSON file and closed again, eight times, each time until
// everything rests (the file read, highlighted and shown; the pane gone): the resident memory
// kept after the last close as the allocator left it (kept_mb), and once it gave back what it
// could (live_mb). Range 0: the library's detail pane, through its model and view; range 1: the
// panel's preview pane, made and destroyed as the panel does.
void BM_PaneOpenCloseMemory(benchmark::State& state) {
  Fixture& fixture = Fixture::shared();
  const bool inLibrary = state.range(0) == 0;
  const ClipboardPayload payload = bench::longTextFile(state, int(test::LongTextFile::minifiedJson));
  state.SetLabel(inLibrary ? "library detail pane, minified 700 KB JSON" : "panel preview, minified 700 KB JSON");
  const ClipboardItem target = ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"),
                                                   QDateTime::currentDateTimeUtc(), payload);
  PanelState panelState(*fixture.fake.context);
  panelState.setItems({target});
  QImage frame(QSize(1100, 760), QImage::Format_ARGB32_Premultiplied);  // at the desktop's scale of 1
  double worker = 0, steps = 0, kept = 0, live = 0;
  for (auto _ : state) {
    ShownLibrary library(fixture, panelState);
    LibraryModel& model = library.model;
    LibraryView& view = library.view;
    const auto paint = [&] {
      QPainter painter(&frame);
      view.render(&painter);
    };
    fixture.settle(paint, worker, steps);
    const double before = residentMegabytes();
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < 8; ++round) {
      if (inLibrary) {
        model.showDetail(target.id);
        fixture.settle(paint, worker, steps);
        model.clearSelectionAndDetail();
      } else {
        auto* pane = new ItemPreviewView(*fixture.fake.context, panelState, {target, 700}, {}, &view);
        pane->resize(pane->sizeHint());
        pane->show();
        fixture.settle([&] { pane->render(&frame); }, worker, steps);
        pane->hide();
        pane->deleteLater();
      }
      fixture.settle(paint, worker, steps);
      // What went with deleteLater goes, as the program's event loop lets it, and what follows.
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      fixture.settle(paint, worker, steps);
    }
    state.SetIterationTime(milliseconds(timer) / 1e3);
    kept = residentMegabytes() - before;
    malloc_trim(0);
    live = residentMegabytes() - before;
  }
  drain(fixture);
  state.counters["kept_mb"] = kept;
  state.counters["live_mb"] = live;
}
BENCHMARK(BM_PaneOpenCloseMemory)->Arg(0)->Arg(1)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// The pane showing an item of one 1,000,000-character line without a space (a minified or
// encoded blob, whose layout costs the square of its length), settled. Edit is pressed, and once
// the editor has settled a key is typed at its caret, then one at the top of the text. The step
// that begins the edit and paints its first frame is the time measured; max_step_ms is the
// longest step from Edit on (the crossfade's frames and the typing included), key_ms the
// longest step of a key, max_step_cpu_ms the longest step's CPU time (of the median iteration:
// what the step costs however loaded the machine). Arg 0 edits a sentence instead: the frames'
// own cost.
void BM_DetailEditLongLine(benchmark::State& state) {
  Fixture& fixture = Fixture::shared();
  // The same pane editing a sentence: the crossfade's frames alone, to compare with.
  const qsizetype length = state.range(0) ? 1'000'000 : 60;
  const QString line = QStringLiteral("QWxhZGRpbjpvcGVuIHNlc2FtZQ").repeated(int(length / 26 + 1)).left(length);
  state.SetLabel(state.range(0) ? "1,000,000 characters in one line without a space" : "60 characters");
  const ClipboardItem item = ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.gnome.TextEditor"),
                                                 QDateTime::currentDateTimeUtc(), TextPayload{line});
  PanelState panelState(*fixture.fake.context);
  panelState.setItems({item});
  const double width = libraryDetail::width(1100, &item), height = libraryDetail::height(720, &item, width);
  QImage frame(QSize(int(width), int(height)) * 2, QImage::Format_ARGB32_Premultiplied);
  frame.setDevicePixelRatio(2);
  double worker = 0, steps = 0, ignored = 0, longestKey = 0;
  std::vector<double> longestSteps, longestCpuSteps;
  for (auto _ : state) {
    auto pane = std::make_unique<LibraryDetailView>(*fixture.fake.context, panelState,
                                                    LibraryDetailView::Props{item, width, height},
                                                    LibraryDetailView::Callbacks{});
    const auto paint = [&] {
      QPainter painter(&frame);
      pane->render(&painter);
    };
    pane->setAttribute(Qt::WA_DontShowOnScreen);
    pane->show();
    paint();
    fixture.settle(paint, ignored, ignored);
    fixture.takeLongestCpuStep();
    QElapsedTimer main;
    main.start();
    const double cpu = Fixture::cpuMilliseconds();
    pane->beginEditing();
    paint();
    const double begin = milliseconds(main);
    double longestCpu = Fixture::cpuMilliseconds() - cpu;
    state.SetIterationTime(begin / 1e3);
    double longest = std::max(begin, fixture.settle(paint, worker, steps));
    for (const Qt::KeyboardModifiers modifiers :
         {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ControlModifier)}) {
      EditableTextView* editor = pane->editor();
      if (!editor) {
        state.SkipWithError("no editor");
        break;
      }
      main.restart();
      const double keyCpu = Fixture::cpuMilliseconds();
      if (modifiers) {
        QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, modifiers);
        QApplication::sendEvent(editor, &home);
      }
      QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
      QApplication::sendEvent(editor, &key);
      paint();
      longestKey = std::max(longestKey, milliseconds(main));
      longestCpu = std::max(longestCpu, Fixture::cpuMilliseconds() - keyCpu);
      longest = std::max({longest, milliseconds(main), fixture.settle(paint, worker, steps)});
    }
    longestSteps.push_back(longest);
    longestCpuSteps.push_back(std::max(longestCpu, fixture.takeLongestCpuStep()));
    pane.reset();
    QCoreApplication::processEvents();
    fixture.fake.queues->runAll();
  }
  drain(fixture);
  bench::reportSteps(state, longestSteps, steps, worker);
  state.counters["key_ms"] = longestKey;
  std::sort(longestCpuSteps.begin(), longestCpuSteps.end());
  state.counters["max_step_cpu_ms"] = longestCpuSteps.empty() ? 0 : longestCpuSteps[longestCpuSteps.size() / 2];
}
BENCHMARK(BM_DetailEditLongLine)->Arg(1)->Arg(0)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QApplication>(argc, argv); }
