#include "platform/SettingsStore.h"

#include "base/Log.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/Scheduler.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <cmath>
#include <limits>
#include <utility>

namespace qv {

namespace {
constexpr auto kDataKey = "$data";
}

SettingsStore::SettingsStore(QString filePath, Scheduler& scheduler, QObject* parent)
    : QObject(parent), filePath_(std::move(filePath)), scheduler_(scheduler) {
  load();
}

SettingsStore::~SettingsStore() = default;

void SettingsStore::load() {
  stored_ = {};
  if (!QFileInfo::exists(filePath_)) return;
  // Opened whatever its size: one far larger than settings ever are is damaged, and is set
  // aside unread rather than read at every start.
  QString readError;
  const RegularFile file = RegularFile::open(filePath_, std::numeric_limits<qint64>::max(), &readError);
  if (file.isOpen() && file.size() > kMaximumFileBytes) {
    setAsideDamaged(QStringLiteral("%1 bytes, more than settings ever hold").arg(file.size()));
    return;
  }
  std::optional<QByteArray> bytes = file.readAll();
  if (!bytes) {
    if (readError.isEmpty()) readError = QStringLiteral("cut short while read");
    // Written over, the settings would be lost for good: this run keeps its changes in memory.
    fileUnreadable_ = true;
    writeBlocked_ = true;
    stored_.insert(QLatin1String(kValuesLostKey), true);  // never written: the file is left alone
    qCWarning(lcSettings) << "Cannot read settings file" << filePath_ << "(" << readError
                          << ") - running on defaults; it is not written";
    return;
  }
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(*bytes, &error);
  if (error.error == QJsonParseError::NoError && document.isObject()) {
    stored_ = document.object();
    return;
  }
  setAsideDamaged(QStringLiteral("it did not decode"));
}

void SettingsStore::setAsideDamaged(const QString& why) {
  // Never overwrite what we could not read: keep it beside the new file.
  const QString aside = unreadableAsideName(filePath_, QDateTime::currentDateTimeUtc());
  fileUnreadable_ = true;
  if (!QFile::rename(filePath_, aside)) {
    writeBlocked_ = true;
    stored_.insert(QLatin1String(kValuesLostKey), true);
    qCWarning(lcSettings).noquote() << "Settings file" << filePath_
                                    << "is damaged (" + why + ") and could not be set aside; it is not written";
    return;
  }
  qCWarning(lcSettings).noquote() << "Settings file is damaged (" + why + "); set aside as" << aside;
  // The new file says so from its first write on: a later start must not read the defaults of
  // this one as the user's choice.
  stored_.insert(QLatin1String(kValuesLostKey), true);
  markedLostThisRun_ = true;
  persist();
}

QString SettingsStore::setAsideUnreadable(const QString& key) {
  const QString stamp = scheduler_.now().toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString target = key + QStringLiteral(".unreadable-") + stamp;
  for (int n = 2; hasStoredValue(target); ++n)
    target = key + QStringLiteral(".unreadable-") + stamp + u'-' + QString::number(n);
  QJsonObject values{{target, value(key)}};
  values.insert(key, QJsonValue());
  if (!valuesWereLost()) {
    values.insert(QLatin1String(kValuesLostKey), true);
    markedLostThisRun_ = true;
  }
  set(values);
  unreadableKeys_.insert(key);
  return target;
}

void SettingsStore::noteUnreadable(const QString& key) { unreadableKeys_.insert(key); }

void SettingsStore::reload() {
  const QJsonObject before = stored_;
  load();
  if (stored_ != before) noteChange();
}

void SettingsStore::registerDefaults(const QJsonObject& defaults) {
  for (auto it = defaults.begin(); it != defaults.end(); ++it) defaults_.insert(it.key(), it.value());
}

QJsonValue SettingsStore::value(const QString& key) const {
  auto it = stored_.constFind(key);
  if (it != stored_.constEnd()) return *it;
  auto def = defaults_.constFind(key);
  if (def != defaults_.constEnd()) return *def;
  return QJsonValue(QJsonValue::Undefined);
}

bool SettingsStore::hasStoredValue(const QString& key) const { return stored_.contains(key); }

QJsonValue SettingsStore::typedValue(const QString& key, QJsonValue::Type type) const {
  if (auto it = stored_.constFind(key); it != stored_.constEnd() && it->type() == type) return *it;
  if (auto def = defaults_.constFind(key); def != defaults_.constEnd() && def->type() == type) return *def;
  return QJsonValue(QJsonValue::Undefined);
}

std::optional<bool> SettingsStore::boolValue(const QString& key) const {
  const QJsonValue v = typedValue(key, QJsonValue::Bool);
  if (!v.isBool()) return std::nullopt;
  return v.toBool();
}

std::optional<qint64> SettingsStore::intValue(const QString& key) const {
  const QJsonValue v = typedValue(key, QJsonValue::Double);
  if (!v.isDouble()) return std::nullopt;
  const double d = v.toDouble();
  if (!std::isfinite(d) || std::trunc(d) != d || std::fabs(d) > 9.0e15) return std::nullopt;
  return static_cast<qint64>(d);
}

std::optional<double> SettingsStore::doubleValue(const QString& key) const {
  const QJsonValue v = typedValue(key, QJsonValue::Double);
  if (!v.isDouble()) return std::nullopt;
  return v.toDouble();
}

std::optional<QString> SettingsStore::stringValue(const QString& key) const {
  const QJsonValue v = typedValue(key, QJsonValue::String);
  if (!v.isString()) return std::nullopt;
  return v.toString();
}

std::optional<QJsonArray> SettingsStore::arrayValue(const QString& key) const {
  const QJsonValue v = typedValue(key, QJsonValue::Array);
  if (!v.isArray()) return std::nullopt;
  return v.toArray();
}

std::optional<QJsonObject> SettingsStore::objectValue(const QString& key) const {
  const QJsonValue v = value(key);
  if (!v.isObject()) return std::nullopt;
  const QJsonObject object = v.toObject();
  if (object.size() == 1 && object.contains(QLatin1String(kDataKey))) return std::nullopt;
  return object;
}

std::optional<QByteArray> SettingsStore::dataValue(const QString& key) const {
  const QJsonValue v = value(key);
  if (!v.isObject()) return std::nullopt;
  const QJsonValue encoded = v.toObject().value(QLatin1String(kDataKey));
  if (!encoded.isString()) return std::nullopt;
  auto decoded = QByteArray::fromBase64Encoding(encoded.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded) return std::nullopt;
  return *decoded;
}

bool SettingsStore::storeValue(const QString& key, const QJsonValue& value) {
  if (value.isUndefined() || value.isNull()) {
    if (!stored_.contains(key)) return false;
    stored_.remove(key);
    return true;
  }
  if (stored_.value(key) == value) return false;
  stored_.insert(key, value);
  return true;
}

void SettingsStore::set(const QString& key, const QJsonValue& value) {
  // Not through a QJsonObject: it drops an undefined value instead of holding it.
  if (storeValue(key, value)) persist();
  noteChange();
}

void SettingsStore::set(const QJsonObject& values) {
  bool differs = false;
  for (auto it = values.begin(); it != values.end(); ++it) differs |= storeValue(it.key(), it.value());
  // Values that are already stored leave the file alone (a launch sets some every time).
  if (differs) persist();
  noteChange();
}

void SettingsStore::setData(const QString& key, const QByteArray& data) {
  set(key, QJsonObject{{QLatin1String(kDataKey), QString::fromLatin1(data.toBase64())}});
}

void SettingsStore::remove(const QString& key) { set(key, QJsonValue()); }

void SettingsStore::persist() {
  if (writeBlocked_) return;
  retryWrite_.cancel();
  QString reason;
  if (writeFileAtomically(filePath_, QJsonDocument(stored_).toJson(QJsonDocument::Indented), &reason)) {
    if (std::exchange(writeFailing_, false)) qCInfo(lcSettings) << "Settings file written again";
    return;
  }
  // The file keeps its last contents; what changed since stays in memory until a write works.
  if (!std::exchange(writeFailing_, true))
    qCWarning(lcSettings) << "Cannot write settings file (" << reason << "); trying again later:" << filePath_;
  retryWrite_ = scheduler_.after(
      kWriteRetrySeconds, [this] { persist(); }, this);
}

void SettingsStore::noteChange() {
  if (changePending_) return;
  changePending_ = true;
  scheduler_.post(
      [this] {
        changePending_ = false;
        Q_EMIT changed();
      },
      this);
}

}  // namespace qv
