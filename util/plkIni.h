// One-call helpers for single values in an INI file named by its full path. Each call
// opens, does its one thing and lets go, so two programs sharing the file see each
// other's last complete write, and no failure ever leaves a helper.
#pragma once

#include <cstdint>
#include <string>

// The stored integer, or `defaultValue` when the key is missing or not a whole number in
// the 32-bit range. "0x1F" and "$1F" both read as 31.
std::int32_t IniReadInteger(const std::string& fileName, const std::string& section,
                            const std::string& key, std::int32_t defaultValue);

// The stored string (at most 2,047 characters), or `defaultValue` when the key is missing
// or its value is empty.
std::string IniReadString(const std::string& fileName, const std::string& section,
                          const std::string& key, const std::string& defaultValue);

// True when the value reached the file; false on any failure, which is never raised.
bool IniWriteInteger(const std::string& fileName, const std::string& section,
                     const std::string& key, std::int32_t value);
bool IniWriteString(const std::string& fileName, const std::string& section,
                    const std::string& key, const std::string& value);
