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
  SidebarRow(SettingsServices& context, AppPane pane, std::function<void(AppPane)> onTap, QWidget* parent = nullptr);
  AppPane pane() const { return pane_; }
  bool isSelected() const { return selected_; }
  void setSelected(bool selected);
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  AppPane pane_;
  std::function<void(AppPane)> onTap_;
  bool selected_ = false;
};

// The sidebar's Quit button with its "Ctrl+Q" hint; accent-tinted while hovered.
class QuitButton : public PaintedWidget {
  Q_OBJECT
 public:
  static constexpr char kTitle[] = "Quit";
  static constexpr char kHint[] = "Ctrl+Q";

  QuitButton(SettingsServices& context, std::function<void()> action, QWidget* parent = nullptr);
  AccessibilityInfo accessibility() const override;

 protected:
  void paint(QPainter& painter) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::function<void()> action_;
};

}  // namespace qv
