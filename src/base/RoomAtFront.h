#pragma once
#include <QList>

namespace qv {

// An empty list with room for `capacity` items after its front and `room` more before it: that
// many items put at the front move none of the others. A list built by appending has no room
// there, and the first prepend moves all of it into a new block (at a million items, a tenth
// of a second). The room before the front is address space only until items take it.
template <typename T>
QList<T> listWithRoomAtFront(qsizetype capacity, qsizetype room) {
  auto [header, data] = QTypedArrayData<T>::allocate(room + capacity);
  Q_CHECK_PTR(data);
  // Empty, the list may begin anywhere in its block: it begins after the room.
  return QList<T>(QArrayDataPointer<T>(header, data + room, 0));
}

// The room a history of `count` items is read into: about what the first prepend would make.
inline qsizetype historyRoomAtFront(qsizetype count) { return count / 4 + 64; }

}  // namespace qv
