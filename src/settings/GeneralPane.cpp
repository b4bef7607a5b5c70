#include "settings/GeneralPane.h"

#include "platform/Alerts.h"
#include "platform/AppRelauncher.h"
#include "platform/SettingsStore.h"
#include "platform/Updater.h"
#include "settings/AppPane.h"
#include "settings/PaneRows.h"
#include "settings/PaneText.h"
#include "settings/SettingsServices.h"
#include "settings/SettingsStyle.h"
#include "settings/ShortcutRecorder.h"
#include "ui/Appearance.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/PillDropdown.h"
#include "ui/controls/TarnToggle.h"
#include "ui/theme/Theme.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <array>
#include <cmath>
#include <utility>

namespace qv {
namespace {

constexpr double kFadeHeight = GeneralPane::kFadeHeight;
constexpr double kSegmentHeight = 20;
constexpr double kRecorderTrackPad = 2;
constexpr double kDividerOpacity = 0.35;
constexpr double kEdgeSegmentWidth = 148.0 / 3;
constexpr double kThemeSegmentWidth = 56;

struct RetentionChoice {
  const char* value;
  const char* label;
};
constexpr std::array<RetentionChoice, 4> kRetentionChoices = {
    {{"1w", "Week"}, {"1m", "Month"}, {"1y", "Year"}, {"forever", "Forever"}}};
constexpr char kRetentionNotChosenLabel[] = "Not Chosen";

PaneText* rowLabel(SettingsServices& context, const QString& text) {
  return paneText(context, text, 13, PaneText::Shade::primary);
}

// A caption under a switch or a row label.
PaneText* caption(SettingsServices& context, const QString& text, double size = 11) {
  return paneText(context, text, size, PaneText::Shade::tertiary);
}

TarnToggle* switchRow(SettingsServices& context, const QString& title, TarnToggle::Callbacks callbacks) {
  return new TarnToggle(context, {title, false, true, TarnSwitchStyle{}}, std::move(callbacks));
}

// `animated` false: a value read as the pane is built shows at once.
void showSwitch(TarnToggle* toggle, bool on, TarnToggle::Callbacks callbacks, bool enabled = true,
                bool animated = true) {
  TarnToggle::Props props = toggle->props();
  props.isOn = on;
  props.isEnabled = enabled;
  toggle->setProps(props, std::move(callbacks), animated);
}

// A plain button that is a whole row: its title at the leading end. The title never changes, so
// it has no props; its callback comes once, with the title.
class PlainRowButton : public PaintedWidget {
 public:
  struct Callbacks {
    std::function<void()> onClick;
  };
  PlainRowButton(SettingsServices& context, QString title, Callbacks callbacks)
      : PaintedWidget(context), title_(std::move(title)), callbacks_(std::move(callbacks)) {
    setFixedHeight(20);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  }
  AccessibilityInfo accessibility() const override {
    AccessibilityInfo info;
    info.role = QAccessible::Button;
    info.name = title_;
    info.press = callbacks_.onClick;
    return info;
  }

 protected:
  void paint(QPainter& painter) override {
    painter.setFont(systemFont(13));
    painter.setPen(primaryColor(environment(), lerp(0.85, 1.0, hoverProgress())));
    painter.drawText(QRectF(rect()), Qt::AlignLeft | Qt::AlignVCenter, title_);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && callbacks_.onClick)
      callbacks_.onClick();
  }

 private:
  QString title_;
  Callbacks callbacks_;
};

}  // namespace

// ---- Settings --------------------------------------------------------------------------------

GeneralSettings GeneralSettings::read(const SettingsStore& settings) {
  GeneralSettings stored;
  stored.retention = settings.stringOr(QLatin1String(kRetentionKey), stored.retention);
  stored.retentionHeld = settings.valuesWereLost();
  stored.appearance = settings.stringOr(QLatin1String(kAppearanceKey), stored.appearance);
  stored.edgeEnabled = settings.boolOr(QLatin1String(kEdgeEnabledKey), stored.edgeEnabled);
  stored.keyCode = settings.intOr(QLatin1String(ShortcutRecorderButton::kKeyCodeKey), stored.keyCode);
  stored.modifiers = settings.intOr(QLatin1String(ShortcutRecorderButton::kModifiersKey), stored.modifiers);
  const QString side = settings.stringOr(QLatin1String(kEdgeSideKey), stored.edgeSide);
  // The panel takes any side but the left one for the right, and so does this reading.
  if (side == QLatin1String("left") || side == QLatin1String("both")) stored.edgeSide = side;
  // No delay (or none that makes sense) is the default one.
  const double delay = settings.doubleOr(QLatin1String(kEdgeDwellDelayKey), stored.edgeDwellDelay);
  if (std::isfinite(delay) && delay > 0) stored.edgeDwellDelay = delay;
  stored.alwaysPlainText = settings.boolOr(QLatin1String(kAlwaysPlainTextKey), stored.alwaysPlainText);
  stored.captureNearby = settings.boolOr(QLatin1String(kCaptureNearbyKey), stored.captureNearby);
  return stored;
}

