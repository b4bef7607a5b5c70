// A test client for the X11 clipboard: offers any set of targets with given data (xclip offers
// one), can hang like a broken owner, and can show a normal window or an override-redirect popup
// with a chosen WM_CLASS.
//
//   clipsource [options]
//     -t TYPE VALUE     offer TYPE with VALUE (VALUE "@path" reads the file); repeatable
//     --text VALUE      offer VALUE under every plain-text name (UTF8_STRING, text/plain, …)
//     --hang            own the selection but never answer a request
//     --window CLASS    map a normal window with WM_CLASS (lower-cased CLASS, CLASS)
//     --popup X,Y,W,H   map an override-redirect popup menu at that rectangle
//     --no-pid          leave _NET_WM_PID unset (the X-Resource extension still knows us)
//     --no-selection    do not take the clipboard
//     --many-targets N  also offer N distinct made-up targets (a flood of formats)
//     --chunk-delay MS  wait MS milliseconds before each chunk of a large (INCR) transfer
// Prints "ready" once it owns the selection and its windows are mapped. Exits when another
// client takes the selection (unless it shows a window), once the transfers under way are
// finished, as real owners do; or on SIGTERM.
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QMap>
#include <QString>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;
xcb_connection_t* connection = nullptr;

xcb_atom_t atom(const char* name) {
  auto* reply = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(strlen(name)), name),
                                      nullptr);
  const xcb_atom_t value = reply ? reply->atom : XCB_NONE;
  free(reply);
  return value;
}

struct Offer {
  xcb_atom_t target;
  QByteArray value;
};

struct Incremental {
  xcb_window_t requestor;
  xcb_atom_t property;
  xcb_atom_t type;
  int format;
  QByteArray value;
  qsizetype sent = 0;
  bool finished = false;
};

constexpr qsizetype kChunk = 256 * 1024;

int usage() {
  std::fprintf(stderr,
               "usage: clipsource [-t TYPE VALUE]... [--text VALUE] [--hang] [--window CLASS]\n"
               "                  [--popup X,Y,W,H] [--no-pid] [--no-selection] [--many-targets N]\n"
               "                  [--chunk-delay MS]\n");
  return 2;
}

xcb_window_t makeWindow(xcb_window_t root, int x, int y, int width, int height, bool overrideRedirect) {
  const xcb_window_t window = xcb_generate_id(connection);
  const uint32_t values[] = {0xffd0d0d0u, overrideRedirect ? 1u : 0u,
                             XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, root, int16_t(x), int16_t(y), uint16_t(width),
                    uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                    XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
  return window;
}

void setCardinal(xcb_window_t window, const char* name, uint32_t value) {
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom(name), XCB_ATOM_CARDINAL, 32, 1, &value);
}

void setAtomProperty(xcb_window_t window, const char* name, const char* value) {
  const xcb_atom_t item = atom(value);
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom(name), XCB_ATOM_ATOM, 32, 1, &item);
}

void setWmClass(xcb_window_t window, const QByteArray& windowClass) {
  const QByteArray value = windowClass.toLower() + '\0' + windowClass + '\0';
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                      uint32_t(value.size()), value.constData());
}

// The server's time, from a property change on our own window.
xcb_timestamp_t serverTime(xcb_window_t window) {
  const xcb_atom_t property = atom("CLIPSOURCE_TIME");
  xcb_change_property(connection, XCB_PROP_MODE_APPEND, window, property, XCB_ATOM_STRING, 8, 0, nullptr);
  xcb_flush(connection);
  while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
    xcb_timestamp_t time = XCB_CURRENT_TIME;
    if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
      auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
      if (notify->atom == property) time = notify->time;
    }
    free(event);
    if (time != XCB_CURRENT_TIME) return time;
  }
  return XCB_CURRENT_TIME;
}

}  // namespace

