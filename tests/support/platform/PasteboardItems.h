#pragma once
#include "platform/Pasteboard.h"

namespace qv::test {

// One pasteboard item of these types with these values, in this order.
inline PasteboardItem itemOf(const QList<QPair<QString, QByteArray>>& representations) {
  PasteboardItem item;
  for (const auto& [type, value] : representations) {
    item.types.append(type);
    item.data.insert(type, value);
  }
  return item;
}

}  // namespace qv::test
