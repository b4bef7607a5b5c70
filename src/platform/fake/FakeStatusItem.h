#pragma once
#include "platform/StatusItem.h"

#include <QMenu>
#include <QPointer>

namespace qv {

// A status item that remembers what it shows; tests click it by emitting its signals.
class FakeStatusItem : public StatusItem {
 public:
  bool isAvailable() const override { return available; }
  void show() override { shown = true; }
  void setIcon(const QIcon& newIcon) override {
    icon = newIcon;
    ++iconChanges;
  }
  void setToolTip(const QString& text) override { toolTip = text; }
  QRect geometry() const override { return iconGeometry; }
  void popUpMenu(QMenu* newMenu) override {
    menu = newMenu;
    ++menuPopUps;
  }
  void detachMenu() override { menu = nullptr; }
  void showMessage(const QString& title, const QString& text) override { messages.append(title + u'|' + text); }
  std::optional<QColor> trayForegroundColor() const override { return trayColor; }
  void setTrayColor(std::optional<QColor> color) {
    trayColor = color;
    Q_EMIT trayForegroundColorChanged();
  }

  void click() { Q_EMIT leftClicked(); }
  void rightClick() { Q_EMIT rightClicked(); }

  bool available = true;
  bool shown = false;
  QRect iconGeometry;  // where the icon lies on the screen
  QIcon icon;
  int iconChanges = 0;
  QString toolTip;
  QPointer<QMenu> menu;  // attached while non-null
  int menuPopUps = 0;
  QStringList messages;  // "title|text"
  std::optional<QColor> trayColor;
};

}  // namespace qv
