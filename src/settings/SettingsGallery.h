#pragma once

namespace qv {

class GalleryRegistry;

// The settings panes' gallery views: the General pane with a shortcut whose grab failed, the
// shortcut recorder in each of its states with its caption, and the About pane.
void addSettingsGalleryViews(GalleryRegistry& registry);

}  // namespace qv
