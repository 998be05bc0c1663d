#include "engine/MemberTime.h"

#include "engine/CentralDirectory.h"

#include <ctime>

namespace unz {
namespace {

std::optional<int64_t> DosToUnix(uint32_t dos) {
    unsigned date = dos >> 16;
    unsigned time = dos & 0xFFFF;
    struct tm t {};
    t.tm_year = static_cast<int>((date >> 9) & 0x7F) + 80;
    t.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
    t.tm_mday = static_cast<int>(date & 0x1F);
    t.tm_hour = static_cast<int>(time >> 11);
    t.tm_min = static_cast<int>((time >> 5) & 0x3F);
    t.tm_sec = static_cast<int>(time & 0x1F) * 2;
    t.tm_isdst = -1;
    if (t.tm_mon < 0 || t.tm_mon > 11 || t.tm_mday < 1 || t.tm_hour > 23 || t.tm_min > 59 ||
        t.tm_sec > 59)
        return std::nullopt;
    time_t result = mktime(&t);
    if (result == static_cast<time_t>(-1))
        return std::nullopt;
    return static_cast<int64_t>(result);
}

} // namespace

std::optional<int64_t> MemberMtime(const TMember& member) {
    if (member.UnixMtime)
        return member.UnixMtime;
    return DosToUnix(member.DosTime);
}

bool IsOlderThanMember(int64_t fileMtime, const TMember& member) {
    if (member.UnixMtime)
        return fileMtime < *member.UnixMtime;
    auto memberTime = DosToUnix(member.DosTime);
    if (!memberTime)
        return false;
    return fileMtime + (fileMtime & 1) < *memberTime;
}

} // namespace unz
