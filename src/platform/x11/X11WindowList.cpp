#include "platform/x11/X11WindowList.h"

#include <unistd.h>
#include <algorithm>
#include <vector>

namespace qv::x11 {

namespace {

struct Candidate {
  xcb_window_t frame = XCB_NONE;
  xcb_window_t client = XCB_NONE;
  QRect bounds;
  bool overrideRedirect = false;
};

template <typename Reply>
struct Freed {
  Reply* reply;
  explicit Freed(Reply* r) : reply(r) {}
  ~Freed() { free(reply); }
  Reply* operator->() const { return reply; }
  explicit operator bool() const { return reply != nullptr; }
};

QList<xcb_window_t> children(xcb_connection_t* c, xcb_query_tree_cookie_t cookie) {
  QList<xcb_window_t> result;
  Freed tree(xcb_query_tree_reply(c, cookie, nullptr));
  if (!tree) return result;
  const xcb_window_t* list = xcb_query_tree_children(tree.reply);
  for (int index = 0; index < xcb_query_tree_children_length(tree.reply); ++index) result.append(list[index]);
  return result;
}

QList<xcb_atom_t> atomsOf(xcb_get_property_reply_t* reply) {
  QList<xcb_atom_t> atoms;
  if (!reply || reply->format != 32) return atoms;
  const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
  for (int index = 0; index < xcb_get_property_value_length(reply) / 4; ++index) atoms.append(data[index]);
  return atoms;
}

std::optional<quint32> cardinalOf(xcb_get_property_reply_t* reply) {
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply) < 4) return std::nullopt;
  return *static_cast<const quint32*>(xcb_get_property_value(reply));
}

}  // namespace

X11WindowList::X11WindowList() {
  if (!connection_.isValid()) return;
  connection_.internAll({"WM_STATE", "_NET_WM_PID", "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE", "_NET_WM_WINDOW_OPACITY",
                         "_NET_WM_STATE_ABOVE", "_NET_WM_STATE_HIDDEN", "QV_WAKE", "_NET_SYSTEM_TRAY_S0"});
  xcb_connection_t* c = connection_.get();
  const uint32_t rootMask[] = {XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY};
  xcb_change_window_attributes(c, connection_.root(), XCB_CW_EVENT_MASK, rootMask);
  wakeWindow_ = connection_.createHelperWindow(XCB_EVENT_MASK_NO_EVENT);
  xcb_flush(c);
  thread_ = std::thread([this] { run(); });
}

