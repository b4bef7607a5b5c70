#pragma once
#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <mutex>
#include <optional>

class QScreen;

namespace qv {

// One display in global desktop coordinates (points, y growing downwards as on X11).
struct ScreenInfo {
  QString name;
  QRectF frame;         // the whole screen
  QRectF visibleFrame;  // without panels, docks and other reserved struts
  bool operator==(const ScreenInfo&) const = default;
};

// The displays and the pointer. `screens()` and `pointerLocation()` may be read from any thread
// (they answer from a snapshot the main thread keeps current); `changed` fires on the main
// thread whenever the set or geometry of screens changes.
class Screens : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~Screens() override = default;
  virtual QList<ScreenInfo> screens() const = 0;  // the primary screen first
  virtual QPointF pointerLocation() const = 0;

 Q_SIGNALS:
  void changed();
};

// The screen whose frame contains `point` (left and top edges included, right and bottom edges
// excluded), else the nearest screen by squared distance, the earlier one on a tie; none only
// when there are no screens.
std::optional<ScreenInfo> screenContaining(const QList<ScreenInfo>& screens, QPointF point);

// Screens of the Qt application (QGuiApplication::screens, QCursor::pos).
class QtScreens : public Screens {
  Q_OBJECT
 public:
  explicit QtScreens(QObject* parent = nullptr);
  QList<ScreenInfo> screens() const override;
  QPointF pointerLocation() const override;

 private:
  void refresh();
  void watch(QScreen* screen);
  mutable std::mutex mutex_;
  QList<ScreenInfo> snapshot_;
};

}  // namespace qv
