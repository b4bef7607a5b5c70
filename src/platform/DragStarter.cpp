#include "platform/DragStarter.h"

#include <QDrag>

namespace qv {

DragStarter::~DragStarter() = default;

Qt::DropAction QtDragStarter::startDrag(std::unique_ptr<QMimeData> data, QObject* source, const QPixmap& preview,
                                        QPoint hotSpot) {
  // Qt deletes the drag (and with it the data) once the drop is over.
  auto* drag = new QDrag(source);
  drag->setMimeData(data.release());
  if (!preview.isNull()) {
    drag->setPixmap(preview);
    drag->setHotSpot(hotSpot);
  }
  return drag->exec(Qt::CopyAction, Qt::CopyAction);
}

}  // namespace qv
