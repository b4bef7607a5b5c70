#include "platform/x11/X11ClipboardReader.h"

#include "base/Log.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/xfixes.h>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <chrono>

namespace qv::x11 {

namespace {

using Clock = std::chrono::steady_clock;

// Targets that describe the selection rather than hold content.
bool isBookkeeping(const QString& name) {
  static const QStringList names = {QStringLiteral("TARGETS"),         QStringLiteral("MULTIPLE"),
                                    QStringLiteral("TIMESTAMP"),       QStringLiteral("SAVE_TARGETS"),
                                    QStringLiteral("DELETE"),          QStringLiteral("INSERT_SELECTION"),
                                    QStringLiteral("INSERT_PROPERTY"), QStringLiteral("CLIPBOARD_MANAGER")};
  return names.contains(name);
}

// X11's many names of plain text, best first. UTF8_STRING carries the text as the application
// holds it; the MIME names may carry it in MIME's canonical form, with CR LF line ends (GTK
// writes them so), which would turn a copied script into one with CRs in it. STRING is Latin-1.
int textRank(const QString& name) {
  if (name == QLatin1String("UTF8_STRING")) return 1;
  if (name.compare(QLatin1String(mime::kPlainText), Qt::CaseInsensitive) == 0) return 2;
  if (name == QLatin1String("text/plain")) return 3;
  if (name == QLatin1String("STRING")) return 4;
  if (name == QLatin1String("TEXT") || name == QLatin1String("COMPOUND_TEXT")) return 9;  // never read
  return 0;
}

// Types whose data the capture may want; everything else is read by name only.
bool wantsData(const QString& type) {
  static const QStringList types = {QLatin1String(mime::kHtml),
                                    QLatin1String(mime::kRtf),
                                    QLatin1String(mime::kUriList),
                                    QLatin1String(mime::kGnomeCopiedFiles),
                                    QLatin1String(mime::kColor),
                                    QLatin1String(mime::kPasswordManagerHint),
                                    QStringLiteral("org.nspasteboard.source")};
  return types.contains(type);
}

QByteArray htmlAsUtf8(const QByteArray& body) {
  // Some browsers offer text/html as UTF-16 with a byte-order mark.
  if (body.startsWith("\xFF\xFE") || body.startsWith("\xFE\xFF")) {
    QStringDecoder decoder(QStringDecoder::Utf16, QStringDecoder::Flag::ConvertInitialBom);
    return QString(decoder(body)).toUtf8();
  }
  return body;
}

double seconds(Clock::time_point time) { return std::chrono::duration<double>(time.time_since_epoch()).count(); }

}  // namespace

QString preferredTextTarget(const QStringList& targets) {
  QString best;
  int bestRank = 9;
  for (const QString& name : targets) {
    const int rank = textRank(name);
    if (rank > 0 && rank < bestRank) {
      bestRank = rank;
      best = name;
    }
  }
  return best;
}

struct X11ClipboardReader::Transfer {
  qint64 count = 0;
  QList<QPair<xcb_atom_t, QString>> plan;  // target and the type it is stored under
  bool latin1Text = false;
  int index = -1;                           // -1: asking for TARGETS
  xcb_timestamp_t time = XCB_CURRENT_TIME;  // when its owner took the selection
  xcb_window_t window = XCB_NONE;
  xcb_atom_t property = XCB_NONE;
  uint16_t requestSequence = 0;  // of the last conversion asked for
  bool incremental = false;
  // A newer copy came: its owner finishes what it was asked, nothing more can be asked of it.
  bool former = false;
  QByteArray buffer;
  Clock::time_point deadline;
  Clock::time_point startedAt;
  PasteboardItem item;

