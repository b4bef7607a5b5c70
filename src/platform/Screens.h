#pragma once
#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <functional>
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

// A strip of the desktop that a dock keeps for itself (_NET_WM_STRUT_PARTIAL): along `edge` of
// the whole desktop, in desktop coordinates.
struct ReservedStrip {
  Qt::Edge edge = Qt::BottomEdge;
  QRectF rect;
  bool operator==(const ReservedStrip&) const = default;
};

// What the window manager and the docks keep of the desktop: the work area it gives (one
// rectangle for the whole desktop), and the docks' strips.
struct DesktopReservations {
  std::optional<QRectF> workArea;
  QList<ReservedStrip> strips;
};

// A monitor's usable area: its frame within the work area (where the two meet), less every strip
// that reaches over it, so that nothing placed there covers a panel or a tray.
QRectF usableArea(const QRectF& frame, const DesktopReservations& reservations);

// The screen whose frame contains `point` (left and top edges included, right and bottom edges
// excluded), else the nearest screen by squared distance, the earlier one on a tie; none only
// when there are no screens.
std::optional<ScreenInfo> screenContaining(const QList<ScreenInfo>& screens, QPointF point);

// Screens of the Qt application (QGuiApplication::screens, QCursor::pos). Each screen's usable
// area comes from `reservations` (on X11 the window manager's work area and the docks' struts;
// Qt gives a multi-monitor desktop whole monitors), else from Qt.
class QtScreens : public Screens {
  Q_OBJECT
 public:
  explicit QtScreens(std::function<std::optional<DesktopReservations>()> reservations = {}, QObject* parent = nullptr);
  // Reads the screens again (the work area or a dock changed).
  void refresh();
  QList<ScreenInfo> screens() const override;
  QPointF pointerLocation() const override;

 private:
  void watch(QScreen* screen);
  std::function<std::optional<DesktopReservations>()> reservations_;
  mutable std::mutex mutex_;
  QList<ScreenInfo> snapshot_;
};

}  // namespace qv
