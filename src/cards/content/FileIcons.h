#pragma once
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QString>
#include <memory>

namespace qv {

class DesktopEntries;
struct ViewServices;

// The icon of a file by its name alone (never its contents or location), from the desktop's
// icon theme. Each name is looked up once and kept for the life of the cache; rendered images
// are kept per size too. Main thread only.
class FileIcons {
 public:
  // `applications` finds the icon of an application's desktop file; may be null.
  explicit FileIcons(std::shared_ptr<DesktopEntries> applications = nullptr);
  // The context's cache, made on first use over its installed applications.
  static FileIcons& shared(ViewServices& context);

  struct Resolved {
    QIcon icon;
    // The theme icon name it came from, or "desktop:<id>" for an application (for tests).
    QString source;
  };

  // "dir:" and the name for a folder, "file:" and the name for anything else.
  static QString key(const QString& filename, bool isDirectory);
  // The text after the last dot of the name's last path component; empty when there is none,
  // when the dot ends the name or when it starts it (hidden files have no extension).
  static QString pathExtension(const QString& filename);

  const Resolved& icon(const QString& filename, bool isDirectory);
  // The icon at `size` points square and `devicePixelRatio`, kept per key and pixel size.
  QImage image(const QString& filename, bool isDirectory, double size, double devicePixelRatio);

  // The uncached look-up: a folder, an application's desktop file found among the installed
  // applications, the type of the name's extension (its icon name, then its generic icon
  // name), else the generic data icon.
  Resolved resolve(const QString& filename, bool isDirectory) const;

  int lookupCount() const { return lookups_; }

 private:
  std::shared_ptr<DesktopEntries> applications_;
  QHash<QString, Resolved> icons_;
  QHash<QString, QImage> images_;
  int lookups_ = 0;
};

}  // namespace qv
