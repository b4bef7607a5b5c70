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

// Marks a change of the items that records itself (PanelState::recordChange) for the journal.
struct RecordedChange {
  explicit RecordedChange(PanelState& state) : state_(state) { ++state_.recordingDepth_; }
  ~RecordedChange() { --state_.recordingDepth_; }
  RecordedChange(const RecordedChange&) = delete;
  RecordedChange& operator=(const RecordedChange&) = delete;

 private:
  PanelState& state_;
};

}  // namespace qv
