// printf-style formatting into a std::string, for the message texts that are stored as
// format strings ("Unable to write to %s", "Please insert disk volume %.1d of %.1d").
#pragma once

#include <string>

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
