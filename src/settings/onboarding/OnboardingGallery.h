#pragma once

namespace qv {

class GalleryRegistry;

// The onboarding's gallery views: every page, and the permission page in each of its states.
void addOnboardingGalleryViews(GalleryRegistry& registry);

}  // namespace qv
