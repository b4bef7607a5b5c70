#include "settings/GeneralPane.h"

#include "settings/SettingsServices.h"
#include "platform/ProgramIdentity.h"
#include "platform/Updater.h"
#include "settings/AppPane.h"
#include "settings/PaneContainer.h"
#include "settings/ShortcutRecorder.h"
#include "ui/Appearance.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv {
namespace {

constexpr double kFadeHeight = 32;

struct Choice {
  const char* value;
  const char* title;
};

// A drop-down over a string setting; `fallback` is shown while the key is absent.
QComboBox* stringChoice(SettingsStore& settings, const QString& key, const QString& fallback,
                        std::initializer_list<Choice> choices, std::function<void(const QString&)> then = {}) {
  auto* box = new QComboBox;
  for (const Choice& choice : choices) box->addItem(QString::fromUtf8(choice.title), QString::fromLatin1(choice.value));
  const int current = box->findData(settings.stringOr(key, fallback));
  box->setCurrentIndex(current >= 0 ? current : box->findData(fallback));
  QObject::connect(box, &QComboBox::currentIndexChanged, box, [&settings, key, box, then](int) {
    const QString value = box->currentData().toString();
    settings.set(key, value);
    if (then) then(value);
  });
  return box;
}

QCheckBox* boolChoice(SettingsStore& settings, const QString& key, bool fallback, const QString& title) {
  auto* box = new QCheckBox(title);
  box->setChecked(settings.boolOr(key, fallback));
  QObject::connect(box, &QCheckBox::toggled, box, [&settings, key](bool on) { settings.set(key, on); });
  return box;
}

void addSection(SettingsServices& context, PaneContainer& page, const QString& title, bool flush, const QList<QWidget*>& content) {
  const SettingsSection section = settingsSection(context, title, flush, content);
  auto* pair = new QWidget;
  auto* stack = new QVBoxLayout(pair);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(8);
  if (section.title) stack->addWidget(section.title);
  stack->addWidget(section.card);
  page.addContent(pair);
}

}  // namespace

PaneContainer* makeGeneralPane(SettingsServices& context, const std::function<void(bool)>& onShortcutRecording) {
  SettingsStore& settings = *context.settings;
  auto* page = new PaneContainer(context, paneTitle(AppPane::general), kFadeHeight, QColor());

  auto* form = new QWidget;
  auto* rows = new QFormLayout(form);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->addRow(QStringLiteral("Keep history for"),
               stringChoice(settings, QStringLiteral("qv.historyRetention"), QStringLiteral("1w"),
                            {{"1w", "1 Week"}, {"1m", "1 Month"}, {"1y", "1 Year"}, {"forever", "Forever"}}));
  rows->addRow(QStringLiteral("Appearance"),
               stringChoice(settings, QStringLiteral("qv.appearance"), QStringLiteral("system"),
                            {{"system", "System"}, {"light", "Light"}, {"dark", "Dark"}},
                            [&context](const QString& value) { applyAppearance(context, value); }));
  rows->addRow(QString(), boolChoice(settings, QStringLiteral("qv.edgeEnabled"), true,
                                     QStringLiteral("Open the panel at the screen edge")));
  rows->addRow(QStringLiteral("Screen edge"),
               stringChoice(settings, QStringLiteral("qv.edgeSide"), QStringLiteral("right"),
                            {{"left", "Left"}, {"right", "Right"}, {"both", "Both"}}));
  auto* dwell = new QDoubleSpinBox;
  dwell->setRange(0.2, 2.0);
  dwell->setSingleStep(0.1);
  dwell->setDecimals(1);
  dwell->setSuffix(QStringLiteral(" s"));
  const double stored = settings.doubleOr(QStringLiteral("qv.edgeDwellDelay"), 0.3);
  dwell->setValue(stored > 0 ? stored : 0.3);
  QObject::connect(dwell, &QDoubleSpinBox::valueChanged, dwell,
                   [&settings](double value) { settings.set(QStringLiteral("qv.edgeDwellDelay"), value); });
  rows->addRow(QStringLiteral("Edge delay"), dwell);
  auto* recorder = new ShortcutRecorderButton(context, 2, 20);
  recorder->onRecordingChanged = onShortcutRecording;
  rows->addRow(QStringLiteral("Shortcut"), recorder);
  rows->addRow(QString(), boolChoice(settings, QStringLiteral("qv.alwaysPlainText"), false,
                                     QStringLiteral("Always paste as plain text")));
  rows->addRow(QString(), boolChoice(settings, QStringLiteral("qv.captureNearbyDevices"), true,
                                     QStringLiteral("Capture copies from nearby devices")));
  TarnwickUpdater& updater = TarnwickUpdater::shared(context);
  auto* automatic = new QCheckBox(QStringLiteral("Check for updates automatically"));
  automatic->setChecked(updater.automaticallyChecksForUpdates());
  QObject::connect(automatic, &QCheckBox::toggled, automatic,
                   [&updater](bool on) { updater.setAutomaticallyChecksForUpdates(on); });
  auto* check = new QPushButton(QStringLiteral("Check for Updates…"));
  QObject::connect(check, &QPushButton::clicked, check, [check, &updater] {
    QMessageBox::information(check->window(), QStringLiteral("Updates"), updater.checkForUpdates());
  });
  rows->addRow(QString(), automatic);
  rows->addRow(QString(), check);
  addSection(context, *page, QString(), false, {form});
  return page;
}

PaneContainer* makeAppRulesPane(SettingsServices& context) {
  return new PaneContainer(context, paneTitle(AppPane::ignored), kFadeHeight, QColor());
}

QWidget* makeAboutPane(SettingsServices&) {
  auto* pane = new QWidget;
  auto* layout = new QVBoxLayout(pane);
  auto* text = new QLabel(QStringLiteral("Quorvalen\nVersion ") + QString::fromLatin1(program::kVersion) +
                              QStringLiteral("\nClipboard history for your desktop."),
                          pane);
  text->setAlignment(Qt::AlignCenter);
  layout->addWidget(text);
  return pane;
}

}  // namespace qv
