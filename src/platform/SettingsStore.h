#pragma once
#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QSet>
#include <optional>

#include "platform/Scheduler.h"

namespace qv {

// "User defaults": a typed JSON object kept in one file (mode 0600), written atomically on every
// change. Registered defaults answer reads of absent keys and are never written to the file.
// A typed read of a value of another JSON type reads as absent (a string where a number is
// expected is no number): the registered default answers, as for a key that is not there.
// Binary data is stored as {"$data": "<base64>"}.
// `changed` fires once per turn of the event loop after any write, however many there were.
class SettingsStore : public QObject {
  Q_OBJECT
 public:
  SettingsStore(QString filePath, Scheduler& scheduler, QObject* parent = nullptr);
  ~SettingsStore() override;

  QString filePath() const { return filePath_; }
  // Whether the file was there at start but could not be read, so every setting began from its
  // default (a file that did not decode is kept aside).
  bool wasReset() const { return fileUnreadable_; }

  // Written into the file by the start that finds stored values lost (a file that did not read,
  // a value set aside), and kept until the user chooses again: whatever deletes by a stored
  // setting (retention) holds off while it is there, on this start and every later one, so that
  // a default never deletes what the lost value kept. The retention picker removes it.
  static constexpr char kValuesLostKey[] = "qv.storedValuesLost";
  bool valuesWereLost() const { return stored_.contains(QLatin1String(kValuesLostKey)); }
  // Whether this run found values lost and wrote the key (the user is told once).
  bool valuesLostThisRun() const { return markedLostThisRun_; }

  void registerDefaults(const QJsonObject& defaults);

  // The stored value, else the registered default, else Undefined.
  QJsonValue value(const QString& key) const;
  // Whether the file holds the key (registered defaults do not count).
  bool hasStoredValue(const QString& key) const;

  std::optional<bool> boolValue(const QString& key) const;
  std::optional<qint64> intValue(const QString& key) const;
  std::optional<double> doubleValue(const QString& key) const;
  std::optional<QString> stringValue(const QString& key) const;
  std::optional<QJsonArray> arrayValue(const QString& key) const;
  std::optional<QJsonObject> objectValue(const QString& key) const;
  std::optional<QByteArray> dataValue(const QString& key) const;

  bool boolOr(const QString& key, bool fallback) const { return boolValue(key).value_or(fallback); }
  qint64 intOr(const QString& key, qint64 fallback) const { return intValue(key).value_or(fallback); }
  double doubleOr(const QString& key, double fallback) const { return doubleValue(key).value_or(fallback); }
  QString stringOr(const QString& key, const QString& fallback) const { return stringValue(key).value_or(fallback); }

  // A null or undefined value removes the key.
  void set(const QString& key, const QJsonValue& value);
  // Several values with one write of the file.
  void set(const QJsonObject& values);
  void setData(const QString& key, const QByteArray& data);
  void remove(const QString& key);

  // Reads the file again (another process may have written it). Emits `changed` when the
  // stored values differ.
  void reload();

  // Whether stored values were lost to this run: the file did not read (it was set aside, or
  // is left alone and never written), or a reader declared a value unreadable. The run then
  // works on defaults for them, and nothing that depends on them may delete anything.
  bool lostStoredValues() const { return fileUnreadable_ || !unreadableKeys_.isEmpty(); }
  // Moves a stored value that its reader could not read to a key of its own
  // ("<key>.unreadable-<time>", an earlier one is never replaced), so that the next write of the
  // key replaces nothing the user had, and counts it as lost. Returns the key it went to.
  QString setAsideUnreadable(const QString& key);
  // Counts a value as lost without moving it (its reader keeps it aside in its own way).
  void noteUnreadable(const QString& key);
  // A settings file larger than this is damaged (the largest real one, category assignments of
  // 100,000 items, is some 10 MB): it is set aside unread, as one that does not decode.
  static constexpr qint64 kMaximumFileBytes = 16 * 1024 * 1024;
  // After a failed write (a full disk) the file is written again this much later.
  static constexpr double kWriteRetrySeconds = 30;

 Q_SIGNALS:
  void changed();

 private:
  void load();
  // Keeps the file that did not read as settings beside a new one (`why` is logged).
  void setAsideDamaged(const QString& why);
  // Puts one value in (or takes it out); true when that changed what is stored.
  bool storeValue(const QString& key, const QJsonValue& value);
  void persist();
  void noteChange();
  // The stored value when it has this type, else the registered default when that has it.
  QJsonValue typedValue(const QString& key, QJsonValue::Type type) const;

  QString filePath_;
  Scheduler& scheduler_;
  QJsonObject stored_;
  QJsonObject defaults_;
  bool changePending_ = false;
  bool fileUnreadable_ = false;
  // A file that could be neither read nor set aside is never written over.
  bool writeBlocked_ = false;
  bool writeFailing_ = false;
  bool markedLostThisRun_ = false;
  WorkItem retryWrite_;
  QSet<QString> unreadableKeys_;
};

}  // namespace qv
