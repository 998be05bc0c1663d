#include "platform/StrToInt.h"

#include <gtest/gtest.h>

TEST(StrToInt, AcceptsDecimalHexSignsAndLeadingBlanks) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"42", 42},          {"  42", 42},        {"+7", 7},       {"-7", -7},
        {"$1F", 31},         {"$1f", 31},         {"-$10", -16},   {"0", 0},
        {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"$7FFFFFFF", INT32_MAX},
        {"000000000000000000042", 42},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(TryStrToInt(text), value) << text;
}

TEST(StrToInt, RejectsEverythingElse) {
    for (const char* text : {"", " ", "42px", "42 ", "0x1F", "$", "-", "+-1", "4 2", "2147483648",
                             "-2147483649", "$80000000", "99999999999999999999", "1e3", "$G"})
        EXPECT_FALSE(TryStrToInt(text).has_value()) << text;
    EXPECT_EQ(StrToIntDef("nope", 300), 300);
}
