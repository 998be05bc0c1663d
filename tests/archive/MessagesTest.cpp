// Message IDs becoming texts: the exception's own message, what the two reporting routines
// show and pass to OnMessage, OnZipStr and linked texts, and formatting that survives
// texts which do not match their arguments.
#include "archive/ZipExtractor.h"
#include "archive/ZipFormat.h"
#include "archive/ZipMessages.h"
#include "archive/ZipStrings.h"
#include "gui/Application.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/common/MessageCapture.h"

#include <gtest/gtest.h>

TEST(ZipMessages, ExceptionsCarryTheirIdArgumentsAndFallbackMessage) {
    LinkedTexts none({}); // a program without its message table
    struct Case {
        EZipExtractor e;
        std::string message;
        bool display;
        std::string textArg;
        std::string numberArg;
    };
    const Case cases[] = {
        {EZipExtractor::CreateMsg(11036, true), "ZipExtractor [ 11036 ]", true, "", ""},
        {EZipExtractor::CreateMsg(11007, false), "ZipExtractor [ 11007 ]", false, "", ""},
        {EZipExtractor::CreateMsgNumber(11038, 7), "ZipExtractor [ 11038 ] ,7", true, "", "7"},
        {EZipExtractor::CreateMsgText(11004, "/media/usb/"), "ZipExtractor [ 11004 ], /media/usb/",
         true, "/media/usb/", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.e.Message(), c.message);
        EXPECT_EQ(c.e.Display(), c.display) << c.message;
        EXPECT_EQ(c.e.TextArg(), c.textArg) << c.message;
        EXPECT_EQ(c.e.NumberArg(), c.numberArg) << c.message;
    }
    EXPECT_EQ(cases[2].e.MessageId(), 11038);
}

TEST(ZipMessages, ExceptionsUseALinkedTextWithTheirArgument) {
    LinkedTexts texts({{10650, "Cannot load %s"}, {11038, "This is disk %d of a set"}});
    EXPECT_EQ(EZipExtractor::CreateMsgText(10650, "/opt/libunzengine.so").Message(),
              "Cannot load /opt/libunzengine.so");
    EXPECT_EQ(EZipExtractor::CreateMsgNumber(11038, 3).Message(), "This is disk 3 of a set");
}

TEST(ZipMessages, ReportErrorShowsFallbackIdAndExtraAndPassesCodeZero) {
    LinkedTexts none({}); // a program without its message table
    MessageCapture boxes;
    TZipExtractor zip;
    MessageLog log(zip);
    zip.ReportError(11002);
    zip.ReportError(10202, "Stream read error");

    ASSERT_EQ(boxes.Shown().size(), 2u);
    // The trailing blank stays even without extra text: users have always seen it.
    EXPECT_EQ(boxes.Texts()[0],
              "ZipText.res is probably not linked to the executable\nMissing String ID is: 11002 ");
    EXPECT_EQ(boxes.Texts()[1], FallbackText(10202) + " Stream read error");
    EXPECT_EQ(boxes.Shown()[0].Caption, "Quillbrew Free JIB Viewer");
    EXPECT_EQ(boxes.Shown()[0].Flags, MB_OK);
    EXPECT_EQ(log.Codes(), (std::vector<int>{0, 0}));
    EXPECT_EQ(log.Events()[1].text, boxes.Texts()[1]);
    EXPECT_EQ(zip.ErrCode(), 10202);
    EXPECT_EQ(zip.LastMessage(), boxes.Texts()[1]);
}

TEST(ZipMessages, ReportExceptionShowsFallbackAndIdAndPassesTheId) {
    LinkedTexts none({}); // a program without its message table
    MessageCapture boxes;
    TZipExtractor zip;
    MessageLog log(zip);
    zip.ReportException(EZipExtractor::CreateMsg(11036, true));
    zip.ReportException(EZipExtractor::CreateMsg(11007, false)); // not displayed

    ASSERT_EQ(boxes.Texts(),
              (std::vector<std::string>{"ZipText.res is probably not linked to the executable\n"
                                        "Missing String ID is: 11036"}));
    EXPECT_EQ(log.Codes(), (std::vector<int>{11036, 11007}));
    EXPECT_EQ(log.Events()[1].text, FallbackText(11007));
    EXPECT_EQ(zip.ErrCode(), 11007);
    EXPECT_EQ(zip.LastMessage(), FallbackText(11007));
}