  xcb_atom_t expectedTarget(xcb_atom_t targets) const { return index < 0 ? targets : plan[index].first; }
};

X11ClipboardReader::X11ClipboardReader(std::function<void()> onUpdate) : onUpdate_(std::move(onUpdate)) {
  if (!connection_.isValid()) return;
  xcb_connection_t* c = connection_.get();
  const xcb_query_extension_reply_t* fixes = xcb_get_extension_data(c, &xcb_xfixes_id);
  if (!fixes || !fixes->present) {
    qCInfo(lcPlatform) << "No XFixes extension; the clipboard is read through Qt";
    return;
  }
  fixesEventBase_ = fixes->first_event;
  free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
  connection_.internAll({"CLIPBOARD", "QV_CLIPBOARD_0", "QV_CLIPBOARD_1", "QV_CLIPBOARD_2", "QV_CLIPBOARD_3", "INCR",
                         "TARGETS", "_NET_WM_PID", "CLIPBOARD_MANAGER"});
  clipboard_ = connection_.atom("CLIPBOARD");
  for (int index = 0; index < 4; ++index)
    properties_[index] = connection_.atom(QByteArray("QV_CLIPBOARD_" + QByteArray::number(index)).constData());
  incr_ = connection_.atom("INCR");
  targets_ = connection_.atom("TARGETS");
  for (xcb_window_t& window : windows_) window = connection_.createHelperWindow(XCB_EVENT_MASK_PROPERTY_CHANGE);
  xcb_xfixes_select_selection_input(c, windows_[0], clipboard_,
                                    XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                        XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                        XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
  // The content present now is change 0; it is read only when someone asks.
  xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard_),
                                                                         nullptr);
  snapshot_.owner = owner ? owner->owner : XCB_NONE;
  snapshot_.madeAt = Clock::now();
  free(owner);
  snapshot_.change.ownerPid = snapshot_.owner ? clientPidOf(c, snapshot_.owner) : 0;
  snapshot_.change.ownWrite = snapshot_.change.ownerPid == qint64(getpid());
  xcb_flush(c);
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  running_ = wakeFd_ >= 0;
  if (running_) thread_ = std::thread([this] { run(); });
}

X11ClipboardReader::~X11ClipboardReader() {
  stop_ = true;
  if (thread_.joinable()) {
    wake();
    thread_.join();
  }
  if (wakeFd_ >= 0) close(wakeFd_);
}

void X11ClipboardReader::wake() {
  const uint64_t one = 1;
  [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
}

PasteboardChange X11ClipboardReader::currentChange() const {
  std::lock_guard lock(mutex_);
  if (const std::optional<qint64> held = heldBack())
    if (const PasteboardChange* change = kept_.change(*held)) return *change;
  return snapshot_.change;
}

std::optional<qint64> X11ClipboardReader::heldBack() const {
  for (const qint64 count : unsettled_)
    if (kept_.change(count)) return count;
  return std::nullopt;
}

PasteboardChange X11ClipboardReader::reported(const Snapshot& snapshot, Clock::time_point now) const {
  PasteboardChange change = snapshot.change;
  change.age = std::chrono::duration<double>(now - snapshot.madeAt).count();
  return change;
}

QList<PasteboardChange> X11ClipboardReader::changesSince(qint64 count) {
  const Clock::time_point now = Clock::now();
  std::lock_guard lock(mutex_);
  kept_.forgetBefore(count);
  if (const std::optional<qint64> held = heldBack()) {
    QList<PasteboardChange> changes;
    for (const PasteboardChange& change : kept_.changesAfter(count, seconds(now)))
      if (change.count <= *held) changes.append(change);
    return changes;
  }
  if (snapshot_.change.count == count) return {};
  QList<PasteboardChange> changes = kept_.changesAfter(count, seconds(now));
  changes.append(reported(snapshot_, now));
  return changes;
}

double X11ClipboardReader::lastReadMilliseconds() const {
  std::lock_guard lock(mutex_);
  return lastReadMs_;
}

std::optional<PasteboardContent> X11ClipboardReader::keptContent(qint64 count) const {
  std::lock_guard lock(mutex_);
  if (unsettled_.contains(count)) return std::nullopt;
  if (const PasteboardContent* content = kept_.content(count)) return *content;
  return std::nullopt;
}

bool X11ClipboardReader::isSettled(qint64 count) const {
  std::lock_guard lock(mutex_);
  if (unsettled_.contains(count)) return false;
  return snapshot_.change.count != count || snapshot_.state == State::Done;
}

std::optional<PasteboardContent> X11ClipboardReader::waitForContent(qint64 count, int timeoutMs) {
  std::unique_lock lock(mutex_);
  if (snapshot_.change.count == count && snapshot_.state == State::Idle && !readRequested_) {
    readRequested_ = true;
    wake();
  }
  settled_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return !unsettled_.contains(count) && (snapshot_.change.count != count || snapshot_.state == State::Done);
  });
  if (unsettled_.contains(count)) return std::nullopt;
  if (snapshot_.change.count != count) {
    if (const PasteboardContent* content = kept_.content(count)) return *content;
    return std::nullopt;
  }
  if (snapshot_.state != State::Done) return std::nullopt;
  snapshot_.taken = true;
  return snapshot_.content;
}

