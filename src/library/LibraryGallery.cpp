#include "library/LibraryGallery.h"

#include "library/LibraryCard.h"
#include "library/LibraryDetailGallery.h"
#include "library/LibraryGridView.h"
#include "library/LibraryHeader.h"
#include "library/LibraryModel.h"
#include "library/LibraryServices.h"
#include "library/LibraryStatus.h"
#include "library/LibraryView.h"
#include "library/LibraryWindowController.h"
#include "panel/FilterPanel.h"
#include "panel/PanelGallery.h"
#include "state/PanelState.h"
#include "ui/Appearance.h"
#include "ui/fx/Fx.h"
#include "ui/view/GalleryRegistry.h"

#include <QGraphicsScene>

namespace qv {
namespace {

// The window at a small size, its state set up by `prepare`, on an opaque background; `shown`
// does what is done once it shows.
using Prepare = std::function<void(PanelState&, LibraryModel&, const QDateTime& now)>;
using Shown = std::function<void(PanelState&, LibraryWindow&, LibraryView&)>;

QImage window(GalleryScene& scene, const Prepare& prepare, QSize size = {760, 480}, const Shown& shown = {}) {
  auto& services = scene.services<LibraryServices>();
  PanelState state(services);
  LibraryWindow library(services, TranslucencySupport{});
  library.setPalette(AppearanceWindows::paletteFor(scene.environment.colorScheme));
  auto* model = new LibraryModel(state, *services.scheduler, &library);
  auto* view = new LibraryView(services, *model, &library);
  library.setContent(view, new FilterPanelView(services, state, FilterSurface::library, &library));
  prepare(state, *model, services.scheduler->now());
  view->sync();
  GalleryScene::showOffscreen(library, size);
  if (shown) shown(state, library, *view);
  scene.runFrames();
  GallerySheet sheet(scene, size);
  sheet.put(library, {0, 0});
  return sheet.finish();
}

// An opaque backing of the window's colour, for a part shown without its window.
void makeBacking(QWidget& backing, const GalleryScene& scene, QSize size) {
  backing.setPalette(AppearanceWindows::paletteFor(scene.environment.colorScheme));
  backing.setAutoFillBackground(true);
  backing.resize(size);
}

// Three texts each today, yesterday (collapsed) and ten days ago.
void inThreeSections(PanelState& state, LibraryModel&, const QDateTime& now) {
  const char* texts[] = {"Meeting notes for the project review on Thursday",
                         "git commit -m 'Fix the invoice totals'",
                         "https://example.org/reports/quarterly",
                         "Street address: 12 Harbour Lane",
                         "Dinner on Friday at eight?",
                         "The parcel number is 7741 0093 2210",
                         "SELECT name FROM staff WHERE team = 'design'",
                         "Remember to water the plants",
                         "Lorem ipsum dolor sit amet, consectetur adipiscing elit"};
  QList<ClipboardItem> items;
  for (int i = 0; i < 9; ++i)
    items << ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.example.Editor"),
                                 now.addDays(i < 3   ? 0
                                             : i < 6 ? -1
                                                     : -10)
                                     .addSecs(-60 * i),
                                 TextPayload{QString::fromLatin1(texts[i])});
  state.setItems(items);
  if (!state.collapsedGroups().contains(QStringLiteral("Yesterday")))
    state.toggleCollapsedGroup(QStringLiteral("Yesterday"));
}

// The five empty states side by side.
QImage emptyStates(GalleryScene& scene) {
  const QList<CustomCategory> categories = {{QUuid::createUuid(), QStringLiteral("Recipes"), 4}};
  const std::vector<LibraryEmptyState> states = {
      libraryEmptyState(QStringLiteral(" zebra "), false, LibraryScope::all(), categories),
      libraryEmptyState({}, true, LibraryScope::pinned(), categories),
      libraryEmptyState({}, false, LibraryScope::all(), categories),
      libraryEmptyState({}, false, LibraryScope::pinned(), categories),
      libraryEmptyState({}, false, LibraryScope::category(categories[0].id), categories),
  };
  const QSize cell(340, 240);
  GallerySheet sheet(scene, {double(cell.width() * 3), double(cell.height() * 2)});
  for (size_t i = 0; i < states.size(); ++i) {
    QWidget backing;
    makeBacking(backing, scene, cell);
    LibraryEmptyStateView view(scene.context, &backing);
    view.resize(cell);
    view.setProps(states[i]);
    sheet.put(backing, {double(cell.width() * int(i % 3)), double(cell.height() * int(i / 3))});
  }
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

// The header row in its states, one above the other: All selected with a dimmed empty tab; a
// category selected with its pencil; a query with the filter accented. (The strip's fades show
// in the window: library-fades-and-filter.)
QImage headerStates(GalleryScene& scene) {
  const QSize size(900, 56);
  const QUuid work = QUuid::createUuid(), recipes = QUuid::createUuid();
  const auto tabs = [&](const LibraryScope& selected, qsizetype pinned) {
    std::vector<LibraryHeaderView::Tab> made = {
        {QStringLiteral("All"), 12, LibraryScope::all(), selected == LibraryScope::all(), {}},
        {QStringLiteral("Pinned"), pinned, LibraryScope::pinned(), selected == LibraryScope::pinned(), {}},
        {QStringLiteral("Work"), 5, LibraryScope::category(work), selected == LibraryScope::category(work),
         QColor(0, 122, 255)},
        {QStringLiteral("Recipes"), 0, LibraryScope::category(recipes), selected == LibraryScope::category(recipes),
         QColor(255, 149, 0)}};
    return made;
  };
  std::vector<LibraryHeaderView::Props> states(3);
  states[0].tabs = tabs(LibraryScope::all(), 0);
  states[1].tabs = tabs(LibraryScope::category(work), 3);
  states[1].editableCategory = work;
  states[1].editableCategoryName = QStringLiteral("Work");
  states[2].tabs = tabs(LibraryScope::pinned(), 3);
  states[2].query = QStringLiteral("invoice");
  states[2].filterAccented = true;
  GallerySheet sheet(scene, {double(size.width()), double(size.height() * int(states.size()))});
  for (size_t i = 0; i < states.size(); ++i) {
    QWidget backing;
    makeBacking(backing, scene, size);
    LibraryHeaderView header(scene.context, &backing);
    header.resize(size);
    header.setProps(states[i], {});
    backing.setAttribute(Qt::WA_DontShowOnScreen);
    backing.show();
    QCoreApplication::processEvents();
    scene.runFrames();
    sheet.put(backing, {0, double(size.height() * int(i))});
  }
  return sheet.finish();
}

// The window scrolled into a long list (both grid edges fade) with the filter surface open
// under the filter button.
QImage fadesAndFilterSurface(GalleryScene& scene) {
  const auto prepare = [](PanelState& state, LibraryModel&, const QDateTime& now) {
    QList<ClipboardItem> items;
    for (int i = 0; i < 24; ++i)
      items << ClipboardItem::make(
          QUuid::createUuid(), QStringLiteral("org.example.Editor"), now.addSecs(-60 * i),
          TextPayload{QStringLiteral("Note %1: the quick brown fox jumps over the lazy dog").arg(i)});
    state.setItems(items);
    for (const char* name : {"Travel", "Shopping", "Snippets", "Passwords", "Links to read"})
      state.addCategory(QString::fromLatin1(name), 3);
  };
  return window(scene, prepare, {760, 560}, [](PanelState& state, LibraryWindow& library, LibraryView& view) {
    QCoreApplication::processEvents();
    view.grid().scrollTo(300);
    view.header().scrollTabs(60);
    state.setLibraryFilterSurfaceOpen(true);
    const QWidget& button = view.filterButton();
    library.placeFilterSurface(QRectF(QRect(button.mapTo(&library, QPoint()), button.size())));
    library.setFilterSurfaceOpen(true);
  });
}

// A grid card blown away (the grid's throw of 1): at rest, a third and two thirds of the way,
// shrinking, turning, flying up and sideways, blurring and fading.
QImage blownAway(GalleryScene& scene) {
  auto& services = scene.services<LibraryServices>();
  PanelState state(services);
  LibraryModel model(state, *services.scheduler);
  const ClipboardItem item = ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.example.Editor"),
                                                 services.scheduler->now(),
                                                 TextPayload{QStringLiteral("Meeting notes for the project review")});
  state.setItems({item});
  LibraryCardFactory factory(services, model);
  QGraphicsScene graphics;
  const double step = 360;
  for (int i = 0; i < 3; ++i) {
    PaintedItem* card = factory.makeCard();
    graphics.addItem(card);
    factory.showItem(*card, item, 0);
    card->setPos(20 + i * step, 70);
    cardHost::applyLook(*card, Fx::blowAway(card->rect(), i / 3.0, LibraryGridView::kBlowAwayTravel));
  }
  scene.runFrames();
  const QRectF area(0, 0, 3 * step + 20, 340);
  GallerySheet sheet(scene, area.size());
  sheet.painter().setRenderHint(QPainter::SmoothPixmapTransform);
  graphics.render(&sheet.painter(), area, area);
  return sheet.finish();
}

}  // namespace

