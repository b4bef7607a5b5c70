#include "library/LibraryGallery.h"

#include "library/LibraryModel.h"
#include "library/LibraryServices.h"
#include "library/LibraryView.h"
#include "library/LibraryWindowController.h"
#include "panel/FilterPanel.h"
#include "panel/PanelGallery.h"
#include "state/PanelState.h"
#include "ui/Appearance.h"
#include "ui/view/GalleryRegistry.h"

namespace qv {
namespace {

// The window at a small size, its state set up by `prepare`, on an opaque background.
using Prepare = std::function<void(PanelState&, LibraryModel&, const QDateTime& now)>;

QImage window(GalleryScene& scene, const Prepare& prepare) {
  auto& services = scene.services<LibraryServices>();
  PanelState state(services);
  LibraryWindow library(services, TranslucencySupport{});
  library.setPalette(AppearanceWindows::paletteFor(scene.environment.colorScheme));
  auto* model = new LibraryModel(state, *services.scheduler, &library);
  auto* view = new LibraryView(services, &library);
  library.setContent(view, new FilterPanelView(services, state, FilterSurface::library, &library));
  prepare(state, *model, services.scheduler->now());
  view->setProps(libraryViewProps(*model), libraryViewCallbacks(*model));
  library.resize(760, 480);  // its smallest height
  library.setAttribute(Qt::WA_DontShowOnScreen);
  library.show();
  GallerySheet sheet(scene, {760, 480});
  sheet.put(library, {0, 0});
  return sheet.finish();
}

// Four items, two of them filed in "Work", which is shown, one pinned and one sensitive.
void withHistory(PanelState& state, LibraryModel& model, const QDateTime& now) {
  state.setItems(gallerySampleItems(now));
  const CustomCategory work = state.addCategory(QStringLiteral("Work"), 1);
  state.addCategory(QStringLiteral("Recipes"), 4);
  state.togglePin(state.items().at(1).id);
  state.setCategory(work.id, state.items().at(0).id);
  state.setCategory(work.id, state.items().at(2).id);
  state.toggleSensitive(state.items().at(3).id);
  model.selectScope(LibraryScope::category(work.id));
  model.setSelection(state.items().at(2).id);
  state.setIsMonitoringPaused(true);
}

}  // namespace

void addLibraryGalleryViews(GalleryRegistry& registry) {
  registry.add(QStringLiteral("library-window"), [](GalleryScene& scene) { return window(scene, withHistory); });
  registry.add(QStringLiteral("library-no-results"), [](GalleryScene& scene) {
    return window(scene, [](PanelState& state, LibraryModel& model, const QDateTime& now) {
      withHistory(state, model, now);
      state.setIsMonitoringPaused(false);
      model.setQuery(QStringLiteral("  invoice "));
    });
  });
  registry.add(QStringLiteral("library-empty"),
               [](GalleryScene& scene) { return window(scene, [](PanelState&, LibraryModel&, const QDateTime&) {}); });
}

}  // namespace qv
