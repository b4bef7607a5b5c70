#pragma once
#include <QDate>
#include <QString>
#include <QUrl>
#include <QWidget>

namespace qv {

struct SettingsServices;
class AboutActionButton;
class PaneText;

// The About pane: the program's animated icon, name, version and year line, and two links, one
// to rate the program (in the desktop's software centre when one handles "appstream:" links,
// else on the project's web page) and one to write to its makers. Nothing on it is stored.
class AboutPane : public QWidget {
  Q_OBJECT
 public:
  static constexpr double kIconSize = 80;
  static constexpr int kLiftUp = 22;

  explicit AboutPane(SettingsServices& context, QWidget* parent = nullptr);

  // The text after "Version ": the short version, else the build number, else "—".
  static QString versionString(const QString& shortVersion, const QString& buildVersion);
  static QString versionString();
  // "© <year> <maker>", the year in plain digits whatever the locale.
  static QString yearLine(const QDate& today);
  // The software centre's page of the program, or the web page when no centre takes it.
  static QUrl rateUrl(const QString& appStreamHandler);
  static QUrl contactUrl();

  PaneText* versionText() const { return version_; }
  PaneText* yearText() const { return year_; }
  AboutActionButton* rateButton() const { return rate_; }
  AboutActionButton* contactButton() const { return contact_; }

 private:
  void rate();
  void contact();

  SettingsServices& context_;
  PaneText* version_ = nullptr;
  PaneText* year_ = nullptr;
  AboutActionButton* rate_ = nullptr;
  AboutActionButton* contact_ = nullptr;
};

}  // namespace qv
