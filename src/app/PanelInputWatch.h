#pragma once
#include "platform/GlobalPointerMonitor.h"

#include <QPoint>
#include <QPointF>
#include <functional>
#include <memory>

class QKeyEvent;
class QWidget;
class QWindow;

namespace qv {

struct AppContext;
class PanelState;

// What presses and keys do while the panel shows. A press on another program, in another window
// of ours or on the panel window beside its content hides the panel, unless it lands on the tray
// icon, a menu, a tool tip or Quick Look, which float over the panel and belong to it. A press
// on the panel's content closes the filter panel and the dots menu unless it hits them or the
// column's top band. Every key press goes to the panel's keys unless a menu or Quick Look has
// the keyboard.
class PanelInputWatch {
 public:
  struct Hooks {
    std::function<void()> hide;
    std::function<bool(const QKeyEvent&)> keyDown;
    std::function<bool(QPointF globalPosition)> isStatusItemAt;
    // Whether a click at a point of the panel window passes through to the window below.
    std::function<bool(QPoint)> letsThrough;
  };

  PanelInputWatch(AppContext& context, PanelState& state, QWidget& panel, Hooks hooks);
  ~PanelInputWatch();
  PanelInputWatch(const PanelInputWatch&) = delete;
  PanelInputWatch& operator=(const PanelInputWatch&) = delete;

  // Watches from when the panel shows until it hides.
  void start();
  void stop();
  bool hasClickMonitors() const;
  bool hasKeyMonitor() const { return bool(keyMonitor_); }
  // From a hide until the next show: the presses and releases that still reach the panel's
  // window (typed before a hold of the keyboard took effect) go to `keep`.
  void keepKeysAfterHide(std::function<void(const QKeyEvent&)> keep);

  // A press in one of the program's own windows (`position` in that window).
  void handleLocalClick(QWindow* window, QPointF position);
  // A press anywhere on the desktop (global position); presses on our own windows are left to
  // the local monitor.
  void handleGlobalPress(QPointF globalPosition);
  // Whether a click at `position` (panel window coordinates) hit the panel's empty area.
  bool isOutsideContent(QPointF position) const;
  // Closes the filter panel and the dots menu unless the click hit them or the column's top band.
  void closeOverlaysIfOutside(QPointF position);
  bool isQuickLookWindow(const QWindow* window) const;

 private:
  class EventMonitor;
  struct KeyRelease {
    quint32 code = 0;
    quint64 time = 0;
    bool operator==(const KeyRelease&) const = default;
  };
  static KeyRelease releaseOf(const QKeyEvent& event);
  void handleKeyPress(const QKeyEvent& event);

  bool isOnLeft() const;
  bool previewIsOpen() const;
  bool isOwnWindowAt(QPointF globalPosition) const;

  AppContext& context_;
  PanelState& state_;
  QWidget& panel_;
  Hooks hooks_;
  PointerSubscription globalClickMonitor_;
  std::unique_ptr<EventMonitor> localClickMonitor_;
  std::unique_ptr<EventMonitor> keyMonitor_;
  std::unique_ptr<EventMonitor> keptKeyMonitor_;
  KeyRelease lastRelease_;
};

}  // namespace qv
