#include "library/LibraryKeys.h"

#include "platform/keys/KeyCodes.h"
#include "platform/keys/KeyPress.h"

#include <algorithm>

namespace qv {

namespace {
using namespace keys::code;
constexpr int kCommandAlone = keys::kCommandFlag;
constexpr int kCommandShift = keys::kCommandFlag | keys::kShiftFlag;

LibraryKeyCommand command(LibraryKeyCommand::Kind kind) {
  LibraryKeyCommand result;
  result.kind = kind;
  return result;
}
}  // namespace

bool libraryIsTyping(const LibraryKeyContext& context) {
  if (context.detailEditingActive) return true;
  return !context.cardHovered && !context.query.isEmpty();
}

LibraryEscapeStep libraryEscapeStep(const LibraryKeyContext& context) {
  if (context.detailEditingActive) return LibraryEscapeStep::cancelEdit;
  if (context.filterSurfaceOpen) return LibraryEscapeStep::closeFilterSurface;
  if (context.hasMultiSelection) return LibraryEscapeStep::clearMultiSelection;
  if (context.detailOpen) return LibraryEscapeStep::closeDetail;
  if (context.hasSelection) return LibraryEscapeStep::clearSelection;
  return LibraryEscapeStep::none;
}

int libraryMoveTarget(std::optional<int> current, int step, int count) {
  if (!current || *current < 0 || *current >= count) return 0;
  return std::clamp(*current + step, 0, count - 1);
}

LibraryKeyCommand libraryKeyCommand(const keys::KeyPress& key, const LibraryKeyContext& context) {
  using Kind = LibraryKeyCommand::Kind;
  const int flags = key.flags;
  if (flags == kCommandAlone) {
    if (key.keyCode == M) return command(Kind::minimise);
    if (key.keyCode == W) return command(Kind::close);
    if (key.keyCode == Q) return command(Kind::quit);
    if (key.keyCode == Comma) return command(Kind::openSettings);
  }
  const bool typing = libraryIsTyping(context);
  // Another field (a category's name) keeps its arrows, spaces and copying.
  const bool fieldKeepsKeys = typing || context.focusedField == LibraryFocusedField::otherTextField;
  const bool hasHoverOrSelection = context.cardHovered || context.hasSelection;

  if (flags == kCommandAlone && key.keyCode == C && !fieldKeepsKeys) {
    if (!hasHoverOrSelection || context.copyTargetGone) return {};
    return command(key.isRepeat ? Kind::swallow : Kind::copy);
  }
  if (flags == kCommandAlone || flags == kCommandShift) {
    if (const int position = key.digitPosition(); position >= 0) {
      if (position >= context.filteredCount) return {};
      // Holding the keys pastes once.
      if (key.isRepeat) return command(Kind::swallow);
      LibraryKeyCommand paste = command(Kind::quickPaste);
      paste.index = position;
      paste.plainText = flags == kCommandShift;
      return paste;
    }
  }
  const bool arrow = key.keyCode == LeftArrow || key.keyCode == RightArrow || key.keyCode == UpArrow ||
                     key.keyCode == DownArrow;
  if (arrow && !fieldKeepsKeys) {
    if (context.filteredCount <= 0) return {};
    LibraryKeyCommand move = command(Kind::moveSelection);
    const int columns = std::max(1, context.columnsPerRow);
    switch (key.keyCode) {
      case LeftArrow: move.step = -1; break;
      case RightArrow: move.step = 1; break;
      case UpArrow: move.step = -columns; break;
      default: move.step = columns; break;
    }
    return move;
  }
  if (flags != 0) return {};
  // Escape backs out of an open edit even though the editor holds the keys, and of the filter
  // surface from its category form.
  const bool escapeActs = !typing || context.detailEditingActive ||
                          context.focusedField == LibraryFocusedField::otherTextField;
  if (key.keyCode == Escape && escapeActs) {
    LibraryKeyCommand escape = command(Kind::escape);
    escape.escape = libraryEscapeStep(context);
    if (escape.escape == LibraryEscapeStep::none) return {};
    // A held Escape backs out one level, not all of them.
    return key.isRepeat ? command(Kind::swallow) : escape;
  }
  if (key.keyCode == Space && !fieldKeepsKeys) {
    if (!hasHoverOrSelection && context.filteredCount <= 0 && !context.detailOpen) return {};
    return command(key.isRepeat ? Kind::swallow : Kind::toggleDetail);
  }
  return {};
}

}  // namespace qv
