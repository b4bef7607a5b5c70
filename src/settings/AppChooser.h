#pragma once
#include "platform/DesktopEntries.h"

#include <QList>
#include <QWidget>

class QListWidget;

namespace qv {

struct SettingsServices;
class AccentPillButton;
class ConfirmPillButton;
class DesktopEntryIndex;
class QVSearchTextField;

// The window in which the user picks installed applications for the App Rules list: every
// application the desktop offers (not this program), by icon and name, narrowed by a search
// field; several can be picked at once. "Add" hands the picked ones back and closes it;
// "Cancel", Escape or closing the window hand back nothing.
class AppChooser : public QWidget {
  Q_OBJECT
 public:
  AppChooser(SettingsServices& context, QWidget* parent = nullptr);

  // What is offered: the desktop's applications without this program, by name.
  static QList<DesktopEntry> candidates(const DesktopEntryIndex& index);
  // Whether an application stays in the list for a search: every word of it found in the name
  // or the id, ignoring case.
  static bool matches(const DesktopEntry& entry, const QString& query);

  QVSearchTextField* searchField() const { return search_; }
  QListWidget* list() const { return list_; }
  // The applications offered now (after the search).
  QList<DesktopEntry> shown() const;
  // Picks or unpicks an application by id.
  void setPicked(const QString& id, bool picked);
  QList<DesktopEntry> picked() const;

  void accept();
  void cancel();

 Q_SIGNALS:
  void chosen(const QList<DesktopEntry>& entries);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void narrow(const QString& query);
  void updateAddButton();

  QList<DesktopEntry> entries_;
  QVSearchTextField* search_ = nullptr;
  QListWidget* list_ = nullptr;
  AccentPillButton* add_ = nullptr;
  ConfirmPillButton* cancel_ = nullptr;
};

}  // namespace qv
