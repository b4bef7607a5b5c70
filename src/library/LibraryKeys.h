#pragma once
#include <QString>
#include <optional>

namespace qv {

namespace keys {
struct KeyPress;
}

// Which kind of text field holds the keyboard focus in the library window.
enum class LibraryFocusedField {
  none,
  searchField,
  otherTextField,  // the category form's name and any other field: it keeps its keys
};

// What the library's key handling looks at when a key is pressed: the view state it acts on
// and who holds the keyboard. The key filter fills it in anew for every press.
struct LibraryKeyContext {
  bool detailEditingActive = false;
  bool cardHovered = false;
  QString query;  // as typed, untrimmed
  int columnsPerRow = 1;
  int filteredCount = 0;  // items the grid lists now
  bool hasSelection = false;
  // The hovered card's id (else the selected one) names no item of the history any more.
  bool copyTargetGone = false;
  bool hasMultiSelection = false;
  bool detailOpen = false;
  bool filterSurfaceOpen = false;
  LibraryFocusedField focusedField = LibraryFocusedField::none;
};

// One step back of Escape, the first that applies.
enum class LibraryEscapeStep {
  cancelEdit,
  closeFilterSurface,
  clearMultiSelection,
  closeDetail,
  clearSelection,
  none,  // nothing to back out of: the key goes on
};
LibraryEscapeStep libraryEscapeStep(const LibraryKeyContext& context);

// What a key press asks of the library.
struct LibraryKeyCommand {
  enum class Kind {
    pass,     // not the library's: the window and its focused field get it
    swallow,  // the library's, but a held key's repeats do nothing more
    minimise,
    close,
    quit,  // the program, as the tray menu's Quit
    openSettings,
    copy,           // the hovered card's item, else the selected one
    quickPaste,     // `index` of the listed items, `plainText` with Shift
    moveSelection,  // by `step` through the listed items
    toggleDetail,   // the hovered card, else the selection, else the first listed item
    escape,         // `escape` says which step
  };
  Kind kind = Kind::pass;
  int step = 0;
  int index = 0;
  bool plainText = false;
  LibraryEscapeStep escape = LibraryEscapeStep::none;
  bool operator==(const LibraryKeyCommand&) const = default;
};

// Keystrokes belong to a text field or the editor: the editor is open, or the search holds a
// query and no card is under the pointer.
bool libraryIsTyping(const LibraryKeyContext& context);

// The library window's key table, Ctrl standing for Command: Ctrl+M, Ctrl+W, Ctrl+Q, Ctrl+comma;
// Ctrl+C copies unless typing (and passes when there is nothing to copy); Ctrl+1…9 (Ctrl+Shift: as plain text) paste
// whatever the typing; arrows move by one or by a row unless typing; Space toggles the detail and Escape backs out one
// level, without modifiers. A key a handler cannot act on passes. While another text field has the focus, arrows, Space
// and Ctrl+C stay that field's; Escape keeps backing out.
LibraryKeyCommand libraryKeyCommand(const keys::KeyPress& key, const LibraryKeyContext& context);

// Where a move by `step` from the item at `current` lands in a list of `count` (> 0): clamped
// to the first and last item, never wrapping; from no current item, the first.
int libraryMoveTarget(std::optional<int> current, int step, int count);

}  // namespace qv
