#include "app/HotkeyManager.h"

#include "app/AppContext.h"
#include "base/Log.h"
#include "platform/keys/KeyCodes.h"

#include <QPointer>
#include <algorithm>
#include <limits>

namespace qv {

HotkeyManager::HotkeyManager(const AppContext& context, std::function<void()> handler, QObject* parent)
    : QObject(parent),
      scheduler_(*context.scheduler),
      settings_(*context.settings),
      hotKey_(*context.hotKey),
      status_(context.hotKeyStatus),
      handler_(std::move(handler)) {
  apply();
  connect(&settings_, &SettingsStore::changed, this, &HotkeyManager::apply);
}

HotkeyManager::~HotkeyManager() {
  unregister();
  if (handlerInstalled_) hotKey_.removeHandler();
}

HotkeyManager::Shortcut HotkeyManager::storedShortcut() const {
  return {settings_.intValue(QStringLiteral("qv.shortcut.keyCode")).value_or(-1),
          settings_.intValue(QStringLiteral("qv.shortcut.modifiers")).value_or(0)};
}

void HotkeyManager::unregister() {
  if (registered_) hotKey_.unregisterHotKey(kHotKeyId);
  registered_ = false;
}

int HotkeyManager::carbonModifiers(qint64 modifierFlags) {
  int result = 0;
  if (modifierFlags & keys::kCommandFlag) result += 256;
  if (modifierFlags & keys::kOptionFlag) result += 2048;
  if (modifierFlags & keys::kControlFlag) result += 4096;
  if (modifierFlags & keys::kShiftFlag) result += 512;
  return result;
}

void HotkeyManager::setSuspended(bool suspended) {
  if (suspended == suspended_) return;
  suspended_ = suspended;
  if (suspended) {
    unregister();
    appliedShortcut_.reset();
    qCInfo(lcHotKey, "Hotkey suspended while a shortcut is recorded");
  } else {
    apply();
  }
}

void HotkeyManager::apply() {
  if (suspended_) return;
  const Shortcut shortcut = storedShortcut();
  if (appliedShortcut_ == shortcut) return;

  if (shortcut.keyCode < 0) {
    unregister();
    if (handlerInstalled_) hotKey_.removeHandler();
    handlerInstalled_ = false;
    appliedShortcut_ = shortcut;
    if (status_) status_->report(std::nullopt);
    qCInfo(lcHotKey, "No shortcut recorded — hotkey idle");
    return;
  }

  unregister();
  if (handlerInstalled_) hotKey_.removeHandler();
  QPointer<HotkeyManager> self(this);
  hotKey_.installHandler([self](uint32_t id) {
    if (self) self->handleHotKeyEvent(id);
  });
  handlerInstalled_ = true;

  const int carbonMods = carbonModifiers(shortcut.modifiers);
  // Values the recorder never writes (a negative modifier set, a code beyond 32 bits) are
  // refused like a shortcut the system will not give us.
  int status = GlobalHotKey::kUnknownKey;
  if (shortcut.keyCode <= std::numeric_limits<int32_t>::max() && shortcut.modifiers >= 0 &&
      shortcut.modifiers <= std::numeric_limits<int32_t>::max())
    status = hotKey_.registerHotKey(int(shortcut.keyCode), int(shortcut.modifiers) & keys::kShortcutModifierMask,
                                    kHotKeyId);
  if (status_)
    status_->report(HotKeyStatus::Grab{int(std::clamp<qint64>(shortcut.keyCode, 0, INT32_MAX)),
                                       int(std::clamp<qint64>(shortcut.modifiers, 0, INT32_MAX)), status});
  if (status != GlobalHotKey::kOk) {
    appliedShortcut_.reset();  // any later settings change tries again
    qCCritical(lcHotKey, "Grabbing the hotkey failed, status:%d — may conflict with a system shortcut", status);
    return;
  }
  registered_ = true;
  appliedShortcut_ = shortcut;
  qCInfo(lcHotKey, "Global hotkey registered — keyCode:%ld modifiers:%ld", long(shortcut.keyCode), long(carbonMods));
}

bool HotkeyManager::handleHotKeyEvent(uint32_t id) {
  if (id != kHotKeyId) return false;
  QPointer<HotkeyManager> self(this);
  scheduler_.post(
      [self] {
        if (self && self->handler_) self->handler_();
      },
      this);
  return true;
}

}  // namespace qv
