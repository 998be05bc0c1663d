// Private-profile ("INI file") access with the semantics the settings code was designed
// around: section and key names compare without regard to ASCII case, a value read comes
// back cut to what fits a fixed buffer, and a write creates the file and the section.
//
// Unlike the classic implementation, a write never edits the file in place: the new
// content goes to a temporary file in the same folder which then replaces the old one,
// so a crash or a full disk leaves either the old settings or the new ones, never half.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The buffer size the settings reader uses: a longer value comes back cut to one less.
inline constexpr std::size_t kDefaultProfileBufferSize = 2048;

// How much of a settings file is read: a file this program writes holds a few hundred
// bytes, so anything past this is damage (a disk error, a stray copy), and reading it
// all would cost time and memory at every start. Lines past it are neither read nor kept
// when the file is written again; a line cut by the limit is dropped whole.
inline constexpr std::size_t kMaxProfileSize = 256 * 1024;

// Reads `key` in `section` of the file at `path`. Missing file, section or key gives
// `defaultValue`. Blanks around the value are dropped and one pair of matching quotes
// around it is removed; a zero byte ends it, as it would for any C-string reader of the
// file. The result, default included, is cut to bufferSize - 1 bytes. Where a section
// or key appears more than once, the first one counts.
std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view defaultValue,
                              std::size_t bufferSize = kDefaultProfileBufferSize);

// The same read over the whole text of a settings file already in memory.
std::string ReadProfileStringFromText(std::string_view text, std::string_view section,
                                      std::string_view key, std::string_view defaultValue,
                                      std::size_t bufferSize = kDefaultProfileBufferSize);

// Sets `key` in `section` to `value`, creating the file and the section when missing.
// Answers false when the file cannot be written (read-only file or folder, bad path, a
// value or name that would break the line structure); errno then says why.
bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);

// Removes one key, or a whole section with its keys. Nothing to remove is a success.
bool DeleteProfileKey(const std::string& path, std::string_view section, std::string_view key);
bool DeleteProfileSection(const std::string& path, std::string_view section);

// The same changes made to the whole text of a settings file in memory, answering the new
// text: a write that cannot be stored gives nothing, a delete with nothing to remove gives
// the text unchanged.
std::optional<std::string> ProfileTextWithString(std::string_view text, std::string_view section,
                                                 std::string_view key, std::string_view value);
std::string ProfileTextWithoutKey(std::string_view text, std::string_view section,
                                  std::string_view key);
std::string ProfileTextWithoutSection(std::string_view text, std::string_view section);

// True when `path` names a file that exists and holds the given section (any case).
bool ProfileSectionExists(const std::string& path, std::string_view section);
// The same for the whole text of a settings file already in memory.
bool ProfileTextHasSection(std::string_view text, std::string_view section);

} // namespace platform
