#pragma once
#include "platform/Screens.h"

#include <QColor>
#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <memory>
#include <optional>

class QMenu;

namespace qv {

// The program's icon in the desktop's notification area. Clicks arrive as signals; a menu is
// popped up only when asked for, so a left click can keep doing something else.
class StatusItem : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~StatusItem() override = default;

  // Whether the desktop shows such icons at all (no tray host: nothing to click).
  virtual bool isAvailable() const = 0;
  virtual void show() = 0;
  virtual void setIcon(const QIcon& icon) = 0;
  virtual void setToolTip(const QString& text) = 0;
  // Where the icon lies on the screen; empty where that is not known.
  virtual QRect geometry() const { return {}; }
  // Attaches `menu` (or detaches it with nullptr) and pops it up beside the icon.
  virtual void popUpMenu(QMenu* menu) = 0;
  virtual void detachMenu() = 0;
  // A short desktop notification from the icon (nothing where the desktop has no tray).
  virtual void showMessage(const QString& title, const QString& text) = 0;
  // The colour the tray asks its icons to be drawn in, when it says one.
  virtual std::optional<QColor> trayForegroundColor() const = 0;

 Q_SIGNALS:
  void leftClicked();
  void rightClicked();
  void trayForegroundColorChanged();
};

// The notification-area icon of the freedesktop tray protocol (QSystemTrayIcon). Its menu is
// placed on `screens` (none: where Qt puts it).
std::unique_ptr<StatusItem> makeTrayStatusItem(std::shared_ptr<Screens> screens = {});

// The top-left corner of a menu of `menuSize` opened from a status icon at `icon` (global
// coordinates; an empty rectangle when unknown: the pointer stands in): beside the icon, inside
// the usable area of the screen the icon is on (or the nearest screen when it lies on none), so
// that it covers neither the tray nor a dock. Below the icon when it fits there, else above it;
// its left edge at the icon's, moved in from the area's edges.
QPoint statusMenuPosition(const QRect& icon, const QSize& menuSize, const QList<ScreenInfo>& screens, QPoint pointer);

}  // namespace qv