TEST(ZipMessages, UnattendedShowsNothingButEveryReportStillArrives) {
    LinkedTexts none({}); // a program without its message table
    MessageCapture boxes;
    TZipExtractor zip;
    zip.SetUnattended(true);
    MessageLog log(zip);
    zip.ReportError(10204);
    zip.ReportException(EZipExtractor::CreateMsgNumber(11038, 2));
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(log.Ids(), (std::vector<int>{10204, 11038}));
    EXPECT_EQ(zip.ErrCode(), 11038);
    EXPECT_EQ(zip.LastMessage(), FallbackText(11038));
}

TEST(ZipMessages, OnZipStrSuppliesTextsThatReceiveTheArguments) {
    MessageCapture boxes;
    TZipExtractor zip;
    std::vector<int> looked;
    zip.OnZipStr = [&](TZipExtractor* sender, int id, std::string& text) {
        EXPECT_EQ(sender, &zip);
        looked.push_back(id);
        if (id == 10650)
            text = "Engine %s not found";
        if (id == 11038)
            text = "Disk %d of a set, not the last";
        if (id == 11002)
            text = "No entries";
    };
    zip.ReportException(EZipExtractor::CreateMsgText(10650, "/usr/lib/libunzengine.so"));
    zip.ReportException(EZipExtractor::CreateMsgNumber(11038, 7));
    zip.ReportError(11002, " in x.jib");
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{"Engine /usr/lib/libunzengine.so not found",
                                        "Disk 7 of a set, not the last", "No entries in x.jib"}));
    EXPECT_EQ(looked, (std::vector<int>{10650, 11038, 11002}));
    EXPECT_EQ(zip.LoadMessageTextOr(zm::Copying, kDefaultCopyingText), "Copying: ");
    EXPECT_EQ(zip.LoadMessageTextOr(11002, "unused"), "No entries");
}

TEST(ZipMessages, TextsThatDoNotMatchTheirArgumentsAreShownAsWritten) {
    MessageCapture boxes;
    TZipExtractor zip;
    zip.OnZipStr = [](TZipExtractor*, int, std::string& text) {
        text = "%d %s %s %s %n %99999999x";
    };
    zip.ReportException(EZipExtractor::CreateMsgText(10504, "/no/such/folder"));
    // %d meets a text, the second %s the (empty) number, the rest nothing at all.
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"%d /no/such/folder  %s %n %99999999x"}));
}

TEST(ZipMessages, LinkedTextsReplaceTheFallback) {
    LinkedTexts texts({{11002, "Nothing to extract"}, {11036, "%s is not an archive"}});
    MessageCapture boxes;
    TZipExtractor zip;
    zip.ReportError(11002, "!");
    zip.ReportException(EZipExtractor::CreateMsgText(11036, "a.jib"));
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{"Nothing to extract!", "a.jib is not an archive"}));
}