void addLibraryGalleryViews(GalleryRegistry& registry) {
  registry.add(QStringLiteral("library-header-states"), headerStates);
  registry.add(QStringLiteral("library-fades-and-filter"), fadesAndFilterSurface);
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
  // The window at its smallest width (one column), a middle one (two) and its preferred one (four).
  for (const int width : {440, 760, 1202})
    registry.add(QStringLiteral("library-sections-%1").arg(width), [width](GalleryScene& scene) {
      return window(scene, inThreeSections, {width, 640});
    });
  registry.add(QStringLiteral("library-empty-states"), emptyStates);
  registry.add(QStringLiteral("library-blow-away"), blownAway);
  // The detail pane (its stand-in) over the grid's bottom, a type filter's chip under the header
  // and the copied toast over everything.
  registry.add(QStringLiteral("library-detail"), [](GalleryScene& scene) {
    return window(scene,
                  [](PanelState& state, LibraryModel& model, const QDateTime& now) {
                    inThreeSections(state, model, now);
                    model.setPreviewID(state.items().at(1).id);
                    model.setSelection(state.items().at(1).id);
                    state.setMultiSelectedIDs({state.items().at(0).id, state.items().at(2).id});
                    state.setFilterTypes({TypeFilter::text});
                    state.showPasteHint(state.items().at(2).id);
                  },
                  {1000, 720});
  });
  registry.add(QStringLiteral("library-copied"), [](GalleryScene& scene) {
    return window(scene, [](PanelState& state, LibraryModel& model, const QDateTime& now) {
      inThreeSections(state, model, now);
      state.setShowCopiedToast(true);
    });
  });
  // The detail pane moving from a tall picture to a short text (as the arrow keys move it): at
  // rest, four frames in, eight frames in, at rest.
  registry.add(QStringLiteral("library-detail-moving"), [](GalleryScene& scene) {
    const QSize size(640, 600);
    auto& services = scene.services<LibraryServices>();
    PanelState state(services);
    QImage tall(300, 900, QImage::Format_RGB32);
    tall.fill(QColor(70, 120, 170));
    const QDateTime now = services.scheduler->now();
    const ClipboardItem picture = ClipboardItem::make(
        QUuid::createUuid(), QStringLiteral("org.example.Paint"), now,
        ImagePayload{tall, QStringLiteral("poster.png"), tall.width(), tall.height(), QStringLiteral("1 KB")});
    const ClipboardItem note = ClipboardItem::make(QUuid::createUuid(), QStringLiteral("org.example.Editor"),
                                                   now.addSecs(-60), TextPayload{QStringLiteral("Dinner on Friday?")});
    state.setItems({picture, note});
    LibraryWindow library(services, TranslucencySupport{});
    library.setPalette(AppearanceWindows::paletteFor(scene.environment.colorScheme));
    auto* model = new LibraryModel(state, *services.scheduler, &library);
    auto* view = new LibraryView(services, *model, &library);
    library.setContent(view, new FilterPanelView(services, state, FilterSurface::library, &library));
    QObject::connect(model, &LibraryModel::changed, view, &LibraryView::sync);
    model->setPreviewID(picture.id);
    view->sync();
    GalleryScene::showOffscreen(library, size);
    scene.runFrames();
    GallerySheet sheet(scene, QSize(4 * size.width() + 30, size.height()));
    sheet.put(library, {0, 0});
    model->setPreviewID(note.id);
    for (int i = 1; i <= 3; ++i) {
      scene.runFrames(i < 3 ? 4 : 120);
      sheet.put(library, {i * (size.width() + 10.0), 0});
    }
    return sheet.finish();
  });
  addLibraryDetailGalleryViews(registry);
}

}  // namespace qv
