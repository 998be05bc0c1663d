// Every hostile archive and image that the archive, engine and PNG tests hold, made the
// preview of a JIB (or the JIB itself) and handed to jibview-thumbnailer as a file manager
// would: each ends in its reason's exit code with one line on standard error, writes
// nothing, and stays within bounds of time and memory. The library answers the same
// reason for the file and for its bytes in memory.
#include "tests/common/TempDir.h"
#include "tests/engine/ZipBuilder.h"
#include "tests/png/PngTestSupport.h"
#include "tests/thumbs/ThumbsTestSupport.h"

#include <filesystem>
#include <functional>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

using thumbs::TThumbnailFailure;
using enum thumbs::TThumbnailFailure;

// The exit code the thumbnailer documents for each reason.
int ExitCodeFor(TThumbnailFailure failure) {
    switch (failure) {
    case tfNone:
        return 0;
    case tfNoThumbnail:
    case tfCancelled:
        return 1;
    case tfUnreadable:
        return 3;
    case tfDamagedArchive:
        return 4;
    case tfUnsupportedMethod:
        return 5;
    case tfDamagedImage:
        return 6;
    case tfTooBig:
        return 7;
    case tfTimedOut:
        return 8;
    }
    return -1;
}

std::string Text(const TBytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

// ---- Archives ---------------------------------------------------------------------------

const std::string kPreview = Text(SimplePng(Ihdr(2, 2, 8, 0), Bytes({0, 1, 2, 0, 3, 4})));

std::string Honest() {
    return JibWithPreview(kPreview);
}

// Little-endian field patches of an archive built without comment or prefix.
constexpr std::size_t kEndRecordSize = 22;
void Put16(std::string& z, std::size_t at, std::uint32_t v) {
    z[at] = static_cast<char>(v & 0xFF);
    z[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}
void Put32(std::string& z, std::size_t at, std::uint32_t v) {
    Put16(z, at, v & 0xFFFF);
    Put16(z, at + 2, v >> 16);
}
std::uint32_t Get16(const std::string& z, std::size_t at) {
    return static_cast<std::uint8_t>(z[at]) | static_cast<std::uint8_t>(z[at + 1]) << 8;
}
std::size_t EndRecord(const std::string& z) {
    return z.size() - kEndRecordSize;
}
// Where central record `index` starts.
std::size_t CentralRecord(const std::string& z, int index) {
    const std::size_t end = EndRecord(z);
    std::size_t at = Get16(z, end + 16) | std::size_t{Get16(z, end + 18)} << 16;
    for (int i = 0; i < index; ++i)
        at += 46 + Get16(z, at + 28) + Get16(z, at + 30) + Get16(z, at + 32);
    return at;
}

// An honest JIB with one 16-bit field changed: of the end record, or of the preview's
// central record (the second).
std::function<std::string()> EndField(std::size_t field, std::uint32_t value, bool wide = false) {
    return [=] {
        std::string z = Honest();
        (wide ? Put32 : Put16)(z, EndRecord(z) + field, value);
        return z;
    };
}
std::function<std::string()> PreviewRecordField(std::size_t field, std::uint32_t value) {
    return [=] {
        std::string z = Honest();
        Put16(z, CentralRecord(z, 1) + field, value);
        return z;
    };
}

std::function<std::string()> Member(TBuildMember preview) {
    return [preview] {
        TBuildMember member = preview;
        if (member.Name.empty())
            member.Name = "preview.png";
        if (member.Plain.empty())
            member.Plain = kPreview;
        return BuildZip(
            {{.Name = "layers/background.bin", .Plain = std::string(5000, 'L')}, member});
    };
}

std::function<std::string()> WithPreview(const TBytes& png) {
    return [png] {
        return JibWithPreview(Text(png));
    };
}

struct THostileCase {
    const char* Label;
    std::function<std::string()> Bytes; // the JIB's content
    TThumbnailFailure Failure;
};

const std::string kZeros(4 << 20, '\0');

const THostileCase kArchives[] = {
    // The directory reader's cases.
    {"shorter than an end record",
     [] { return std::string("PK\x05\x06", 4) + std::string(10, '\0'); }, tfDamagedArchive},
    {"an empty file", [] { return std::string(); }, tfDamagedArchive},
    {"no end record", [] { return std::string(100, 'x'); }, tfDamagedArchive},
    {"a spanning marker",
     [] { return std::string("PK\x07\x08PK\x03\x04", 8) + std::string(64, 'x'); },
     tfDamagedArchive},
    {"more records than the directory holds", EndField(10, 3), tfDamagedArchive},
    {"more records than the directory holds, then a long comment",
     [] {
         std::string z = Honest();
         Put16(z, EndRecord(z) + 10, 0xFFFF);
         Put16(z, EndRecord(z) + 20, 40);
         return z + std::string(40, 'c');
     },
     tfDamagedArchive},
    {"a name length running past the end", PreviewRecordField(28, 0xFFFF), tfDamagedArchive},
    {"an extra field length running past the end", PreviewRecordField(30, 0xFFFF),
     tfDamagedArchive},
    {"an entry comment length running past the end", PreviewRecordField(32, 0xFFFF),
     tfDamagedArchive},
    {"a directory offset outside the file", EndField(16, 0xFFFFFF00, true), tfDamagedArchive},
    {"a directory larger than the file", EndField(12, 0x7FFFFFFF, true), tfDamagedArchive},
    {"a wrong central signature",
     [] {
         std::string z = Honest();
         z[CentralRecord(z, 1) + 2] = 'X';
         return z;
     },
     tfDamagedArchive},
    // The real end record is taken for comment text: the archive reads as empty.
    {"a consistent fake end record closing the comment",
     [] {
         std::string z = Honest();
         const std::string fake = std::string("PK\x05\x06", 4) + std::string(18, '\0');
         Put16(z, EndRecord(z) + 20, 5 + kEndRecordSize);
         return z + "text " + fake;
     },
     tfNoThumbnail},
    {"a directory said to start after the last disk",
     [] {
         std::string z = Honest();
         Put16(z, EndRecord(z) + 4, 1);
         Put16(z, EndRecord(z) + 6, 3);
         return z;
     },
     tfDamagedArchive},
    {"the last volume of a spanned set", EndField(4, 2), tfDamagedArchive},
    // The engine's cases.
    {"not a ZIP", [] { return std::string(5000, '\x5A'); }, tfDamagedArchive},
    {"cut in half",
     [] {
         const std::string z = Honest();
         return z.substr(0, z.size() / 2);
     },
     tfDamagedArchive},
    {"more entries than the directory holds", EndField(10, 5000), tfDamagedArchive},
    {"a directory offset past the end record",
     [] {
         std::string z = Honest();
         z[z.size() - 6] = '\x7F';
         return z;
     },
     tfDamagedArchive},
    {"the preview inflates past its size", Member({.Plain = kZeros, .DeclaredSize = 1000}),
     tfDamagedArchive},
    {"the preview inflates short of its size", Member({.DeclaredSize = 100}), tfDamagedArchive},
    {"a stored size understated", Member({.Method = 0, .DeclaredSize = 5}), tfDamagedArchive},
    {"the local header names another member", Member({.LocalName = "other.png"}), tfDamagedArchive},
    {"the local header names another method", Member({.LocalMethod = 0}), tfDamagedArchive},
    {"the local header gives another size", Member({.Method = 0, .LocalCompressedSize = 3}),
     tfDamagedArchive},
    {"the data descriptor disagrees", Member({.DataDescriptor = true, .DescriptorCrc = 7}),
     tfDamagedArchive},
    {"a CRC that does not match", Member({.DeclaredCrc = 0x12345678}), tfDamagedArchive},
    {"a size deflate cannot reach", Member({.DeclaredSize = 50u << 20}), tfDamagedArchive},
    {"the preview's data runs into the next member",
     [] {
         return BuildZip({{.Name = "preview.png",
                           .Plain = kPreview,
                           .Method = 0,
                           .DeclaredSize = 200,
                           .CompressedSize = 200},
                          {.Name = "notes.txt", .Plain = "notes"}});
     },
     tfDamagedArchive},
    {"two records share the preview's local header",
     [] {
         return BuildZip({{.Name = "preview.png", .Plain = kPreview},
                          {.Name = "other.png", .Plain = kPreview, .OffsetOfMember = 0}});
     },
     tfDamagedArchive},
    {"a local header past the central directory", Member({.RawOffset = 9000}), tfDamagedArchive},
    {"BZip2", Member({.Method = 0, .DeclaredMethod = 12}), tfUnsupportedMethod},
    {"Deflate64", Member({.Method = 0, .DeclaredMethod = 9}), tfUnsupportedMethod},
    {"an encrypted preview", Member({.Password = "secret"}), tfNoThumbnail},
    {"a link named preview.png", Member({.Plain = "/etc/passwd", .UnixMode = 0120777}),
     tfNoThumbnail},
    {"a preview above the archive", Member({.Name = "../preview.png"}), tfNoThumbnail},
    {"a preview below a backslash path", Member({.Name = "a\\..\\preview.png"}), tfNoThumbnail},
    {"an absolute preview", Member({.Name = "/preview.png"}), tfNoThumbnail},
    {"a preview on a drive", Member({.Name = "C:\\preview.png"}), tfNoThumbnail},
    {"a NUL in the name", Member({.Name = std::string("preview.png\0.txt", 16)}), tfNoThumbnail},
    {"a preview beyond the member budget", Member({.DeclaredSize = 65u << 20}), tfTooBig},
};

// ---- Images -----------------------------------------------------------------------------

const TBytes kGreyRows = Bytes({0, 1, 2, 0, 3, 4});
const TBytes kHeader = Ihdr(2, 2, 8, 0);
const TBytes kImageData = Chunk("IDAT", Deflate(kGreyRows));

TBytes Cut(const TBytes& bytes, std::size_t size) {
    return TBytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
}

const THostileCase kImages[] = {
    {"a wrong signature byte",
     [] {
         TBytes png = SimplePng(kHeader, kGreyRows);
         png[3] ^= 0x20;
         return JibWithPreview(Text(png));
     },
     tfDamagedImage},
    {"three bytes of signature", WithPreview(Bytes({137, 80, 78})), tfDamagedImage},
    {"a signature alone", WithPreview(kSignature), tfDamagedImage},
    {"a chunk before the header", WithPreview(kSignature + Chunk("tEXt", Bytes("a\0b")) + kHeader), tfDamagedImage},
    {"no image data", WithPreview(kSignature + kHeader + Iend()), tfDamagedImage},
    {"a chunk cut off", WithPreview(kSignature + kHeader + Bytes({0, 0})), tfDamagedImage},
    {"an unknown critical chunk", WithPreview(kSignature + kHeader + Chunk("ABCD", Bytes({1, 2})) + kImageData + Iend()), tfDamagedImage},
    {"an ancillary chunk's CRC", WithPreview(kSignature + kHeader + Chunk("bKGD", Bytes({0, 7}), 1) + kImageData + Iend()), tfDamagedImage},
    {"a chunk length past the stream", WithPreview(kSignature + kHeader + BigEndian32(0x7FFFFFFF) + Bytes("tEXt") + Bytes({1, 2})), tfDamagedImage},
    {"a chunk length past the format's", WithPreview(kSignature + kHeader + BigEndian32(0xFFFFFFFF) + Bytes("tEXt")), tfDamagedImage},
    {"a short header", WithPreview(kSignature + Chunk("IHDR", Bytes({1, 2}))), tfDamagedImage},
    {"a second header", WithPreview(kSignature + kHeader + kHeader + kImageData + Iend()), tfDamagedImage},
    {"no width", WithPreview(SimplePng(Ihdr(0, 2, 8, 0), kGreyRows)), tfDamagedImage},
    {"wider than the format allows", WithPreview(SimplePng(Ihdr(70000, 1, 1, 0), Bytes({0, 0}))), tfTooBig},
    {"more pixels than the budget", WithPreview(SimplePng(Ihdr(10000, 10000, 1, 0), Bytes({0, 0}))), tfTooBig},
    {"RGB of 4 bits", WithPreview(SimplePng(Ihdr(2, 2, 4, 2), kGreyRows)), tfDamagedImage},
    {"colour type 7", WithPreview(SimplePng(Ihdr(2, 2, 8, 7), kGreyRows)), tfDamagedImage},
    {"compression method 1", WithPreview(SimplePng(Chunk("IHDR", IhdrData(2, 2, 8, 0, 0, 1)), kGreyRows)), tfDamagedImage},
    {"filter method 1", WithPreview(SimplePng(Chunk("IHDR", IhdrData(2, 2, 8, 0, 0, 0, 1)), kGreyRows)), tfDamagedImage},
    {"interlace method 2", WithPreview(SimplePng(Ihdr(2, 2, 8, 0, 2), kGreyRows)), tfDamagedImage},
    {"a palette of 4 bytes", WithPreview(SimplePng(Ihdr(2, 2, 8, 3), kGreyRows, Chunk("PLTE", Bytes({1, 2, 3, 4})))), tfDamagedImage},
    {"a palette of 257 colours", WithPreview(SimplePng(Ihdr(2, 2, 8, 3), kGreyRows, Chunk("PLTE", TBytes(257 * 3, 9)))), tfDamagedImage},
    {"257 transparency values", WithPreview(SimplePng(Ihdr(2, 2, 8, 3), kGreyRows, Chunk("PLTE", TBytes(6, 9)) + Chunk("tRNS", TBytes(257, 0)))), tfDamagedImage},
    {"image data with a wrong CRC", WithPreview(kSignature + kHeader + Chunk("IDAT", Deflate(kGreyRows), 1) + Iend()), tfDamagedImage},
    {"cut inside the image data",
     [] {
         const TBytes png = SimplePng(kHeader, kGreyRows);
         return JibWithPreview(Text(Cut(png, 8 + 25 + 8 + 5)));
     },
     tfDamagedImage},
    {"compressed data that ends before the image", WithPreview(SimplePng(kHeader, Bytes({0, 1, 2}))), tfDamagedImage},
    {"damaged compressed data", WithPreview(kSignature + kHeader + Chunk("IDAT", Bytes({0x78, 0x9C, 0xFF, 0xFF, 0xFF})) + Iend()), tfDamagedImage},
};

class Hostile : public ::testing::Test {
protected:
    // The thumbnailer on `path`: the reason's exit code, one line on standard error naming
    // the input, nothing in the output folder, and within bounds.
    void ExpectRefused(const std::string& path, TThumbnailFailure failure) {
        const std::string out = Box.MakeDir("out");
        const TThumbnailerRun run = RunThumbnailer({"-s", "128", path, out + "/thumb.png"});
        EXPECT_FALSE(run.TimedOut);
        EXPECT_EQ(run.ExitCode, ExitCodeFor(failure)) << run.Stderr;
        EXPECT_EQ(run.Stderr.find('\n'), run.Stderr.size() - 1) << run.Stderr;
        EXPECT_EQ(run.Stderr.rfind("jibview-thumbnailer: " + path + ": ", 0), 0u) << run.Stderr;
        EXPECT_TRUE(std::filesystem::is_empty(out));
        EXPECT_LT(run.Seconds, 10.0);
        EXPECT_LT(run.PeakKiB, MemoryBoundKiB());
        std::filesystem::remove_all(out);
    }

    void RunCases(const THostileCase* begin, const THostileCase* end) {
        for (const THostileCase* c = begin; c != end; ++c) {
            SCOPED_TRACE(c->Label);
            const std::string bytes = c->Bytes();
            const std::string path = Box.Write("hostile.jib", bytes);
            thumbs::TThumbnailRequest request;
            const auto fromFile = thumbs::MakeThumbnail(path, request);
            EXPECT_EQ(fromFile.Failure, c->Failure) << fromFile.Detail;
            EXPECT_TRUE(fromFile.Image.Empty());
            const auto fromMemory = thumbs::MakeThumbnail(
                std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                request);
            EXPECT_EQ(fromMemory.Failure, c->Failure) << fromMemory.Detail;
            ExpectRefused(path, c->Failure);
        }
    }

    TempDir Box;
};

TEST_F(Hostile, ArchivesEndInTheirReason) {
    RunCases(std::begin(kArchives), std::end(kArchives));
}

TEST_F(Hostile, ImagesEndInTheirReason) {
    RunCases(std::begin(kImages), std::end(kImages));
}

TEST_F(Hostile, FilesThatAreNoArchiveFileAreUnreadableWithoutWaiting) {
    ASSERT_EQ(::mkfifo(Box.File("pipe.jib").c_str(), 0600), 0);
    for (const std::string& path :
         {Box.File("pipe.jib"), std::string("/dev/null"), Box.Path(), Box.File("missing.jib")}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(thumbs::MakeThumbnail(path, {}).Failure, tfUnreadable);
        ExpectRefused(path, tfUnreadable);
    }
}

} // namespace
