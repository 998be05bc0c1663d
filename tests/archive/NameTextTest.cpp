// Entry names and comments: code page 437 against the C library's own converter, the
// rules for which entries are converted, and names as the program shows them.
#include "archive/ZipExtractor.h"
#include "archive/ZipText.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/common/TempDir.h"

#include <iconv.h>

#include <gtest/gtest.h>

namespace {

// glibc's converter, an implementation independent of ours.
std::string IconvCp437(const std::string& in) {
    iconv_t cd = iconv_open("UTF-8", "CP437");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string input = in;
    std::string output(in.size() * 4, '\0');
    char* ip = input.data();
    char* op = output.data();
    std::size_t il = input.size();
    std::size_t ol = output.size();
    EXPECT_NE(iconv(cd, &ip, &il, &op, &ol), static_cast<std::size_t>(-1));
    iconv_close(cd);
    output.resize(output.size() - ol);
    return output;
}

} // namespace

TEST(EntryText, CodePage437MatchesTheCLibrary) {
    for (int b = 0x20; b <= 0xFF; ++b) {
        if (b == 0x7F)
            continue; // the C library maps DEL to a house glyph; names keep it as DEL
        const std::string byte(1, static_cast<char>(b));
        EXPECT_EQ(OemToUtf8(byte), IconvCp437(byte)) << "byte " << b;
    }
    EXPECT_EQ(OemToUtf8("Caf\x82 \x9c"
                        "5\x7F"),
              "Café £5\x7F");
}

TEST(EntryText, OnlyNamesFromOemHostsAreConvertedAndNeverUtf8Ones) {
    struct Case {
        CodePageOpts codePage;
        int host;
        int version;
        std::uint16_t flags;
        bool converted;
    };
    constexpr std::uint16_t kUtf8 = 0x0800;
    const Case cases[] = {
        {cpAuto, 0, 20, 0, true},   {cpAuto, 0, 20, kUtf8, false}, {cpAuto, 3, 30, 0, false},
        {cpNone, 0, 20, 0, false},  {cpOEM, 3, 30, 0, true},       {cpOEM, 3, 30, kUtf8, false},
        {cpAuto, 6, 20, 0, true},   {cpNone, 6, 20, 0, true},      {cpAuto, 11, 50, 0, true},
        {cpAuto, 11, 20, 0, false}, {cpNone, 11, 50, 0, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NeedsOemConversion(c.codePage, static_cast<std::uint8_t>(c.version),
                                     static_cast<std::uint8_t>(c.host), c.flags),
                  c.converted)
            << "code page " << c.codePage << ", host " << c.host << ", version " << c.version
            << ", flags " << c.flags;
    }
}

TEST(EntryText, NamesAndCommentsAreReadAsTheirHostWroteThem) {
    TempDir dir;
    const auto member = [](std::string name, std::string comment, std::uint16_t flags,
                           std::uint8_t host) {
        FixtureEntry e = Member(std::move(name), {}, std::move(comment));
        e.flags = flags;
        e.host = host;
        return e;
    };
    const FixtureArchive archive = Archive({
        member("caf\x82.png",
               "\x9c"
               "5",
               0, 0),                          // DOS, code page 437
        member("café.png", "déjà", 0x0800, 0), // UTF-8 flag set
        member("café.png", "", 0, 3),          // Unix: as stored
        member("layers\\base.png", "", 0, 0),  // DOS delimiter
        member("art/sub/top.png", "", 0, 3),
    });
    TZipExtractor zip;
    zip.SetZipFileName(dir.Write("names.zip", BuildZip(archive).bytes));
    ASSERT_EQ(zip.EntryCount(), 5);
    EXPECT_EQ(zip.Entries(0).FileName, "café.png");
    EXPECT_EQ(zip.Entries(0).FileComment, "£5");
    EXPECT_EQ(zip.Entries(1).FileName, "café.png");
    EXPECT_EQ(zip.Entries(1).FileComment, "déjà");
    EXPECT_EQ(zip.Entries(2).FileName, "café.png");
    EXPECT_EQ(zip.Entries(3).FileName, "layers/base.png");
    EXPECT_EQ(zip.Entries(4).FileName, "art/sub/top.png");
    // The stored length stays that of the bytes in the archive.
    EXPECT_EQ(zip.Entries(0).FileNameLength, 8);

    TZipExtractor asStored;
    asStored.SetCodePage(cpNone);
    asStored.SetZipFileName(dir.File("names.zip"));
    EXPECT_EQ(asStored.Entries(0).FileName, "caf\x82.png");
}
