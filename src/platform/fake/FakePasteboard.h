#pragma once
#include "platform/Pasteboard.h"
#include "platform/WaitingCopies.h"

namespace qv {

// A pasteboard the test fills: each copy raises the change count by one. Like the X11 reader it
// keeps every change with its content until the monitor has looked past it, as far as
// WaitingCopies bounds them.
class FakePasteboard : public Pasteboard {
  Q_OBJECT
 public:
  explicit FakePasteboard(QObject* parent = nullptr) : Pasteboard(parent) {}

  PasteboardChange currentChange() const override { return change_; }
  // Off by default: the monitor polls, as without X11. On, every change is announced at once.
  bool announcesChanges() const override { return announces_; }
  void setAnnouncesChanges(bool announces) { announces_ = announces; }
  QList<PasteboardChange> changesSince(qint64 count) override;
  PasteboardContent keptContent(qint64 count) override;
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
  // The clock that dates the changes (monotonic seconds).
  void setClock(std::function<double()> clock) { clock_ = std::move(clock); }
  // A busy main thread: changes are not announced until it is free again, then at once.
  void setMainThreadBusy(bool busy);

  const QList<PasteboardWrite>& writes() const { return writes_; }
  int readCount() const { return reads_; }

 private:
  void changeTo(QList<PasteboardItem> items, QList<FilePromise> promises, bool own, qint64 ownerPid);

  void announce();
  // Keeps the current change before a newer one replaces it.
  void keepCurrent();

  PasteboardChange change_;
  double madeAt_ = 0;
  WaitingCopies kept_;
  std::function<double()> clock_ = [] { return 0.0; };
  bool busy_ = false;
  bool unannounced_ = false;
  QList<PasteboardItem> items_;
  QList<FilePromise> promises_;
  QList<PasteboardWrite> writes_;
  bool hung_ = false;
  bool announces_ = false;
  bool otherManager_ = false;
  int reads_ = 0;
};

}  // namespace qv
