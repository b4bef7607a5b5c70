#pragma once
#include "cards/ViewServices.h"

#include <memory>

namespace qv {

class LibraryWindowController;

// The view services plus the library window, made on first use (LibraryWindowController::shared).
struct LibraryServices : ViewServices {
  std::shared_ptr<LibraryWindowController> libraryWindow;
};

}  // namespace qv
