#pragma once

namespace qv {

struct ViewServices;

// Adds the preview layer's desktop services to services whose platform, item and interface parts
// are set: the thumbnail service over the shared thumbnail cache and the installed thumbnailers
// (its work on the queue "thumbnails"), and the Quick Look window (made when first shown).
// Services already in place (a test's fakes) are kept. The program and its probes call it.
void installPreviewServices(ViewServices& services);

}  // namespace qv
