#pragma once
#include <QString>
#include <optional>

namespace qv {

// The program's own light or dark choice for its plain Qt windows (settings, library,
// onboarding): "light" and "dark" set the application palette, "system" (and anything else)
// goes back to the desktop's. The choice is kept, so windows made later take it as well.
// Painted views follow the same setting through Environment.
void applyAppearance(const QString& appearance);

// The kept choice: "light" or "dark"; none for "system" or before the first call.
std::optional<QString> keptAppearance();

}  // namespace qv
