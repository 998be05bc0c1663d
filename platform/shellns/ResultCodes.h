// Result codes of the namespace operations. The folder tree and the file list react to
// particular codes (S_FALSE ends an enumeration, E_FAIL ends it silently, anything else is
// reported with its text), so the namespace speaks in the same 32-bit codes: negative is a
// failure, 0 and 1 are the two successes.
#pragma once

#include <cstdint>
#include <string>

namespace platform::shellns {

using HResult = std::int32_t;

constexpr HResult MakeFailure(std::uint32_t code) {
    return static_cast<HResult>(code);
}

inline constexpr HResult S_OK = 0;
inline constexpr HResult S_FALSE = 1;
inline constexpr HResult E_NOTIMPL = MakeFailure(0x80004001);
inline constexpr HResult E_NOINTERFACE = MakeFailure(0x80004002);
inline constexpr HResult E_POINTER = MakeFailure(0x80004003);
inline constexpr HResult E_FAIL = MakeFailure(0x80004005);
inline constexpr HResult E_OUTOFMEMORY = MakeFailure(0x8007000E);
inline constexpr HResult E_INVALIDARG = MakeFailure(0x80070057);
inline constexpr HResult E_ACCESSDENIED = MakeFailure(0x80070005);
// The Win32-derived codes for the conditions the file system reports most often.
inline constexpr HResult E_FILE_NOT_FOUND = MakeFailure(0x80070002);
inline constexpr HResult E_PATH_NOT_FOUND = MakeFailure(0x80070003);
inline constexpr HResult E_NO_MORE_ITEMS = MakeFailure(0x80070103);
inline constexpr HResult E_ALREADY_EXISTS = MakeFailure(0x800700B7);
inline constexpr HResult E_INVALID_NAME = MakeFailure(0x8007007B);
inline constexpr HResult E_NAME_TOO_LONG = MakeFailure(0x800700CE);
inline constexpr HResult E_CANCELLED = MakeFailure(0x800704C7);
// No application is set up to open the item.
inline constexpr HResult E_NO_ASSOCIATION = MakeFailure(0x80070483);

constexpr bool Succeeded(HResult hr) {
    return hr >= 0;
}
constexpr bool Failed(HResult hr) {
    return hr < 0;
}

// The code for a failed system call's errno. Conditions with a well-known code get it;
// the rest are carried in a private range so their text is still the system's own.
HResult ResultFromErrno(int err);

// The text a user is shown for a code: the system's description of the condition.
std::string SystemErrorText(HResult hr);

// Item comparison results travel in the low 16 bits of a success code, as a signed number.
constexpr HResult CompareResult(int order) {
    return static_cast<HResult>(static_cast<std::uint16_t>(order < 0 ? -1 : order > 0 ? 1 : 0));
}
constexpr int CompareCode(HResult hr) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(hr)));
}

} // namespace platform::shellns