QString retentionLabel(const QString& retention) {
  for (const RetentionChoice& choice : kRetentionChoices)
    if (retention == QLatin1String(choice.value)) return QString::fromLatin1(choice.label);
  return QString::fromLatin1(kRetentionChoices.front().label);
}

// ---- Pane ------------------------------------------------------------------------------------

GeneralPane::GeneralPane(SettingsServices& context, Callbacks callbacks, QWidget* parent)
    : PaneContainer(context, paneTitle(AppPane::general), kFadeHeight, QColor(), parent),
      context_(context),
      settings_(*context.settings),
      callbacks_(std::move(callbacks)),
      shown_(GeneralSettings::read(settings_)),
      canPaste_(context.pastePermission && context.pastePermission->isHeld()) {
  addSection(QStringLiteral("Invoke"), {buildInvoke()});

  pasteAccess_ = new PasteAccessRow(context, {}, pasteAccessCallbacks());
  addSection(QStringLiteral("Permissions"), {pasteAccess_});

  themePicker_ = new TarnSegmentedPicker<QString>(context,
                                                  {{{QStringLiteral("Light"), QStringLiteral("light")},
                                                    {QStringLiteral("Dark"), QStringLiteral("dark")},
                                                    {QStringLiteral("System"), QStringLiteral("system")}},
                                                   shown_.appearance,
                                                   Theme::accent(),
                                                   kThemeSegmentWidth,
                                                   kSegmentHeight,
                                                   {}},
                                                  themePickerCallbacks());
  addSection(QStringLiteral("Appearance"), {paneRow(rowLabel(context, QStringLiteral("Theme")), themePicker_)});

  addSection(QStringLiteral("Clipboard"), {buildClipboard()});

  launchAtLogin_ = new LaunchAtLoginToggle(context);
  addSection(QStringLiteral("System"), {launchAtLogin_});

  addSection(QStringLiteral("Updates"), {buildUpdates()});

  connect(&settings_, &SettingsStore::changed, this, [this] { refresh(); });
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
      if (state == Qt::ApplicationActive && isVisible()) recheckPermission();
    });
  }
  refresh(false);
}

// The recorder stops while the pane is whole: it tells the pane's callbacks as it does.
GeneralPane::~GeneralPane() { recorder_->stopRecording(); }

PasteAccessRow::Callbacks GeneralPane::pasteAccessCallbacks() {
  return {[this] {
            if (context_.pastePermission) context_.pastePermission->requestPostEventAccessOnce();
          },
          [this] {
            if (context_.appRelauncher) context_.appRelauncher->relaunch();
          }};
}

void GeneralPane::addSection(const QString& title, const QList<QWidget*>& rows) {
  const SettingsSection section = settingsSection(context_, title, false, rows);
  // Every row spans the card, its control at the trailing edge.
  section.body->setAlignment(Qt::Alignment());
  QList<QWidget*> pair;
  if (section.title) pair << section.title;
  pair << section.card;
  addContent(paneColumn(pair, 8));
}

