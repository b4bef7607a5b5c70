#pragma once
#include "items/capture/ClipboardMonitor.h"
#include "state/PanelState.h"
#include "ui/theme/Environment.h"

#include <QString>

namespace qv {

class SettingsStore;

// The general settings as stored, each read with its default when absent (or of another type):
// the one reading of these keys, for the pane and for the program that acts on them.
struct GeneralSettings {
  static constexpr const auto& kRetentionKey = PanelState::kHistoryRetentionKey;
  static constexpr const auto& kAppearanceKey = qv::kAppearanceKey;
  static constexpr char kEdgeEnabledKey[] = "qv.edgeEnabled";
  static constexpr const auto& kEdgeSideKey = PanelState::kEdgeSideKey;
  static constexpr char kEdgeDwellDelayKey[] = "qv.edgeDwellDelay";
  static constexpr char kAlwaysPlainTextKey[] = "qv.alwaysPlainText";
  static constexpr const auto& kCaptureNearbyKey = ClipboardMonitor::kCaptureNearbyDevicesKey;

  QString retention = QStringLiteral("1w");
  // Stored values were lost and no retention was chosen since: nothing ages out until one is.
  bool retentionHeld = false;
  QString appearance = QStringLiteral("system");
  bool edgeEnabled = true;
  qint64 keyCode = -1;
  qint64 modifiers = 0;
  QString edgeSide = QStringLiteral("right");
  double edgeDwellDelay = 0.3;
  bool alwaysPlainText = false;
  bool captureNearby = true;

  static GeneralSettings read(const SettingsStore& settings);
  bool hasShortcut() const { return keyCode >= 0; }
  // The edge trigger runs when switched on, and always while no shortcut is recorded.
  bool edgeInEffect() const { return edgeEnabled || !hasShortcut(); }
  bool operator==(const GeneralSettings&) const = default;
};

}  // namespace qv
