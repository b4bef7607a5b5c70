#include "PreviewTestSupport.h"
#include "platform/Paths.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeSerialQueue.h"
#include "preview/DesktopThumbnailService.h"
#include "preview/PreviewServices.h"
#include "state/PanelState.h"
#include "support/PdfFixtures.h"
#include "support/base/NonUtf8Names.h"
#include "support/state/StateTestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

namespace qv {
namespace {

using Source = DesktopThumbnailService::Source;

constexpr char kPdf[] =
    "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
    "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 200 300]>>endobj\ntrailer<</Root 1 0 R>>\n%%EOF\n";
constexpr char kSvg[] =
    "<svg xmlns='http://www.w3.org/2000/svg' width='400' height='200'>"
    "<rect width='400' height='200' fill='#3060c0'/><circle cx='200' cy='100' r='60' fill='#f0c040'/></svg>";

QImage photo(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(QColor(40, 110, 200));
  QPainter painter(&image);
  painter.fillRect(QRect(0, 0, size.width() / 2, size.height()), QColor(220, 80, 40));
  return image;
}

int modeOf(const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) return -1;
  return int(info.st_mode & 0777);
}

void write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

void setModified(const QString& path, qint64 seconds) {
  utimbuf times{time_t(seconds), time_t(seconds)};
  ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &times), 0);
}

// The service over a private cache, private thumbnailer folders and a PDF renderer that draws a
// portrait page of the size it is asked for.
struct ServiceFixture : ::testing::Test {
  ServiceFixture() {
    QDir().mkpath(dir.filePath("files"));
    QDir().mkpath(dir.filePath("tmp"));
    QDir().mkpath(thumbnailers());
    options.cacheRoot = dir.filePath("cache/thumbnails");
    options.thumbnailerFolders = {thumbnailers()};
    options.temporaryFolder = dir.filePath("tmp");
    options.renderPdf = [this](const QString& path, QSize pixels,
                               const std::function<bool()>&) -> std::optional<QImage> {
      renderedPdfs << path;
      if (!QFile::exists(path)) return std::nullopt;
      QImage page(QSize(pixels.height() * 2 / 3, pixels.height()), QImage::Format_RGB32);
      page.fill(Qt::white);
      return page;
    };
    photo({3000, 2000}).save(file("photo.png"));
    photo({4000, 3000}).save(file("photo.jpg"), "jpeg", 85);
    write(file("drawing.svg"), kSvg);
    write(file("paper.pdf"), kPdf);
    write(file("paper-without-extension"), kPdf);
    write(file("notes.txt"), "some notes\n");
    write(file("data.bin"), QByteArray("\x01\x02\x03\xff\xfe garbage", 14));
    write(file("broken.png"), "\x89PNG\r\n\x1a\nthe rest is missing");
    // A picture claiming 20,000 pixels a side (1.6 GB decoded): refused, never allocated.
    QImage(1, 1, QImage::Format_RGB32).save(file("huge.png"));
    QByteArray huge = [this] {
      QFile in(file("huge.png"));
      in.open(QIODevice::ReadOnly);
      return in.readAll();
    }();
    // Width and height in the header (the checksum no longer matches, which readers ignore or refuse).
    const char side[4] = {0, 0, 0x4e, 0x20};
    huge.replace(16, 4, QByteArray(side, 4)).replace(20, 4, QByteArray(side, 4));
    write(file("huge.png"), huge);
  }
  QString file(const QString& name) const { return dir.filePath("files/" + name); }
  QString thumbnailers() const { return dir.filePath("share/thumbnailers"); }
  DesktopThumbnailService& service() {
    if (!service_)
      service_ = std::make_unique<DesktopThumbnailService>(scheduler, queues.factory()(QStringLiteral("thumbnails")),
                                                           options);
    return *service_;
  }
  // Installs a thumbnailer for plain text that runs `body` (arguments: size, input, output).
  void installTextThumbnailer(const QByteArray& body) {
    const QString script = dir.filePath("share/text-thumbnailer");
    write(script, "#!/bin/sh\n" + body);
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    write(thumbnailers() + "/text.thumbnailer", "[Thumbnailer Entry]\nTryExec=" + QFile::encodeName(script) +
                                                    "\nExec=\"" + QFile::encodeName(script) +
                                                    "\" %s %i %o\nMimeType=text/plain;\n");
  }
  QByteArray copyFixtureTo(const QString& name) {
    photo({600, 300}).save(dir.filePath(name));
    return "cp '" + QFile::encodeName(dir.filePath(name)) + "' \"$3\"\n";
  }

