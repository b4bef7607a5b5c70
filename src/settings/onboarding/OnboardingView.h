#pragma once
#include "platform/Scheduler.h"
#include "settings/SettingsServices.h"
#include "settings/onboarding/OnboardingDemos.h"
#include "settings/onboarding/OnboardingPageArea.h"
#include "ui/anim/AnimatedValue.h"
#include "ui/controls/SegmentedPicker.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

namespace qv {

class HouseButton;

// The first-run introduction: three pages walked with Back and Next. The first picks the screen
// edge that reveals the edge panel (written to the edge settings only when it changes), the
// second gives three tips, the third is about the permission to type the paste keystroke: it
// asks for it where that can be granted, says so plainly where it cannot, offers a restart when
// a grant needs one, and otherwise lets the user start. The user leaves through `onContinue`,
// called once with true (start) or false (skip).
class OnboardingView : public QWidget {
  Q_OBJECT
 public:
  enum class Page { summon, extras, permission };
  enum class NavDirection { forward, backward };
  // What the permission page shows: the request, the plain word that keys cannot be typed here,
  // the restart offer, or the way in.
  enum class PermissionState { asking, unavailable, restart, ready };

  static constexpr double kWidth = 480;
  static constexpr double kHeight = 600;
  static constexpr double kPageHeight = 372;
  static constexpr char kEdgeEnabledKey[] = "qv.edgeEnabled";

  // It shows what the settings and the permission say, so it has no props; its callbacks come
  // once, here.
  struct Callbacks {
    std::function<void(bool launch)> onContinue;  // the user left it: to the program (true) or skipping
  };

  OnboardingView(SettingsServices& context, Callbacks callbacks, QWidget* parent = nullptr);
  ~OnboardingView() override;

  Page page() const { return page_; }
  NavDirection navDirection() const { return navDirection_; }
  bool canPaste() const { return canPaste_; }
  const QString& edgeSide() const { return edgeSide_; }
  // Held now (checked live), but not when the program started: only a restart hands it over.
  bool needsRestart() const;
  PermissionState permissionState() const;
  // The whole view's opacity (its fade-in on first appearance).
  double opacity() const { return opacity_.value(); }

  QWidget* currentPage() const;
  // The button with this title on the current page; null when there is none.
  HouseButton* button(const QString& title) const;
  EdgeFlickDemo* edgeDemo() const { return edgeDemo_; }

  // The edge picker's choice.
  void pickEdge(const QString& side);
  TarnSegmentedPicker<QString>::Callbacks edgePickerCallbacks();
  // The application became active again: the permission is read anew.
  void applicationBecameActive();
  // The once-a-second poll; acts only while the permission page is shown.
  void pollPermission();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void navigate(NavDirection direction, Page page);
  void setCanPaste(bool canPaste);
  void showPage(OnboardingPageArea::Motion motion, const std::optional<Animation>& animation);
  QWidget* buildPage(Page page);
  QWidget* buildSummon();
  QWidget* buildExtras();
  QWidget* buildPermission();
  void leave(bool launch);
  HouseButton* pill(const QString& title, std::function<void()> action);
  HouseButton* quiet(const QString& title, std::function<void()> action);
  bool permissionHeldNow() const;
  bool reduceMotion() const;

  SettingsServices& context_;
  Callbacks callbacks_;
  Page page_ = Page::summon;
  NavDirection navDirection_ = NavDirection::forward;
  bool hasAppeared_ = false;
  bool canPaste_ = false;
  QString edgeSide_;

  QWidget* body_ = nullptr;
  OnboardingPageArea* pageArea_ = nullptr;
  Animated<double> opacity_;
  Timer poll_;
  // On the summon page while it is shown.
  QPointer<TarnSegmentedPicker<QString>> edgePicker_;
  QPointer<EdgeFlickDemo> edgeDemo_;
  QPointer<QWidget> demoSlot_;
};

}  // namespace qv
