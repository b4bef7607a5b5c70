#pragma once
#include <QString>

namespace qv {

class PanelState;
struct ViewServices;

// Adds the preview layer's desktop services to services whose platform, item and interface parts
// are set: the thumbnail service over the shared thumbnail cache and the installed thumbnailers
// (its work on the queue "thumbnails"), and the Quick Look window (made when first shown).
// Services already in place (a test's fakes) are kept. The program and its probes call it.
void installPreviewServices(ViewServices& services);

// Tells the thumbnail service which files are private: those that an item marked sensitive
// (by hand or on its own) refers to. Their thumbnails never reach the desktop's shared cache.
void keepSensitiveThumbnailsPrivate(ViewServices& services, const PanelState& state);
// Whether an item marked sensitive refers to the file at `path`.
bool isSensitiveFile(const PanelState& state, const QString& path);

}  // namespace qv
