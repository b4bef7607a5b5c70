#pragma once
// Shared between the implementation files of PanelState; not for views.
#include "state/PanelState.h"

#include <optional>

namespace qv {

// A copy of a stored id set or map without `id`; none when `id` was not in it, so that the
// caller assigns (and observers hear of) real changes only.
template <typename IdContainer>
std::optional<IdContainer> without(const IdContainer& ids, const QUuid& id) {
  if (!ids.contains(id)) return std::nullopt;
  IdContainer rest = ids;
  rest.remove(id);
  return rest;
}

}  // namespace qv
