#include "platform/shellns/Trash.h"

#include <ctime>

#include <gtest/gtest.h>

namespace sh = platform::shellns;

namespace {

std::int64_t LocalSeconds(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&t));
}

} // namespace

// Records come from whatever program deleted the file; what cannot be read is left out,
// never read in part.
TEST(TrashInfo, RecordsFromOtherProgramsReadWhatTheyCanAndNothingHalfDecoded) {
    const std::int64_t date = LocalSeconds(2024, 3, 9, 17, 5, 42);
    const std::string padding(sh::kMaxTrashInfoSize, '#');
    struct Case {
        std::string text;
        std::string path;
        std::int64_t deleted;
    };
    const Case cases[] = {
        {"[Trash Info]\nPath=/home/u/my%20photo.jib\nDeletionDate=2024-03-09T17:05:42\n",
         "/home/u/my photo.jib", date},
        {"[Trash Info]\r\nPath=/a%2Fb\r\nDeletionDate=2024-03-09T17:05:42\r\n", "/a/b", date},
        {"Path=/home/u/a%ZZb.jib\nDeletionDate=yesterday\n", "", 0},
        {"Path=/home/u/a%2", "", 0},
        {"Path=/x%00y\n", "", 0},
        {std::string("Path=/x\0y\n", 11), "", 0},
        {"Path=/home/u/caf%E9.jib", "/home/u/caf\xE9.jib", 0},
        {"path=/lower/case/key\nDeletionDate=", "", 0},
        {padding + "\nPath=/past/the/limit\n", "", 0},
        {"", "", 0},
    };
    for (const auto& c : cases) {
        sh::TrashEntry entry;
        sh::ParseTrashInfo(c.text, entry);
        EXPECT_EQ(entry.originalPath, c.path) << c.text.substr(0, 80);
        EXPECT_EQ(entry.deletedSec, c.deleted) << c.text.substr(0, 80);
    }
}