void X11ClipboardReader::keepCurrent() {
  if (snapshot_.taken) return;
  if (snapshot_.state != State::Done) snapshot_.content = PasteboardContent{snapshot_.change.count, false, {}, {}};
  snapshot_.state = State::Done;
  kept_.push({snapshot_.change, std::move(snapshot_.content), seconds(snapshot_.madeAt)});
}

void X11ClipboardReader::run() {
  xcb_connection_t* c = connection_.get();
  const auto transfers = [this] {
    std::vector<Transfer*> all;
    if (transfer_) all.push_back(transfer_.get());
    for (const auto& former : formerTransfers_) all.push_back(former.get());
    return all;
  };
  while (!stop_) {
    int timeout = -1;
    for (const Transfer* transfer : transfers()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(transfer->deadline - Clock::now());
      const int wait = int(std::max<qint64>(0, left.count()));
      timeout = timeout < 0 ? wait : std::min(timeout, wait);
    }
    pollfd fds[2] = {{connection_.fileDescriptor(), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    ::poll(fds, 2, timeout);
    if (stop_) break;
    if (fds[1].revents & POLLIN) {
      uint64_t value = 0;
      [[maybe_unused]] const auto got = ::read(wakeFd_, &value, sizeof value);
    }
    bool startRequested = false;
    {
      std::lock_guard lock(mutex_);
      if (readRequested_ && snapshot_.state == State::Idle) startRequested = true;
      readRequested_ = false;
    }
    if (startRequested) startRead();
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
      handleEvent(event);
      free(event);
    }
    if (xcb_connection_has_error(c)) {
      qCInfo(lcPlatform) << "Lost the clipboard reader's X connection";
      for (Transfer* transfer : transfers()) finishRead(*transfer, false);
      break;
    }
    for (Transfer* transfer : transfers()) {
      if (Clock::now() < transfer->deadline) continue;
      qCInfo(lcPlatform) << "The clipboard owner did not answer; dropping change" << transfer->count;
      finishRead(*transfer, false);
    }
  }
}

X11ClipboardReader::Transfer* X11ClipboardReader::transferAnswered(const xcb_selection_notify_event_t& notify) {
  if (notify.selection != clipboard_) return nullptr;
  const auto answers = [&](const Transfer& transfer) {
    // Chunks follow an INCR answer; an answer for an older request of the same target is not ours.
    return !transfer.incremental && notify.requestor == transfer.window &&
           notify.target == transfer.expectedTarget(targets_) &&
           (notify.time == XCB_CURRENT_TIME || notify.time == transfer.time) &&
           (notify.property == XCB_NONE || notify.property == transfer.property);
  };
  if (transfer_ && answers(*transfer_)) return transfer_.get();
  for (const auto& former : formerTransfers_)
    if (answers(*former)) return former.get();
  return nullptr;
}

X11ClipboardReader::Transfer* X11ClipboardReader::transferOfChunk(const xcb_property_notify_event_t& notify) {
  if (notify.state != XCB_PROPERTY_NEW_VALUE) return nullptr;
  const auto sends = [&](const Transfer& transfer) {
    return transfer.incremental && notify.window == transfer.window && notify.atom == transfer.property;
  };
  if (transfer_ && sends(*transfer_)) return transfer_.get();
  for (const auto& former : formerTransfers_)
    if (sends(*former)) return former.get();
  return nullptr;
}

void X11ClipboardReader::handleEvent(xcb_generic_event_t* event) {
  const uint8_t type = event->response_type & 0x7f;
  if (type == fixesEventBase_ + XCB_XFIXES_SELECTION_NOTIFY) {
    const auto* notify = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(event);
    if (notify->selection == clipboard_) {
      const bool gone = notify->subtype != XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER;
      ownerChanged(gone ? XCB_NONE : notify->owner, notify->timestamp, gone, notify->sequence);
    }
    return;
  }
  if (type == XCB_SELECTION_NOTIFY) {
    const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event);
    Transfer* transfer = transferAnswered(*notify);
    if (!transfer) return;
    if (notify->property == XCB_NONE) {
      finishTarget(*transfer, {}, false);  // the owner refuses this target
      return;
    }
    const auto value = readProperty(connection_.get(), transfer->window, transfer->property, true,
                                    uint32_t(kMaxTargetBytes));
    if (transfer->index < 0 && value && value->format != 32) {
      finishTarget(*transfer, {}, false);  // not a list of atoms
      return;
    }
    if (value && value->type == incr_) {
      // Large data comes in chunks; deleting the property (done by the read) asks for the first.
      transfer->incremental = true;
      transfer->buffer.clear();
      transfer->deadline = Clock::now() + std::chrono::milliseconds(kOwnerAnswerMs);
      xcb_flush(connection_.get());
      return;
    }
    finishTarget(*transfer, value ? value->value : QByteArray(), value.has_value());
    return;
  }
  if (type == XCB_PROPERTY_NOTIFY) {
    Transfer* transfer = transferOfChunk(*reinterpret_cast<xcb_property_notify_event_t*>(event));
    if (!transfer) return;
    const auto chunk = readProperty(connection_.get(), transfer->window, transfer->property, true,
                                    uint32_t(kMaxTargetBytes));
    xcb_flush(connection_.get());
    if (!chunk || chunk->value.isEmpty()) {
      transfer->incremental = false;
      finishTarget(*transfer, transfer->buffer, true);
      return;
    }
    if (transfer->buffer.size() + chunk->value.size() > kMaxTargetBytes) {
      qCInfo(lcPlatform) << "Clipboard data over" << kMaxTargetBytes << "bytes left out";
      transfer->incremental = false;
      finishTarget(*transfer, {}, false);
      return;
    }
    transfer->buffer += chunk->value;
    // The bound is on each chunk: a transfer that still moves goes on, however long it takes.
    transfer->deadline = Clock::now() + std::chrono::milliseconds(kOwnerAnswerMs);
  }
}

