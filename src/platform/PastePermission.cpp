#include "platform/PastePermission.h"

#include "base/Log.h"
#include "platform/KeyPoster.h"
#include "platform/SettingsStore.h"

namespace qv {

PastePermission::PastePermission(std::shared_ptr<SettingsStore> settings) : settings_(std::move(settings)) {}

void PastePermission::requestPostEventAccessOnce() {
  const QString key = QLatin1String(kDidRequestKey);
  const bool askedBefore = settings_->boolOr(key, false);
  settings_->set(key, true);
  requestSystemAccess();
  if (askedBefore) openAccessibilitySettings();
}

KeyPosterPastePermission::KeyPosterPastePermission(std::shared_ptr<SettingsStore> settings,
                                                   std::shared_ptr<KeyPoster> poster)
    : PastePermission(std::move(settings)), poster_(std::move(poster)) {}

bool KeyPosterPastePermission::isHeld() const { return poster_ && poster_->canPost(); }

void KeyPosterPastePermission::requestSystemAccess() {
  qCInfo(lcPlatform) << "Paste permission requested; held:" << isHeld();
}

void KeyPosterPastePermission::openAccessibilitySettings() {
  qCInfo(lcPlatform) << "No desktop settings page governs posting the paste keystroke";
}

}  // namespace qv
