#pragma once
#include "settings/SettingsServices.h"
#include "ui/anim/AnimatedValue.h"

#include <QPointer>
#include <QWidget>
#include <optional>

namespace qv {

// Draws a widget and its children at `opacity` (an effect only while it is see-through).
void setSubtreeOpacity(QWidget* widget, double opacity);

// The pages of the onboarding sit here; a new page slides in from one side while the old one
// leaves towards the other, both fading (or only fading), or cross-fades in place.
class OnboardingPageArea : public QWidget {
  Q_OBJECT
 public:
  enum class Motion { forward, backward, fade };
  OnboardingPageArea(SettingsServices& context, QWidget* parent = nullptr);

  // Shows `page` (taken over) instead of the current one; at once without an animation.
  void setPage(QWidget* page, Motion motion, const std::optional<Animation>& animation);
  QWidget* page() const { return current_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void place();
  void endTransition();

  QPointer<QWidget> current_;
  QPointer<QWidget> leaving_;
  Motion motion_ = Motion::fade;
  Animated<double> progress_;
  int generation_ = 0;
};

}  // namespace qv
