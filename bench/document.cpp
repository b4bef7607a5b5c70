// The rich-document preview: reading a 1 MB RTF file and a DOCX whose document.xml is 1 MB
// (the worker's part), and hostile RTFs whose text is one megabyte-long line; and showing such a
// document in the text viewer, where every step the main thread takes (handing over the text,
// each piece that goes in afterwards, each frame painted between them) is timed on its own.
#include "preview/document/RichDocumentReader.h"
#include "support/BenchMain.h"
#include "support/app/FakeContext.h"
#include "support/preview/DocumentFixtures.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"
#include "ui/controls/TextViewers.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <ctime>
#include <deque>

namespace {

using namespace qv;

// Sentences of 100–200 bytes, as people write them.
const char* const kSentences[] = {
    "The quarterly report is due on Friday; please send your figures to Dana by Thursday noon.",
    "We moved the launch to the fourteenth of March so that the translations can be reviewed once more "
    "by the regional teams.",
    "Café meetings now start at half past three, and the résumé drafts go to Zoë before the end of the week.",
    "Open questions from the last review: the budget for the third quarter, the hiring plan, and the office move.",
    "Decisions will go out by mail; anything urgent can be raised in the Monday stand-up or sent to the list.",
};

QByteArray rtfText(const QString& text) {
  QByteArray out;
  for (QChar c : text) {
    if (c.unicode() < 0x80) out.append(char(c.unicode()));
    else if (c.unicode() < 0x100) out += "\\'" + QByteArray::number(c.unicode(), 16);
    else out += "\\u" + QByteArray::number(c.unicode()) + "?";
  }
  return out;
}

// About 1 MB of RTF: a header as word processors write it, then paragraphs of sentences with
// bold, italic and coloured runs.
QByteArray oneMegabyteRtf() {
  QByteArray rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2761\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Helvetica;}"
      "{\\f1\\froman\\fcharset0 Times-Roman;}}{\\colortbl;\\red255\\green255\\blue255;\\red0\\green0\\blue0;"
      "\\red200\\green40\\blue30;}{\\*\\expandedcolortbl;;\\cssrgb\\c0\\c0\\c0;}\\paperw11900\\paperh16840"
      "\\margl1440\\margr1440\\vieww11520\\viewh8400\\viewkind0\n\\pard\\tx566\\tx1133\\pardirnatural\\partightenfactor"
      "0\n";
  for (int i = 0; rtf.size() < (1 << 20); ++i) {
    const QString sentence = QString::fromUtf8(kSentences[i % std::size(kSentences)]);
    if (i % 7 == 0) rtf += "\\f1\\b\\fs28 \\cf2 Section " + QByteArray::number(i / 7) + "\\b0\\fs24 \\par\n\\f0 ";
    if (i % 3 == 0) rtf += "{\\i " + rtfText(sentence.left(40)) + "}" + rtfText(sentence.mid(40));
    else if (i % 5 == 0) rtf += "{\\cf3 " + rtfText(sentence) + "}";
    else rtf += rtfText(sentence);
    rtf += i % 4 == 3 ? "\\par\n" : " ";
  }
  return rtf + "}";
}

QByteArray xmlText(const QString& text) { return text.toHtmlEscaped().toUtf8(); }

