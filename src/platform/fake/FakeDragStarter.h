#pragma once
#include "platform/DragStarter.h"

#include <functional>

namespace qv {

// Records each drag; a test decides what the "target" does with the data by setting onDrag
// (it runs before startDrag returns, as a drop would) and the action to report.
class FakeDragStarter : public DragStarter {
 public:
  Qt::DropAction startDrag(std::unique_ptr<QMimeData> data, QObject* source, const QPixmap& preview,
                           QPoint hotSpot) override {
    lastHotSpot = hotSpot;
    ++dragCount;
    lastSource = source;
    lastPreview = preview;
    lastData = std::move(data);
    if (onDrag) onDrag(*lastData);
    return result;
  }

  int dragCount = 0;
  QObject* lastSource = nullptr;
  QPixmap lastPreview;
  QPoint lastHotSpot;
  std::unique_ptr<QMimeData> lastData;
  std::function<void(QMimeData&)> onDrag;
  Qt::DropAction result = Qt::CopyAction;
};

}  // namespace qv
