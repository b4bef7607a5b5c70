#pragma once
#include <QWidget>

class QTabWidget;

namespace qv {

struct SettingsServices;

// The settings window's content: a General pane with the settings the program reads (history
// retention, appearance, edge trigger, plain-text pasting, nearby devices, update checks) and
// an About pane. Opens on the pane named by "qv.settings.openPane" ("general", "about"; any
// other value: General). Every change is written to the user defaults at once.
class SettingsView : public QWidget {
  Q_OBJECT
 public:
  static constexpr char kOpenPaneKey[] = "qv.settings.openPane";

  explicit SettingsView(SettingsServices& context, QWidget* parent = nullptr);
  QTabWidget* tabs() const { return tabs_; }

 private:
  QWidget* makeGeneralPane();
  QWidget* makeAboutPane();

  SettingsServices& context_;
  QTabWidget* tabs_ = nullptr;
};

}  // namespace qv
