#pragma once
#include <QMimeData>
#include <QPixmap>
#include <QPoint>
#include <memory>

class QObject;

namespace qv {

// Starts a drag-and-drop of prepared data out of one of our views. The drag runs until the
// user drops or cancels; the data may be asked for its formats at any time until then.
class DragStarter {
 public:
  virtual ~DragStarter();
  // `source` is the widget (or graphics view viewport) the drag starts on; `preview` is shown
  // under the pointer with `hotSpot` at the pointer. Returns the action the target took,
  // Qt::IgnoreAction when nothing accepted the drop.
  virtual Qt::DropAction startDrag(std::unique_ptr<QMimeData> data, QObject* source, const QPixmap& preview,
                                   QPoint hotSpot) = 0;
};

// QDrag offering a copy (items are never moved out of the history).
class QtDragStarter : public DragStarter {
 public:
  Qt::DropAction startDrag(std::unique_ptr<QMimeData> data, QObject* source, const QPixmap& preview,
                           QPoint hotSpot) override;
};

}  // namespace qv
