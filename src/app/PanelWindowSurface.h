#pragma once
#include "platform/Compositor.h"

#include <QObject>
#include <QPoint>
#include <QRegion>
#include <optional>

class QWidget;

namespace qv {

struct PlatformServices;

// The panel window's look on the desktop: whether it may draw translucent (followed as the
// compositor comes and goes), its opacity and its shape. Clicks beside the content always reach
// the windows below. A compositor blends the transparent parts and is asked to blur behind the
// content alone; without one the window is cut to the content as well, since its transparent
// parts would show black.
class PanelWindowSurface : public QObject {
  Q_OBJECT
 public:
  PanelWindowSurface(PlatformServices& context, QWidget& window);

  const TranslucencySupport& translucency() const { return translucency_; }
  // Reads what the compositor offers again; a compositor that arrives (again) is asked afresh.
  void followCompositor();
  // The window's opacity; without a compositor it means nothing and the window stays opaque.
  void setOpacity(double opacity);
  // Lets only `content` (window coordinates) take clicks, and asks for blur behind it alone;
  // unchanged shapes are not sent again. A cut of a window on screen waits for the window's next
  // frame (asked for here), so that the server shows the new cut with the pixels painted for it.
  void shapeTo(const QRegion& content);
  // Whether a click at `point` (window coordinates) passes through to the window below.
  bool letsThrough(QPoint point) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void apply(const QRegion& content, bool cut);
  // Sends the cut waiting for the window's frame, if any.
  void sendWaitingCut();

  PlatformServices& context_;
  QWidget& window_;
  TranslucencySupport translucency_;
  std::optional<QRegion> appliedShape_;  // where the window takes clicks; none before the first shape
  bool appliedCut_ = false;              // the window is also drawn only there
  std::optional<QRegion> frameCut_;      // the cut that goes out with the window's next frame
  std::optional<QRegion> blurRegion_;    // where the compositor was last asked to blur behind
};

}  // namespace qv
