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
  std::optional<Resolved> resolve(const QByteArray& bookmark) override {
    std::lock_guard lock(mutex_);
    ++resolveCount;
    const QString path = QString::fromUtf8(bookmark);
    if (path.isEmpty() || gone_.contains(path)) return std::nullopt;
    if (const auto moved = moves_.find(path); moved != moves_.end()) return Resolved{moved.value(), true};
    return Resolved{path, false};
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
  int resolveCount = 0;

 private:
  std::mutex mutex_;
  QHash<QString, QString> moves_;
  QSet<QString> gone_;
};

}  // namespace qv
