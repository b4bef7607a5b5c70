#pragma once
#include <functional>

class QWidget;

namespace qv {

struct SettingsServices;
class PaneContainer;

// The General pane's page: for now the plain controls of the settings the program reads
// (history retention, appearance, edge trigger, shortcut, plain-text pasting, nearby devices,
// update checks), each written to the user defaults at once.
PaneContainer* makeGeneralPane(SettingsServices& context, const std::function<void(bool)>& onShortcutRecording);
// The About pane's page: the program's name and version.
QWidget* makeAboutPane(SettingsServices& context);
// The App Rules pane's page (its rules arrive with the pane itself).
PaneContainer* makeAppRulesPane(SettingsServices& context);

}  // namespace qv
