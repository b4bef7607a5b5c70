#include "platform/x11/XcbSupport.h"

#include <xcb/xfixes.h>
#include <xcb/xinput.h>

#include <xcb/res.h>
#include <cstdlib>
#include <vector>

namespace qv::x11 {

XcbConnection::XcbConnection() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return;
  int screenNumber = 0;
  xcb_connection_t* connection = xcb_connect(display, &screenNumber);
  if (!connection || xcb_connection_has_error(connection)) {
    if (connection) xcb_disconnect(connection);
    return;
  }
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int index = 0; index < screenNumber && screens.rem; ++index) xcb_screen_next(&screens);
  if (!screens.rem) {
    xcb_disconnect(connection);
    return;
  }
  connection_ = connection;
  root_ = screens.data->root;
}

XcbConnection::~XcbConnection() {
  if (connection_) xcb_disconnect(connection_);
}

int XcbConnection::fileDescriptor() const { return connection_ ? xcb_get_file_descriptor(connection_) : -1; }

xcb_atom_t XcbConnection::atom(const char* name) {
  {
    std::lock_guard lock(mutex_);
    const auto found = atoms_.constFind(QByteArray(name));
    if (found != atoms_.constEnd()) return *found;
  }
  if (!connection_) return XCB_NONE;
  const auto cookie = xcb_intern_atom(connection_, 0, uint16_t(strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection_, cookie, nullptr);
  const xcb_atom_t value = reply ? reply->atom : XCB_NONE;
  free(reply);
  std::lock_guard lock(mutex_);
  atoms_.insert(QByteArray(name), value);
  names_.insert(value, QString::fromLatin1(name));
  return value;
}

void XcbConnection::internAll(std::initializer_list<const char*> names) {
  if (!connection_) return;
  std::vector<xcb_intern_atom_cookie_t> cookies;
  for (const char* name : names) cookies.push_back(xcb_intern_atom(connection_, 0, uint16_t(strlen(name)), name));
  size_t index = 0;
  for (const char* name : names) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection_, cookies[index++], nullptr);
    if (!reply) continue;
    std::lock_guard lock(mutex_);
    atoms_.insert(QByteArray(name), reply->atom);
    names_.insert(reply->atom, QString::fromLatin1(name));
    free(reply);
  }
}

QStringList XcbConnection::atomNames(const QList<xcb_atom_t>& atoms) {
  QStringList names(atoms.size());
  std::vector<std::pair<qsizetype, xcb_get_atom_name_cookie_t>> asked;
  {
    std::lock_guard lock(mutex_);
    for (qsizetype index = 0; index < atoms.size(); ++index) {
      const auto found = names_.constFind(atoms[index]);
      if (found != names_.constEnd()) names[index] = *found;
      else if (connection_ && atoms[index] != XCB_NONE)
        asked.emplace_back(index, xcb_get_atom_name(connection_, atoms[index]));
    }
  }
  for (const auto& [index, cookie] : asked) {
    xcb_get_atom_name_reply_t* reply = xcb_get_atom_name_reply(connection_, cookie, nullptr);
    if (!reply) continue;
    names[index] = QString::fromUtf8(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply));
    free(reply);
    std::lock_guard lock(mutex_);
    names_.insert(atoms[index], names[index]);
    atoms_.insert(names[index].toUtf8(), atoms[index]);
  }
  return names;
}

QString XcbConnection::atomName(xcb_atom_t atom) {
  {
    std::lock_guard lock(mutex_);
    const auto found = names_.constFind(atom);
    if (found != names_.constEnd()) return *found;
  }
  if (!connection_ || atom == XCB_NONE) return {};
  xcb_get_atom_name_reply_t* reply = xcb_get_atom_name_reply(connection_, xcb_get_atom_name(connection_, atom),
                                                             nullptr);
  if (!reply) return {};
  const QString name = QString::fromUtf8(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply));
  free(reply);
  std::lock_guard lock(mutex_);
  names_.insert(atom, name);
  atoms_.insert(name.toUtf8(), atom);
  return name;
}

xcb_window_t XcbConnection::createHelperWindow(uint32_t eventMask) {
  if (!connection_) return XCB_NONE;
  const xcb_window_t window = xcb_generate_id(connection_);
  const uint32_t values[] = {eventMask};
  xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, -10, -10, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                    XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, values);
  xcb_flush(connection_);
  return window;
}

