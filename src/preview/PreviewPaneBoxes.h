#pragma once
#include "items/model/ClipboardItem.h"

#include <QRectF>
#include <QSize>

namespace qv {

// Where the preview pane's three boxes stand in its widget: the content box, the rail beside it
// on the side facing the panel (centred on it), and the caption box under it, shifted towards
// the content box; all of them the shadows' room inside the widget's edges.
struct PreviewPaneBoxes {
  double paneWidth = 0;
  double contentHeight = 0;
  QSizeF captionSize;  // the caption's own, inside its box's padding
  double railHeight = 0;
  bool onLeft = false;

  // The content box's height for an item whose rail holds `railButtons`: tall enough for the
  // rail (at least 200), at most what the host gives (at most 620), as tall as the content wants
  // in between.
  static double contentHeightFor(const ClipboardItem& item, double availableHeight, int railButtons);

  // The three boxes' extent, without the room of their shadows, and the widget's size with it.
  QSizeF paneSize() const;
  QSize widgetSize() const;
  QRectF content() const;
  QRectF rail() const;
  QRectF caption() const;

 private:
  double contentWidth() const;
  double captionHeight() const;
  QRectF all() const;
};

}  // namespace qv
