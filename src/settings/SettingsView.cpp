#include "settings/SettingsView.h"

#include "platform/AppContext.h"
#include "platform/Updater.h"
#include "settings/ShortcutField.h"
#include "ui/Appearance.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qv {
namespace {

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

}  // namespace

SettingsView::SettingsView(AppContext& context, QWidget* parent) : QWidget(parent), context_(context) {
  auto* layout = new QVBoxLayout(this);
  tabs_ = new QTabWidget(this);
  tabs_->addTab(makeGeneralPane(), QStringLiteral("General"));
  tabs_->addTab(makeAboutPane(), QStringLiteral("About"));
  layout->addWidget(tabs_);
  const QString pane = context_.settings->stringOr(QLatin1String(kOpenPaneKey), QString());
  tabs_->setCurrentIndex(pane == QLatin1String("about") ? 1 : 0);
}

QWidget* SettingsView::makeGeneralPane() {
  SettingsStore& settings = *context_.settings;
  auto* pane = new QWidget;
  auto* form = new QFormLayout(pane);
  form->addRow(QStringLiteral("Keep history for"),
               stringChoice(settings, QStringLiteral("qv.historyRetention"), QStringLiteral("1w"),
                            {{"1w", "1 Week"}, {"1m", "1 Month"}, {"1y", "1 Year"}, {"forever", "Forever"}}));
  form->addRow(QStringLiteral("Appearance"),
               stringChoice(settings, QStringLiteral("qv.appearance"), QStringLiteral("system"),
                            {{"system", "System"}, {"light", "Light"}, {"dark", "Dark"}},
                            [this](const QString& value) { applyAppearance(context_, value); }));
  form->addRow(QString(), boolChoice(settings, QStringLiteral("qv.edgeEnabled"), true,
                                     QStringLiteral("Open the panel at the screen edge")));
  form->addRow(QStringLiteral("Screen edge"),
               stringChoice(settings, QStringLiteral("qv.edgeSide"), QStringLiteral("right"),
                            {{"left", "Left"}, {"right", "Right"}, {"both", "Both"}}));
  auto* dwell = new QDoubleSpinBox;
  dwell->setRange(0.2, 2.0);
  dwell->setSingleStep(0.1);
  dwell->setDecimals(1);
  dwell->setSuffix(QStringLiteral(" s"));
  const double stored = settings.doubleOr(QStringLiteral("qv.edgeDwellDelay"), 0.3);
  dwell->setValue(stored > 0 ? stored : 0.3);
  connect(dwell, &QDoubleSpinBox::valueChanged, dwell,
          [&settings](double value) { settings.set(QStringLiteral("qv.edgeDwellDelay"), value); });
  form->addRow(QStringLiteral("Edge delay"), dwell);
  auto* shortcut = new ShortcutField({int(settings.intOr(QStringLiteral("qv.shortcut.keyCode"), -1)),
                                      int(settings.intOr(QStringLiteral("qv.shortcut.modifiers"), 0))});
  shortcut->onChange = [&settings](const keys::StoredShortcut& recorded) {
    settings.set(QStringLiteral("qv.shortcut.keyCode"), recorded.keyCode);
    settings.set(QStringLiteral("qv.shortcut.modifiers"), recorded.modifiers);
  };
  form->addRow(QStringLiteral("Shortcut"), shortcut);
  form->addRow(QString(), boolChoice(settings, QStringLiteral("qv.alwaysPlainText"), false,
                                     QStringLiteral("Always paste as plain text")));
  form->addRow(QString(), boolChoice(settings, QStringLiteral("qv.captureNearbyDevices"), true,
                                     QStringLiteral("Capture copies from nearby devices")));
  TarnwickUpdater& updater = TarnwickUpdater::shared(context_);
  auto* automatic = new QCheckBox(QStringLiteral("Check for updates automatically"));
  automatic->setChecked(updater.automaticallyChecksForUpdates());
  connect(automatic, &QCheckBox::toggled, automatic,
          [&updater](bool on) { updater.setAutomaticallyChecksForUpdates(on); });
  auto* check = new QPushButton(QStringLiteral("Check for Updates…"));
  connect(check, &QPushButton::clicked, this, [this, &updater] {
    QMessageBox::information(this, QStringLiteral("Updates"), updater.checkForUpdates());
  });
  form->addRow(QString(), automatic);
  form->addRow(QString(), check);
  return pane;
}

QWidget* SettingsView::makeAboutPane() {
  auto* pane = new QWidget;
  auto* layout = new QVBoxLayout(pane);
  auto* text = new QLabel(QStringLiteral("Quorvalen\nClipboard history for your desktop."), pane);
  text->setAlignment(Qt::AlignCenter);
  layout->addWidget(text);
  return pane;
}

}  // namespace qv
