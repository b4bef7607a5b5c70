#include "settings/SettingsGallery.h"

#include "items/rules/AppRulesManager.h"
#include "platform/HotKeyStatus.h"
#include "platform/SettingsStore.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/keys/KeyCodes.h"
#include "settings/AboutPane.h"
#include "settings/AppRuleRows.h"
#include "settings/GeneralPane.h"
#include "settings/IgnoredPane.h"
#include "settings/PaneText.h"
#include "settings/SettingsServices.h"
#include "settings/SettingsStyle.h"
#include "settings/SettingsView.h"
#include "settings/ShortcutRecorder.h"
#include "ui/AppIcon.h"
#include "ui/Appearance.h"
#include "ui/theme/Environment.h"
#include "ui/view/GalleryRegistry.h"

#include <QApplication>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace qv {

namespace {

constexpr double kPaneWidth = SettingsView::kWidth - SettingsView::kSidebarWidth;
constexpr int kShortcutKey = keys::code::K;
constexpr int kShortcutModifiers = keys::kCommandFlag | keys::kOptionFlag;

// The settings window's background in the scene's appearance.
QColor background(const GalleryScene& scene) {
  return AppearanceWindows::paletteFor(scene.environment.isDark() ? ColorScheme::dark : ColorScheme::light)
      .color(QPalette::Window);
}

// A window or pane as it shows: on the settings window's background.
QImage onBackground(GalleryScene& scene, QWidget& widget) {
  GallerySheet sheet(scene, QSizeF(widget.size()));
  sheet.painter().fillRect(QRectF(0, 0, widget.width(), widget.height()), background(scene));
  sheet.put(widget, QPointF());
  return sheet.finish();
}

// The scene's appearance stored, as the General pane applies it when it comes on screen; or none.
void storeAppearance(SettingsServices& context, const GalleryScene* scene) {
  if (scene)
    context.settings->set(QLatin1String(kAppearanceKey),
                          scene->environment.isDark() ? QStringLiteral("dark") : QStringLiteral("light"));
  else context.settings->remove(QLatin1String(kAppearanceKey));
}

// Ctrl+Alt+K stored, its grab reported with `status`; or nothing stored. Undone by the next call.
void storeShortcut(SettingsServices& context, std::optional<int> status) {
  context.settings->set(QLatin1String(ShortcutRecorderButton::kKeyCodeKey), status ? kShortcutKey : -1);
  context.settings->set(QLatin1String(ShortcutRecorderButton::kModifiersKey), status ? kShortcutModifiers : 0);
  context.hotKeyStatus->report(status ? std::optional(HotKeyStatus::Grab{kShortcutKey, kShortcutModifiers, *status})
                                      : std::nullopt);
}

QImage generalPane(GalleryScene& scene) {
  SettingsServices& context = scene.services<SettingsServices>();
  storeShortcut(context, GlobalHotKey::kAlreadyGrabbed);
  storeAppearance(context, &scene);
  scene.settle();
  QImage image;
  {
    GeneralPane pane(context, {});
    pane.resize(int(kPaneWidth), 1040);
    pane.show();
    scene.settle();
    scene.runFrames();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    image = onBackground(scene, pane);
  }
  storeShortcut(context, std::nullopt);
  storeAppearance(context, nullptr);
  scene.settle();
  return image;
}

// The recorder as the "Shortcut" row holds it, with its caption under it.
QImage recorderStates(GalleryScene& scene) {
  SettingsServices& context = scene.services<SettingsServices>();
  const std::optional<int> states[] = {std::nullopt, std::nullopt, GlobalHotKey::kOk, GlobalHotKey::kAlreadyGrabbed};
  constexpr double kRowHeight = 64;
  GallerySheet sheet(scene, QSizeF(kPaneWidth, kRowHeight * std::size(states)));
  sheet.painter().fillRect(QRectF(0, 0, kPaneWidth, kRowHeight * std::size(states)), background(scene));
  for (std::size_t index = 0; index < std::size(states); ++index) {
    storeShortcut(context, states[index]);
    scene.settle();
    QWidget row;
    auto* layout = new QVBoxLayout(&row);
    layout->setContentsMargins(14, 8, 14, 8);
    layout->setSpacing(2);
    auto* recorder = new ShortcutRecorderButton(context, 2, 20, {});
    auto* caption = new PaneText(context, {QString(), TextStyle{settingsStyle::font(11)}, PaneText::Shade::tertiary});
    layout->addWidget(recorder);
    layout->addWidget(caption);
    layout->addStretch(1);
    row.resize(int(kPaneWidth), int(kRowHeight));
    row.show();
    if (index == 1) {
      // Recording, after a refused Ctrl+Q.
      recorder->startRecording();
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier);
      QApplication::sendEvent(&row, &press);
    }
    PaneText::Props text = caption->props();
    text.text = recorder->caption();
    caption->setProps(text);
    scene.runFrames();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    row.layout()->activate();
    sheet.put(row, QPointF(0, double(index) * kRowHeight));
    recorder->stopRecording();
  }
  storeShortcut(context, std::nullopt);
  scene.settle();
  return sheet.finish();
}