void X11ClipboardReader::ownerChanged(xcb_window_t owner, xcb_timestamp_t time, bool ownerGone, uint16_t sequence) {
  xcb_connection_t* c = connection_.get();
  const qint64 pid = owner ? clientPidOf(c, owner) : 0;
  const bool own = owner != XCB_NONE && pid != 0 && pid == qint64(getpid());
  bool otherManager = false;
  if (ownerGone) {
    xcb_get_selection_owner_reply_t* manager = xcb_get_selection_owner_reply(
        c, xcb_get_selection_owner(c, connection_.atom("CLIPBOARD_MANAGER")), nullptr);
    otherManager = manager && manager->owner != XCB_NONE && clientPidOf(c, manager->owner) != qint64(getpid());
    free(manager);
  }
  // The read of the copy replaced goes on when its owner got our last request before the change
  // (the event carries the sequence number of the last request of ours the server had handled):
  // it answers that request, however long its transfer takes. Asked later, the newer owner
  // would answer in its place; an owner that quit answers nothing.
  std::unique_ptr<Transfer> replaced = std::move(transfer_);
  const bool goesOn = replaced && !ownerGone && int16_t(uint16_t(sequence - replaced->requestSequence)) >= 0;
  {
    std::lock_guard lock(mutex_);
    const qint64 count = snapshot_.change.count + 1;
    keepCurrent();
    if (goesOn && kept_.change(snapshot_.change.count)) {
      unsettled_.append(snapshot_.change.count);
      replaced->former = true;
      formerTransfers_.push_back(std::move(replaced));
    }
    snapshot_ = Snapshot{};
    snapshot_.madeAt = dated(time);
    snapshot_.change.count = count;
    snapshot_.change.ownerPid = pid;
    snapshot_.change.ownWrite = own;
    snapshot_.change.ownerGone = ownerGone;
    snapshot_.change.otherClipboardManager = otherManager;
    snapshot_.owner = owner;
    snapshot_.time = time;
    snapshot_.content = PasteboardContent{snapshot_.change.count, true, {}, {}};
    // Our own content is read in-process; an empty selection has nothing to read.
    snapshot_.state = (own || owner == XCB_NONE) ? State::Done : State::Idle;
    readRequested_ = false;
  }
  settled_.notify_all();
  if (!own && owner != XCB_NONE) startRead();
  if (onUpdate_) onUpdate_();
}

