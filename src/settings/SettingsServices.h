#pragma once
#include "library/LibraryServices.h"

#include <memory>

namespace qv {

class OnboardingWindowController;

// The library services plus the onboarding window, made on first use
// (OnboardingWindowController::shared).
struct SettingsServices : LibraryServices {
  std::shared_ptr<OnboardingWindowController> onboardingWindow;
};

}  // namespace qv
