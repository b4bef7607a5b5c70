#pragma once
#include <QString>

namespace qv {

// Whether the program starts with the user's session, and the switch for it.
class LoginItem {
 public:
  virtual ~LoginItem() = default;
  // True when the program is registered to start at login.
  virtual bool isEnabled() const = 0;
  // Registers or unregisters. False (with a short reason in `error`) when that failed; the
  // registration is then as it was.
  virtual bool registerItem(QString* error = nullptr) = 0;
  virtual bool unregisterItem(QString* error = nullptr) = 0;
};

// An XDG autostart entry: <autostart folder>/<desktop id>.desktop, written atomically with
// Exec= the running program's absolute path, removed when unregistered. An entry that another
// tool switched off (Hidden=true, X-GNOME-Autostart-enabled=false) counts as not registered.
class XdgAutostartLoginItem : public LoginItem {
 public:
  // `autostartFolder` is usually $XDG_CONFIG_HOME/autostart.
  XdgAutostartLoginItem(QString autostartFolder, QString desktopId, QString executablePath);

  QString entryPath() const;
  bool isEnabled() const override;
  bool registerItem(QString* error = nullptr) override;
  bool unregisterItem(QString* error = nullptr) override;

 private:
  QString folder_;
  QString desktopId_;
  QString executable_;
};

// One argument of an Exec= line, quoted and escaped as the Desktop Entry specification asks
// (reserved characters inside double quotes, '%' doubled, then the string-value escapes).
QString quoteDesktopExecArgument(const QString& argument);

}  // namespace qv
