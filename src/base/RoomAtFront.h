#pragma once
#include <QList>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

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

// The list's own pointer to its block (this Qt has no accessor for it): the list's only member.
template <typename T>
QArrayDataPointer<T>& dataOf(QList<T>& list) {
  static_assert(std::is_standard_layout_v<QList<T>> && sizeof(QList<T>) == sizeof(QArrayDataPointer<T>));
  return *reinterpret_cast<QArrayDataPointer<T>*>(&list);
}

// Moves the items of `part` into `list`'s spare room after its end, `offset` items past it, as
// the list moves its own items when it grows: for a relocatable type, their bytes, with no item
// made or destroyed (a million items moved one by one and the moved-from ones destroyed take a
// tenth of a second). `part` is left empty; `list` counts them once told with setSizeAfterMoves.
// Parts that go to different places may be moved on different threads at once.
template <typename T>
void moveIntoRoomAfterEnd(QList<T>& list, qsizetype offset, QList<T>& part) {
  static_assert(QTypeInfo<T>::isRelocatable, "only a relocatable type moves by its bytes");
  QArrayDataPointer<T>& to = dataOf(list);
  QArrayDataPointer<T>& from = dataOf(part);
  Q_ASSERT(!from.needsDetach() && !to.needsDetach() && offset + from.size <= to.freeSpaceAtEnd());
  if (from.size == 0) return;
  std::memcpy(static_cast<void*>(to.data() + to.size + offset), static_cast<const void*>(from.data()),
              size_t(from.size) * sizeof(T));
  from.size = 0;  // its items live on in `list`: the part's block goes without destroying them
  part = QList<T>();
}

template <typename T>
void setSizeAfterMoves(QList<T>& list, qsizetype moved) {
  dataOf(list).size += moved;
}

// The room a history of `count` items is read into: about what the first prepend would make.
inline qsizetype historyRoomAtFront(qsizetype count) { return count / 4 + 64; }

// The parts, in order, as one list with room at its front for the copies to come (see
// historyRoomAtFront). A single part that has that room already is the list.
template <typename T>
QList<T> joinWithRoomAtFront(std::vector<QList<T>>&& parts) {
  qsizetype total = 0;
  for (const QList<T>& part : parts) total += part.size();
  if (parts.size() == 1 && dataOf(parts.front()).freeSpaceAtBegin() >= historyRoomAtFront(total))
    return std::move(parts.front());
  QList<T> list = listWithRoomAtFront<T>(total, historyRoomAtFront(total));
  qsizetype offset = 0;
  for (QList<T>& part : parts) {
    const qsizetype size = part.size();
    if (part.isDetached()) moveIntoRoomAfterEnd(list, offset, part);
    else std::uninitialized_copy(part.cbegin(), part.cend(), list.data() + offset);
    offset += size;
  }
  setSizeAfterMoves(list, offset);
  return list;
}

}  // namespace qv
