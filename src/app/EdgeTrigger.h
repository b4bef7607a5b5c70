#pragma once
#include "platform/GlobalPointerMonitor.h"
#include "platform/Scheduler.h"

#include <QObject>
#include <QPointF>
#include <QString>
#include <functional>
#include <optional>

namespace qv {

struct AppContext;
class GlobalPointerMonitor;
class Screens;

// The hot zone at the left or right edge of a screen: when the pointer enters the 4-point band
// at an edge and stays on that side for the dwell delay, `onShow` gets the side. It knows
// nothing about the panel; its owner feeds it the stored side and delay, starts, stops and
// suppresses it.
class EdgeTrigger : public QObject {
  Q_OBJECT
 public:
  using ShowHandler = std::function<void(const QString& side)>;

  EdgeTrigger(const AppContext& context, ShowHandler onShow, QObject* parent = nullptr);
  ~EdgeTrigger() override;

  void start();
  void stop();
  // A new side disarms and cancels a pending dwell; a new delay alone leaves it alone.
  void update(const QString& side, double dwellDelay);
  void setSuppressed(bool suppressed);
  void setOnShow(ShowHandler onShow) { onShow_ = std::move(onShow); }

  bool isRunning() const { return bool(monitor_); }
  bool isSuppressed() const { return suppressed_; }
  QString edgeSide() const { return edgeSide_; }
  double dwellDelay() const { return dwellDelay_; }
  std::optional<QString> armedSide() const { return armedSide_; }
  bool isDwellPending() const { return dwellWork_.isPending(); }

  // The side whose band holds `point` under the current side setting, if any.
  std::optional<QString> edgeSideAt(QPointF point) const;
  void handleMouseMoved(QPointF location);

 private:
  void arm(const QString& side);
  void disarm();

  Scheduler& scheduler_;
  Screens& screens_;
  GlobalPointerMonitor& pointer_;
  ShowHandler onShow_;
  QString edgeSide_ = QStringLiteral("right");
  double dwellDelay_ = 0.3;
  PointerSubscription monitor_;
  WorkItem dwellWork_;
  std::optional<QString> armedSide_;
  bool suppressed_ = false;
};

}  // namespace qv
