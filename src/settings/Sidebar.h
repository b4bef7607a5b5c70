#pragma once
#include "settings/AppPane.h"
#include "settings/SettingsServices.h"
#include "ui/view/PaintedWidget.h"

#include <functional>

namespace qv {

// One pane in the settings sidebar: its symbol and title, on the accent colour when selected.
// Rows have no hover effect.
class SidebarRow : public PaintedWidget {
  Q_OBJECT
 public:
  struct Props {
    AppPane pane = AppPane::general;
    bool isSelected = false;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    std::function<void()> onTap;
  };
  SidebarRow(SettingsServices& context, Props props, Callbacks callbacks, QWidget* parent = nullptr);
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }
  AppPane pane() const { return props_.pane; }
  bool isSelected() const { return props_.isSelected; }
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void tap();

  Props props_;
  Callbacks callbacks_;
};

// The sidebar's Quit button with its "Ctrl+Q" hint; accent-tinted while hovered. It never
// changes, so it has no props; its callback comes once, here.
class QuitButton : public PaintedWidget {
  Q_OBJECT
 public:
  static constexpr char kTitle[] = "Quit";
  static constexpr char kHint[] = "Ctrl+Q";
  struct Callbacks {
    std::function<void()> onQuit;
  };

  QuitButton(SettingsServices& context, Callbacks callbacks, QWidget* parent = nullptr);
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Callbacks callbacks_;
};

}  // namespace qv
