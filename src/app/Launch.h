#pragma once

namespace qv {

// Runs the program: builds the real services, starts as an accessory program (no main window,
// no taskbar entry) and returns the exit code once it quits.
int runQuorvalen(int argc, char** argv);

}  // namespace qv
