#include "settings/IgnoredPane.h"

#include "base/Url.h"
#include "items/identity/AppIdentity.h"
#include "items/rules/AppRulesManager.h"
#include "platform/DesktopEntries.h"
#include "settings/AddButton.h"
#include "settings/AppChooser.h"
#include "settings/AppPane.h"
#include "settings/AppRuleRows.h"
#include "settings/PaneText.h"
#include "settings/RevealSlot.h"
#include "settings/SettingsStyle.h"
#include "ui/anim/Transaction.h"
#include "ui/theme/Theme.h"

#include <QHideEvent>
#include <QVBoxLayout>

namespace qv {

const QString IgnoredPane::kExplanation = QStringLiteral(
    "Blur keeps recording clips from an app but hides them on screen until you reveal one \u2014 the clip is still "
    "saved. Ignore doesn't record them at all. Clips already saved are kept either way.");

namespace {

int savedClips(const QString& bundleID) {
  return IgnoredPane::clipCountForApp ? std::max(0, IgnoredPane::clipCountForApp(bundleID)) : 0;
}

}  // namespace

IgnoredPane::IgnoredPane(SettingsServices& context, QWidget* parent)
    : PaneContainer(context, paneTitle(AppPane::ignored), kFadeHeight, QColor(), parent), context_(context) {
  auto* column = new QWidget;
  auto* stack = new QVBoxLayout(column);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(8);
  addButton_ = new AddButton(context, {QStringLiteral("Add App"), false}, {[this] { addApps(); }});
  const SettingsSection section = settingsSection(context, QString(), true, {addButton_});
  card_ = section.card;
  body_ = section.body;
  stack->addWidget(card_);
  TextStyle explanationStyle{settingsStyle::font(11)};
  explanationStyle.font.setItalic(true);
  explanation_ = new PaneText(context, {kExplanation, explanationStyle, PaneText::Shade::tertiary});
  stack->addWidget(explanation_);
  addContent(column);

  if (context_.appRules)
    connect(context_.appRules.get(), &AppRulesManager::appsChanged, this, &IgnoredPane::followStore);
  withoutAnimation([this] { followStore(); });
}

QString IgnoredPane::eraseHelp(int count) {
  return count >= 1 ? QStringLiteral("Erase ") + QString::number(count) + QStringLiteral(" Saved Clips")
                    : QStringLiteral("No Saved Clips");
}

QString IgnoredPane::eraseQuestion(int count) {
  return QStringLiteral("Erase ") + QString::number(count) + QStringLiteral(" saved ") +
         (count == 1 ? QStringLiteral("clip") : QStringLiteral("clips")) + u'?';
}

AppChooser* IgnoredPane::chooser() const { return chooser_; }

AppRuleRowGroup* IgnoredPane::row(const QString& bundleID) const {
  for (AppRuleRowGroup* group : rows_)
    if (group->bundleID() == bundleID) return group;
  return nullptr;
}

// Rows follow the store's list: new entries come in where the list has them, gone ones fade out,
// the rest show their current name and rule.
void IgnoredPane::followStore() {
  const QList<AppRuleEntry> apps = context_.appRules ? context_.appRules->apps() : QList<AppRuleEntry>{};
  QList<AppRuleRowGroup*> kept;
  for (AppRuleRowGroup* group : std::as_const(rows_)) {
    const bool listed = std::any_of(apps.cbegin(), apps.cend(),
                                    [&](const AppRuleEntry& e) { return e.bundleID == group->bundleID(); });
    if (listed) {
      kept.append(group);
      continue;
    }
    if (confirmingRemoval_ == group->bundleID()) confirmingRemoval_.reset();
    auto* slot = static_cast<RevealSlot*>(group->parentWidget());
    slot->conceal(false, [slot] { slot->deleteLater(); });
  }
  QList<AppRuleRowGroup*> ordered;
  for (const AppRuleEntry& entry : apps) {
    if (std::any_of(ordered.cbegin(), ordered.cend(),
                    [&](AppRuleRowGroup* g) { return g->bundleID() == entry.bundleID; }))
      continue;  // one row per application
    AppRuleRowGroup* group = nullptr;
    for (AppRuleRowGroup* candidate : std::as_const(kept))
      if (candidate->bundleID() == entry.bundleID) group = candidate;
    AppRuleRowGroup::Props props = group ? group->props() : AppRuleRowGroup::Props{};
    props.icon = context_.appIdentity ? context_.appIdentity->appIcon(entry.bundleID) : QIcon();
    props.name = entry.name.isEmpty() && context_.appIdentity ? context_.appIdentity->appName(entry.bundleID)
                                                              : entry.name;
    props.rule = entry.rule;
    if (group) {
      group->setProps(props, rowCallbacks(entry.bundleID));
    } else {
      props.clipCount = savedClips(entry.bundleID);
      group = new AppRuleRowGroup(context_, entry.bundleID, props, rowCallbacks(entry.bundleID));
      auto* slot = new RevealSlot(context_, group);
      // After the last row already placed (or first), before the rows that follow and "Add App".
      const int at = ordered.isEmpty() ? 0 : body_->indexOf(ordered.last()->parentWidget()) + 1;
      body_->insertWidget(at, slot);
      slot->reveal();
    }
    ordered.append(group);
  }
  rows_ = ordered;
}

AppRuleRowGroup::Callbacks IgnoredPane::rowCallbacks(const QString& bundleID) {
  return {[this, bundleID](AppRule rule) { changeRule(rule, bundleID); }, [this, bundleID] { removeApp(bundleID); },
          [this, bundleID] { askToErase(bundleID); }, [this] { cancelErase(); },
          [this, bundleID] { confirmErase(bundleID); }};
}

void IgnoredPane::refreshCounts() {
  for (AppRuleRowGroup* group : std::as_const(rows_)) {
    AppRuleRowGroup::Props props = group->props();
    props.clipCount = savedClips(group->bundleID());
    group->setProps(props, rowCallbacks(group->bundleID()));
  }
}

void IgnoredPane::showEvent(QShowEvent* event) {
  PaneContainer::showEvent(event);
  refreshCounts();
}

void IgnoredPane::hideEvent(QHideEvent* event) {
  PaneContainer::hideEvent(event);
  // The window closed (a minimised one keeps it): the question goes with it, so the pane shows
  // again asking nothing, with counts read afresh.
  if (!event->spontaneous() && confirmingRemoval_) withoutAnimation([this] { setConfirming(std::nullopt); });
}

void IgnoredPane::addApps() {
  if (chooser_) {
    chooser_->raise();
    chooser_->activateWindow();
    return;
  }
  chooser_ = new AppChooser(context_, this);
  connect(chooser_, &AppChooser::chosen, this, &IgnoredPane::addChosen);
  const QRect over = window()->frameGeometry();
  chooser_->move(over.center() - QPoint(chooser_->width() / 2, chooser_->height() / 2));
  chooser_->show();
}

void IgnoredPane::addChosen(const QList<DesktopEntry>& entries) {
  if (!context_.appRules) return;
  withAnimation(Theme::springStandard(), [&] {
    for (const DesktopEntry& application : entries) {
      if (application.id.isEmpty()) continue;
      AppRuleEntry entry;
      entry.bundleID = application.id;
      entry.name = application.name.isEmpty() ? application.id : application.name;
      if (!application.path.isEmpty()) entry.appURL = Url::fromLocalFile(application.path);
      entry.rule = AppRule::never;
      context_.appRules->setRule(AppRule::never, entry);
    }
  });
}

void IgnoredPane::changeRule(AppRule rule, const QString& bundleID) {
  if (!context_.appRules) return;
  for (const AppRuleEntry& entry : context_.appRules->apps()) {
    if (entry.bundleID != bundleID) continue;
    const AppRuleEntry target = entry;
    withAnimation(Theme::springStandard(), [&] { context_.appRules->setRule(rule, target); });
    return;
  }
}

// The clips already captured stay in the history.
void IgnoredPane::removeApp(const QString& bundleID) {
  if (!context_.appRules) return;
  withAnimation(Theme::springStandard(), [&] {
    context_.appRules->removeEntries(bundleID);
    context_.appRules->save();
  });
}

void IgnoredPane::askToErase(const QString& bundleID) {
  confirmingCount_ = savedClips(bundleID);
  withAnimation(Theme::springStandard(), [&] { setConfirming(bundleID); });
}

void IgnoredPane::cancelErase() {
  withAnimation(Theme::springStandard(), [&] { setConfirming(std::nullopt); });
}

// Erase removes exactly as many clips as the question names: when copies came or went since it
// was asked, it asks again with the count as it is now (and none left ends the question). The
// rule stays in the list.
void IgnoredPane::confirmErase(const QString& bundleID) {
  if (const int count = savedClips(bundleID); confirmingRemoval_ == bundleID && count != confirmingCount_) {
    refreshCounts();
    if (count == 0) return cancelErase();
    confirmingCount_ = count;
    setConfirming(bundleID);
    return;
  }
  if (removeClipsForApp) removeClipsForApp(bundleID);
  withAnimation(Theme::springStandard(), [&] { setConfirming(std::nullopt); });
  refreshCounts();
}

// At most one question is open: opening another closes the one before.
void IgnoredPane::setConfirming(std::optional<QString> bundleID) {
  confirmingRemoval_ = std::move(bundleID);
  for (AppRuleRowGroup* group : std::as_const(rows_)) {
    AppRuleRowGroup::Props props = group->props();
    props.question = confirmingRemoval_ == group->bundleID() ? std::optional<int>(confirmingCount_) : std::nullopt;
    group->setProps(props, rowCallbacks(group->bundleID()));
  }
}

}  // namespace qv
