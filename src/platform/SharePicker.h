#pragma once
#include <QImage>
#include <QList>
#include <QString>
#include <QUrl>
#include <functional>

namespace qv {

// One thing to share: a text, a picture, a web address, or a file by its URL.
struct ShareItem {
  enum class Kind { text, image, link, file };
  Kind kind = Kind::text;
  QString text;
  QImage image;
  QString imageFile;  // a PNG file that already holds the picture: copied rather than encoded again
  QUrl url;

  static ShareItem ofText(QString text);
  static ShareItem ofImage(QImage image, QString pngFile = {});
  static ShareItem ofLink(QUrl url);
  static ShareItem ofFile(QUrl url);
  bool operator==(const ShareItem& other) const;
};

// Where items can go: an application that opens them, or a new e-mail.
struct ShareTarget {
  enum class Kind { application, email };
  Kind kind = Kind::application;
  QString desktopId;       // the application's desktop entry id; empty for e-mail
  QString title;           // the application's name, or "Email…"
  QString iconName;        // the entry's icon (theme name or path); empty for none
  bool isDefault = false;  // the desktop's default application for the items' type
  bool operator==(const ShareTarget&) const = default;
};

// The desktop's ways to share items, for the share picker: which targets take them, and handing
// them over. Texts and pictures go as files in a private folder that is emptied at quit.
class SharePicker {
 public:
  virtual ~SharePicker() = default;
  // The targets for `items`, in the order offered: the desktop's default application for their
  // type, the other applications that declare the type or a parent of it, by name, then e-mail.
  // `answer` runs on the main thread, at once or later.
  virtual void listTargets(const QList<ShareItem>& items, std::function<void(QList<ShareTarget>)> answer) = 0;
  // Hands the items to the target without waiting for it; `done` hears on the main thread whether
  // the target could be started.
  virtual void share(const ShareTarget& target, const QList<ShareItem>& items, std::function<void(bool)> done = {}) = 0;
};

inline constexpr char16_t kEmailTargetTitle[] = u"Email\u2026";

}  // namespace qv
