// Thumbnails of JIBs written by Info-ZIP zip and Python's zipfile in each form they write
// (deflated, stored, streamed with data descriptors, ZIP64), of previews in every colour
// type, depth and interlacing: the size fits the request with the aspect kept to the pixel,
// and the pixels lie within the stated tolerance of ImageMagick's -thumbnail of the same
// preview (tests/data/thumbs/make_fixtures.sh).
#include "tests/common/TempDir.h"
#include "tests/thumbs/ThumbsTestSupport.h"

#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <zlib.h>

#include <gtest/gtest.h>

namespace {

// ImageMagick filters in 16-bit samples and rounds its own way; ours keeps 8-bit samples
// (16-bit previews are cut to their high byte, as the viewer shows them) and filters in
// floats. Over every fixture the mean difference stays below 0.4 levels and no channel
// differs by more than 3.
constexpr double kMeanTolerance = 0.5;
constexpr int kMaxTolerance = 4;

struct TPreviewCase {
    const char* Name;
    int Size;
    int Width;
    int Height;
};

const TPreviewCase kPreviews[] = {
    {"rgb8", 100, 100, 75},       {"rgba8-i", 64, 64, 43}, {"palette8", 80, 80, 60},
    {"palette-trns", 50, 50, 38}, {"grey8", 50, 50, 27},   {"grey16", 90, 90, 64},
    {"grey2-i", 32, 32, 21},      {"rgb16-i", 70, 70, 51}, {"greyalpha8", 48, 48, 38},
    {"rgba16", 77, 77, 64},       {"small", 256, 40, 30}, // smaller: never enlarged
};

// How each form is written: %s is the preview's name, the archive is <form>-<name>.jib.
const char* const kInfoZipForms[][2] = {
    {"zip9", "zip -q -9 zip9-%s.jib preview.png layers.bin notes.txt"},
    {"zip0", "zip -q -0 zip0-%s.jib preview.png layers.bin notes.txt"},
    // Written to a pipe, zip cannot seek back: sizes and CRCs follow the data.
    {"zipstream", "zip -q - layers.bin preview.png notes.txt | cat > zipstream-%s.jib"},
    {"zip64", "zip -q -fz zip64-%s.jib notes.txt preview.png layers.bin"},
};

const char* const kPythonScript = R"(
import io, sys, zipfile

class Unseekable(io.RawIOBase):
    def __init__(self, f): self.f = f
    def writable(self): return True
    def write(self, b): return self.f.write(b)

def fill(z, folder, zip64):
    z.write(folder + "/layers.bin", "layers.bin")
    with open(folder + "/preview.png", "rb") as f, z.open("preview.png", "w", force_zip64=zip64) as m:
        m.write(f.read())
    z.write(folder + "/notes.txt", "notes.txt")

for name in sys.argv[1:]:
    folder = "src-" + name
    with zipfile.ZipFile("py-%s.jib" % name, "w", zipfile.ZIP_DEFLATED) as z:
        fill(z, folder, False)
    with zipfile.ZipFile("py64-%s.jib" % name, "w", zipfile.ZIP_DEFLATED) as z:
        fill(z, folder, True)
    with open("pystream-%s.jib" % name, "wb") as f:
        with zipfile.ZipFile(Unseekable(f), "w", zipfile.ZIP_DEFLATED) as z:
            fill(z, folder, False)
)";
const char* const kPythonForms[] = {"py", "py64", "pystream"};

std::string Format(const char* pattern, const char* name) {
    std::string out = pattern;
    for (std::size_t at; (at = out.find("%s")) != std::string::npos;)
        out.replace(at, 2, name);
    return out;
}

std::string Noise(std::size_t size, unsigned seed) {
    std::string s(size, '\0');
    for (char& c : s) {
        seed = seed * 1103515245 + 12345;
        c = static_cast<char>(seed >> 16);
    }
    return s;
}