Clock::time_point X11ClipboardReader::dated(xcb_timestamp_t time) {
  const Clock::time_point now = Clock::now();
  if (time == XCB_CURRENT_TIME) return now;
  // The server's clock runs with ours; the change seen with the least delay tells the offset
  // (the server's milliseconds wrap every 49 days: a date far in the past starts afresh).
  const Clock::duration serverTime = std::chrono::milliseconds(time);
  const Clock::duration offset = now.time_since_epoch() - serverTime;
  if (!serverOffset_ || offset < *serverOffset_ || offset - *serverOffset_ > std::chrono::minutes(1))
    serverOffset_ = offset;
  return Clock::time_point(serverTime + *serverOffset_);
}

void X11ClipboardReader::startRead() {
  auto transfer = std::make_unique<Transfer>();
  {
    std::lock_guard lock(mutex_);
    if (snapshot_.state != State::Idle) return;
    snapshot_.state = State::Reading;
    transfer->count = snapshot_.change.count;
    transfer->time = snapshot_.time;
  }
  transfer->window = windows_[transfer->count % 4];
  transfer->property = properties_[transfer->count % 4];
  // Windows and properties go round: an older read still on this one is given up.
  for (const auto& former : formerTransfers_) {
    if (former->window != transfer->window) continue;
    qCInfo(lcPlatform) << "Change" << former->count << "lost: too many copies came while it was read";
    finishRead(*former, false);
    break;
  }
  transfer->startedAt = Clock::now();
  transfer_ = std::move(transfer);
  requestNext(*transfer_);
}

void X11ClipboardReader::requestNext(Transfer& transfer) {
  const xcb_atom_t target = transfer.expectedTarget(targets_);
  xcb_delete_property(connection_.get(), transfer.window, transfer.property);
  transfer.requestSequence = uint16_t(
      xcb_convert_selection(connection_.get(), transfer.window, clipboard_, target, transfer.property, transfer.time)
          .sequence);
  xcb_flush(connection_.get());
  transfer.deadline = Clock::now() + std::chrono::milliseconds(kOwnerAnswerMs);
}