  QTemporaryDir dir;
  DesktopThumbnailService::Options options;
  QStringList renderedPdfs;
  std::shared_ptr<FakeScheduler> scheduler = std::make_shared<FakeScheduler>();
  FakeSerialQueues queues;
  std::unique_ptr<DesktopThumbnailService> service_;
};

TEST_F(ServiceFixture, EachKindOfFileFindsItsTier) {
  installTextThumbnailer(copyFixtureTo("text-thumbnail.png"));
  const QSize request(840, 640);
  const auto bounded = [](QSize size) { return size.scaled(1024, 1024, Qt::KeepAspectRatio); };
  const struct {
    QString name;
    Source source;
    QSize made;  // at the covering size (xx-large: 1024)
  } cases[] = {
      {"photo.png", Source::picture, bounded({3000, 2000})},
      {"photo.jpg", Source::picture, {1024, 768}},
      {"drawing.svg", Source::picture, {400, 200}},  // never enlarged
      {"paper.pdf", Source::pdf, {682, 1024}},
      {"paper-without-extension", Source::pdf, {682, 1024}},
      {"notes.txt", Source::thumbnailer, {600, 300}},
      {"data.bin", Source::none, {}},
      {"broken.png", Source::none, {}},
      {"huge.png", Source::none, {}},
      {"missing.png", Source::none, {}},
  };
  for (const auto& c : cases) {
    const DesktopThumbnailService::Made made = service().make(file(c.name), request);
    EXPECT_EQ(made.source, c.source) << c.name.toStdString();
    EXPECT_EQ(made.picture ? made.picture->size() : QSize(), c.made) << c.name.toStdString();
  }
  EXPECT_TRUE(service().make(dir.filePath("files"), request).source == Source::none) << "a folder";
  // Answers fit the request, proportions kept.
  EXPECT_EQ(DesktopThumbnailService::fitted(QImage(1024, 683, QImage::Format_RGB32), request).size(),
            QSize(1024, 683).scaled(request, Qt::KeepAspectRatio));
  EXPECT_EQ(DesktopThumbnailService::fitted(QImage(400, 200, QImage::Format_RGB32), request).size(), QSize(400, 200));
}

TEST_F(ServiceFixture, WithoutARendererPdfDocumentsGoToTheThumbnailers) {
  options.renderPdf = {};
  EXPECT_EQ(service().make(file("paper.pdf"), {256, 256}).source, Source::none);
  EXPECT_TRUE(renderedPdfs.isEmpty());
}

TEST_F(ServiceFixture, AMadeThumbnailIsWrittenBackAndFoundAgainUntilTheFileChanges) {
  const QString path = file("photo.jpg");
  setModified(path, 1700000000);
  const QSize request(840, 640);
  const DesktopThumbnailService::Made made = service().make(path, request);
  ASSERT_EQ(made.source, Source::picture);
  ASSERT_TRUE(service().keep(path, made, request));
  const QString entry = service().cache().entryPath(SharedThumbnailCache::fileUri(path),
                                                    SharedThumbnailCache::kSizes[3]);
  EXPECT_EQ(modeOf(entry), 0600);
  EXPECT_EQ(QImage(entry).text("Thumb::MTime"), QStringLiteral("1700000000"));
  EXPECT_EQ(QImage(entry).text("Thumb::Mimetype"), QStringLiteral("image/jpeg"));
  EXPECT_EQ(service().make(path, request).source, Source::cache);
  // A smaller request finds the larger entry too.
  EXPECT_EQ(service().make(path, {200, 100}).source, Source::cache);
  // Not kept again: a hit is already there.
  EXPECT_FALSE(service().keep(path, service().make(path, request), request));

  // The file changed: its old entry is refused, and the new picture replaces it.
  setModified(path, 1700000100);
  const DesktopThumbnailService::Made again = service().make(path, request);
  EXPECT_EQ(again.source, Source::picture);
  ASSERT_TRUE(service().keep(path, again, request));
  EXPECT_EQ(QImage(entry).text("Thumb::MTime"), QStringLiteral("1700000100"));
  EXPECT_EQ(service().make(path, request).source, Source::cache);

  // A corrupt entry is passed over.
  write(entry, "\x89PNG\r\n\x1a\ntruncated");
  EXPECT_EQ(service().make(path, request).source, Source::picture);
}

