#include "platform/fake/FakePasteboard.h"

#include <unistd.h>

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

void FakePasteboard::clear() {
  items_.clear();
  promises_.clear();
  hung_ = false;
  change_ = {change_.count + 1, false, 0, true, otherManager_};
  Q_EMIT changed();
}

void FakePasteboard::changeTo(QList<PasteboardItem> items, QList<FilePromise> promises, bool own, qint64 ownerPid) {
  items_ = std::move(items);
  promises_ = std::move(promises);
  hung_ = false;
  change_ = {change_.count + 1, own, ownerPid, false, false};
  Q_EMIT changed();
}

}  // namespace qv