// A DOCX whose document.xml is about 1 MB: paragraphs of runs, some bold, italic or coloured.
QByteArray oneMegabyteDocx() {
  QByteArray body;
  int i = 0;
  for (; body.size() < (1 << 20) - 400 || i % 4 != 0; ++i) {
    const QString sentence = QString::fromUtf8(kSentences[i % std::size(kSentences)]);
    if (i % 4 == 0) body += "<w:p><w:pPr><w:pStyle w:val=\"Normal\"/></w:pPr>";
    if (i % 3 == 0)
      body += "<w:r><w:rPr><w:b/><w:color w:val=\"C82A1E\"/></w:rPr><w:t>" + xmlText(sentence.left(30)) +
              "</w:t></w:r><w:r><w:t xml:space=\"preserve\">" + xmlText(sentence.mid(30)) + " </w:t></w:r>";
    else
      body += "<w:r><w:rPr><w:i/><w:sz w:val=\"24\"/></w:rPr><w:t xml:space=\"preserve\">" + xmlText(sentence) +
              " </w:t></w:r>";
    if (i % 4 == 3) body += "</w:p>\n";
  }
  const QByteArray document =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:document "
      "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>" +
      body + "<w:sectPr/></w:body></w:document>";
  test::ZipWriter zip;
  zip.add(QStringLiteral("[Content_Types].xml"), "<Types/>");
  zip.add(QStringLiteral("word/document.xml"), document);
  zip.add(QStringLiteral("word/styles.xml"),
          "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:docDefaults>"
          "<w:rPrDefault><w:rPr><w:sz w:val=\"22\"/></w:rPr></w:rPrDefault></w:docDefaults>"
          "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"/></w:styles>");
  return zip.bytes();
}

// Hostile RTFs whose text is one line the length of the reader's limit: 2 M code pages each
// naming the next 8-bit character, and 500,000 `\u` escapes.
QByteArray manyCodePagesRtf() {
  QByteArray body;
  body.reserve(2'000'000 * 18);
  for (int page = 0; page < 2'000'000; ++page) body += "\\ansicpg" + QByteArray::number(100'000 + page) + " \\'e9";
  return "{\\rtf1\\ansi " + body + "}";
}

QByteArray unicodeEscapesRtf() { return "{\\rtf1\\ansi " + QByteArray("\\u1234?").repeated(500'000) + "}"; }

// A 48 MB web archive of formatted paragraphs: its page is cut at the reader's text limit.
QByteArray largeWebArchive() {
  const QByteArray paragraph =
      "<p style=\"color:#3060c0\">Some <b>bold</b>, <i>italic</i> and <span style=\"font-size:18px\">larger</span> "
      "text.</p>\n";
  return test::PlistWriter::webArchive("<html><body>" + paragraph.repeated(48 * 1024 * 1024 / paragraph.size()));
}

// Range 0: the 1 MB RTF, 1: the DOCX, 2 and 3: the hostile RTFs, 4: the web archive.
QByteArray benchDocument(int64_t which) {
  switch (which) {
    case 1: return oneMegabyteDocx();
    case 2: return manyCodePagesRtf();
    case 3: return unicodeEscapesRtf();
    case 4: return largeWebArchive();
    default: return oneMegabyteRtf();
  }
}

const char* benchDocumentLabel(int64_t which) {
  switch (which) {
    case 1: return "DOCX text";
    case 2: return "RTF, 2 M code pages in one line";
    case 3: return "RTF, 500,000 \\u escapes in one line";
    case 4: return "48 MB web archive";
    default: return "RTF text";
  }
}

// Worker: reading the whole file (unzipping, parsing, recolouring).
void BM_ReadDocument(benchmark::State& state) {
  const QByteArray bytes = benchDocument(state.range(0));
  qsizetype characters = 0;
  for (auto _ : state) {
    const std::optional<AttributedText> text = readRichDocumentBytes(bytes);
    if (!text) state.SkipWithError("unreadable");
    else characters = text->text.size();
  }
  state.SetLabel(benchDocumentLabel(state.range(0)));
  state.counters["characters"] = double(characters);
  state.counters["file_kb"] = double(bytes.size()) / 1024;
}
BENCHMARK(BM_ReadDocument)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// The main thread's scheduler with every posted step timed on its own.
class StepScheduler : public Scheduler {
 public:
  QDateTime now() const override { return QDateTime::currentDateTime(); }
  double uptime() const override { return 0; }
  WorkItem after(double, std::function<void()> work, Guard guard) override {
    post(std::move(work), std::move(guard));
    return {};
  }
  Timer every(double, std::function<void()>, Guard) override { return {}; }
  void post(std::function<void()> work, Guard guard) override {
    queue_.push_back([work = std::move(work), guard = std::move(guard)] {
      if (guard.alive()) work();
    });
  }
  bool runOne() {
    if (queue_.empty()) return false;
    auto work = std::move(queue_.front());
    queue_.pop_front();
    work();
    return true;
  }

 private:
  std::deque<std::function<void()>> queue_;
};

// The process's resident memory in megabytes.
double residentMegabytes() { return double(bench::residentBytesAsLeft()) / (1 << 20); }

// The main thread's own processor time, in milliseconds: other programs on a busy machine do not
// count against a step.
double threadMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Main thread: the read document handed to the viewer of the preview pane (420 × 600 points),
// then every turn of the event loop until all of it is in: the work of the turn and a frame
// painted after it. Reports the longest turn (max_step_ms, which must stay under 16 ms), the
// number of turns, the time until the whole text is in, and the step that lets the document go
// again when the pane closes (let_go_ms).
void BM_ShowDocument(benchmark::State& state) {
  const std::optional<AttributedText> read = readRichDocumentBytes(benchDocument(state.range(0)));
  if (!read) {
    state.SkipWithError("unreadable");
    return;
  }
  const auto document = std::make_shared<const AttributedText>(*read);
  FakeContext fake;
  fake.context->frameClock = std::make_shared<ManualFrameClock>();
  auto scheduler = std::make_shared<StepScheduler>();
  fake.context->scheduler = scheduler;
  installInterfaceServices(*fake.context);
  QImage frame(QSize(840, 1200), QImage::Format_ARGB32_Premultiplied);
  frame.setDevicePixelRatio(2);
  double longest = 0, whole = 0, grown = 0, letGo = 0;
  int steps = 0;
  for (auto _ : state) {
    const double before = residentMegabytes();
    QVTextViewer viewer(*fake.context);
    viewer.setAttribute(Qt::WA_DontShowOnScreen);
    viewer.resize(420, 600);
    viewer.show();
    while (scheduler->runOne()) {
    }
    double total = 0;
    bool first = true;
    while (first || viewer.isFilling()) {
      const double start = threadMilliseconds();
      if (first) viewer.setProps({QString(), document, false, QSizeF(14, 12)}, {});
      else scheduler->runOne();
      QApplication::sendPostedEvents();
      {
        QPainter painter(&frame);
        viewer.render(&painter);
      }
      const double step = threadMilliseconds() - start;
      longest = std::max(longest, step);
      total += step;
      ++steps;
      first = false;
    }
    while (scheduler->runOne()) {
    }
    grown = std::max(grown, residentMegabytes() - before);
    // The pane closed: the viewer lets the document go.
    const double start = threadMilliseconds();
    viewer.setProps({}, {});
    QApplication::sendPostedEvents();
    letGo = std::max(letGo, threadMilliseconds() - start);
    whole += total;
    state.SetIterationTime(total / 1e3);
  }
  state.SetLabel(benchDocumentLabel(state.range(0)));
  state.counters["max_step_ms"] = longest;
  state.counters["steps"] = benchmark::Counter(steps, benchmark::Counter::kAvgIterations);
  state.counters["characters"] = double(document->text.size());
  state.counters["shown_mb"] = grown;   // resident memory the shown document takes
  state.counters["let_go_ms"] = letGo;  // the step that lets the shown document go
}
BENCHMARK(BM_ShowDocument)->DenseRange(0, 4)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// Main thread: the shown document's viewer made wider (the pane expanding) once all the text is
// in: Qt lays the text out again from the top in steps on its own timer. Reports the longest
// turn of the event loop until the layout is done.
void BM_WidenShownDocument(benchmark::State& state) {
  const std::optional<AttributedText> read = readRichDocumentBytes(oneMegabyteRtf());
  const auto document = std::make_shared<const AttributedText>(*read);
  FakeContext fake;
  fake.context->frameClock = std::make_shared<ManualFrameClock>();
  auto scheduler = std::make_shared<StepScheduler>();
  fake.context->scheduler = scheduler;
  installInterfaceServices(*fake.context);
  double longest = 0;
  for (auto _ : state) {
    state.PauseTiming();
    QVTextViewer viewer(*fake.context);
    viewer.setAttribute(Qt::WA_DontShowOnScreen);
    viewer.resize(420, 600);
    viewer.show();
    viewer.setProps({QString(), document, false, QSizeF(14, 12)}, {});
    while (scheduler->runOne()) {
    }
    QApplication::processEvents();
    state.ResumeTiming();
    double total = 0;
    double start = threadMilliseconds();
    viewer.resize(560, 600);
    QApplication::sendPostedEvents();
    double step = threadMilliseconds() - start;
    longest = std::max(longest, step);
    total += step;
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < 1500) {
      start = threadMilliseconds();
      QApplication::processEvents(QEventLoop::AllEvents, 20);
      step = threadMilliseconds() - start;
      if (step > 1) idle.restart();
      longest = std::max(longest, step);
      total += step;
    }
    state.SetIterationTime(total / 1e3);
  }
  state.counters["max_step_ms"] = longest;
}
BENCHMARK(BM_WidenShownDocument)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return qv::bench::runBenchmarks<QApplication>(argc, argv); }
