// The task allocator: every item list the namespace hands out, and every name it returns
// as allocated text, is taken from here and must be given back here. It counts what is
// outstanding, so a test can prove that no item list was leaked.
#pragma once

#include <cstddef>

namespace platform::shellns {

// A block of `size` bytes, or null when it cannot be had (also for a size of 0).
void* TaskAlloc(std::size_t size);
// Gives a block back; null is ignored.
void TaskFree(void* block);
// Blocks handed out and not yet given back, process-wide.
std::size_t TaskAllocOutstanding();

} // namespace platform::shellns
