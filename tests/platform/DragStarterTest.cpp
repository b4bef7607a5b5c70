#include "platform/DragStarter.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

namespace qv {
namespace {

// Without a window system to drop onto, the drag ends at once; Qt then owns and frees the data.
TEST(QtDragStarter, EndsWithoutATargetAndReleasesTheData) {
  QWidget source;
  auto data = std::make_unique<QMimeData>();
  data->setText(QStringLiteral("hello"));
  QPointer<QMimeData> watched = data.get();
  QtDragStarter starter;
  QPixmap preview(8, 8);
  preview.fill(Qt::red);
  EXPECT_EQ(starter.startDrag(std::move(data), &source, preview, QPoint(4, 4)), Qt::IgnoreAction);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(watched.isNull());
}

}  // namespace
}  // namespace qv