int main(int argc, char** argv) {
  QList<QPair<QByteArray, QByteArray>> offers;
  bool hang = false;
  bool setPid = true;
  bool takeSelection = true;
  QByteArray windowClass;
  QList<int> popup;
  int manyTargets = 0;
  int chunkDelayMs = 0;
  for (int index = 1; index < argc; ++index) {
    const QByteArray argument = argv[index];
    auto next = [&]() -> QByteArray { return index + 1 < argc ? QByteArray(argv[++index]) : QByteArray(); };
    if (argument == "-t" && index + 2 < argc) {
      const QByteArray type = next();
      QByteArray value = next();
      if (value.startsWith('@')) {
        QFile file(QString::fromLocal8Bit(value.mid(1)));
        if (!file.open(QIODevice::ReadOnly)) {
          std::fprintf(stderr, "clipsource: cannot read %s\n", value.constData() + 1);
          return 1;
        }
        value = file.readAll();
      }
      offers.append({type, value});
    } else if (argument == "--text" && index + 1 < argc) {
      const QByteArray text = next();
      for (const char* type : {"UTF8_STRING", "text/plain;charset=utf-8", "text/plain", "STRING", "TEXT"})
        offers.append({type, text});
    } else if (argument == "--hang") {
      hang = true;
    } else if (argument == "--window" && index + 1 < argc) {
      windowClass = next();
    } else if (argument == "--popup" && index + 1 < argc) {
      for (const QByteArray& part : next().split(',')) popup.append(part.toInt());
      if (popup.size() != 4) return usage();
    } else if (argument == "--no-pid") {
      setPid = false;
    } else if (argument == "--no-selection") {
      takeSelection = false;
    } else if (argument == "--many-targets" && index + 1 < argc) {
      manyTargets = next().toInt();
    } else if (argument == "--chunk-delay" && index + 1 < argc) {
      chunkDelayMs = next().toInt();
    } else {
      return usage();
    }
  }

  connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    std::fprintf(stderr, "clipsource: cannot open the display\n");
    return 1;
  }
  std::signal(SIGTERM, [](int) { stopRequested = 1; });
  std::signal(SIGINT, [](int) { stopRequested = 1; });
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  const xcb_atom_t clipboard = atom("CLIPBOARD");
  const xcb_atom_t targetsAtom = atom("TARGETS");
  const xcb_atom_t timestampAtom = atom("TIMESTAMP");
  const xcb_atom_t incrAtom = atom("INCR");
  const xcb_atom_t colorAtom = atom("application/x-color");
  QList<Offer> offered;
  for (const auto& [type, value] : offers) offered.append({atom(type.constData()), value});
  // Interned all at once: one round trip each would take minutes for a hundred thousand.
  std::vector<xcb_intern_atom_cookie_t> cookies;
  for (int index = 0; index < manyTargets; ++index) {
    const QByteArray name = "application/x-clipsource-filler-" + QByteArray::number(index);
    cookies.push_back(xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()));
  }
  for (const xcb_intern_atom_cookie_t& cookie : cookies) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (reply) offered.append({reply->atom, QByteArray("filler")});
    free(reply);
  }

  // The window that owns the selection: the visible window when there is one.
  xcb_window_t owner;
  if (!windowClass.isEmpty()) {
    owner = makeWindow(screen->root, 100, 100, 400, 300, false);
    setWmClass(owner, windowClass);
    setAtomProperty(owner, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_NORMAL");
    const QByteArray title = "clipsource " + windowClass;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, owner, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        uint32_t(title.size()), title.constData());
    if (setPid) setCardinal(owner, "_NET_WM_PID", uint32_t(getpid()));
    xcb_map_window(connection, owner);
  } else {
    owner = makeWindow(screen->root, -10, -10, 1, 1, true);
  }
  if (popup.size() == 4) {
    const xcb_window_t menu = makeWindow(screen->root, popup[0], popup[1], popup[2], popup[3], true);
    setWmClass(menu, windowClass.isEmpty() ? QByteArray("Clipsource") : windowClass);
    setAtomProperty(menu, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_POPUP_MENU");
    if (setPid) setCardinal(menu, "_NET_WM_PID", uint32_t(getpid()));
    xcb_map_window(connection, menu);
  }
  if (takeSelection) {
    const xcb_timestamp_t time = serverTime(owner);
    xcb_set_selection_owner(connection, owner, clipboard, time);
    auto* reply = xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, clipboard), nullptr);
    const bool owns = reply && reply->owner == owner;
    free(reply);
    if (!owns) {
      std::fprintf(stderr, "clipsource: could not take the clipboard\n");
      return 1;
    }
  }
  xcb_flush(connection);
  // Let the window manager map our windows before we say so.
  free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
  std::printf("ready %u\n", owner);
  std::fflush(stdout);

  QList<Incremental> transfers;
  const bool keepAfterLosing = !windowClass.isEmpty() || popup.size() == 4 || !takeSelection;
  const int fd = xcb_get_file_descriptor(connection);
  bool lost = false;
  while (!stopRequested && !(lost && transfers.isEmpty())) {
    xcb_generic_event_t* event = xcb_poll_for_event(connection);
    if (!event) {
      if (xcb_connection_has_error(connection)) break;
      pollfd poller{fd, POLLIN, 0};
      ::poll(&poller, 1, 200);
      continue;
    }
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_SELECTION_CLEAR && !keepAfterLosing) lost = true;
    if (type == XCB_SELECTION_REQUEST && !hang) {
      auto* request = reinterpret_cast<xcb_selection_request_event_t*>(event);
      xcb_atom_t property = request->property == XCB_NONE ? request->target : request->property;
      if (request->target == targetsAtom) {
        QList<xcb_atom_t> list{targetsAtom, timestampAtom};
        for (const Offer& offer : offered) list.append(offer.target);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, property, XCB_ATOM_ATOM, 32,
                            uint32_t(list.size()), list.constData());
      } else {
        const Offer* match = nullptr;
        for (const Offer& offer : offered)
          if (offer.target == request->target) match = &offer;
        if (!match) {
          property = XCB_NONE;
        } else {
          const int format = match->target == colorAtom ? 16 : 8;
          if (match->value.size() > kChunk) {
            const uint32_t size = uint32_t(match->value.size());
            const uint32_t mask[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
            xcb_change_window_attributes(connection, request->requestor, XCB_CW_EVENT_MASK, mask);
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, property, incrAtom, 32, 1,
                                &size);
            transfers.append({request->requestor, property, match->target, format, match->value});
          } else {
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, property, match->target,
                                uint8_t(format), uint32_t(match->value.size() / (format / 8)),
                                match->value.constData());
          }
        }
      }
      xcb_selection_notify_event_t notify{};
      notify.response_type = XCB_SELECTION_NOTIFY;
      notify.time = request->time;
      notify.requestor = request->requestor;
      notify.selection = request->selection;
      notify.target = request->target;
      notify.property = property;
      xcb_send_event(connection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                     reinterpret_cast<const char*>(&notify));
      xcb_flush(connection);
    }
    if (type == XCB_PROPERTY_NOTIFY) {
      auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
      for (qsizetype index = 0; index < transfers.size(); ++index) {
        Incremental& transfer = transfers[index];
        if (transfer.requestor != notify->window || transfer.property != notify->atom ||
            notify->state != XCB_PROPERTY_DELETE)
          continue;
        const qsizetype length = std::min(kChunk, transfer.value.size() - transfer.sent);
        if (chunkDelayMs > 0) ::usleep(useconds_t(chunkDelayMs) * 1000);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, transfer.requestor, transfer.property, transfer.type,
                            uint8_t(transfer.format), uint32_t(length / (transfer.format / 8)),
                            transfer.value.constData() + transfer.sent);
        transfer.sent += length;
        if (length == 0) transfers.removeAt(index);
        xcb_flush(connection);
        break;
      }
    }
    free(event);
  }
  // A round trip before leaving: the server may drop what it had not read yet of a client that
  // hung up (the last, empty chunk of a transfer).
  free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
  xcb_disconnect(connection);
  return 0;
}
