#pragma once
#include <xcb/xcb.h>
#include <QByteArray>
#include <QHash>
#include <QString>
#include <mutex>
#include <optional>

namespace qv::x11 {

// One connection of our own to the X server (DISPLAY), apart from Qt's. Invalid when there is
// no X server (Wayland without XWayland, no DISPLAY): every user then does nothing.
class XcbConnection {
 public:
  XcbConnection();
  ~XcbConnection();
  XcbConnection(const XcbConnection&) = delete;
  XcbConnection& operator=(const XcbConnection&) = delete;

  bool isValid() const { return connection_ != nullptr; }
  xcb_connection_t* get() const { return connection_; }
  xcb_window_t root() const { return root_; }
  int fileDescriptor() const;

  // Atoms by name, interned once (thread-safe).
  xcb_atom_t atom(const char* name);
  QString atomName(xcb_atom_t atom);
  // The names of many atoms: the ones not known yet are asked for all at once, one round trip
  // in all rather than one each (thread-safe).
  QStringList atomNames(const QList<xcb_atom_t>& atoms);
  // Interns many atoms in one round trip.
  void internAll(std::initializer_list<const char*> names);

  // A 1×1 unmapped window of our own for selections and events.
  xcb_window_t createHelperWindow(uint32_t eventMask);

 private:
  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = XCB_NONE;
  std::mutex mutex_;
  QHash<QByteArray, xcb_atom_t> atoms_;
  QHash<xcb_atom_t, QString> names_;
};

struct Property {
  xcb_atom_t type = XCB_NONE;
  int format = 0;
  QByteArray value;
};

// Reads a whole property (no size limit beyond `maxBytes`); nullopt when unset.
std::optional<Property> readProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, bool remove = false,
                                     uint32_t maxBytes = 1u << 20);
std::optional<quint32> readCardinal(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property);
// A property of 32-bit values (CARDINALs, atoms, windows) as a list; empty when unset or of
// another format.
QList<quint32> readCardinals(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, uint32_t maxBytes = 4096);
QList<xcb_atom_t> readAtoms(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property);
// Asks for the XInput 2 raw events of `mask` (XCB_INPUT_XI_EVENT_MASK_RAW_*, 0 for none) of every
// master device, on the root window: they come whichever window has the pointer or the keyboard.
void selectRawInputEvents(xcb_connection_t* c, xcb_window_t root, uint32_t mask);
// The atom called `name`, interned unless `onlyIfExists` (then XCB_NONE while nobody made it).
xcb_atom_t internAtom(xcb_connection_t* c, const QByteArray& name, bool onlyIfExists = false);
// The window owning `selection`; XCB_NONE when nobody does.
xcb_window_t selectionOwner(xcb_connection_t* c, xcb_atom_t selection);
// Asks XFixes to tell `window`'s client every change of `selection`'s owner (a new owner, or the
// owner's window or client going away). Returns the response type of those events; 0 without
// XFixes, when nothing will be told.
uint8_t watchSelectionOwner(xcb_connection_t* c, xcb_window_t window, xcb_atom_t selection);

// WM_CLASS as (instance, class).
std::pair<QString, QString> readWmClass(xcb_connection_t* c, xcb_window_t window);

// The process of the X client that created `window`, from the X-Resource extension; 0 when the
// server does not know it (remote client, extension missing).
qint64 clientPidOf(xcb_connection_t* c, xcb_window_t window);

// _NET_WM_PID, else the X-Resource answer.
qint64 windowPid(XcbConnection& connection, xcb_window_t window);

}  // namespace qv::x11
