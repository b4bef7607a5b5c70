#include "settings/onboarding/OnboardingGallery.h"

#include "platform/fake/FakePastePermission.h"
#include "platform/fake/FakeScheduler.h"
#include "settings/SettingsServices.h"
#include "settings/onboarding/OnboardingView.h"
#include "ui/Translucency.h"
#include "ui/anim/FrameClock.h"
#include "ui/controls/PillButtons.h"
#include "ui/view/GalleryRegistry.h"

#include <QPainter>

namespace qv {

namespace {

struct PermissionSetup {
  bool heldAtLaunch = true;
  bool heldNow = true;
  bool grantable = true;
};

// The view on the panel's material after `path` was pressed, its demonstrations half-way
// through their first cycle (the edge panel out, the pasted line in).
QImage page(GalleryScene& scene, std::vector<QString> path, PermissionSetup permission = {}) {
  SettingsServices& context = scene.services<SettingsServices>();
  auto& fakePermission = static_cast<FakePastePermission&>(*context.pastePermission);
  fakePermission.held = permission.heldAtLaunch;
  fakePermission.rememberLaunchState();
  fakePermission.held = permission.heldNow;
  fakePermission.grantable = permission.grantable;
  auto& scheduler = static_cast<FakeScheduler&>(*context.scheduler);
  auto& clock = static_cast<ManualFrameClock&>(*context.frameClock);
  auto advance = [&](double seconds) {
    for (int step = 0; step < int(seconds * 20); ++step) {
      scheduler.advance(0.05);
      clock.advance(0.05);
    }
  };

  OnboardingView view(context, {});
  view.show();
  for (const QString& title : path) {
    advance(0.6);
    if (HouseButton* button = view.button(title)) button->callbacks().onPress();
  }
  advance(2.2);

  QImage image = scene.canvas(OnboardingView::kWidth, OnboardingView::kHeight);
  QPainter painter(&image);
  painter.fillRect(QRectF(0, 0, OnboardingView::kWidth, OnboardingView::kHeight),
                   Translucency::backgroundColor(Material::menu, scene.environment, {}));
  view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
  painter.end();
  view.hide();
  fakePermission.held = true;
  fakePermission.grantable = true;
  return image;
}

}  // namespace

void addOnboardingGalleryViews(GalleryRegistry& registry) {
  const QString next = QStringLiteral("Next");
  registry.add(QStringLiteral("onboarding-1-summon"), [](GalleryScene& scene) { return page(scene, {}); });
  registry.add(QStringLiteral("onboarding-2-extras"), [next](GalleryScene& scene) { return page(scene, {next}); });
  registry.add(QStringLiteral("onboarding-3-ready"), [next](GalleryScene& scene) { return page(scene, {next, next}); });
  registry.add(QStringLiteral("onboarding-3-asking"), [next](GalleryScene& scene) {
    return page(scene, {next, next}, {false, false, true});
  });
  registry.add(QStringLiteral("onboarding-3-restart"), [next](GalleryScene& scene) {
    return page(scene, {next, next}, {false, true, true});
  });
  registry.add(QStringLiteral("onboarding-3-unavailable"), [next](GalleryScene& scene) {
    return page(scene, {next, next}, {false, false, false});
  });
}

}  // namespace qv
