#pragma once
#include <QRect>
#include <QRegion>

class QWindow;

namespace qv {

// What a floating, mostly transparent surface needs from the window system. Without a
// compositor the transparent parts of a window would paint over other programs and swallow
// their clicks, so the window is cut to the parts that show something.
class WindowShaper {
 public:
  virtual ~WindowShaper() = default;

  // Whether shapes take effect at all (an X server with the shape extension).
  virtual bool isAvailable() const = 0;
  // Limits where the window is drawn and takes the pointer to `region` (window coordinates in
  // device-independent pixels). An empty region hides the window and lets every click through.
  // The request leaves with the next ones the toolkit sends for the window: set while a frame
  // is painted, it reaches the server together with that frame's pixels.
  virtual void setShape(QWindow* window, const QRegion& region) = 0;
  // Draws the whole window rectangle (a compositor blends its transparent parts) but lets it
  // take the pointer only inside `region`: clicks elsewhere reach the windows below.
  virtual void setInputShape(QWindow* window, const QRegion& region) = 0;
  // Makes the whole window rectangle drawn and clickable again.
  virtual void clearShape(QWindow* window) = 0;
  // Asks the window manager to keep the window on every desktop and out of the task bar and
  // the pager. Call it after the window was shown (a mapped window needs a request to the
  // window manager; an unmapped one takes its properties).
  virtual void keepOnAllDesktops(QWindow* window) = 0;
  // Keeps `area` (global coordinates, device-independent pixels) for the program: an invisible
  // window over it takes the pointer, so that the windows below neither see the pointer come in
  // (a window manager whose focus follows the pointer would give them the focus) nor get a click
  // there. One area per `window`, raised above every other window at each call; an empty one
  // gives it back.
  virtual void holdPointerArea(QWindow* window, const QRect& area) = 0;
};

}  // namespace qv