class WrittenJibs : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Dir = std::make_unique<TempDir>();
        // One shell and one Python for every archive: starting them is most of the cost.
        std::string script = "set -e\n", names;
        for (const auto& p : kPreviews) {
            const std::string src = std::string("src-") + p.Name;
            Dir->Write(src + "/preview.png",
                       ReadAll(ThumbsFixture(std::string("preview-") + p.Name + ".png")));
            Dir->Write(src + "/layers.bin", Noise(20000, 7));
            Dir->Write(src + "/notes.txt", "A project of Lumenpix.\n");
            for (const auto& form : kInfoZipForms)
                script += "(cd '" + src + "' && " + Format(form[1], p.Name) + " && mv " + form[0] +
                          "-" + p.Name + ".jib ..)\n";
            names += std::string(" ") + p.Name;
        }
        Dir->Write("make.sh", script);
        Dir->Write("make.py", kPythonScript);
        ASSERT_EQ(
            std::system(
                ("cd '" + Dir->Path() + "' && sh make.sh && python3 make.py" + names).c_str()),
            0);
    }
    static void TearDownTestSuite() { Dir.reset(); }

    static void ExpectCloseToImageMagick(const thumbs::TRgbaImage& image, const TPreviewCase& p) {
        ASSERT_EQ(image.Width, p.Width);
        ASSERT_EQ(image.Height, p.Height);
        const thumbs::TRgbaImage reference = DecodePng(ReadAll(
            ThumbsFixture(std::string("ref-") + p.Name + "-" + std::to_string(p.Size) + ".png")));
        const TImageDifference d = Difference(image, reference);
        EXPECT_LE(d.Mean, kMeanTolerance);
        EXPECT_LE(d.Max, kMaxTolerance);
    }

    static std::unique_ptr<TempDir> Dir;
};

std::unique_ptr<TempDir> WrittenJibs::Dir;

TEST_F(WrittenJibs, EveryFormAndColourTypeGivesImageMagicksThumbnail) {
    std::vector<std::string> forms;
    for (const auto& form : kInfoZipForms)
        forms.push_back(form[0]);
    forms.insert(forms.end(), std::begin(kPythonForms), std::end(kPythonForms));
    for (const auto& p : kPreviews) {
        for (const std::string& form : forms) {
            SCOPED_TRACE(form + "-" + p.Name);
            thumbs::TThumbnailRequest request;
            request.Size = p.Size;
            const thumbs::TThumbnail t =
                thumbs::MakeThumbnail(Dir->File(form + "-" + p.Name + ".jib"), request);
            ASSERT_TRUE(t.Ok()) << thumbs::FailureText(t.Failure) << ": " << t.Detail;
            ExpectCloseToImageMagick(t.Image, p);
        }
    }
}

TEST_F(WrittenJibs, TheProgramWritesWhatTheLibraryMakes) {
    for (const auto& p : kPreviews) {
        SCOPED_TRACE(p.Name);
        const std::string jib = Dir->File(std::string("zipstream-") + p.Name + ".jib");
        const std::string out = Dir->File(std::string("out-") + p.Name + ".png");
        // File managers hand over a URI.
        const TThumbnailerRun run =
            RunThumbnailer({"-s", std::to_string(p.Size), "file://" + jib, out});
        ASSERT_EQ(run.ExitCode, 0) << run.Stderr;
        EXPECT_EQ(run.Stderr, "");
        thumbs::TThumbnailRequest request;
        request.Size = p.Size;
        const thumbs::TThumbnail t = thumbs::MakeThumbnail(jib, request);
        const thumbs::TRgbaImage written = DecodePng(ReadAll(out));
        EXPECT_EQ(written.Width, t.Image.Width);
        EXPECT_EQ(written.Height, t.Image.Height);
        EXPECT_EQ(written.Pixels, t.Image.Pixels);
    }
}

// ---- A ZIP64 archive past 4 GiB, sparse on disk -----------------------------------------

// Little-endian fields one after another.
struct TRecord {
    std::string Bytes;
    TRecord& Int(std::uint64_t value, int size) {
        for (int i = 0; i < size; ++i)
            Bytes += static_cast<char>(value >> (8 * i) & 0xFF);
        return *this;
    }
    TRecord& U16(std::uint64_t v) { return Int(v, 2); }
    TRecord& U32(std::uint64_t v) { return Int(v, 4); }
    TRecord& U64(std::uint64_t v) { return Int(v, 8); }
    TRecord& Raw(const std::string& s) {
        Bytes += s;
        return *this;
    }
};

constexpr std::uint32_t kAllOnes = 0xFFFFFFFF;

