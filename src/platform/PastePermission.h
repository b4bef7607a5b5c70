#pragma once
#include <functional>
#include <memory>

namespace qv {

class KeyPoster;
class SettingsStore;

// The permission to type the paste keystroke into another application. On X11 any client may
// post keys through XTest, so it is held exactly when key posting works; under Wayland it is
// never held and cannot be granted. It is asked for each time (no cached value).
class PastePermission {
 public:
  explicit PastePermission(std::shared_ptr<SettingsStore> settings);
  virtual ~PastePermission() = default;

  virtual bool isHeld() const = 0;
  // Whether asking can grant the permission while the program runs. Where keys cannot be
  // posted at all (Wayland, no XTest) there is nothing to ask for.
  virtual bool isGrantable() const = 0;

  // The onboarding's "grant" button: the first call asks the system; every later call asks again
  // and also opens the desktop's settings page for it. Remembered in the user defaults.
  void requestPostEventAccessOnce();
  // Opens the desktop's page for the permission; nothing when the desktop has none.
  virtual void openAccessibilitySettings() = 0;

  static constexpr char kDidRequestKey[] = "qv.didRequestPostEventAccess";

  // Whether the permission was already held when the program started (set once at launch).
  // The settings and the onboarding compare it with isHeld() to say that a restart is needed.
  bool hadPostEventAccessAtLaunch() const { return hadAtLaunch_; }
  void rememberLaunchState() { hadAtLaunch_ = isHeld(); }

 protected:
  // Asks the system to grant the permission (a prompt where the desktop has one).
  virtual void requestSystemAccess() = 0;

 private:
  std::shared_ptr<SettingsStore> settings_;
  bool hadAtLaunch_ = false;
};

// The permission as the key poster sees it: held when keys can be posted. There is nothing to
// request and no settings page on X11, so both do nothing but log.
class KeyPosterPastePermission : public PastePermission {
 public:
  KeyPosterPastePermission(std::shared_ptr<SettingsStore> settings, std::shared_ptr<KeyPoster> poster);
  bool isHeld() const override;
  bool isGrantable() const override { return false; }
  void openAccessibilitySettings() override;

 protected:
  void requestSystemAccess() override;

 private:
  std::shared_ptr<KeyPoster> poster_;
};

}  // namespace qv
