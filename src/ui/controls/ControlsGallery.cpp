#include "platform/fake/FakeScheduler.h"
#include "ui/InterfaceServices.h"
#include "ui/StatusBarIcon.h"
#include "ui/anim/FrameClock.h"
#include "ui/controls/AnimatedAppIconView.h"
#include "ui/controls/CategoryDot.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/PanelMenu.h"
#include "ui/controls/PillButtons.h"
#include "ui/controls/PillDropdown.h"
#include "ui/controls/ProgressSpinner.h"
#include "ui/controls/SegmentedPicker.h"
#include "ui/controls/TarnToggle.h"
#include "ui/theme/Theme.h"
#include "ui/view/GalleryRegistry.h"

#include <QApplication>
#include <QPainter>

namespace qv {

namespace {

QImage pillButtons(GalleryScene& scene) {
  GallerySheet sheet(scene, {560, 250});
  InterfaceServices& context = scene.context;
  const auto none = HouseButton::Callbacks{[] {}};
  auto row = [&](const QString& title, double y, auto make) {
    sheet.label(title, {8, y + 18});
    for (int hovered = 0; hovered < 2; ++hovered) {
      auto widget = make();
      widget->resize(widget->sizeHint());
      if (hovered) scene.hover(*widget, QRectF(widget->rect()).center());
      sheet.put(*widget, {120.0 + hovered * 220, y});
    }
  };
  row(QStringLiteral("Confirm"), 8, [&] {
    return std::make_unique<ConfirmPillButton>(context, ConfirmPillButton::Props{QStringLiteral("Cancel"), false},
                                               none);
  });
  row(QStringLiteral("Destructive"), 44, [&] {
    return std::make_unique<ConfirmPillButton>(context,
                                               ConfirmPillButton::Props{QStringLiteral("Erase 12 Clips"), true}, none);
  });
  row(QStringLiteral("Accent"), 80, [&] {
    return std::make_unique<AccentPillButton>(context, AccentPillButton::Props{QStringLiteral("Get Started"), {}, true},
                                              none);
  });
  row(QStringLiteral("Accent 160, off"), 124, [&] {
    return std::make_unique<AccentPillButton>(context,
                                              AccentPillButton::Props{QStringLiteral("Continue"), 160.0, false}, none);
  });
  row(QStringLiteral("About"), 168, [&] {
    return std::make_unique<AboutActionButton>(
        context, AboutActionButton::Props{QStringLiteral("Website"), QStringLiteral("safari")}, none);
  });
  sheet.label(QStringLiteral("Toolbar"), {8, 226});
  for (int i = 0; i < 4; ++i) {
    ToolbarPillButton button(context, {i < 2 ? QStringLiteral("Select") : QStringLiteral("Paste"), i >= 2}, none);
    button.resize(button.sizeHint());
    if (i % 2) scene.hover(button, QRectF(button.rect()).center());
    sheet.put(button, {120.0 + i * 110, 208});
  }
  return sheet.finish();
}

QImage categoryDots(GalleryScene& scene) {
  GallerySheet sheet(scene, {300, 60});
  const QColor colors[] = {QColor(255, 95, 87), QColor(255, 189, 46), QColor(40, 200, 64), QColor(0, 122, 255)};
  for (int i = 0; i < 4; ++i) {
    CategoryDot{colors[i], false, 7, {}}.paint(sheet.painter(), QRectF(10 + i * 20, 10, 14, 14));
    CategoryDot{colors[i], false, 8, 14.0}.paint(sheet.painter(), QRectF(10 + i * 24, 34, 18, 14));
  }
  const QRectF accent(110, 6, 180, 48);
  sheet.painter().fillPath(Fx::continuousRoundedRect(accent, 12), Theme::accent());
  for (int i = 0; i < 4; ++i) {
    CategoryDot{colors[i], true, 7, {}}.paint(sheet.painter(), QRectF(124 + i * 20, 10, 14, 14));
    CategoryDot{colors[i], true, 8, 14.0}.paint(sheet.painter(), QRectF(124 + i * 24, 34, 18, 14));
  }
  return sheet.finish();
}

QImage switches(GalleryScene& scene) {
  GallerySheet sheet(scene, {360, 250});
  const std::optional<QString> sentence = QStringLiteral(
      "Strips formatting from every paste, so clips land as plain text.");
  const TarnToggle::Props rows[] = {
      {QStringLiteral("Show in all Spaces"), false, true, {}},
      {QStringLiteral("Show in all Spaces"), true, true, {}},
      {QStringLiteral("Always paste as plain text"), true, true, {Theme::accent(), sentence}},
      {QStringLiteral("Capture from nearby devices"), false, false, {}},
      {QStringLiteral("Capture from nearby devices"), true, false, {}},
  };
  double y = 4;
  for (const auto& props : rows) {
    TarnToggle toggle(scene.context, props, {});
    toggle.resize(340, toggle.heightForWidth(340));
    sheet.put(toggle, {10, y});
    y += toggle.height() + 10;
  }
  LaunchAtLoginToggle login(scene.context);
  login.resize(340, login.heightForWidth(340));
  sheet.put(login, {10, y});
  return sheet.finish();
}

QImage segmentedPickers(GalleryScene& scene) {
  GallerySheet sheet(scene, {300, 150});
  using Picker = TarnSegmentedPicker<QString>;
  const std::vector<std::pair<QString, QString>> options = {{QStringLiteral("Light"), QStringLiteral("light")},
                                                            {QStringLiteral("Dark"), QStringLiteral("dark")},
                                                            {QStringLiteral("System"), QStringLiteral("system")}};
  Picker chosen(scene.context, Picker::Options{options, QStringLiteral("dark"), Theme::accent(), 80, 24, {}}, {});
  chosen.resize(chosen.sizeHint());
  sheet.put(chosen, {10, 10});
  Picker disabled(scene.context,
                  Picker::Options{options, QStringLiteral("light"), Theme::accent(), 80, 24,
                                  [](const QString& value) { return value == QStringLiteral("system"); }},
                  {});
  disabled.resize(disabled.sizeHint());
  sheet.put(disabled, {10, 56});
  Picker none(scene.context, Picker::Options{options, QStringLiteral("sepia"), QColor(230, 120, 40), 64, 22, {}}, {});
  none.resize(none.sizeHint());
  sheet.put(none, {10, 102});
  return sheet.finish();
}

// A stand-in application icon: an accent squircle with the status symbol.
QIcon sampleAppIcon() {
  QImage image(256, 256, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF body(16, 16, 224, 224);
  painter.fillPath(Fx::continuousRoundedRect(body, 52),
                   Fx::linearGradient(body, {0, 0}, {0, 1}, {{0, QColor(124, 129, 230)}, {1, Theme::accent()}}));
  QImage glyph = statusBarIconImage(true, false, 8, Qt::white);
  glyph.setDevicePixelRatio(1);
  painter.drawImage(QPointF(56, 56), glyph);
  painter.end();
  return QIcon(QPixmap::fromImage(image));
}

// The entrance at a few moments, and the icon-less view (glow only).
QImage animatedIcon(GalleryScene& scene) {
  GallerySheet sheet(scene, {5 * 120.0, 150});
  const double moments[] = {0.3, 1.2, 2.4, 3.9};
  double shownAt = 0;
  for (int i = 0; i < 5; ++i) {
    AnimatedAppIconView view(scene.context, 96, i < 4 ? sampleAppIcon() : QIcon());
    view.resize(view.sizeHint());
    view.show();
    auto& scheduler = static_cast<FakeScheduler&>(*scene.context.scheduler);
    const double at = i < 4 ? moments[i] : 3.9;
    // Virtual time on both clocks, frame by frame.
    for (shownAt = 0; shownAt < at; shownAt += 1.0 / 60) {
      scheduler.advance(1.0 / 60);
      scene.clock().advance(1.0 / 60);
    }
    sheet.put(view, {4 + i * 120.0, 4});
    sheet.label(i < 4 ? QStringLiteral("%1 s").arg(at) : QStringLiteral("no icon"), {40 + i * 120.0, 140});
  }
  return sheet.finish();
}

// A menu shown (offscreen) with `active` highlighted, grabbed.
QImage grabMenu(GalleryScene& scene, PanelMenu& menu, const QString& active) {
  menu.popup(QPoint(0, 0));
  if (PanelMenuRowView* row = menu.rowTitled(active)) menu.setActiveAction(row);
  scene.runFrames(20);
  QImage image = menu.grab().toImage();
  menu.hide();
  return image;
}

QImage menus(GalleryScene& scene) {
  const auto none = [] {};
  auto row = [&](QString symbol, QString title) {
    return MenuRow{symbol, title, {}, {}, {}, false, true, none, {}, false, {}};
  };
  std::vector<MenuRow> transforms = {row("scissors", "Trim Whitespace"), row("arrow.turn.up.right", "Join Lines"),
                                     MenuRow::separator(), row("textformat.abc", "lowercase")};
  MenuRow transformed = row("wand.and.sparkles", "Paste Transformed");
  transformed.submenu = transforms;
  MenuRow plain = row("textformat", "Paste as Plain Text");
  plain.isEnabled = false;
  MenuRow move = row("tag", "Move to Category");
  move.submenu = {row("xmark", "None")};
  MenuRow erase = row("trash", "Delete");
  erase.tint = QColor(255, 59, 48);
  PanelMenu card(scene.context, {row("doc.on.clipboard", "Paste"), plain, transformed, row("doc.on.doc", "Copy"),
                                 MenuRow::separator(), row("pin", "Pin"), move, MenuRow::separator(), erase});

  auto dot = [&](QString title, QColor color, bool checked) {
    return MenuRow{{}, title, {}, {}, color, checked, true, none, {}, false, {}};
  };
  PanelMenu categories(scene.context,
                       {dot("Work", QColor(255, 95, 87), false), dot("Personal", QColor(40, 200, 64), true),
                        dot("Snippets", QColor(0, 122, 255), false)});
  MenuRow library = row("square.grid.2x2", "Open Library");
  library.keyDisplay = QStringLiteral("Shift+Ctrl+V");
  MenuRow quit = row("rectangle.portrait.and.arrow.right", "Quit");
  quit.keyDisplay = QStringLiteral("Ctrl+Q");
  PanelMenu status(scene.context,
                   {library, row("pause.circle", "Pause Monitoring"), row("gearshape", "Settings"), quit});
  PanelMenu dropdown(scene.context, {MenuRow{{}, "Newest first", {}, {}, {}, true, true, none, {}, false, {}},
                                     MenuRow{{}, "Oldest first", {}, {}, {}, false, true, none, {}, false, {}}});

  return scene.sideBySide({grabMenu(scene, card, "Copy"), grabMenu(scene, categories, "Snippets"),
                           grabMenu(scene, status, "Settings"), grabMenu(scene, dropdown, "Oldest first")},
                          8);
}

QImage pillDropdowns(GalleryScene& scene) {
  GallerySheet sheet(scene, {640, 50});
  const std::vector<QVDropdownItem> items = {{QStringLiteral("Newest first"), true},
                                             {QStringLiteral("Oldest first"), false}};
  double x = 4;
  for (const QString& label :
       {QStringLiteral("Newest first"), QStringLiteral("Sort"), QStringLiteral("All applications")}) {
    for (int hovered = 0; hovered < 2; ++hovered) {
      if (hovered && label == QStringLiteral("Sort")) continue;
      PillDropdown pill(scene.context, {label, items}, {});
      pill.resize(pill.sizeHint());
      if (hovered) scene.hover(pill, QRectF(pill.rect()).center());
      sheet.put(pill, {x, 10});
      x += pill.width() + 10;
    }
  }
  return sheet.finish();
}

QImage progressSpinners(GalleryScene& scene) {
  GallerySheet sheet(scene, {300, 60});
  double x = 10;
  for (const double diameter : {ProgressSpinner::kSmallDiameter, 32.0}) {
    for (int step = 0; step < 3; ++step) {
      ProgressSpinner spinner(scene.context);
      spinner.setProps({diameter});
      spinner.resize(spinner.sizeHint());
      spinner.setAttribute(Qt::WA_DontShowOnScreen);
      spinner.show();
      scene.clock().advance(step / ProgressSpinner::kStepsPerSecond * 4);
      sheet.put(spinner, {x, 30 - diameter / 2});
      x += diameter + 20;
    }
  }
  return sheet.finish();
}

}  // namespace

void addControlGalleryViews(GalleryRegistry& registry) {
  registry.add(QStringLiteral("pill-buttons"), pillButtons);
  registry.add(QStringLiteral("category-dots"), categoryDots);
  registry.add(QStringLiteral("switches"), switches);
  registry.add(QStringLiteral("segmented-pickers"), segmentedPickers);
  registry.add(QStringLiteral("animated-icon"), animatedIcon);
  registry.add(QStringLiteral("menus"), menus);
  registry.add(QStringLiteral("pill-dropdown"), pillDropdowns);
  registry.add(QStringLiteral("progress-spinner"), progressSpinners);
}

}  // namespace qv
