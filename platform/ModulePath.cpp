#include "platform/ModulePath.h"

#include <unistd.h>
#include <vector>

namespace platform {

std::string ModuleFileName() {
    // The link's length is not known in advance and paths on Linux may exceed PATH_MAX;
    // grow the buffer until the whole target fits.
    std::vector<char> buffer(512);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(n));
        if (buffer.size() >= (1u << 20))
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace platform
