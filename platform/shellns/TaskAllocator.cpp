#include "platform/shellns/TaskAllocator.h"

#include <atomic>
#include <cstdlib>

namespace platform::shellns {
namespace {

std::atomic<std::size_t> gOutstanding{0};

} // namespace

void* TaskAlloc(std::size_t size) {
    if (size == 0)
        return nullptr;
    void* block = std::malloc(size);
    if (block != nullptr)
        gOutstanding.fetch_add(1, std::memory_order_relaxed);
    return block;
}

void TaskFree(void* block) {
    if (block == nullptr)
        return;
    gOutstanding.fetch_sub(1, std::memory_order_relaxed);
    std::free(block);
}

std::size_t TaskAllocOutstanding() {
    return gOutstanding.load(std::memory_order_relaxed);
}

} // namespace platform::shellns
