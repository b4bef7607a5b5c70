#pragma once

namespace qv {

// Hands the heap's free pages back to the system. What a large view or document took is freed
// into the middle of the heap, where the allocator does not return it by itself. It walks the
// whole heap: call it off the main thread. Safe on any thread.
void returnFreedMemory();

// The serial queue (by its name) the program hands freed memory back on.
inline constexpr char kFreedMemoryQueue[] = "freedMemory";

}  // namespace qv
