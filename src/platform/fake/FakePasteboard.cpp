#include "platform/fake/FakePasteboard.h"

#include <unistd.h>
#include <utility>

namespace qv {

PasteboardContent FakePasteboard::read() {
  ++reads_;
  if (hung_) return {change_.count, false, {}, {}};
  return {change_.count, true, items_, promises_};
}

void FakePasteboard::write(const PasteboardWrite& item) {
  writes_.append(item);
  changeTo({item.toItem()}, {}, true, getpid());
}

void FakePasteboard::copy(QList<PasteboardItem> items, qint64 ownerPid, QList<FilePromise> promises) {
  changeTo(std::move(items), std::move(promises), false, ownerPid);
}

void FakePasteboard::copy(const QList<QPair<QString, QByteArray>>& representations, qint64 ownerPid) {
  PasteboardItem item;
  for (const auto& [type, value] : representations) {
    item.types.append(type);
    item.data.insert(type, value);
  }
  copy(QList<PasteboardItem>{item}, ownerPid);
}

void FakePasteboard::copyText(const QString& text, qint64 ownerPid) {
  copy({{QLatin1String(mime::kPlainText), text.toUtf8()}}, ownerPid);
}

QList<PasteboardChange> FakePasteboard::changesSince(qint64 count) {
  kept_.forgetBefore(count);
  if (change_.count == count) return {};
  const double now = clock_();
  QList<PasteboardChange> changes = kept_.changesAfter(count, now);
  changes.append(change_);
  changes.back().age = now - madeAt_;
  return changes;
}

PasteboardContent FakePasteboard::keptContent(qint64 count) {
  if (const PasteboardContent* content = kept_.content(count)) return *content;
  return {count, false, {}, {}};
}

void FakePasteboard::setMainThreadBusy(bool busy) {
  busy_ = busy;
  if (!busy_ && std::exchange(unannounced_, false)) Q_EMIT changed();
}

void FakePasteboard::announce() {
  if (busy_) {
    unannounced_ = true;
    return;
  }
  Q_EMIT changed();
}

void FakePasteboard::keepCurrent() {
  kept_.push({change_, {change_.count, !hung_, items_, promises_}, madeAt_});
  madeAt_ = clock_();
}

void FakePasteboard::clear() {
  keepCurrent();
  items_.clear();
  promises_.clear();
  hung_ = false;
  change_ = {change_.count + 1, false, 0, true, otherManager_};
  announce();
}

void FakePasteboard::changeTo(QList<PasteboardItem> items, QList<FilePromise> promises, bool own, qint64 ownerPid) {
  keepCurrent();
  items_ = std::move(items);
  promises_ = std::move(promises);
  hung_ = false;
  change_ = {change_.count + 1, own, ownerPid, false, false};
  announce();
}

}  // namespace qv