QWidget* GeneralPane::buildInvoke() {
  edgeToggle_ = switchRow(context_, QStringLiteral("Screen edge"), {writes<bool>(GeneralSettings::kEdgeEnabledKey)});
  edgeNote_ = new RowReveal(context_, caption(context_, QString::fromLatin1(kEdgeNote)), !shown_.hasShortcut());

  sidePicker_ = new TarnSegmentedPicker<QString>(context_,
                                                 {{{QStringLiteral("Left"), QStringLiteral("left")},
                                                   {QStringLiteral("Right"), QStringLiteral("right")},
                                                   {QStringLiteral("Both"), QStringLiteral("both")}},
                                                  shown_.edgeSide,
                                                  Theme::accent(),
                                                  kEdgeSegmentWidth,
                                                  kSegmentHeight,
                                                  {}},
                                                 {writes<QString>(GeneralSettings::kEdgeSideKey)});
  dwellPicker_ = new TarnSegmentedPicker<double>(
      context_,
      {{{QStringLiteral("0.3s"), 0.3}, {QStringLiteral("0.5s"), 0.5}, {QStringLiteral("0.8s"), 0.8}},
       shown_.edgeDwellDelay,
       Theme::accent(),
       kEdgeSegmentWidth,
       kSegmentHeight,
       {}},
      {writes<double>(GeneralSettings::kEdgeDwellDelayKey)});
  auto* dwellLabel = paneColumn(
      {rowLabel(context_, QStringLiteral("Dwell delay")),
       caption(context_, QStringLiteral("How long to hold cursor at edge before opening"), 10)},
      0);
  sideRow_ = new RowReveal(context_,
                           paneColumn({new PaneDivider(context_, kDividerOpacity),
                                       paneRow(rowLabel(context_, QStringLiteral("Side")), sidePicker_)},
                                      10),
                           shown_.edgeInEffect());
  dwellRow_ = new RowReveal(
      context_, paneColumn({new PaneDivider(context_, kDividerOpacity), paneRow(dwellLabel, dwellPicker_)}, 10),
      shown_.edgeInEffect());

  recorder_ = new ShortcutRecorderButton(context_, kRecorderTrackPad, kSegmentHeight, {[this](bool recording) {
                                           if (const auto told = callbacks_.onShortcutRecording) told(recording);
                                         }});
  auto* invoke = new QWidget;
  auto* rows = new QVBoxLayout(invoke);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(10);
  rows->addWidget(paneColumn({edgeToggle_, edgeNote_}, 2));
  rows->addWidget(sideRow_);
  rows->addWidget(dwellRow_);
  rows->addWidget(new PaneDivider(context_, kDividerOpacity));
  PaneText* shortcutCaption = caption(context_, recorder_->caption());
  shortcutNote_ = new RowReveal(context_, shortcutCaption, !recorder_->caption().isEmpty());
  connect(recorder_, &ShortcutRecorderButton::captionChanged, this, [this, shortcutCaption] {
    const QString text = recorder_->caption();
    if (!text.isEmpty()) {
      PaneText::Props props = shortcutCaption->props();
      props.text = text;
      shortcutCaption->setProps(props);
    }
    shortcutNote_->setShown(!text.isEmpty());
  });
  rows->addWidget(paneColumn({paneRow(rowLabel(context_, QStringLiteral("Shortcut")), recorder_), shortcutNote_}, 2));
  return invoke;
}

QWidget* GeneralPane::buildClipboard() {
  retention_ = new PillDropdown(context_, {}, {});
  plainText_ = switchRow(context_, QStringLiteral("Always paste as plain text"),
                         {writes<bool>(GeneralSettings::kAlwaysPlainTextKey)});
  nearby_ = switchRow(context_, QStringLiteral("Include items copied on nearby devices"),
                      {writes<bool>(GeneralSettings::kCaptureNearbyKey)});
  nearbyCaption_ = caption(
      context_,
      QStringLiteral("Copies that a clipboard-sharing tool marks as coming from another device. They don't say "
                     "which app they came from, so these appear as “Nearby Device”."));
  return paneColumn(
      {paneRow(rowLabel(context_, QStringLiteral("Keep items for")), retention_),
       new PaneDivider(context_, kDividerOpacity),
       paneColumn(
           {plainText_, caption(context_, QStringLiteral("Strips fonts, colours and links. Hold Shift while pasting "
                                                         "to keep formatting for one paste."))},
           2),
       new PaneDivider(context_, kDividerOpacity), paneColumn({nearby_, nearbyCaption_}, 2)},
      10);
}

QWidget* GeneralPane::buildUpdates() {
  TarnwickUpdater& updater = TarnwickUpdater::shared(context_);
  // The program checks for nothing itself: a switch for automatic checks would switch nothing.
  updatesNote_ = caption(context_, QString::fromLatin1(kUpdatesNote));
  auto* updatesRow = paneColumn({rowLabel(context_, QStringLiteral("Updated by your package manager")), updatesNote_},
                                2);
  // The notice is a modal alert: it opens once the click has been handled.
  checkForUpdates_ = new PlainRowButton(
      context_, QStringLiteral("Check for Updates"),
      {queuedAction(
          context_.scheduler,
          [this, &updater] {
            AlertSpec alert;
            alert.message = QStringLiteral("Updates come through your package manager");
            alert.informativeText = updater.checkForUpdates();
            alert.buttons = {QStringLiteral("OK")};
            alert.returnButton = 0;
            alert.cancelButton = 0;
            context_.alerts->run(alert);
          },
          this)});
  return paneColumn({updatesRow, new PaneDivider(context_, kDividerOpacity), checkForUpdates_}, 10);
}