std::optional<Property> readProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, bool remove,
                                     uint32_t maxBytes) {
  if (!c || window == XCB_NONE || property == XCB_NONE) return std::nullopt;
  const auto cookie = xcb_get_property(c, remove ? 1 : 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                       (maxBytes + 3) / 4);
  xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookie, nullptr);
  if (!reply) return std::nullopt;
  std::optional<Property> result;
  if (reply->type != XCB_NONE) {
    result = Property{reply->type, reply->format,
                      QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                                 xcb_get_property_value_length(reply))};  // in bytes
  }
  free(reply);
  return result;
}

xcb_atom_t internAtom(xcb_connection_t* c, const QByteArray& name, bool onlyIfExists) {
  const auto cookie = xcb_intern_atom(c, onlyIfExists ? 1 : 0, uint16_t(name.size()), name.constData());
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  free(reply);
  return atom;
}

xcb_window_t selectionOwner(xcb_connection_t* c, xcb_atom_t selection) {
  xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection),
                                                                         nullptr);
  const xcb_window_t owner = reply ? reply->owner : xcb_window_t(XCB_NONE);
  free(reply);
  return owner;
}

uint8_t watchSelectionOwner(xcb_connection_t* c, xcb_window_t window, xcb_atom_t selection) {
  const xcb_query_extension_reply_t* fixes = xcb_get_extension_data(c, &xcb_xfixes_id);
  if (!fixes || !fixes->present || selection == XCB_ATOM_NONE) return 0;
  free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
  xcb_xfixes_select_selection_input(c, window, selection,
                                    XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                        XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                        XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
  return uint8_t(fixes->first_event + XCB_XFIXES_SELECTION_NOTIFY);
}

std::optional<quint32> readCardinal(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property) {
  const auto value = readProperty(c, window, property, false, 4);
  if (!value || value->format != 32 || value->value.size() < 4) return std::nullopt;
  return *reinterpret_cast<const quint32*>(value->value.constData());
}

QList<quint32> readCardinals(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, uint32_t maxBytes) {
  const auto value = readProperty(c, window, property, false, maxBytes);
  if (!value || value->format != 32) return {};
  const auto* data = reinterpret_cast<const quint32*>(value->value.constData());
  return QList<quint32>(data, data + value->value.size() / 4);
}

void selectRawInputEvents(xcb_connection_t* c, xcb_window_t root, uint32_t mask) {
  struct {
    xcb_input_event_mask_t head;
    uint32_t mask;
  } selection{};
  selection.head.deviceid = XCB_INPUT_DEVICE_ALL_MASTER;
  selection.head.mask_len = 1;
  selection.mask = mask;
  xcb_input_xi_select_events(c, root, 1, &selection.head);
}

QList<xcb_atom_t> readAtoms(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property) {
  return readCardinals(c, window, property);
}

std::pair<QString, QString> readWmClass(xcb_connection_t* c, xcb_window_t window) {
  const auto value = readProperty(c, window, XCB_ATOM_WM_CLASS, false, 4096);
  if (!value || value->format != 8) return {};
  const QList<QByteArray> parts = value->value.split('\0');
  return {parts.size() > 0 ? QString::fromUtf8(parts[0]) : QString(),
          parts.size() > 1 ? QString::fromUtf8(parts[1]) : QString()};
}

qint64 clientPidOf(xcb_connection_t* c, xcb_window_t window) {
  if (!c || window == XCB_NONE) return 0;
  xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
  auto* reply = xcb_res_query_client_ids_reply(c, xcb_res_query_client_ids(c, 1, &spec), nullptr);
  if (!reply) return 0;
  qint64 pid = 0;
  for (auto ids = xcb_res_query_client_ids_ids_iterator(reply); ids.rem; xcb_res_client_id_value_next(&ids)) {
    if ((ids.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
        xcb_res_client_id_value_value_length(ids.data) >= 1) {
      pid = *xcb_res_client_id_value_value(ids.data);
      break;
    }
  }
  free(reply);
  return pid;
}

qint64 windowPid(XcbConnection& connection, xcb_window_t window) {
  if (const auto pid = readCardinal(connection.get(), window, connection.atom("_NET_WM_PID")); pid && *pid > 0)
    return *pid;
  return clientPidOf(connection.get(), window);
}

}  // namespace qv::x11
