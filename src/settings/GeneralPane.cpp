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
#include "ui/symbols/Symbols.h"
#include "ui/theme/Theme.h"

#include <QGridLayout>
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

PaneText* paneText(SettingsServices& context, const QString& text, double size, PaneText::Shade shade,
                   QFont::Weight weight = QFont::Normal) {
  return new PaneText(context, {text, TextStyle{settingsStyle::font(size, weight)}, shade});
}

PaneText* rowLabel(SettingsServices& context, const QString& text) {
  return paneText(context, text, 13, PaneText::Shade::primary);
}

// A caption under a switch or a row label.
PaneText* caption(SettingsServices& context, const QString& text, double size = 11) {
  return paneText(context, text, size, PaneText::Shade::tertiary);
}

// A leading-aligned column of views, `spacing` apart.
QWidget* column(const QList<QWidget*>& views, int spacing) {
  auto* group = new QWidget;
  auto* layout = new QVBoxLayout(group);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(spacing);
  for (QWidget* view : views) layout->addWidget(view);
  return group;
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

// "✓ Enabled" in the accent colour.
class EnabledBadge : public PaintedWidget {
 public:
  EnabledBadge(SettingsServices& context, const Animated<double>& presence)
      : PaintedWidget(context), presence_(presence) {
    setHoverEnabled(false);
    font_ = systemFont(12, QFont::Medium);
    const double text = QFontMetricsF(font_).horizontalAdvance(QString::fromLatin1(kTitle));
    setFixedSize(int(std::ceil(kSymbol + kSpacing + text)) + 2, 20);
    setAccessibleName(QString::fromLatin1(kTitle));
  }
  static constexpr char kTitle[] = "Enabled";

 protected:
  void paint(QPainter& painter) override {
    const double presence = unitClamped(presence_.value());
    if (presence <= 0) return;
    const bool scales = !environment().reduceMotion;
    painter.setOpacity(presence);
    const QPointF centre = QRectF(rect()).center();
    const double scale = scales ? lerp(0.9, 1.0, presence) : 1.0;
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);
    const QImage symbol = Symbols::image(QStringLiteral("checkmark.circle.fill"), kSymbol, Theme::accent(),
                                         devicePixelRatioF());
    if (!symbol.isNull()) {
      const QSizeF size = QSizeF(symbol.size()) / symbol.devicePixelRatio();
      painter.drawImage(QPointF(0, (height() - size.height()) / 2), symbol);
    }
    painter.setFont(font_);
    painter.setPen(Theme::accent());
    painter.drawText(QRectF(kSymbol + kSpacing, 0, width(), height()), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromLatin1(kTitle));
  }

 private:
  static constexpr double kSymbol = 11;
  static constexpr double kSpacing = 4;
  const Animated<double>& presence_;
  QFont font_;
};

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

// ---- Permission ------------------------------------------------------------------------------

PasteAccessControl pasteAccessControl(bool grantable, bool canPaste, bool liveCheck, bool heldAtLaunch,
                                      bool didRequest) {
  if (!canPaste) {
    if (!grantable) return PasteAccessControl::unavailable;
    return didRequest ? PasteAccessControl::openSettings : PasteAccessControl::enable;
  }
  return liveCheck && !heldAtLaunch ? PasteAccessControl::restartToFinish : PasteAccessControl::enabled;
}

PasteAccessRow::PasteAccessRow(SettingsServices& context, Props props, Callbacks callbacks, QWidget* parent)
    : QWidget(parent),
      context_(context),
      props_(std::move(props)),
      callbacks_(std::move(callbacks)),
      badgePresence_(*context.frameClock, 1.0) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(12);
  status_ = paneText(context, QString(), 11, PaneText::Shade::secondary);
  relaunchNote_ = paneText(context,
                           QStringLiteral("If you turn this off, Quorvalen may need to relaunch before it notices."),
                           10, PaneText::Shade::tertiary);
  status_->setMaximumWidth(int(kTextWidth));
  relaunchNote_->setMaximumWidth(int(kTextWidth));
  row->addWidget(column({rowLabel(context, QStringLiteral("Accessibility")), status_, relaunchNote_}, 2), 1,
                 Qt::AlignTop);

  button_ = new AccentPillButton(context, {}, {[this] { act(); }});
  auto* badge = new EnabledBadge(context, badgePresence_);
  badge_ = badge;
  badgePresence_.setOnChange([badge] { badge->update(); });
  unavailable_ = paneText(context, QStringLiteral("Not available"), 12, PaneText::Shade::secondary, QFont::Medium);
  // The controls share one place: the badge fades out over the button that takes its place.
  auto* controls = new QWidget;
  auto* place = new QGridLayout(controls);
  place->setContentsMargins(0, 0, 0, 0);
  for (QWidget* control : {static_cast<QWidget*>(button_), badge_, static_cast<QWidget*>(unavailable_)})
    place->addWidget(control, 0, 0, Qt::AlignTop | Qt::AlignRight);
  row->addWidget(controls, 0, Qt::AlignTop | Qt::AlignRight);
  // Everything is shown once, as after a row that showed no badge.
  Props before;
  before.control = PasteAccessControl::unavailable;
  apply(before);
}

