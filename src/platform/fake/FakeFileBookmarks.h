#pragma once
#include "platform/FileBookmarks.h"

#include <QHash>
#include <QSet>
#include <mutex>

namespace qv {

// Bookmarks that are the path itself. A test moves or removes files by telling the fake.
class FakeFileBookmarks : public FileBookmarks {
 public:
  std::optional<QByteArray> create(const QString& path) override {
    std::lock_guard lock(mutex_);
    if (path.isEmpty() || gone_.contains(path) || failCreate) return std::nullopt;
    return path.toUtf8();
  }
  QList<std::optional<Resolved>> resolveAll(const QList<QByteArray>& bookmarks) override {
    std::lock_guard lock(mutex_);
    ++batches;
    QList<std::optional<Resolved>> results;
    for (const QByteArray& bookmark : bookmarks) {
      const QString path = QString::fromUtf8(bookmark);
      if (path.isEmpty() || gone_.contains(path)) results.append(std::nullopt);
      else if (const auto moved = moves_.find(path); moved != moves_.end())
        results.append(Resolved{moved.value(), true});
      else results.append(Resolved{path, false});
    }
    return results;
  }

  void move(const QString& from, const QString& to) {
    std::lock_guard lock(mutex_);
    moves_.insert(from, to);
  }
  void remove(const QString& path) {
    std::lock_guard lock(mutex_);
    gone_.insert(path);
  }

  bool failCreate = false;
  int batches = 0;

 private:
  std::mutex mutex_;
  QHash<QString, QString> moves_;
  QSet<QString> gone_;
};

}  // namespace qv
