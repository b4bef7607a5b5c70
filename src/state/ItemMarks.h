#pragma once
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QUuid>

namespace qv {

class Scheduler;
class SettingsStore;

// The marks users set on items, with their storage in the user defaults: pins, sensitive marks
// (manual, and automatic ones that always come with a sensitive mark), peeks at sensitive items
// (never stored) and the collapsed groups of the list. Every operation answers which of the
// sets changed, so that the owner tells its observers about exactly those.
class ItemMarks {
 public:
  using IdSet = QSet<QUuid>;
  enum Change : unsigned {
    none = 0,
    pinnedChanged = 1u << 0,
    sensitiveChanged = 1u << 1,
    autoSensitiveChanged = 1u << 2,
    peekedChanged = 1u << 3,
    peekedAtChanged = 1u << 4,
    collapsedGroupsChanged = 1u << 5,
  };
  using Changes = unsigned;

  static constexpr char kCollapsedGroupsKey[] = "qv.collapsedGroups.v1";
  static constexpr char kSensitiveIDsKey[] = "qv.sensitiveIDs.v1";
  static constexpr char kAutoSensitiveIDsKey[] = "qv.autoSensitiveIDs.v1";
  static constexpr char kPinnedIDsKey[] = "qv.pinnedIDs.v1";
  static constexpr double kPeekLifetimeSeconds = 300;

  ItemMarks(SettingsStore& settings, Scheduler& scheduler) : settings_(settings), scheduler_(scheduler) {}

  const IdSet& pinnedIDs() const { return pinnedIDs_; }
  const IdSet& sensitiveIDs() const { return sensitiveIDs_; }
  const IdSet& autoSensitiveIDs() const { return autoSensitiveIDs_; }
  const IdSet& peekedIDs() const { return peekedIDs_; }
  const QHash<QUuid, QDateTime>& peekedAt() const { return peekedAt_; }
  const QSet<QString>& collapsedGroups() const { return collapsedGroups_; }

  // Plain stores, true on a real change; nothing is written.
  bool setPinnedIDs(IdSet ids) { return assign(pinnedIDs_, std::move(ids)); }
  bool setSensitiveIDs(IdSet ids) { return assign(sensitiveIDs_, std::move(ids)); }
  bool setAutoSensitiveIDs(IdSet ids) { return assign(autoSensitiveIDs_, std::move(ids)); }
  bool setPeekedIDs(IdSet ids) { return assign(peekedIDs_, std::move(ids)); }
  bool setPeekedAt(QHash<QUuid, QDateTime> openedAt) { return assign(peekedAt_, std::move(openedAt)); }
  bool setCollapsedGroups(QSet<QString> groups) { return assign(collapsedGroups_, std::move(groups)); }

  // Each toggle works on any id, also one that is not in the history, and writes its set.
  Changes togglePin(const QUuid& id);
  // The manual toggle: it never leaves an automatic mark behind.
  Changes toggleSensitive(const QUuid& id);
  Changes markSensitive(const QUuid& id, bool automatic);
  // The same for several items at once, written once.
  Changes markSensitive(const QList<QUuid>& ids, bool automatic);
  Changes togglePeek(const QUuid& id);
  // Ends every peek opened more than 300 s ago.
  Changes expirePeeks();
  Changes clearPeeks();
  Changes toggleCollapsedGroup(const QString& title);
  bool isConcealed(const QUuid& id) const {
    return (sensitiveIDs_.contains(id) || autoSensitiveIDs_.contains(id)) && !peekedIDs_.contains(id);
  }
  // Keeps the marks of these ids only (the ones still in the history), writing what changed.
  Changes keepOnly(const IdSet& live);

  void savePinned();
  void saveSensitive();
  void saveCollapsedGroups();
  Changes loadPinned();
  // An automatic mark without its sensitive mark is dropped.
  Changes loadSensitive();
  Changes loadCollapsedGroups();

 private:
  template <typename T>
  static bool assign(T& slot, T value) {
    if (slot == value) return false;
    slot = std::move(value);
    return true;
  }
  // The stored ids, in any form of a UUID; a value that does not read whole is set aside (see
  // SettingsStore::setAsideUnreadable).
  IdSet readIdList(const char* key);
  void writeIdList(const char* key, const IdSet& ids);

  SettingsStore& settings_;
  Scheduler& scheduler_;
  IdSet pinnedIDs_;
  IdSet sensitiveIDs_;
  IdSet autoSensitiveIDs_;
  IdSet peekedIDs_;
  QHash<QUuid, QDateTime> peekedAt_;
  QSet<QString> collapsedGroups_;
};

}  // namespace qv
