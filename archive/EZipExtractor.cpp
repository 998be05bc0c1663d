#include "archive/EZipExtractor.h"

#include "archive/ZipFormat.h"
#include "archive/ZipStrings.h"

#include <cstdint>

EZipExtractor::EZipExtractor(std::string message, int id, bool display)
    : Exception(std::move(message)), FDisplay(display), FMessageId(id) {
}

EZipExtractor EZipExtractor::CreateMsg(int id, bool display) {
    std::string text = ZipResourceString(id);
    if (text.empty())
        text = FormatText("ZipExtractor [ %d ]", {std::int64_t{id}});
    return EZipExtractor(std::move(text), id, display);
}

EZipExtractor EZipExtractor::CreateMsgNumber(int id, int number) {
    const std::string linked = ZipResourceString(id);
    std::string text = linked.empty() ? FormatText("ZipExtractor [ %d ] ,%d",
                                                   {std::int64_t{id}, std::int64_t{number}})
                                      : FormatText(linked, {std::int64_t{number}});
    EZipExtractor e(std::move(text), id, true);
    e.FNumberArg = std::to_string(number);
    return e;
}

EZipExtractor EZipExtractor::CreateMsgText(int id, const std::string& arg) {
    const std::string linked = ZipResourceString(id);
    std::string text = linked.empty()
                           ? FormatText("ZipExtractor [ %d ], %s", {std::int64_t{id}, arg})
                           : FormatText(linked, {arg});
    EZipExtractor e(std::move(text), id, true);
    e.FTextArg = arg;
    return e;
}
