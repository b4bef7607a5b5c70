#pragma once
#include "items/rules/AppRule.h"
#include "settings/AppRuleRows.h"
#include "settings/PaneContainer.h"

#include <QHash>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class QVBoxLayout;

namespace qv {

struct DesktopEntry;
class AppChooser;
class HouseButton;
class PaintedWidget;

// The App Rules pane: one row per application with a rule of its own (icon, name, a Blur /
// Ignore picker, an eraser of its saved clips and a remove button), "Add App" to pick more from
// the installed applications, and the explanation under the card. Every change goes to the
// rule store at once, and the rows follow the store's list.
class IgnoredPane : public PaneContainer {
  Q_OBJECT
 public:
  // The pane's two questions about the history, answered by the application (set at launch):
  // how many saved clips an application has, and removing them (the number removed). Unset,
  // the pane counts 0 and erases nothing.
  static inline std::function<int(const QString& bundleID)> clipCountForApp;
  static inline std::function<int(const QString& bundleID)> removeClipsForApp;

  static constexpr double kFadeHeight = 32;
  static const QString kExplanation;

  explicit IgnoredPane(SettingsServices& context, QWidget* parent = nullptr);

  // The eraser's help: "Erase <n> Saved Clips" (never inflected), or "No Saved Clips".
  static QString eraseHelp(int count);
  // "Erase <n> saved clip?" or "… clips?".
  static QString eraseQuestion(int count);

  // The rows shown, in list order (rows on their way out not counted).
  QList<AppRuleRowGroup*> rows() const { return rows_; }
  AppRuleRowGroup* row(const QString& bundleID) const;
  PaintedWidget* addButton() const { return addButton_; }
  QWidget* card() const { return card_; }
  QWidget* explanation() const { return explanation_; }
  // The application chooser while it is open.
  AppChooser* chooser() const;

  const std::optional<QString>& confirmingRemoval() const { return confirmingRemoval_; }
  int confirmingCount() const { return confirmingCount_; }

  // Opens the chooser over the installed applications (one at a time).
  void addApps();
  // What the chooser hands back: each application starts ignored; one already listed is set
  // to ignored and stays one row.
  void addChosen(const QList<DesktopEntry>& entries);
  void changeRule(AppRule rule, const QString& bundleID);
  void removeApp(const QString& bundleID);
  // The question "Erase <n> saved clips?" for one application; it ends with the window.
  void askToErase(const QString& bundleID);
  void cancelErase();
  // Erases the application's clips when their count is still the one asked about; else asks
  // again with the count of now.
  void confirmErase(const QString& bundleID);

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void followStore();
  AppRuleRowGroup::Callbacks rowCallbacks(const QString& bundleID);
  void refreshCounts();
  void setConfirming(std::optional<QString> bundleID);

  SettingsServices& context_;
  QWidget* card_ = nullptr;
  QVBoxLayout* body_ = nullptr;
  PaintedWidget* addButton_ = nullptr;
  QWidget* explanation_ = nullptr;
  QList<AppRuleRowGroup*> rows_;
  QPointer<AppChooser> chooser_;
  std::optional<QString> confirmingRemoval_;
  int confirmingCount_ = 0;
};

}  // namespace qv
