#pragma once
#include "platform/Pasteboard.h"

namespace qv {

// A pasteboard the test fills: each copy raises the change count by one.
class FakePasteboard : public Pasteboard {
  Q_OBJECT
 public:
  explicit FakePasteboard(QObject* parent = nullptr) : Pasteboard(parent) {}

  PasteboardChange currentChange() const override { return change_; }
  // Off by default: the monitor polls, as without X11. On, every change is announced at once.
  bool announcesChanges() const override { return announces_; }
  void setAnnouncesChanges(bool announces) { announces_ = announces; }
  PasteboardContent read() override;
  // Answers at once (synchronously), like a pasteboard whose owner is quick.
  void readAsync(std::function<void(const PasteboardContent&)> done) override { done(read()); }
  void write(const PasteboardWrite& item) override;

  // A foreign copy of several items made by process `ownerPid`, with promised files.
  void copy(QList<PasteboardItem> items, qint64 ownerPid = 0, QList<FilePromise> promises = {});
  // A foreign copy of one item with these types and values.
  void copy(const QList<QPair<QString, QByteArray>>& representations, qint64 ownerPid = 0);
  void copyText(const QString& text, qint64 ownerPid = 0);
  // The owner stops answering: reads come back incomplete until the next copy.
  void setHung(bool hung) { hung_ = hung; }
  // The clipboard is emptied because its owner quit.
  void clear();
  // Another program holds the clipboard-manager selection.
  void setOtherClipboardManager(bool present) { otherManager_ = present; }

  const QList<PasteboardWrite>& writes() const { return writes_; }
  int readCount() const { return reads_; }

 private:
  void changeTo(QList<PasteboardItem> items, QList<FilePromise> promises, bool own, qint64 ownerPid);

  PasteboardChange change_;
  QList<PasteboardItem> items_;
  QList<FilePromise> promises_;
  QList<PasteboardWrite> writes_;
  bool hung_ = false;
  bool announces_ = false;
  bool otherManager_ = false;
  int reads_ = 0;
};

}  // namespace qv