TEST_F(ServiceFixture, ThumbnailsOfTheCacheItselfAreNeitherLookedUpNorKept) {
  const QString path = file("photo.png");
  const DesktopThumbnailService::Made made = service().make(path, {128, 128});
  ASSERT_TRUE(service().keep(path, made, {128, 128}));
  const QString entry = service().cache().entryPath(SharedThumbnailCache::fileUri(path),
                                                    SharedThumbnailCache::kSizes[0]);
  const DesktopThumbnailService::Made ofEntry = service().make(entry, {128, 128});
  EXPECT_EQ(ofEntry.source, Source::picture);
  EXPECT_FALSE(service().keep(entry, ofEntry, {128, 128}));
}

TEST_F(ServiceFixture, ThumbnailersFromTheDataFoldersOfTheEnvironment) {
  installTextThumbnailer(copyFixtureTo("text-thumbnail.png"));
  const QByteArray savedDirs = qgetenv("XDG_DATA_DIRS"), savedHome = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_DIRS", dir.filePath("share").toUtf8());
  qputenv("XDG_DATA_HOME", dir.filePath("nothing-here").toUtf8());
  const Paths paths(dir.filePath("data"), dir.filePath("cache"), dir.filePath("config"), dir.filePath("run"),
                    dir.filePath("tmp"));
  options = DesktopThumbnailService::optionsFor(paths);
  qputenv("XDG_DATA_DIRS", savedDirs);
  qputenv("XDG_DATA_HOME", savedHome);
  EXPECT_EQ(options.cacheRoot, dir.filePath("cache/thumbnails"));
  EXPECT_EQ(service().make(file("notes.txt"), {256, 256}).source, Source::thumbnailer);
}

TEST_F(ServiceFixture, AThumbnailerThatHangsIsKilledAndOneThatWritesGarbageRefused) {
  options.limits.seconds = 0.5;
  installTextThumbnailer("exec sleep 30\n");
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(service().make(file("notes.txt"), {256, 256}).source, Source::none);
  EXPECT_LT(clock.elapsed(), 5000);
  installTextThumbnailer("echo garbage > \"$3\"\n");
  write(file("notes.txt"), "other notes\n");  // a failure is remembered until the file changes
  EXPECT_EQ(service().make(file("notes.txt"), {256, 256}).source, Source::none);
}

TEST_F(ServiceFixture, ThePdfTierDrawsTheFirstPageOfARealDocumentWhateverItsName) {
  const Paths paths(dir.filePath("data"), dir.filePath("cache"), dir.filePath("config"), dir.filePath("run"),
                    dir.filePath("tmp"));
  options = DesktopThumbnailService::optionsFor(paths);
  options.thumbnailerFolders = {thumbnailers()};
  const QString named = file("pages.pdf"), unnamed = file("pages");
  ASSERT_TRUE(test::writeTestPdf(named, {{QSizeF(612, 792), Qt::blue}, {QSizeF(612, 792), Qt::red}}));
  ASSERT_TRUE(QFile::copy(named, unnamed));
  for (const QString& path : {named, unnamed}) {
    const DesktopThumbnailService::Made made = service().make(path, {840, 640});
    ASSERT_EQ(made.source, Source::pdf) << path.toStdString();
    EXPECT_EQ(made.picture->size(), QSize(791, 1024)) << "page one fitted into the xx-large square";
    EXPECT_EQ(made.picture->pixelColor(400, 500), QColor(Qt::blue));
    EXPECT_EQ(made.mimeType, QStringLiteral("application/pdf"));
  }
  // Locked, damaged or abandoned: nothing.
  EXPECT_EQ(service().make(test::passwordLockedPdfPath(), {840, 640}).source, Source::none);
  write(file("damaged.pdf"), "%PDF-1.7\n% nothing else survived\n");
  EXPECT_EQ(service().make(file("damaged.pdf"), {840, 640}).source, Source::none);
  EXPECT_FALSE(DesktopThumbnailService::firstPageOf(named, {840, 640}, [] { return true; }));
}