X11WindowList::~X11WindowList() {
  if (!thread_.joinable()) return;
  stop_ = true;
  // Wake the event thread with a message to our own window.
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = wakeWindow_;
  message.type = connection_.atom("QV_WAKE");
  xcb_send_event(connection_.get(), 0, wakeWindow_, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
  xcb_flush(connection_.get());
  thread_.join();
}

void X11WindowList::setOverlayCandidateHandler(std::function<void()> handler) {
  std::lock_guard lock(handlerMutex_);
  overlayHandler_ = std::move(handler);
}

void X11WindowList::updateOverlayCandidate() {
  const QList<WindowInfo> list = windows();
  const qint64 ownPid = getpid();
  const bool present = std::any_of(list.cbegin(), list.cend(), [ownPid](const WindowInfo& window) {
    return canBeOverlay(window) && window.ownerPid != ownPid;
  });
  if (overlayCandidate_.exchange(present) == present) return;
  std::function<void()> handler;
  {
    std::lock_guard lock(handlerMutex_);
    handler = overlayHandler_;
  }
  if (handler) handler();
}

void X11WindowList::run() {
  xcb_connection_t* c = connection_.get();
  const xcb_atom_t relevant[] = {connection_.atom("_NET_WM_WINDOW_OPACITY"),
                                 connection_.atom("_NET_WM_WINDOW_TYPE"),
                                 connection_.atom("_NET_WM_STATE"),
                                 connection_.atom("_NET_WM_PID"),
                                 connection_.atom("WM_STATE"),
                                 XCB_ATOM_WM_CLASS};
  // What a window is (its type and state, and its size) decides whether it can be an overlay.
  const xcb_atom_t kind[] = {connection_.atom("_NET_WM_WINDOW_TYPE"), connection_.atom("_NET_WM_STATE")};
  updateOverlayCandidate();
  while (!stop_) {
    xcb_generic_event_t* event = xcb_wait_for_event(c);
    if (!event) break;  // connection lost
    bool overlaysMayDiffer = false;
    // A burst of events (a menu opening maps several windows) is looked at once.
    for (; event; event = xcb_poll_for_event(c)) {
      switch (event->response_type & 0x7f) {
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_REPARENT_NOTIFY:
          overlaysMayDiffer = true;
          dirty_ = true;
          break;
        // The list holds viewable windows only: a window is created unmapped, and one destroyed
        // while mapped was unmapped first. Programs that own the clipboard from a hidden window
        // create and destroy one with every copy.
        case XCB_CREATE_NOTIFY:
        case XCB_DESTROY_NOTIFY: break;
        case XCB_CONFIGURE_NOTIFY:
          // An unmanaged window may grow into an overlay; managed ones only move and resize.
          if (reinterpret_cast<xcb_configure_notify_event_t*>(event)->override_redirect) overlaysMayDiffer = true;
          dirty_ = true;
          break;
        case XCB_CIRCULATE_NOTIFY:
        case XCB_GRAVITY_NOTIFY: dirty_ = true; break;
        case XCB_PROPERTY_NOTIFY: {
          const xcb_atom_t atom = reinterpret_cast<xcb_property_notify_event_t*>(event)->atom;
          for (const xcb_atom_t wanted : relevant)
            if (atom == wanted) dirty_ = true;
          for (const xcb_atom_t wanted : kind)
            if (atom == wanted) overlaysMayDiffer = true;
          break;
        }
        default: break;  // errors of requests about windows that are gone, the wake message
      }
      free(event);
    }
    if (stop_) break;
    if (overlaysMayDiffer) updateOverlayCandidate();
  }
}

QList<WindowInfo> X11WindowList::windows() const {
  if (!connection_.isValid()) return {};
  std::lock_guard lock(mutex_);
  if (dirty_.exchange(false)) cache_ = rebuild();
  return cache_;
}

int X11WindowList::layerFor(const QList<xcb_atom_t>& types, const QList<xcb_atom_t>& states, bool overrideRedirect,
                            QString* typeName) const {
  static const QLatin1String prefix("_NET_WM_WINDOW_TYPE_");
  QString type;
  for (const xcb_atom_t atom : types) {
    const QString name = connection_.atomName(atom);
    if (name.startsWith(prefix)) {
      type = name.mid(prefix.size()).toLower();
      break;
    }
  }
  *typeName = type.isEmpty() ? (overrideRedirect ? QString() : QStringLiteral("normal")) : type;
  if (type == QLatin1String("desktop")) return -1;
  if (type == QLatin1String("tooltip")) return windowLayer::kTooltip;
  if (type == QLatin1String("popup_menu") || type == QLatin1String("dropdown_menu") || type == QLatin1String("menu") ||
      type == QLatin1String("combo") || type == QLatin1String("dnd"))
    return windowLayer::kPopup;
  if (type == QLatin1String("notification")) return windowLayer::kNotification;
  if (type == QLatin1String("dock")) return windowLayer::kDock;
  if (overrideRedirect) return windowLayer::kPopup;
  if (states.contains(connection_.atom("_NET_WM_STATE_ABOVE"))) return windowLayer::kAbove;
  return windowLayer::kNormal;
}

QList<WindowInfo> X11WindowList::rebuild() const {
  rebuilds_ += 1;
  xcb_connection_t* c = connection_.get();
  const xcb_get_selection_owner_cookie_t trayCookie = xcb_get_selection_owner(c,
                                                                              connection_.atom("_NET_SYSTEM_TRAY_S0"));
  const QList<xcb_window_t> topLevels = children(c, xcb_query_tree(c, connection_.root()));
  xcb_window_t tray = XCB_NONE;
  if (Freed trayOwner(xcb_get_selection_owner_reply(c, trayCookie, nullptr)); trayOwner) tray = trayOwner->owner;

  // Attributes and geometry of every top-level, in one batch.
  std::vector<xcb_get_window_attributes_cookie_t> attributeCookies;
  std::vector<xcb_get_geometry_cookie_t> geometryCookies;
  for (const xcb_window_t window : topLevels) {
    attributeCookies.push_back(xcb_get_window_attributes(c, window));
    geometryCookies.push_back(xcb_get_geometry(c, window));
  }
  QList<Candidate> candidates;
  for (qsizetype index = 0; index < topLevels.size(); ++index) {
    Freed attributes(xcb_get_window_attributes_reply(c, attributeCookies[index], nullptr));
    Freed geometry(xcb_get_geometry_reply(c, geometryCookies[index], nullptr));
    if (!attributes || !geometry) continue;
    if (attributes->map_state != XCB_MAP_STATE_VIEWABLE || attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY) continue;
    const int border = geometry->border_width;
    candidates.append({topLevels[index], topLevels[index],
                       QRect(geometry->x, geometry->y, geometry->width + 2 * border, geometry->height + 2 * border),
                       bool(attributes->override_redirect)});
  }

  // The client of a managed window is the top-level itself or the child that has WM_STATE.
  const xcb_atom_t wmState = connection_.atom("WM_STATE");
  std::vector<xcb_get_property_cookie_t> stateCookies;
  std::vector<xcb_query_tree_cookie_t> treeCookies;
  for (const Candidate& candidate : candidates) {
    stateCookies.push_back(xcb_get_property(c, 0, candidate.frame, wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 0));
    treeCookies.push_back(xcb_query_tree(c, candidate.frame));
  }
  QList<QList<xcb_window_t>> inner;
  std::vector<bool> isClient;
  for (qsizetype index = 0; index < candidates.size(); ++index) {
    Freed state(xcb_get_property_reply(c, stateCookies[index], nullptr));
    isClient.push_back(state && state->type != XCB_NONE);
    inner.append(children(c, treeCookies[index]));
  }
  std::vector<std::vector<xcb_get_property_cookie_t>> innerCookies(candidates.size());
  for (qsizetype index = 0; index < candidates.size(); ++index)
    if (!isClient[index])
      for (const xcb_window_t child : inner[index])
        innerCookies[index].push_back(xcb_get_property(c, 0, child, wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 0));
  for (qsizetype index = 0; index < candidates.size(); ++index) {
    for (size_t child = 0; child < innerCookies[index].size(); ++child) {
      Freed state(xcb_get_property_reply(c, innerCookies[index][child], nullptr));
      if (state && state->type != XCB_NONE && candidates[index].client == candidates[index].frame)
        candidates[index].client = inner[index][qsizetype(child)];
    }
  }

  // Properties of every client (and the frame's opacity), in one batch.
  const xcb_atom_t pidAtom = connection_.atom("_NET_WM_PID");
  const xcb_atom_t typeAtom = connection_.atom("_NET_WM_WINDOW_TYPE");
  const xcb_atom_t stateAtom = connection_.atom("_NET_WM_STATE");
  const xcb_atom_t opacityAtom = connection_.atom("_NET_WM_WINDOW_OPACITY");
  struct Cookies {
    xcb_get_property_cookie_t pid, type, state, wmClass, clientOpacity, frameOpacity;
  };
  std::vector<Cookies> cookies;
  for (const Candidate& candidate : candidates) {
    const xcb_window_t client = candidate.client;
    cookies.push_back({xcb_get_property(c, 0, client, pidAtom, XCB_ATOM_CARDINAL, 0, 1),
                       xcb_get_property(c, 0, client, typeAtom, XCB_ATOM_ATOM, 0, 32),
                       xcb_get_property(c, 0, client, stateAtom, XCB_ATOM_ATOM, 0, 32),
                       xcb_get_property(c, 0, client, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256),
                       xcb_get_property(c, 0, client, opacityAtom, XCB_ATOM_CARDINAL, 0, 1),
                       xcb_get_property(c, 0, candidate.frame, opacityAtom, XCB_ATOM_CARDINAL, 0, 1)});
  }
  QList<WindowInfo> result;
  QSet<xcb_window_t> seen;
  for (qsizetype index = candidates.size() - 1; index >= 0; --index) {  // front to back
    const Candidate& candidate = candidates[index];
    const Cookies& cookie = cookies[size_t(index)];
    Freed pid(xcb_get_property_reply(c, cookie.pid, nullptr));
    Freed type(xcb_get_property_reply(c, cookie.type, nullptr));
    Freed state(xcb_get_property_reply(c, cookie.state, nullptr));
    Freed wmClass(xcb_get_property_reply(c, cookie.wmClass, nullptr));
    Freed clientOpacity(xcb_get_property_reply(c, cookie.clientOpacity, nullptr));
    Freed frameOpacity(xcb_get_property_reply(c, cookie.frameOpacity, nullptr));
    WindowInfo info;
    info.id = candidate.frame;
    info.bounds = candidate.bounds;
    info.overrideRedirect = candidate.overrideRedirect;
    info.systemTray = tray != XCB_NONE && (candidate.frame == tray || candidate.client == tray);
    info.layer = layerFor(atomsOf(type.reply), atomsOf(state.reply), candidate.overrideRedirect, &info.windowType);
    if (info.layer < 0) continue;
    if (atomsOf(state.reply).contains(connection_.atom("_NET_WM_STATE_HIDDEN"))) continue;
    std::optional<quint32> opacity = cardinalOf(frameOpacity.reply);
    if (!opacity) opacity = cardinalOf(clientOpacity.reply);
    if (opacity) info.alpha = double(*opacity) / double(0xFFFFFFFFu);
    if (const auto value = cardinalOf(pid.reply); value && *value > 0) info.ownerPid = *value;
    if (wmClass && wmClass->format == 8) {
      const QList<QByteArray> parts = QByteArray(static_cast<const char*>(xcb_get_property_value(wmClass.reply)),
                                                 xcb_get_property_value_length(wmClass.reply))
                                          .split('\0');
      if (parts.size() > 1) info.windowClass = QString::fromUtf8(parts[1]);
    }
    result.append(info);
    seen.insert(candidate.frame);
    seen.insert(candidate.client);
  }
  for (WindowInfo& info : result) {
    if (info.ownerPid != 0) continue;
    for (const Candidate& candidate : candidates)
      if (candidate.frame == info.id) info.ownerPid = clientPidOf(c, candidate.client);
  }

  // Watch property changes of windows new to us.
  const uint32_t mask[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
  for (const xcb_window_t window : seen)
    if (!watched_.contains(window)) xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, mask);
  watched_ = seen;
  xcb_flush(c);
  return result;
}

}  // namespace qv::x11
