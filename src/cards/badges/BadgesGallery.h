#pragma once

namespace qv {

class GalleryRegistry;
struct ViewServices;

// The badge row, footer and quick actions over every kind of card.
void addCardBadgeGalleryViews(GalleryRegistry& registry);

// A few applications with the theme's full-colour icons (on fake desktop entries only), so that
// gallery footers look as they will.
void installSampleApplications(ViewServices& context);

}  // namespace qv