TEST(ZipFormat, DirectivesFollowTheClassicFormatRules) {
    struct Case {
        std::string format;
        std::string expected;
    };
    const Case cases[] = {
        {"Please insert disk volume %.1d of %.1d", "Please insert disk volume 2 of 5"},
        {"[%3d|%-3d|%0:.3d]", "[  2|5  |002]"},
        {"%x %u %%", "2 5 %"},
        {"%1:d before %0:d", "5 before 2"},
        {"%d %d %d", "2 5 %d"},
        {"%s", "%s"},
        {"trailing %", "trailing %"},
        {"%.", "%."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatText(c.format, {std::int64_t{2}, std::int64_t{5}}), c.expected) << c.format;
    EXPECT_EQ(FormatText("\nin drive: %s", {std::string("/media/usb/")}),
              "\nin drive: /media/usb/");
    EXPECT_EQ(FormatText("%.3s|%5s", {std::string("abcdef"), std::string("ab")}), "abc|   ab");
    EXPECT_EQ(FormatText("%d", {std::int64_t{-42}}), "-42");
    // A width from a hostile text is capped rather than honoured.
    EXPECT_LE(FormatText("%999999999d", {std::int64_t{1}}).size(), 1024u);
}

TEST(ZipMessages, EveryMessageHasAPlainTextThatFitsHowItIsRaised) {
    // How each ID reaches the user decides what its text may hold: raised with a path
    // (one %s), raised with a disk number (one %d), reported with an extra text appended
    // (the text leads into it), the disk prompts (their own placeholders), or plain.
    enum Kind { Plain, WithPath, WithNumber, LeadsIn, Prompt };
    const std::pair<int, Kind> ids[] = {
        {10101, LeadsIn},  {10102, Plain},    {10103, Plain},    {10104, Plain},
        {10105, LeadsIn},  {10150, Plain},    {10151, Plain},    {10152, Plain},
        {10153, Plain},    {10154, Plain},    {10155, Plain},    {10156, Plain},
        {10157, Plain},    {10158, Plain},    {10501, Plain},    {10502, Plain},
        {10504, WithPath}, {10650, WithPath}, {10651, WithPath}, {10652, LeadsIn},
        {10653, LeadsIn},  {11007, Plain},    {11025, Plain},    {10201, Plain},
        {10202, LeadsIn},  {10203, Plain},    {10204, Plain},    {11001, Plain},
        {11002, Plain},    {11003, WithPath}, {11004, WithPath}, {11008, Plain},
        {11011, Plain},    {11013, Plain},    {11015, Plain},    {11017, Plain},
        {11022, Plain},    {11036, WithPath}, {11037, WithPath}, {11038, WithNumber},
        {11045, WithPath}, {11009, Plain},    {11012, Plain},    {11014, Plain},
        {11016, Plain},    {11018, Plain},    {11019, Plain},    {11020, Plain},
        {11021, Plain},    {11023, Plain},    {11024, LeadsIn},  {11026, Plain},
        {11027, Plain},    {11028, Plain},    {11029, Plain},    {11030, Plain},
        {11031, Plain},    {11033, Plain},    {11034, Prompt},   {11035, WithPath},
        {11046, Prompt},
    };
    const auto count = [](const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    };
    for (const auto& [id, kind] : ids) {
        SCOPED_TRACE(id);
        const std::string text = MessageText(id);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.find("ZipText.res"), std::string::npos);
        EXPECT_EQ(count(text, "%s"), kind == WithPath ? 1u : 0u) << text;
        EXPECT_EQ(count(text, "%d"), kind == WithNumber ? 1u : 0u) << text;
        if (kind == LeadsIn) {
            EXPECT_EQ(text.back(), ' ') << text;
        } else if (kind == Plain) {
            EXPECT_EQ(text.find('%'), std::string::npos) << text;
        }
    }
}

TEST(ZipMessages, WhatAUserReadsCarriesTheFileOrNumber) {
    MessageCapture boxes;
    TZipExtractor zip;
    zip.ReportException(EZipExtractor::CreateMsgText(11036, "/home/ann/Harbour.jib"));
    zip.ReportException(EZipExtractor::CreateMsgNumber(11038, 7));
    zip.ReportException(EZipExtractor::CreateMsgText(10650, "/opt/jibview/libunzengine.so"));
    zip.ReportError(10202, "Stream read error");
    zip.ReportError(10101, "fatal Dll error");
    zip.ReportError(11002);
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{
                  "This file is not a ZIP archive:\n/home/ann/Harbour.jib",
                  "This file is not a whole ZIP archive: it looks like part 7 of a split "
                  "archive, whose last part is needed to read it.",
                  "The unzip engine could not be loaded:\n/opt/jibview/libunzengine.so",
                  "The archive's directory could not be read: Stream read error",
                  "The unzip engine stopped with an error and extracted nothing: fatal Dll error",
                  "The archive holds no files, or the parts of a split archive cannot be found.",
              }));
    // The exception's own message, which the default error report shows when one leaves
    // the component, reads the same.
    EXPECT_EQ(EZipExtractor::CreateMsgText(11004, "/media/usb/").Message(),
              "The archive's drive does not exist:\n/media/usb/");
}
