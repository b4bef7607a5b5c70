#include "PreviewTestSupport.h"
#include "preview/TextFilePreview.h"
#include "support/FifoWithDeadline.h"
#include "support/SideFileHelpers.h"
#include "ui/controls/ProgressSpinner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QTemporaryDir>

namespace qv {
namespace {

using test::PreviewContext;
using Shown = TextFilePreview::Shown;

struct TextFixture {
  PreviewContext context;
  QTemporaryDir files;
  std::unique_ptr<TextFilePreview> view = std::make_unique<TextFilePreview>(*context.services);
  TextFixture() {
    view->resize(420, 300);
    view->show();
  }
  QUrl file(const QString& name, const QByteArray& data) {
    const QString path = files.filePath(name);
    EXPECT_TRUE(test::writeTestFile(path, data));
    return QUrl::fromLocalFile(path);
  }
  std::shared_ptr<FakeSerialQueue> queue() { return context.queue(TextFilePreview::kQueueName); }
};

TEST(TextFilePreviewView, ReadsOnAWorkerThenShowsCodeOrText) {
  TextFixture f;
  f.view->setProps({f.file(QStringLiteral("tool.py"), "def main():\n    return 42\n")}, {});
  EXPECT_EQ(f.view->shown(), Shown::loading);
  EXPECT_TRUE(f.view->spinner().isVisibleTo(f.view.get()));
  EXPECT_EQ(f.queue()->pendingCount(), 1);
  f.context.drain();
  ASSERT_EQ(f.view->shown(), Shown::code);
  EXPECT_FALSE(f.view->spinner().isVisibleTo(f.view.get()));
  ASSERT_TRUE(f.view->codeViewer());
  EXPECT_TRUE(f.view->codeViewer()->isHighlighted());
  EXPECT_EQ(f.view->codeViewer()->textViewer().toPlainText(), QStringLiteral("def main():\n    return 42\n"));
  EXPECT_EQ(f.view->codeViewer()->geometry(), f.view->rect());

  // Markdown has no label: plain text, proportional, inset 14 by 12.
  f.view->setProps({f.file(QStringLiteral("notes.md"), "# Notes\n")}, {});
  EXPECT_EQ(f.view->shown(), Shown::loading);
  EXPECT_FALSE(f.view->codeViewer()->isVisibleTo(f.view.get())) << "nothing of the last file stays";
  f.context.drain();
  ASSERT_EQ(f.view->shown(), Shown::text);
  ASSERT_TRUE(f.view->textViewer());
  EXPECT_EQ(f.view->textViewer()->props(),
            (QVTextViewer::Props{QStringLiteral("# Notes\n"), nullptr, false, {14, 12}}));
  EXPECT_FALSE(f.view->codeViewer()->isVisibleTo(f.view.get()));

  // "m" is highlighted as C++; "toml" is plain.
  f.view->setProps({f.file(QStringLiteral("main.m"), "int x;\n")}, {});
  f.context.drain();
  EXPECT_EQ(f.view->shown(), Shown::code);
  EXPECT_EQ(f.view->language(), QStringLiteral("C++"));
  f.view->setProps({f.file(QStringLiteral("Cargo.toml"), "[package]\n")}, {});
  f.context.drain();
  EXPECT_EQ(f.view->shown(), Shown::text);
}

TEST(TextFilePreviewView, WhatCannotBeReadShowsTheIconAndName) {
  TextFixture f;
  const QString fifo = f.files.filePath(QStringLiteral("x.txt"));
  const test::FifoWithDeadline fifoAtPath(fifo);
  ASSERT_TRUE(fifoAtPath.isMade());
  const std::pair<const char*, QUrl> cases[] = {
      {"empty", f.file(QStringLiteral("empty.txt"), QByteArray())},
      {"fifo", QUrl::fromLocalFile(fifo)},
      {"missing", QUrl::fromLocalFile(f.files.filePath(QStringLiteral("gone.txt")))},
  };
  for (const auto& [name, url] : cases) {
    f.view->setProps({url}, {});
    f.context.drain();
    EXPECT_EQ(f.view->shown(), Shown::failed) << name;
    EXPECT_FALSE(f.view->spinner().isVisibleTo(f.view.get())) << name;
    const QRectF icon = f.view->iconRect();
    const QRectF label = f.view->nameRect();
    EXPECT_EQ(icon.size(), QSizeF(56, 56)) << name;
    EXPECT_DOUBLE_EQ(label.top() - icon.bottom(), 10) << name;
    EXPECT_DOUBLE_EQ(label.left(), 20) << name;
    EXPECT_NEAR((icon.top() + label.bottom()) / 2, 150, 0.5) << name << ": centred";
    EXPECT_EQ(f.view->nameLines().join(QString()), url.fileName()) << name;
    EXPECT_GT(f.view->renderForTest().pixelColor(icon.center().toPoint()).alpha(), 0) << name << ": the icon";
  }
}

TEST(TextFilePreviewView, AnAnswerForAnEarlierFileIsDropped) {
  TextFixture f;
  const QUrl first = f.file(QStringLiteral("first.txt"), "first");
  const QUrl second = f.file(QStringLiteral("second.txt"), "second");
  f.view->setProps({first}, {});
  ASSERT_TRUE(f.queue()->runOne());  // read, its answer on the way back
  f.view->setProps({second}, {});
  f.context.scheduler->runPending();
  EXPECT_EQ(f.view->shown(), Shown::loading);
  f.context.drain();
  ASSERT_TRUE(f.view->contents());
  EXPECT_EQ(*f.view->contents(), QStringLiteral("second"));

  // Asked for and replaced before the worker got to it: never read.
  f.view->setProps({first}, {});
  f.view->setProps({second}, {});
  f.view->setProps({first}, {});
  EXPECT_EQ(f.queue()->pendingCount(), 3);
  f.context.drain();
  EXPECT_EQ(*f.view->contents(), QStringLiteral("first"));
}

TEST(TextFilePreviewView, EdgeReportsGoToTheLatestCallback) {
  TextFixture f;
  QStringList lines;
  for (int i = 0; i < 200; ++i) lines << QStringLiteral("line %1").arg(i);
  const QUrl url = f.file(QStringLiteral("long.log"), lines.join(u'\n').toUtf8());
  std::vector<std::pair<bool, bool>> old, latest;
  f.view->setProps({url}, {[&](bool above, bool below) { old.push_back({above, below}); }});
  f.view->setProps({url}, {[&](bool above, bool below) { latest.push_back({above, below}); }});
  f.context.drain();
  EXPECT_TRUE(old.empty());
  ASSERT_FALSE(latest.empty());
  EXPECT_EQ(latest.back(), std::make_pair(false, true));
}

TEST(TextFilePreviewView, ALongFileEndsWithItsNoteOnceAllPiecesAreIn) {
  TextFixture f;
  QByteArray data;
  while (data.size() < 600'000) data += "2024-05-06 12:00:00 worker started, 1,024 jobs queued\n";
  f.view->setProps({f.file(QStringLiteral("big.log"), data)}, {});
  f.context.queues->runAll();
  f.context.scheduler->runPending();
  ASSERT_EQ(f.view->shown(), Shown::text);
  f.context.drain();
  EXPECT_FALSE(f.view->textViewer()->isFilling());
  EXPECT_TRUE(f.view->textViewer()->toPlainText().endsWith(
      QStringLiteral("… truncated — showing the first 512 KB of %1 KB").arg(data.size() / 1024)));
}

}  // namespace
}  // namespace qv
