#include "platform/x11/X11ClipboardReader.h"

#include "base/Log.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/xfixes.h>
#include <QSet>
#include <QStringDecoder>
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
  int index = -1;  // -1: asking for TARGETS
  xcb_timestamp_t requestTime = XCB_CURRENT_TIME;
  xcb_atom_t property = XCB_NONE;
  bool incremental = false;
  QByteArray buffer;
  Clock::time_point deadline;
  Clock::time_point startedAt;
  PasteboardItem item;
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
  window_ = connection_.createHelperWindow(XCB_EVENT_MASK_PROPERTY_CHANGE);
  xcb_xfixes_select_selection_input(c, window_, clipboard_,
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
  return snapshot_.change;
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
  if (const PasteboardContent* content = kept_.content(count)) return *content;
  return std::nullopt;
}

bool X11ClipboardReader::isSettled(qint64 count) const {
  std::lock_guard lock(mutex_);
  return snapshot_.change.count != count || snapshot_.state == State::Done;
}

std::optional<PasteboardContent> X11ClipboardReader::waitForContent(qint64 count, int timeoutMs) {
  std::unique_lock lock(mutex_);
  if (const PasteboardContent* content = kept_.content(count)) return *content;
  if (snapshot_.change.count == count && snapshot_.state == State::Idle && !readRequested_) {
    readRequested_ = true;
    wake();
  }
  settled_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                    [&] { return snapshot_.change.count != count || snapshot_.state == State::Done; });
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
  while (!stop_) {
    int timeout = -1;
    if (transfer_) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(transfer_->deadline - Clock::now());
      timeout = int(std::max<qint64>(0, left.count()));
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
      if (transfer_) finishRead(false);
      break;
    }
    if (transfer_ && Clock::now() >= transfer_->deadline) {
      qCInfo(lcPlatform) << "The clipboard owner did not answer; dropping change" << transfer_->count;
      finishRead(false);
    }
  }
}

void X11ClipboardReader::handleEvent(xcb_generic_event_t* event) {
  const uint8_t type = event->response_type & 0x7f;
  if (type == fixesEventBase_ + XCB_XFIXES_SELECTION_NOTIFY) {
    const auto* notify = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(event);
    if (notify->selection == clipboard_) {
      const bool gone = notify->subtype != XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER;
      ownerChanged(gone ? XCB_NONE : notify->owner, notify->timestamp, gone);
    }
    return;
  }
  if (!transfer_) return;
  if (type == XCB_SELECTION_NOTIFY) {
    const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event);
    const xcb_atom_t expected = transfer_->index < 0 ? targets_ : transfer_->plan[transfer_->index].first;
    if (notify->requestor != window_ || notify->selection != clipboard_ || notify->target != expected) return;
    // An answer to a request made for an older copy.
    if (notify->time != XCB_CURRENT_TIME && notify->time != transfer_->requestTime) return;
    if (notify->property == XCB_NONE) {
      finishTarget({}, false);  // the owner refuses this target
      return;
    }
    const auto value = readProperty(connection_.get(), window_, transfer_->property, true, uint32_t(kMaxTargetBytes));
    if (transfer_->index < 0 && value && value->format != 32) {
      finishTarget({}, false);  // not a list of atoms
      return;
    }
    if (value && value->type == incr_) {
      // Large data comes in chunks; deleting the property (done by the read) asks for the first.
      transfer_->incremental = true;
      transfer_->buffer.clear();
      transfer_->deadline = Clock::now() + std::chrono::milliseconds(kOwnerAnswerMs);
      xcb_flush(connection_.get());
      return;
    }
    finishTarget(value ? value->value : QByteArray(), value.has_value());
    return;
  }
  if (type == XCB_PROPERTY_NOTIFY) {
    const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
    if (!transfer_->incremental || notify->window != window_ || notify->atom != transfer_->property ||
        notify->state != XCB_PROPERTY_NEW_VALUE)
      return;
    const auto chunk = readProperty(connection_.get(), window_, transfer_->property, true, uint32_t(kMaxTargetBytes));
    xcb_flush(connection_.get());
    if (!chunk || chunk->value.isEmpty()) {
      transfer_->incremental = false;
      finishTarget(transfer_->buffer, true);
      return;
    }
    if (transfer_->buffer.size() + chunk->value.size() > kMaxTargetBytes) {
      qCInfo(lcPlatform) << "Clipboard data over" << kMaxTargetBytes << "bytes left out";
      transfer_->incremental = false;
      finishTarget({}, false);
      return;
    }
    transfer_->buffer += chunk->value;
    transfer_->deadline = Clock::now() + std::chrono::milliseconds(kOwnerAnswerMs);
  }
}

void X11ClipboardReader::ownerChanged(xcb_window_t owner, xcb_timestamp_t time, bool ownerGone) {
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
  transfer_.reset();  // a newer copy replaces the read of an older one
  {
    std::lock_guard lock(mutex_);
    const qint64 count = snapshot_.change.count + 1;
    keepCurrent();
    snapshot_ = Snapshot{};
    snapshot_.madeAt = Clock::now();
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

void X11ClipboardReader::startRead() {
  auto transfer = std::make_unique<Transfer>();
  {
    std::lock_guard lock(mutex_);
    if (snapshot_.state != State::Idle) return;
    snapshot_.state = State::Reading;
    transfer->count = snapshot_.change.count;
  }
  transfer->property = properties_[transfer->count % 4];
  transfer->startedAt = Clock::now();
  transfer_ = std::move(transfer);
  requestNext();
}

void X11ClipboardReader::requestNext() {
  Transfer& transfer = *transfer_;
  xcb_timestamp_t time;
  {
    std::lock_guard lock(mutex_);
    time = snapshot_.time;
  }
  const xcb_atom_t target = transfer.index < 0 ? targets_ : transfer.plan[transfer.index].first;
  transfer.requestTime = time;
  xcb_delete_property(connection_.get(), window_, transfer.property);
  xcb_convert_selection(connection_.get(), window_, clipboard_, target, transfer.property, time);
  xcb_flush(connection_.get());
  transfer.deadline = Clock::now() + std::chrono::milliseconds(kOwnerAnswerMs);
}

void X11ClipboardReader::finishTarget(const QByteArray& value, bool ok) {
  Transfer& transfer = *transfer_;
  if (transfer.index < 0) {
    if (!ok) {
      finishRead(true);  // no TARGETS: nothing we can name
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
    requestNext();
    return;
  }
  finishRead(true);
}

void X11ClipboardReader::finishRead(bool complete) {
  std::unique_ptr<Transfer> transfer = std::move(transfer_);
  PasteboardContent content{transfer->count, complete, {}, {}};
  if (complete) {
    PasteboardItem& item = transfer->item;
    for (const QString& type : item.types) {
      if (pasteboard::isImageType(type) && item.data.contains(type)) {
        item.image = pasteboard::decodeImage(item.data.value(type), type);
        break;
      }
    }
    if (pasteboard::decodeText(item.value(QLatin1String(mime::kPasswordManagerHint))) == QLatin1String("secret") &&
        !item.types.contains(QLatin1String(kConcealedMarkerType)))
      item.types.append(QLatin1String(kConcealedMarkerType));
    content.items.append(std::move(item));
  }
  const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - transfer->startedAt).count();
  {
    std::lock_guard lock(mutex_);
    if (snapshot_.change.count != transfer->count) return;
    snapshot_.content = std::move(content);
    snapshot_.state = State::Done;
    lastReadMs_ = elapsed;
  }
  settled_.notify_all();
  if (onUpdate_) onUpdate_();
}

}  // namespace qv::x11
