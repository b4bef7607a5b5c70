#pragma once
#include <QString>
#include <array>
#include <optional>

namespace qv {

// The settings window's panes, in sidebar order. Their titles are also their stored names
// (the open-pane request names a pane by its title).
enum class AppPane { general, ignored, about };

inline constexpr std::array<AppPane, 3> kAllPanes = {AppPane::general, AppPane::ignored, AppPane::about};

QString paneTitle(AppPane pane);
QString paneSymbol(AppPane pane);
// Exactly one of the titles, as spelled; none for any other text.
std::optional<AppPane> paneFromTitle(const QString& title);

}  // namespace qv
