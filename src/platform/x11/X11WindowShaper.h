#pragma once
#include "platform/WindowShaper.h"

#include <QHash>
#include <cstdint>

namespace qv::x11 {

// Shapes through the X shape extension (bounding and input shapes) and keeps windows on all
// desktops through the EWMH hints, on Qt's own connection so that the requests stay in order
// with Qt's mapping of the window. Does nothing without an X server.
class X11WindowShaper : public WindowShaper {
 public:
  bool isAvailable() const override;
  void setShape(QWindow* window, const QRegion& region) override;
  void setInputShape(QWindow* window, const QRegion& region) override;
  void clearShape(QWindow* window) override;
  void keepOnAllDesktops(QWindow* window) override;
  void holdPointerArea(QWindow* window, const QRect& area) override;

 private:
  // The input-only window holding each window's area (made on first use, kept unmapped between).
  QHash<QWindow*, uint32_t> holders_;
};

}  // namespace qv::x11
