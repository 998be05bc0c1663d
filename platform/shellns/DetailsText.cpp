#include "platform/shellns/DetailsText.h"

#include <ctime>
#include <langinfo.h>

namespace platform::shellns {

std::string SizeInKilobytesText(std::uint64_t bytes) {
    const std::uint64_t kilobytes = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    const char* localeSeparator = nl_langinfo(THOUSEP);
    const std::string separator =
        localeSeparator != nullptr && *localeSeparator != '\0' ? localeSeparator : ",";
    const std::string digits = std::to_string(kilobytes);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0)
            text += separator;
        text += digits[i];
    }
    return text + "KB";
}

std::string LocalTimeText(std::int64_t secondsSinceEpoch) {
    if (secondsSinceEpoch == 0)
        return {};
    const auto t = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr)
        return {};
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, "%x %H:%M", &local);
    return std::string(buffer, length);
}

} // namespace platform::shellns
