#include "platform/shellns/ResultCodes.h"

#include "platform/StrFormat.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace platform::shellns {
namespace {

// Customer bit plus severity: a range no system component uses, so an errno carried in it
// never collides with a real code.
constexpr std::uint32_t kErrnoBase = 0xA0010000;

constexpr std::array<std::pair<int, HResult>, 8> kErrnoCodes = {{
    {ENOENT, E_FILE_NOT_FOUND},
    {ENOTDIR, E_PATH_NOT_FOUND},
    {EACCES, E_ACCESSDENIED},
    {EPERM, E_ACCESSDENIED},
    {ENOMEM, E_OUTOFMEMORY},
    {EEXIST, E_ALREADY_EXISTS},
    {ENAMETOOLONG, E_NAME_TOO_LONG},
    {EINVAL, E_INVALIDARG},
}};

std::string ErrnoText(int err) {
    std::string text = std::strerror(err);
    return text + ".";
}

} // namespace

HResult ResultFromErrno(int err) {
    for (const auto& [e, hr] : kErrnoCodes) {
        if (e == err)
            return hr;
    }
    if (err <= 0 || err > 0xFFFF)
        return E_FAIL;
    return MakeFailure(kErrnoBase | static_cast<std::uint32_t>(err));
}

std::string SystemErrorText(HResult hr) {
    const auto code = static_cast<std::uint32_t>(hr);
    if ((code & 0xFFFF0000u) == kErrnoBase)
        return ErrnoText(static_cast<int>(code & 0xFFFF));
    for (const auto& [e, mapped] : kErrnoCodes) {
        if (mapped == hr)
            return ErrnoText(e);
    }
    switch (hr) {
    case S_OK:
        return "The operation completed successfully.";
    case E_FAIL:
        return "Unspecified error.";
    case E_NOTIMPL:
        return "Not implemented.";
    case E_NOINTERFACE:
        return "No such interface supported.";
    case E_POINTER:
        return "Invalid pointer.";
    case E_NO_MORE_ITEMS:
        return "No more data is available.";
    case E_INVALID_NAME:
        return "The file name, folder name, or volume label syntax is incorrect.";
    case E_CANCELLED:
        return "The operation was cancelled by the user.";
    case E_NO_ASSOCIATION:
        return "No application is set up to open files of this type.";
    default:
        return Format("Unknown error 0x%08X.", code);
    }
}

} // namespace platform::shellns