TarnSegmentedPicker<QString>::Callbacks GeneralPane::themePickerCallbacks() {
  return {[this](const QString& appearance) {
    set(GeneralSettings::kAppearanceKey, appearance);
    applyAppearance(context_, appearance);
  }};
}

void GeneralPane::set(const char* key, const QJsonValue& value) {
  settings_.set(QLatin1String(key), value);
  refresh();
}

void GeneralPane::refresh(bool animated) {
  GeneralSettings now = GeneralSettings::read(settings_);
  // A cleared shortcut leaves the screen edge as the only way in: it is switched back on.
  if (now.keyCode != shown_.keyCode && !now.hasShortcut() && !now.edgeEnabled) {
    settings_.set(QLatin1String(GeneralSettings::kEdgeEnabledKey), true);
    now.edgeEnabled = true;
  }
  shown_ = now;

  showSwitch(edgeToggle_, now.edgeEnabled, {writes<bool>(GeneralSettings::kEdgeEnabledKey)}, now.hasShortcut(),
             animated);
  edgeNote_->setShown(!now.hasShortcut());
  sideRow_->setShown(now.edgeInEffect());
  dwellRow_->setShown(now.edgeInEffect());
  sidePicker_->setSelection(now.edgeSide, {writes<QString>(GeneralSettings::kEdgeSideKey)});
  dwellPicker_->setSelection(now.edgeDwellDelay, {writes<double>(GeneralSettings::kEdgeDwellDelayKey)});
  themePicker_->setSelection(now.appearance, themePickerCallbacks());

  // While no retention is chosen after stored settings were lost, none is shown as chosen.
  std::vector<QVDropdownItem> items;
  for (const RetentionChoice& choice : kRetentionChoices)
    items.push_back(
        {QString::fromLatin1(choice.label), !now.retentionHeld && now.retention == QLatin1String(choice.value)});
  retention_->setProps(
      {now.retentionHeld ? QString::fromLatin1(kRetentionNotChosenLabel) : retentionLabel(now.retention),
       std::move(items)},
      {[this](int index) {
        // The user's choice: retention acts by it again.
        settings_.set({{QLatin1String(GeneralSettings::kRetentionKey),
                        QString::fromLatin1(kRetentionChoices[size_t(index)].value)},
                       {QLatin1String(SettingsStore::kValuesLostKey), QJsonValue()}});
        refresh();
      }});
  showSwitch(plainText_, now.alwaysPlainText, {writes<bool>(GeneralSettings::kAlwaysPlainTextKey)}, true, animated);
  showSwitch(nearby_, now.captureNearby, {writes<bool>(GeneralSettings::kCaptureNearbyKey)}, true, animated);
  refreshPermission();
}

void GeneralPane::recheckPermission() {
  const bool live = context_.pastePermission && context_.pastePermission->isHeld();
  if (live == canPaste_) return;
  canPaste_ = live;
  refreshPermission();
}

void GeneralPane::refreshPermission() {
  PastePermission* permission = context_.pastePermission.get();
  const bool grantable = permission && permission->isGrantable();
  const bool live = permission && permission->isHeld();
  const bool didRequest = settings_.boolOr(QLatin1String(PastePermission::kDidRequestKey), false);
  const bool atLaunch = permission && permission->hadPostEventAccessAtLaunch();
  pasteAccess_->setProps({pasteAccessControl(grantable, canPaste_, live, atLaunch, didRequest), grantable, canPaste_},
                         pasteAccessCallbacks());
}

void GeneralPane::showEvent(QShowEvent* event) {
  PaneContainer::showEvent(event);
  if (!appliedAppearance_) {
    appliedAppearance_ = true;
    applyAppearance(context_, shown_.appearance);
  }
  recheckPermission();
  if (!poll_.isRunning())
    poll_ = context_.scheduler->every(
        kPermissionPollSeconds, [this] { recheckPermission(); }, this);
}

void GeneralPane::hideEvent(QHideEvent* event) {
  PaneContainer::hideEvent(event);
  poll_.stop();
}

GeneralPane* makeGeneralPane(SettingsServices& context, GeneralPane::Callbacks callbacks) {
  return new GeneralPane(context, std::move(callbacks));
}

}  // namespace qv
