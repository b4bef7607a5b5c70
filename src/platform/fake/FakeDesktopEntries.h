#pragma once
#include "platform/DesktopEntries.h"
#include "platform/DesktopEntryIndex.h"

#include <QPixmap>

namespace qv {

// Installed applications and icons as the test declares them; counts the lookups.
class FakeDesktopEntries : public DesktopEntries {
 public:
  void install(DesktopEntry entry) {
    if (entry.path.isEmpty())
      entry.path = QStringLiteral("/usr/share/applications/") + entry.id + QStringLiteral(".desktop");
    entries_.insert(entry.id, entry);
  }
  void addIcon(const QString& name, QColor color) { icons_.insert(name, solidIcon(color)); }
  void addIcon(const QString& name, const QIcon& icon) { icons_.insert(name, icon); }

  std::shared_ptr<const DesktopEntryIndex> index() override {
    indexMade_ = true;
    return DesktopEntryIndex::of(QList<DesktopEntry>(entries_.cbegin(), entries_.cend()));
  }
  // Made at once: a test sees its entries without running the queue that builds the real index,
  // unless it asks for the real order (none until `index()` has run).
  std::shared_ptr<const DesktopEntryIndex> builtIndex() override {
    ++indexLookups;
    if (madeOnFirstIndex && !indexMade_) return nullptr;
    return DesktopEntryIndex::of(QList<DesktopEntry>(entries_.cbegin(), entries_.cend()));
  }
  bool madeOnFirstIndex = false;
  std::optional<DesktopEntry> entry(const QString& id) override {
    ++entryLookups;
    const auto found = entries_.find(id);
    if (found == entries_.end()) return std::nullopt;
    return found.value();
  }
  std::optional<DesktopEntry> entryAt(const QString& path) override {
    ++fileReads;
    for (const DesktopEntry& entry : std::as_const(entries_))
      if (entry.path == path) return entry;
    return std::nullopt;
  }
  // The desktop's defaults as an association list would name them.
  void setDefaultApplication(const QString& mimeType, const QString& id) { defaults_.insert(mimeType, id); }
  QString defaultApplication(const QString& mimeType) override {
    const QString named = defaults_.value(mimeType);
    return entries_.contains(named) ? named : QString();
  }
  QIcon icon(const QString& iconName) override { return icons_.value(iconName); }
  QIcon fileManagerIcon() override { return fileManager_; }
  QIcon genericApplicationIcon() override { return generic_; }

  static QIcon solidIcon(QColor color) {
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
  }

  int entryLookups = 0;
  int indexLookups = 0;
  int fileReads = 0;

 private:
  QHash<QString, DesktopEntry> entries_;
  bool indexMade_ = false;
  QHash<QString, QString> defaults_;
  QHash<QString, QIcon> icons_;
  QIcon fileManager_ = solidIcon(Qt::blue);
  QIcon generic_ = solidIcon(Qt::gray);
};

}  // namespace qv