// The central record of a stored member; sizes and offset that do not fit 32 bits go into
// a ZIP64 extra field.
std::string CentralRecord(const std::string& name, std::uint32_t crc, std::uint64_t size,
                          std::uint64_t offset) {
    const bool bigSize = size >= kAllOnes, bigOffset = offset >= kAllOnes;
    TRecord extra;
    if (bigSize)
        extra.U64(size).U64(size);
    if (bigOffset)
        extra.U64(offset);
    TRecord r;
    r.U32(0x02014B50).U16(0x031E).U16(45).U16(0).U16(0).U32(0).U32(crc);
    r.U32(bigSize ? kAllOnes : size).U32(bigSize ? kAllOnes : size);
    r.U16(name.size()).U16(extra.Bytes.empty() ? 0 : extra.Bytes.size() + 4);
    r.U16(0).U16(0).U16(0).U32(0100644u << 16).U32(bigOffset ? kAllOnes : offset).Raw(name);
    if (!extra.Bytes.empty())
        r.U16(1).U16(extra.Bytes.size()).Raw(extra.Bytes);
    return r.Bytes;
}

// A stored member of 4 GiB + 1 KiB (a hole in the file) and then the preview, whose local
// header lies past 4 GiB, so the central directory names its offset in a ZIP64 extra field
// and the end records are ZIP64 ones: what the editor writes for a huge project.
void WriteHugeJib(const std::string& path, const std::string& preview) {
    constexpr std::uint64_t kLayerSize = (std::uint64_t{4} << 30) + 1024;
    const auto crc = static_cast<std::uint32_t>(crc32(
        0, reinterpret_cast<const Bytef*>(preview.data()), static_cast<uInt>(preview.size())));
    TRecord layer; // sizes in the local header's ZIP64 extra field
    layer.U32(0x04034B50).U16(45).U16(0).U16(0).U32(0).U32(0).U32(kAllOnes).U32(kAllOnes);
    layer.U16(10).U16(20).Raw("layers.bin").U16(1).U16(16).U64(kLayerSize).U64(kLayerSize);
    const std::uint64_t previewAt = layer.Bytes.size() + kLayerSize;
    TRecord local;
    local.U32(0x04034B50).U16(20).U16(0).U16(0).U32(0).U32(crc).U32(preview.size());
    local.U32(preview.size()).U16(11).U16(0).Raw("preview.png").Raw(preview);
    const std::string central = CentralRecord("layers.bin", 0, kLayerSize, 0) +
                                CentralRecord("preview.png", crc, preview.size(), previewAt);
    const std::uint64_t centralAt = previewAt + local.Bytes.size();
    const std::uint64_t zip64EndAt = centralAt + central.size();
    TRecord tail;
    tail.U32(0x06064B50).U64(44).U16(45).U16(45).U32(0).U32(0).U64(2).U64(2);
    tail.U64(central.size()).U64(centralAt);
    tail.U32(0x07064B50).U32(0).U64(zip64EndAt).U32(1);
    tail.U32(0x06054B50).U16(0).U16(0).U16(0xFFFF).U16(0xFFFF).U32(kAllOnes).U32(kAllOnes).U16(0);

    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    const auto writeAt = [fd](const std::string& bytes, std::uint64_t at) {
        ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(at)),
                  static_cast<ssize_t>(bytes.size()));
    };
    writeAt(layer.Bytes, 0);
    writeAt(local.Bytes, previewAt);
    writeAt(central + tail.Bytes, centralAt);
    close(fd);
}

TEST(HugeJib, APreviewPastFourGibibytesIsFoundThroughTheZip64Records) {
    TempDir dir;
    const std::string jib = dir.File("huge.jib");
    WriteHugeJib(jib, ReadAll(ThumbsFixture("preview-rgb8.png")));
    const TThumbnailerRun run = RunThumbnailer({"-s", "100", jib, dir.File("out.png")});
    ASSERT_EQ(run.ExitCode, 0) << run.Stderr;
    const thumbs::TRgbaImage image = DecodePng(ReadAll(dir.File("out.png")));
    EXPECT_EQ(image.Width, 100);
    EXPECT_EQ(image.Height, 75);
    // Unzip agrees the archive is sound (it lists, without reading the 4 GiB layer).
    EXPECT_EQ(std::system(("unzip -l '" + jib + "' > /dev/null").c_str()), 0);
}

} // namespace