void PasteAccessRow::act() {
  // A copy: the call may hand this row new callbacks.
  const auto action = props_.control == PasteAccessControl::restartToFinish ? callbacks_.onRestart
                                                                            : callbacks_.onRequest;
  if (action) action();
}

QString PasteAccessRow::statusSentence(const Props& props) {
  if (props.canPaste)
    return QStringLiteral("Quorvalen presses Ctrl+V for you, so items paste straight into the app you were using.");
  if (!props.grantable)
    return QStringLiteral(
        "This desktop doesn't let one app press keys in another, so Quorvalen can't press Ctrl+V for you. Items "
        "are copied to the clipboard and you paste them yourself.");
  return QStringLiteral(
      "Allow Quorvalen to press Ctrl+V for you. Without it, items are copied to the clipboard and you paste them "
      "yourself.");
}

void PasteAccessRow::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (props == props_) return;
  const Props before = std::exchange(props_, props);
  apply(before);
}

void PasteAccessRow::apply(const Props& before) {
  const bool badgeWas = before.control == PasteAccessControl::enabled;
  status_->setProps([&] {
    PaneText::Props text = status_->props();
    text.text = statusSentence(props_);
    return text;
  }());
  relaunchNote_->setVisible(props_.grantable);
  QString title;
  switch (props_.control) {
    case PasteAccessControl::enable: title = QStringLiteral("Enable"); break;
    case PasteAccessControl::openSettings: title = QStringLiteral("Open Settings"); break;
    case PasteAccessControl::restartToFinish: title = QStringLiteral("Restart to Finish"); break;
    case PasteAccessControl::enabled:
    case PasteAccessControl::unavailable: break;
  }
  button_->setProps({title, std::nullopt, true}, {[this] { act(); }});
  button_->setVisible(!title.isEmpty());
  const QString restartHelp = QStringLiteral(
      "Restarts Quorvalen — the desktop gives it this permission when the app next starts");
  const bool restarts = props_.control == PasteAccessControl::restartToFinish;
  button_->setToolTip(restarts ? restartHelp : QString());
  button_->setAccessibleName(restarts ? restartHelp : title);
  unavailable_->setVisible(props_.control == PasteAccessControl::unavailable);
  // The badge comes and goes scaling from 0.9 with a fade (the painting scales it), with the
  // row's ease-out; out of sight at once.
  const bool badgeIs = props_.control == PasteAccessControl::enabled;
  const std::optional<Animation> fade = isVisible() ? std::optional(Theme::easeOutQuick()) : std::nullopt;
  if (badgeIs && !badgeWas) {
    badge_->show();
    if (fade) badgePresence_.jumpTo(0.0);
    badgePresence_.animateTo(1.0, fade);
  } else if (!badgeIs && badgeWas) {
    badgePresence_.animateTo(0.0, fade, [this](bool finished) {
      if (finished && props_.control != PasteAccessControl::enabled) badge_->hide();
    });
    if (!fade) badge_->hide();
  } else if (!badgeIs) {
    badge_->hide();
  }
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
  addContent(column(pair, 8));
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
  auto* dwellLabel = column({rowLabel(context_, QStringLiteral("Dwell delay")),
                             caption(context_, QStringLiteral("How long to hold cursor at edge before opening"), 10)},
                            0);
  sideRow_ = new RowReveal(context_,
                           column({new PaneDivider(context_, kDividerOpacity),
                                   paneRow(rowLabel(context_, QStringLiteral("Side")), sidePicker_)},
                                  10),
                           shown_.edgeInEffect());
  dwellRow_ = new RowReveal(context_,
                            column({new PaneDivider(context_, kDividerOpacity), paneRow(dwellLabel, dwellPicker_)}, 10),
                            shown_.edgeInEffect());

  recorder_ = new ShortcutRecorderButton(context_, kRecorderTrackPad, kSegmentHeight, {[this](bool recording) {
                                           if (const auto told = callbacks_.onShortcutRecording) told(recording);
                                         }});
  auto* invoke = new QWidget;
  auto* rows = new QVBoxLayout(invoke);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(10);
  rows->addWidget(column({edgeToggle_, edgeNote_}, 2));
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
  rows->addWidget(column({paneRow(rowLabel(context_, QStringLiteral("Shortcut")), recorder_), shortcutNote_}, 2));
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
  return column(
      {paneRow(rowLabel(context_, QStringLiteral("Keep items for")), retention_),
       new PaneDivider(context_, kDividerOpacity),
       column({plainText_, caption(context_, QStringLiteral("Strips fonts, colours and links. Hold Shift while pasting "
                                                            "to keep formatting for one paste."))},
              2),
       new PaneDivider(context_, kDividerOpacity), column({nearby_, nearbyCaption_}, 2)},
      10);
}

QWidget* GeneralPane::buildUpdates() {
  TarnwickUpdater& updater = TarnwickUpdater::shared(context_);
  // The program checks for nothing itself: a switch for automatic checks would switch nothing.
  updatesNote_ = caption(context_, QString::fromLatin1(kUpdatesNote));
  auto* updatesRow = column({rowLabel(context_, QStringLiteral("Updated by your package manager")), updatesNote_}, 2);
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
  return column({updatesRow, new PaneDivider(context_, kDividerOpacity), checkForUpdates_}, 10);
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