TEST_F(ServiceFixture, RequestsAnswerOnTheMainThreadThenWriteAndTheLatestWins) {
  service();
  auto queue = queues.queue(QStringLiteral("thumbnails"));
  std::optional<std::optional<QImage>> answered;
  ThumbnailRequest request = service().request(file("photo.png"), {420, 320},
                                               [&](std::optional<QImage> picture) { answered = picture; });
  EXPECT_TRUE(request.isActive());
  EXPECT_EQ(queue->pendingCount(), 1);
  EXPECT_FALSE(answered);
  queue->runAll();
  EXPECT_FALSE(answered) << "only on the main thread";
  scheduler->runPending();
  ASSERT_TRUE(answered && *answered);
  EXPECT_EQ((*answered)->size(),
            QSize(3000, 2000).scaled(1024, 1024, Qt::KeepAspectRatio).scaled(420, 320, Qt::KeepAspectRatio));
  EXPECT_EQ(service().make(file("photo.png"), {420, 320}).source, Source::cache);

  // A request dropped before the queue reaches it does nothing and answers nothing.
  int answers = 0;
  ThumbnailRequest first = service().request(file("paper.pdf"), {420, 320}, [&](std::optional<QImage>) { ++answers; });
  first = service().request(file("photo.jpg"), {420, 320}, [&](std::optional<QImage>) { answers += 10; });
  queue->runAll();
  scheduler->runPending();
  EXPECT_EQ(answers, 10);
  EXPECT_TRUE(renderedPdfs.isEmpty()) << "the overtaken request never ran";

  // Cancelled after the work ran, before the answer came back: nothing is answered.
  ThumbnailRequest late = service().request(file("paper.pdf"), {420, 320},
                                            [&](std::optional<QImage>) { answers += 100; });
  queue->runAll();
  late.cancel();
  scheduler->runPending();
  EXPECT_EQ(answers, 10);

  // A file that vanished answers nothing, once.
  std::optional<std::optional<QImage>> missing;
  ThumbnailRequest gone = service().request(file("deleted.png"), {420, 320},
                                            [&](std::optional<QImage> picture) { missing = picture; });
  queue->runAll();
  scheduler->runPending();
  ASSERT_TRUE(missing);
  EXPECT_FALSE(*missing);
}

TEST_F(ServiceFixture, AFileWhoseThumbnailFailedIsNotAskedForAgainUntilItChanges) {
  const QString runs = dir.filePath("runs");
  installTextThumbnailer("echo run >> '" + QFile::encodeName(runs) + "'\nexit 1\n");
  const auto runCount = [&runs] {
    QFile file(runs);
    return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
  };
  const QString path = file("notes.txt");
  setModified(path, 1700000000);
  const struct {
    const char* step;
    std::function<void()> before;
    int runs;
  } steps[] = {
      {"first", [] {}, 1},
      {"the same file again", [] {}, 1},
      {"another size of it", [] {}, 1},
      {"touched", [&] { setModified(path, 1700000100); }, 2},
      {"touched, again", [] {}, 2},
      {"grown, same time",
       [&] {
         write(path, "some notes, and more\n");
         setModified(path, 1700000100);
       },
       3},
  };
  for (const auto& step : steps) {
    step.before();
    std::optional<std::optional<QImage>> answered;
    ThumbnailRequest request = service().request(
        path, strcmp(step.step, "another size of it") == 0 ? QSize(64, 64) : QSize(420, 320),
        [&](std::optional<QImage> picture) { answered = picture; });
    queues.queue(QStringLiteral("thumbnails"))->runAll();
    scheduler->runPending();
    ASSERT_TRUE(answered) << step.step;
    EXPECT_FALSE(*answered) << step.step;
    EXPECT_EQ(runCount(), step.runs) << step.step;
  }
  // A run given up (the view went on) says nothing about the file.
  write(path, "notes, changed once more\n");
  EXPECT_EQ(service().make(path, {256, 256}, [] { return true; }).source, Source::none);
  EXPECT_EQ(service().make(path, {256, 256}).source, Source::none);
  EXPECT_EQ(runCount(), 4);
}

