// Files whose text is one enormous line show in the text-file and rich-document previews without
// a long turn of the event loop: each turn lays out a bounded number of characters, and the
// whole text is there in the end.
#include "PreviewTestSupport.h"
#include "preview/RichDocumentPreview.h"
#include "preview/TextFilePreview.h"
#include "support/platform/SteppedScheduler.h"
#include "support/preview/LongTextFiles.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace qv {
namespace {

using test::LongTextFile;

// What one turn may lay out: its budget, the paragraph that crosses it, and what comes into view.
constexpr qint64 kStepBound = QVTextViewer::kLayoutBudget + 3 * QVTextViewer::kChunkLength;

TEST(LongLineFilePreview, EveryFileShowsWholeWithABoundedLayoutPerTurn) {
  for (const test::LongTextFileCase& file : test::kLongTextFiles) {
    SCOPED_TRACE(file.label);
    test::PreviewContext context;
    auto scheduler = std::make_shared<test::SteppedScheduler>();
    context.services->scheduler = scheduler;
    QTemporaryDir folder;
    const QString path = folder.filePath(QLatin1String(file.fileName));
    ASSERT_TRUE(test::writeLongTextFile(file.kind, path));
    const QUrl url = QUrl::fromLocalFile(path);
    const bool document = file.kind == LongTextFile::rtfEscapes;
    ASSERT_EQ(RichDocumentPreview::takes(path), document);
    ASSERT_EQ(TextFilePreview::canPreview(url), !document);
    std::unique_ptr<QWidget> view;
    if (document) {
      auto* preview = new RichDocumentPreview(*context.services);
      preview->setProps({url}, {});
      view.reset(preview);
    } else {
      auto* preview = new TextFilePreview(*context.services);
      preview->setProps({url}, {});
      view.reset(preview);
    }
    view->resize(420, 300);
    view->show();
    const auto viewer = [&]() -> QVTextViewer* {
      if (document) return &static_cast<RichDocumentPreview*>(view.get())->viewer();
      const auto* preview = static_cast<TextFilePreview*>(view.get());
      return preview->codeViewer() ? &preview->codeViewer()->textViewer() : preview->textViewer();
    };
    qint64 largest = 0;
    for (int turn = 0; turn < 100'000; ++turn) {
      const int ranOnWorker = context.queues->runAll();
      QVTextViewer* shown = viewer();
      const qint64 before = shown ? shown->textLayout().charactersLaidOut() : 0;
      const bool ran = scheduler->runOne();
      view->grab();
      if (shown && viewer() == shown) largest = std::max(largest, shown->textLayout().charactersLaidOut() - before);
      if (!ran && ranOnWorker == 0) break;
    }
    QVTextViewer* shown = viewer();
    ASSERT_TRUE(shown && shown->isVisibleTo(view.get()));
    EXPECT_LE(largest, kStepBound);
    EXPECT_FALSE(shown->isFilling());
    EXPECT_FALSE(shown->isLayingOut());
    EXPECT_GE(shown->document()->characterCount(), document ? 500'000 : TextFilePreview::kReadLimit / 2);
    if (file.kind == LongTextFile::minifiedJson) {
      const auto* preview = static_cast<TextFilePreview*>(view.get());
      EXPECT_TRUE(preview->codeViewer() && preview->codeViewer()->isHighlighted());
    }
  }
}

}  // namespace
}  // namespace qv
