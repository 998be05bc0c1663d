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

namespace {

// Links a table of texts for the length of a test.
class LinkedTexts {
public:
    explicit LinkedTexts(TZipStringTable table) : FPrevious(LinkZipStrings(std::move(table))) {}
    ~LinkedTexts() { LinkZipStrings(std::move(FPrevious)); }

private:
    TZipStringTable FPrevious;
};

} // namespace

TEST(ZipMessages, ExceptionsCarryTheirIdArgumentsAndFallbackMessage) {
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