// The thumbnailer's process stands in: each run ends as the step says, in no time at all.
TEST_F(ServiceFixture, OnlyAThumbnailerThatEndedByItselfMakesTheFileAFailure) {
  installTextThumbnailer("exit 1\n");
  using End = ThumbnailerRun::End;
  QList<End> runs;
  End next = End::failed;
  options.runThumbnailer = [&](const Thumbnailer&, const QString&, const QByteArray&, int, const QString&,
                               const ThumbnailerLimits&, const std::function<bool()>&) {
    runs << next;
    return ThumbnailerRun{std::nullopt, next};
  };
  const QString path = file("notes.txt");
  const struct {
    const char* step;
    End end;  // how this step's run ends, when there is one
    qsizetype runs;
  } steps[] = {
      {"killed at its time limit", End::outOfTime, 1},
      {"asked again: it runs again", End::outOfTime, 2},
      {"could not start", End::notStarted, 3},
      {"asked again: it runs again, and fails", End::failed, 4},
      {"asked again: the failure is remembered", End::failed, 4},
  };
  for (const auto& step : steps) {
    next = step.end;
    std::optional<std::optional<QImage>> answered;
    ThumbnailRequest request = service().request(path, {420, 320}, [&](std::optional<QImage> p) { answered = p; });
    queues.queue(QStringLiteral("thumbnails"))->runAll();
    scheduler->runPending();
    ASSERT_TRUE(answered) << step.step;
    EXPECT_FALSE(*answered) << step.step;
    EXPECT_EQ(runs.size(), step.runs) << step.step;
  }
}

// One run per file at a time: requests that reach a file while its run waits in the queue or is
// under way share it, as long as its picture covers them. The thumbnailer stands in for the
// process and, like it, is killed once nobody wants its picture.
TEST_F(ServiceFixture, RequestsForAFileShareItsRun) {
  installTextThumbnailer("exit 1\n");
  int runs = 0;
  std::function<void()> duringRun;
  options.runThumbnailer = [&](const Thumbnailer&, const QString&, const QByteArray&, int size, const QString&,
                               const ThumbnailerLimits&, const std::function<bool()>& cancelled) {
    ++runs;
    if (duringRun) std::exchange(duringRun, {})();
    if (cancelled()) return ThumbnailerRun{std::nullopt, ThumbnailerRun::End::cancelled};
    return ThumbnailerRun{photo({size, size / 2}), ThumbnailerRun::End::wrote};
  };
  const struct {
    const char* name;
    QSize first, second;
    bool whileRunning;  // the second request comes while the thumbnailer runs, else while queued
    bool replaces;      // the second request takes the first one's place (the view asks again)
    int runs;
  } cases[] = {
      {"the view asks again at another size while queued", {200, 100}, {240, 120}, false, true, 1},
      {"the view asks again at another size while it runs", {200, 100}, {240, 120}, true, true, 1},
      {"two views of the file", {200, 100}, {100, 50}, true, false, 1},
      {"a larger size than the run makes comes after it", {100, 100}, {600, 600}, true, false, 2},
      {"a larger size comes while queued: the run grows to it", {100, 100}, {600, 600}, false, false, 1},
  };
  int number = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = file(QStringLiteral("shared-%1.txt").arg(++number));
    write(path, "a note\n");
    runs = 0;
    QList<QSize> answers;
    const auto ask = [&](QSize size) {
      return service().request(path, size,
                               [&answers](std::optional<QImage> p) { answers << (p ? p->size() : QSize()); });
    };
    ThumbnailRequest first = ask(c.first);
    ThumbnailRequest second;
    const auto askAgain = [&] {
      second = ask(c.second);
      if (c.replaces) first.cancel();
    };
    if (c.whileRunning) duringRun = askAgain;
    else askAgain();
    queues.queue(QStringLiteral("thumbnails"))->runAll();
    scheduler->runPending();
    EXPECT_EQ(runs, c.runs);
    ASSERT_EQ(answers.size(), c.replaces ? 1 : 2);
    for (const QSize& size : answers) EXPECT_FALSE(size.isEmpty());
    EXPECT_TRUE(answers.contains(QSize(c.second.width(), c.second.width() / 2))) << answers.size();
  }
}