QImage aboutPane(GalleryScene& scene) {
  SettingsServices& context = scene.services<SettingsServices>();
  // The program sets its icon once it runs; the pane shows it.
  if (QApplication::windowIcon().isNull()) QApplication::setWindowIcon(applicationIcon());
  AboutPane pane(context);
  pane.resize(int(kPaneWidth), SettingsView::kHeight);
  pane.show();
  // Its icon comes in on both clocks.
  auto& scheduler = static_cast<FakeScheduler&>(*context.scheduler);
  for (int frame = 0; frame < 240; ++frame) {
    scheduler.advance(1.0 / 60);
    scene.clock().advance(1.0 / 60);
  }
  return onBackground(scene, pane);
}

// Two applications with rules of their own, the second with saved clips and its erase question
// open; "Add App" under them.
QImage appRulesPane(GalleryScene& scene) {
  SettingsServices& context = scene.services<SettingsServices>();
  if (!context.appRules) return {};
  const QList<AppRuleEntry> before = context.appRules->apps();
  const auto counted = IgnoredPane::clipCountForApp;
  IgnoredPane::clipCountForApp = [](const QString& bundleID) {
    return bundleID == QLatin1String("org.keepassxc.KeePassXC") ? 12 : 0;
  };
  AppRuleEntry editor;
  editor.bundleID = QStringLiteral("org.gnome.TextEditor");
  editor.name = QStringLiteral("Text Editor");
  AppRuleEntry vault;
  vault.bundleID = QStringLiteral("org.keepassxc.KeePassXC");
  vault.name = QStringLiteral("KeePassXC");
  context.appRules->setApps({});
  context.appRules->setRule(AppRule::blur, editor);
  context.appRules->setRule(AppRule::never, vault);
  scene.settle();
  QImage image;
  {
    IgnoredPane pane(context);
    pane.resize(int(kPaneWidth), 420);
    pane.show();
    scene.settle();
    pane.askToErase(vault.bundleID);
    scene.settle();
    // The question shows once the event loop comes round (a widget put into a shown layout).
    QCoreApplication::sendPostedEvents();
    scene.runFrames();
    // Each nested layout asks its parent's on the next round.
    for (int round = 0; round < 6; ++round) QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    image = onBackground(scene, pane);
  }
  context.appRules->setApps(before);
  IgnoredPane::clipCountForApp = counted;
  scene.settle();
  return image;
}

// The whole window: the sidebar with "App Rules" chosen, and its pane.
QImage settingsWindow(GalleryScene& scene) {
  SettingsServices& context = scene.services<SettingsServices>();
  context.settings->set(QLatin1String(SettingsView::kOpenPaneKey), paneTitle(AppPane::ignored));
  storeAppearance(context, &scene);
  scene.settle();
  QImage image;
  {
    SettingsView view(context, {});
    view.show();
    scene.settle();
    QCoreApplication::sendPostedEvents();  // the requested pane shows once the event loop comes round
    scene.runFrames();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    image = onBackground(scene, view);
  }
  context.settings->remove(QLatin1String(SettingsView::kOpenPaneKey));
  storeAppearance(context, nullptr);
  scene.settle();
  return image;
}

}  // namespace

void addSettingsGalleryViews(GalleryRegistry& registry) {
  registry.add(QStringLiteral("settings-general"), generalPane);
  registry.add(QStringLiteral("settings-shortcut-recorder"), recorderStates);
  registry.add(QStringLiteral("settings-about"), aboutPane);
  registry.add(QStringLiteral("settings-app-rules"), appRulesPane);
  registry.add(QStringLiteral("settings-window"), settingsWindow);
}

}  // namespace qv
