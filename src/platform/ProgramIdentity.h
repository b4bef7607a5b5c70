#pragma once
#include "ProgramVersion.h"

#include <QString>

// Who the program is to the desktop: the one application id names its desktop entry (and so the
// autostart file), its icon in the icon theme, its AppStream component and its tray icon.
namespace qv::program {

inline constexpr char kApplicationId[] = "io.github.quorvalen.Quorvalen";
inline constexpr char kName[] = "Quorvalen";
// The project's version, as the About pane shows it.
inline constexpr char kVersion[] = QV_PROGRAM_VERSION;

// Who makes it and the project's web page (the About pane). There is no mail address that
// receives mail: the page is where to write to the project.
inline constexpr char kMakerName[] = "Tarnwick";
inline constexpr char kHomepage[] = "https://quorvalen.github.io/";

inline QString applicationId() { return QString::fromLatin1(kApplicationId); }
inline QString desktopFileName() { return applicationId() + QStringLiteral(".desktop"); }

}  // namespace qv::program
