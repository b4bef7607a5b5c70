#pragma once
#include "platform/Compositor.h"
#include "ui/anim/AnimatedValue.h"

#include <QGraphicsEffect>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace qv {

struct LibraryServices;
class LibraryView;
class FilterPanelView;

// A clear layer over the whole window, under the open filter surface: a press on it closes the
// surface and goes no further. Where the header's filter controls lie, presses pass through to
// them, so that they can move the surface or close it themselves.
class ClickAwayLayer : public QWidget {
  Q_OBJECT
 public:
  explicit ClickAwayLayer(QWidget* parent);
  std::function<void()> onClickAway;
  // The controls (window coordinates) that keep their presses.
  void setPassThrough(const QList<QRect>& controls);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void applyMask();
  QList<QRect> passThrough_;
};

// Draws the filter surface as it comes and goes: from 0.85 of its size about the top-left corner
// of its cards and transparent, to its full size and opacity (the opacity alone under reduce
// motion). Off while the surface rests.
class SurfacePresenceEffect : public QGraphicsEffect {
  Q_OBJECT
 public:
  static constexpr double kEnterScale = 0.85;
  SurfacePresenceEffect(QPointF anchor, QObject* parent);
  void setPresence(double presence, bool scales);

 protected:
  void draw(QPainter* painter) override;

 private:
  QPointF anchor_;
  double presence_ = 1;
  bool scales_ = true;
};

// The library window: titled "Quorvalen", resizable down to 440 × 480, translucent while a
// compositor runs and opaque otherwise. It hosts the library view and the filter surface, and
// tells its owner whenever it comes into sight or leaves it, whoever caused that (the close
// button, minimising, the window manager).
class LibraryWindow : public QWidget {
  Q_OBJECT
 public:
  LibraryWindow(LibraryServices& context, TranslucencySupport translucency, QWidget* parent = nullptr);
  ~LibraryWindow() override;

  // Shown and not minimised.
  bool isOnScreen() const { return isVisible() && !isMinimized(); }
  // Runs when isOnScreen() may have changed.
  std::function<void()> onScreenChange;
  // Runs when the window moved or was resized.
  std::function<void()> onFrameChange;

  void setTranslucency(TranslucencySupport support);
  TranslucencySupport translucency() const { return translucency_; }
  // Puts the content in: the view, and the filter surface over it.
  void setContent(LibraryView* view, FilterPanelView* filterSurface);
  LibraryView* view() const;
  FilterPanelView* filterSurface() const;
  // Places the filter surface under the control it was opened from (in window coordinates);
  // `glide`: it moved over from another control and glides there on the overshoot.
  void placeFilterSurface(const QRectF& anchor, bool glide = false);
  // Shows or hides the filter surface with its click-away layer; `keepPresses` are the header
  // controls that keep their presses meanwhile.
  void setFilterSurfaceOpen(bool open, const QList<QRect>& keepPresses = {});
  ClickAwayLayer* clickAwayLayer() const { return clickAway_; }
  bool isFilterSurfaceOpen() const { return surfaceOpen_; }
  // 0 … 1: how far the filter surface has come in (it stays shown until it has gone).
  double filterSurfacePresence() const { return surfacePresence_.value(); }
  // Runs when a press beside the open filter surface asks to close it.
  std::function<void()> onClickAway;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void screenChanged();

  LibraryServices& context_;
  TranslucencySupport translucency_;
  QPointer<LibraryView> view_;
  QPointer<FilterPanelView> filterSurface_;
  ClickAwayLayer* clickAway_;
  QRectF filterAnchor_;
  Animated<double> surfacePresence_;
  Animated<QPointF> surfaceOrigin_;
  bool surfaceOpen_ = false;
  QPointer<SurfacePresenceEffect> presenceEffect_;
};

}  // namespace qv
