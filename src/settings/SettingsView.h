#pragma once
#include "settings/AppPane.h"
#include "settings/Sidebar.h"
#include "ui/anim/AnimatedValue.h"

#include <QWidget>
#include <array>
#include <functional>

class QVBoxLayout;

namespace qv {

struct SettingsServices;

// The settings window's content, 680 × 520: a 220-point sidebar of panes with the Quit button,
// and the chosen pane beside it. Picking a pane fades the pane out (0.18 s), swaps it and fades
// the new one in (0.2 s); the sidebar highlight moves at once. Every time it comes on screen it
// honours a request stored under "qv.settings.openPane" (a pane's title), which it consumes;
// an unknown title stays stored and changes nothing. Ctrl+Q quits. It shows what the settings
// hold, so it has no props; its callbacks come once, with its making.
class SettingsView : public QWidget {
  Q_OBJECT
 public:
  static constexpr char kOpenPaneKey[] = "qv.settings.openPane";
  static constexpr int kWidth = 680;
  static constexpr int kHeight = 520;
  static constexpr int kSidebarWidth = 220;
  static constexpr double kFadeOutSeconds = 0.18;
  static constexpr double kFadeInSeconds = 0.2;

  struct Callbacks {
    // Quits the program (the Quit button and Ctrl+Q).
    std::function<void()> onQuit;
    // Told while the shortcut recorder records (the global hot key lets go of its keys meanwhile).
    std::function<void(bool recording)> onShortcutRecording;
  };

  SettingsView(SettingsServices& context, Callbacks callbacks, QWidget* parent = nullptr);
  ~SettingsView() override;

  AppPane selectedPane() const { return selectedPane_; }
  AppPane displayedPane() const { return displayedPane_; }
  double detailOpacity() const { return detailOpacity_.value(); }
  // The displayed pane's view.
  QWidget* paneView() const { return paneView_; }
  QWidget* sidebar() const { return sidebar_; }
  QWidget* detail() const { return detail_; }
  SidebarRow* sidebarRow(AppPane pane) const;
  QuitButton* quitButton() const { return quit_; }

  // A tap on a sidebar row.
  void select(AppPane pane);
  void applyOpenPaneRequest();

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void display(AppPane pane);
  void quit();
  // Marks the row of `pane` selected.
  void showSelection(AppPane pane);
  SidebarRow::Callbacks rowCallbacks(AppPane pane);

  SettingsServices& context_;
  Callbacks callbacks_;
  AppPane selectedPane_ = AppPane::general;
  AppPane displayedPane_ = AppPane::general;
  Animated<double> detailOpacity_;
  QWidget* sidebar_ = nullptr;
  std::array<SidebarRow*, kAllPanes.size()> rows_{};
  QuitButton* quit_ = nullptr;
  QWidget* detail_ = nullptr;
  QVBoxLayout* detailLayout_ = nullptr;
  QWidget* detailVeil_ = nullptr;
  QWidget* paneView_ = nullptr;
};

}  // namespace qv