// Requests made and dropped along a timeline while a thumbnailer that takes 1.5 s runs (virtual
// time, the fake thumbnailer looks at its cancellation every 0.05 s as the real one does).
TEST_F(ServiceFixture, ARunUnderWayServesEveryRequestItsPictureCovers) {
  installTextThumbnailer("exit 1\n");
  struct Ran {
    QString file;
    bool cancelled = false;
  };
  QList<Ran> runs;
  options.runThumbnailer = [&](const Thumbnailer&, const QString& path, const QByteArray&, int size, const QString&,
                               const ThumbnailerLimits&, const std::function<bool()>& cancelled) {
    runs << Ran{QFileInfo(path).fileName()};
    for (int step = 0; step < 30; ++step) {
      scheduler->advance(0.05);
      if (cancelled()) {
        runs.last().cancelled = true;
        return ThumbnailerRun{std::nullopt, ThumbnailerRun::End::cancelled};
      }
    }
    return ThumbnailerRun{photo({size, size / 2}), ThumbnailerRun::End::wrote};
  };
  bool nextIsPrivate = false;
  service().setPrivacyCheck([&nextIsPrivate](const QString&) { return nextIsPrivate; });
  struct Step {
    double at;
    const char* file;  // asked for; none: the request `drop` is dropped
    int side = 0;
    bool isPrivate = false;
    int drop = -1;
  };
  const struct {
    const char* name;
    QList<Step> steps;
    QStringList runs;        // the files the thumbnailer ran for, in order
    int killed;              // runs ended because nobody wanted them
    QList<int> answered;     // the requests answered
    bool keptInSharedCache;  // a.txt
  } cases[] = {
      {"closed at 0.4 s and opened 0.3 s later: the first run serves it",
       {{0, "a.txt", 256}, {0.4, nullptr, 0, false, 0}, {0.7, "a.txt", 256}},
       {"a.txt"},
       0,
       {2},
       true},
      {"closed and left: the run ends and is kept for the next time",
       {{0, "a.txt", 256}, {0.4, nullptr, 0, false, 0}},
       {"a.txt"},
       0,
       {},
       true},
      {"closed, then another file: the unwanted run gives way",
       {{0, "a.txt", 256}, {0.4, nullptr, 0, false, 0}, {0.5, "b.txt", 256}},
       {"a.txt", "b.txt"},
       1,
       {2},
       false},
      // Private, so that no cached picture stands in for a run.
      {"a larger size while it runs, and one the larger run covers after the first ended",
       {{0, "a.txt", 100, true}, {0.2, "a.txt", 600, true}, {1.8, "a.txt", 500, true}},
       {"a.txt", "a.txt"},
       0,
       {0, 1, 2},
       false},
      {"a private request, then an open one of the same run",
       {{0, "a.txt", 256, true}, {0, "a.txt", 256}},
       {"a.txt"},
       0,
       {0, 1},
       false},
      {"an open request, then a private one while it runs",
       {{0, "a.txt", 256}, {0.3, "a.txt", 200, true}},
       {"a.txt"},
       0,
       {0, 1},
       false},
  };
  int number = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString folder = QStringLiteral("timeline-%1/").arg(++number);
    QDir().mkpath(file(folder));
    for (const char* name : {"a.txt", "b.txt"}) write(file(folder + name), "a note\n");
    runs.clear();
    std::vector<ThumbnailRequest> requests(c.steps.size());
    QList<int> answered;
    for (int index = 0; index < c.steps.size(); ++index) {
      const Step step = c.steps[index];
      scheduler->after(step.at, [&, step, index] {
        if (!step.file) {
          requests[size_t(step.drop)].cancel();
          return;
        }
        nextIsPrivate = step.isPrivate;
        requests[size_t(index)] = service().request(file(folder + step.file), {step.side, step.side},
                                                    [&answered, index](std::optional<QImage>) { answered << index; });
      });
    }
    for (int tick = 0; tick < 100; ++tick) {
      queues.queue(QStringLiteral("thumbnails"))->runAll();
      scheduler->advance(0.05);
    }
    QStringList ranFor;
    int killed = 0;
    for (const Ran& ran : runs) {
      ranFor << ran.file;
      killed += ran.cancelled;
    }
    EXPECT_EQ(ranFor.join(u',').toStdString(), c.runs.join(u',').toStdString());
    EXPECT_EQ(killed, c.killed);
    std::sort(answered.begin(), answered.end());
    EXPECT_EQ(answered, c.answered);
    int entries = 0;
    for (const SharedThumbnailCache::Size& size : SharedThumbnailCache::kSizes)
      entries += QFile::exists(
          service().cache().entryPath(SharedThumbnailCache::fileUri(file(folder + "a.txt")), size));
    EXPECT_EQ(entries > 0, c.keptInSharedCache);
  }
}