void X11ClipboardReader::finishTarget(Transfer& transfer, const QByteArray& value, bool ok) {
  if (transfer.index < 0) {
    if (!ok) {
      finishRead(transfer, true);  // no TARGETS: nothing we can name
      return;
    }
    // Name the targets, map them to types and plan which to read: in one pass, with every name
    // asked for at once.
    const auto* atoms = reinterpret_cast<const xcb_atom_t*>(value.constData());
    const qsizetype offered = value.size() / 4;
    if (offered > kMaxTargets)
      qCInfo(lcPlatform) << "A copy offers" << offered << "targets; the first" << kMaxTargets << "are read";
    const QList<xcb_atom_t> targets(atoms, atoms + std::min(offered, kMaxTargets));
    const QStringList names = connection_.atomNames(targets);
    QSet<QString> seen;
    xcb_atom_t textTarget = XCB_NONE;
    int bestTextRank = 100;
    xcb_atom_t imageTarget = XCB_NONE;
    QString imageType;
    for (qsizetype index = 0; index < targets.size(); ++index) {
      const xcb_atom_t atom = targets[index];
      const QString& name = names[index];
      if (name.isEmpty() || isBookkeeping(name)) continue;
      if (const int rank = textRank(name)) {
        if (!seen.contains(QLatin1String(mime::kPlainText))) {
          seen.insert(QLatin1String(mime::kPlainText));
          transfer.item.types.append(QLatin1String(mime::kPlainText));
        }
        if (rank < bestTextRank && rank < 9) {
          bestTextRank = rank;
          textTarget = atom;
        }
        continue;
      }
      if (seen.contains(name)) continue;
      seen.insert(name);
      transfer.item.types.append(name);
      if (pasteboard::isImageType(name) && (imageTarget == XCB_NONE || name == QLatin1String(mime::kPng)) &&
          imageType != QLatin1String(mime::kPng)) {
        imageTarget = atom;
        imageType = name;
      } else if (wantsData(name)) {
        transfer.plan.append({atom, name});
      }
    }
    if (textTarget != XCB_NONE) {
      transfer.plan.prepend({textTarget, QLatin1String(mime::kPlainText)});
      transfer.latin1Text = bestTextRank == 4;
    }
    if (imageTarget != XCB_NONE) transfer.plan.append({imageTarget, imageType});
  } else {
    const QString type = transfer.plan[transfer.index].second;
    if (ok) {
      QByteArray stored = value;
      if (type == QLatin1String(mime::kPlainText) && transfer.latin1Text) stored = QString::fromLatin1(value).toUtf8();
      else if (type == QLatin1String(mime::kHtml)) stored = htmlAsUtf8(value);
      transfer.item.data.insert(type, stored);
    } else {
      transfer.item.types.removeAll(type);  // offered but not delivered
    }
  }
  transfer.index += 1;
  if (transfer.index < transfer.plan.size()) {
    if (transfer.former) {
      // Asked now, the newer owner would answer for it.
      qCInfo(lcPlatform) << "Change" << transfer.count << "lost: a newer copy came before all of it was asked for";
      finishRead(transfer, false);
      return;
    }
    requestNext(transfer);
    return;
  }
  finishRead(transfer, true);
}

void X11ClipboardReader::finishRead(Transfer& finished, bool complete) {
  std::unique_ptr<Transfer> transfer;
  if (transfer_.get() == &finished) {
    transfer = std::move(transfer_);
  } else {
    const auto former = std::find_if(formerTransfers_.begin(), formerTransfers_.end(),
                                     [&](const auto& candidate) { return candidate.get() == &finished; });
    if (former == formerTransfers_.end()) return;
    transfer = std::move(*former);
    formerTransfers_.erase(former);
  }
  PasteboardContent content{transfer->count, complete, {}, {}};
  if (complete) {
    // The picture is decoded by the capture, off this thread: the next copy's read does not
    // wait for it.
    PasteboardItem& item = transfer->item;
    if (pasteboard::decodeText(item.value(QLatin1String(mime::kPasswordManagerHint))) == QLatin1String("secret") &&
        !item.types.contains(QLatin1String(kConcealedMarkerType)))
      item.types.append(QLatin1String(kConcealedMarkerType));
    content.items.append(std::move(item));
  }
  const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - transfer->startedAt).count();
  {
    std::lock_guard lock(mutex_);
    if (transfer->former) {
      unsettled_.removeAll(transfer->count);
      kept_.settle(transfer->count, std::move(content));
    } else {
      if (snapshot_.change.count != transfer->count) return;
      snapshot_.content = std::move(content);
      snapshot_.state = State::Done;
    }
    lastReadMs_ = elapsed;
  }
  settled_.notify_all();
  if (onUpdate_) onUpdate_();
}

}  // namespace qv::x11
