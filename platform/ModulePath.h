// Where the running program lives.
#pragma once

#include <string>

namespace platform {

// Full path of the running executable, from /proc/self/exe; empty when it cannot be read.
std::string ModuleFileName();

} // namespace platform