TEST_F(ServiceFixture, APictureWhoseNameIsNotUtf8IsDrawnAndKeptUnderItsOwnAddress) {
  QFile source(file("photo.png"));
  ASSERT_TRUE(source.open(QIODevice::ReadOnly));
  const QString path = test::writeFileNamedInBytes(dir.filePath("files"), source.readAll(), "bad\xff\xfe photo.png");
  ASSERT_FALSE(path.isEmpty());
  const DesktopThumbnailService::Made made = service().make(path, {256, 256});
  EXPECT_EQ(made.source, Source::picture);
  EXPECT_EQ(SharedThumbnailCache::fileUri(path),
            "file://" + QFile::encodeName(dir.filePath("files")) + "/bad%FF%FE%20photo.png");
  ASSERT_TRUE(service().keep(path, made, {256, 256}));
  EXPECT_EQ(service().make(path, {256, 256}).source, Source::cache);
}

TEST_F(ServiceFixture, ThumbnailsOfPrivateFilesAreMadeButNeverWrittenToTheSharedCache) {
  const QString secret = file("photo.png"), open = file("photo.jpg");
  service().setPrivacyCheck([&secret](const QString& path) { return path == secret; });
  for (const QString& path : {secret, open}) {
    std::optional<std::optional<QImage>> answered;
    ThumbnailRequest request = service().request(path, {420, 320}, [&](std::optional<QImage> p) { answered = p; });
    queues.queue(QStringLiteral("thumbnails"))->runAll();
    scheduler->runPending();
    ASSERT_TRUE(answered && *answered) << path.toStdString();
  }
  const auto entries = [this](const QString& path) {
    int count = 0;
    for (const SharedThumbnailCache::Size& size : SharedThumbnailCache::kSizes)
      if (QFile::exists(service().cache().entryPath(SharedThumbnailCache::fileUri(path), size))) ++count;
    return count;
  };
  EXPECT_EQ(entries(secret), 0);
  EXPECT_EQ(entries(open), 1);
}

TEST(SensitiveThumbnails, FilesOfItemsMarkedSensitiveByHandOrOnTheirOwnArePrivate) {
  test::PreviewContext fake;
  PanelState state{*fake.services};
  const ClipboardItem marked = test::fileItem(QStringLiteral("/home/me/secret/passport.jpg"));
  const ClipboardItem automatic = test::fileItem(QStringLiteral("/home/me/keys.png"));
  const ClipboardItem plain = test::fileItem(QStringLiteral("/home/me/holiday.jpg"));
  state.setItems({marked, automatic, plain});
  std::optional<ThumbnailService::PrivacyCheck> installed;
  struct Recording : ThumbnailService {
    std::optional<ThumbnailService::PrivacyCheck>* installed;
    ThumbnailRequest request(const QString&, QSize, Answer) override { return {}; }
    void setPrivacyCheck(PrivacyCheck check) override { *installed = std::move(check); }
  };
  auto recording = std::make_shared<Recording>();
  recording->installed = &installed;
  fake.services->thumbnailService = recording;
  keepSensitiveThumbnailsPrivate(*fake.services, state);
  ASSERT_TRUE(installed && *installed);
  const ThumbnailService::PrivacyCheck& isPrivate = *installed;
  EXPECT_FALSE(isPrivate(QStringLiteral("/home/me/secret/passport.jpg")));
  state.toggleSensitive(marked.id);
  state.setAutoSensitiveIDs({automatic.id});
  EXPECT_TRUE(isPrivate(QStringLiteral("/home/me/secret/passport.jpg")));
  EXPECT_TRUE(isPrivate(QStringLiteral("/home/me/secret/../secret/passport.jpg")));
  EXPECT_TRUE(isPrivate(QStringLiteral("/home/me/keys.png")));
  EXPECT_FALSE(isPrivate(QStringLiteral("/home/me/holiday.jpg")));
  // Peeking shows a sensitive item; it stays sensitive.
  state.togglePeek(marked.id);
  EXPECT_TRUE(isPrivate(QStringLiteral("/home/me/secret/passport.jpg")));
  state.toggleSensitive(marked.id);
  EXPECT_FALSE(isPrivate(QStringLiteral("/home/me/secret/passport.jpg")));
}

}  // namespace
}  // namespace qv
