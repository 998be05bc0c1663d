// The freedesktop thumbnail cache as other programs see it: the names GLib's file managers
// give (their URIs from gio, MD5 from md5sum), the PNG's uncompressed text chunks and
// pixels as Qt reads them, permissions, whole-file replacement, what makes an entry out of
// date, the failure folder, and the links and foreign files it must not follow or trust.
// Every cache here lies in a temporary folder; the user's own is never touched.
#include "thumbs/ThumbnailCache.h"

#include "tests/common/ScopedEnv.h"
#include "tests/common/TempDir.h"
#include "tests/thumbs/ThumbsTestSupport.h"
#include "thumbs/FileUri.h"
#include "thumbs/Md5.h"
#include "thumbs/ThumbnailPng.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <QImage>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using namespace thumbs;
using enum TCacheState;

constexpr int kLarge = 256;

// Standard output of a command run by the shell, without its last line break.
std::string Output(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

bool HaveTool(const char* name) {
    return Output(std::string("command -v ") + name) != "";
}

mode_t ModeOf(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// The chunk types of a PNG file in order, with each tEXt's keyword after a colon.
std::vector<std::string> ChunkList(const std::string& png) {
    std::vector<std::string> chunks;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const auto* p = reinterpret_cast<const unsigned char*>(png.data() + at);
        const std::size_t length = std::size_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3];
        std::string type = png.substr(at + 4, 4);
        if (type == "tEXt")
            type.append(":").append(png.c_str() + at + 8);
        chunks.push_back(type);
        at += 12 + length;
    }
    return chunks;
}

void SetMTime(const std::string& path, std::int64_t seconds) {
    const timeval times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
}

class ThumbnailCacheTest : public ::testing::Test {
protected:
    ThumbnailCacheTest()
        : FRoot(FDir.File("cache/thumbnails")), FCache(FRoot, "jibview", "1.0"),
          FJib(FDir.Write("art/My Project #1.jib",
                          JibWithPreview(ReadAll(ThumbsFixture("preview-rgb8.png"))))) {
        SetMTime(FJib, 1'700'000'000);
        EXPECT_TRUE(StampOf(FJib, FStamp));
    }

    // The thumbnail as the viewer makes it, stored.
    TThumbnail StoreMade(int size = kLarge) {
        TThumbnailRequest request;
        request.Size = size;
        TThumbnail made = MakeThumbnail(FJib, request);
        EXPECT_TRUE(made.Ok()) << made.Detail;
        EXPECT_TRUE(FCache.Store(FJib, FStamp, size, made));
        return made;
    }
    std::string Entry(const std::string& folder = "large") const {
        return FRoot + "/" + folder + "/" + TThumbnailCache::FileNameOf(FileUriOf(FJib));
    }

    TempDir FDir;
    std::string FRoot;
    TThumbnailCache FCache;
    std::string FJib;
    TFileStamp FStamp;
};

TEST(ThumbnailCacheNames, UrisAsGioWritesThemAndMd5AsMd5sumComputesIt) {
    // The convention's own example, then names with every class of character.
    EXPECT_EQ(TThumbnailCache::FileNameOf("file:///home/jens/photos/me.png"),
              "c6ee772d9e49320e97ec29a7eb5b1697.png");
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Hex(std::string(1000, 'a')),
              Output("head -c 1000 /dev/zero | tr '\\0' a | md5sum | cut -c1-32"));
    if (!HaveTool("gio"))
        GTEST_SKIP() << "gio (libglib2.0-bin) is not installed";
    TempDir dir;
    const std::vector<std::string> names = {"plain.jib",
                                            "with space.jib",
                                            "x!$&'()*+,-.:=@_~.jib",
                                            "q\"#%;<>?[\\]^`{|}.jib",
                                            "caf\xC3\xA9.jib",
                                            "bad\xFF\x01.jib",
                                            "\xE6\x97\xA5\xE6\x9C\xAC.jib"};
    for (const std::string& name : names)
        dir.Write("sub dir/" + name, "");
    std::set<std::string> listed;
    std::istringstream lines(Output("gio list -u '" + dir.File("sub dir") + "'"));
    for (std::string line; std::getline(lines, line);)
        listed.insert(line);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string path = dir.File("sub dir/" + name);
        const std::string uri = FileUriOf(path);
        EXPECT_TRUE(listed.contains(uri)) << uri;
        std::string error;
        EXPECT_EQ(LocalPathOf(uri, error).value_or("?"), path);
        EXPECT_EQ(TThumbnailCache::FileNameOf(uri),
                  Output("md5sum < '" + dir.Write("uri", uri) + "' | cut -c1-32") + ".png");
    }
}

TEST(ThumbnailCacheNames, TheRootFollowsXdgCacheHomeAndTheFolderTheSize) {
    ScopedEnv home("HOME", "/home/someone");
    {
        ScopedEnv xdg("XDG_CACHE_HOME", "/var/cache/me");
        EXPECT_EQ(TThumbnailCache::DefaultRoot(), "/var/cache/me/thumbnails");
    }
    {
        // The base directory convention ignores relative paths.
        ScopedEnv xdg("XDG_CACHE_HOME", "relative/cache");
        EXPECT_EQ(TThumbnailCache::DefaultRoot(), "/home/someone/.cache/thumbnails");
    }
    ::unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(TThumbnailCache::DefaultRoot(), "/home/someone/.cache/thumbnails");
    EXPECT_STREQ(TThumbnailCache::FolderFor(128), "normal");
    EXPECT_STREQ(TThumbnailCache::FolderFor(129), "large");
    EXPECT_STREQ(TThumbnailCache::FolderFor(256), "large");
    EXPECT_STREQ(TThumbnailCache::FolderFor(1024), "xx-large");
    EXPECT_EQ(TThumbnailCache::FolderFor(1025), nullptr);
}

TEST_F(ThumbnailCacheTest, AStoredThumbnailIsAPrivatePngWithPlainTextsThatQtReadsBack) {
    for (const int size : {128, 256}) {
        SCOPED_TRACE(size);
        const TThumbnail made = StoreMade(size);
        const std::string entry = Entry(size == 128 ? "normal" : "large");
        const std::string png = ReadAll(entry);
        EXPECT_EQ(ModeOf(entry), 0600u);
        EXPECT_EQ(ModeOf(fs::path(entry).parent_path()), 0700u);
        EXPECT_EQ(ModeOf(FRoot), 0700u);
        // Uncompressed text before the image data: file managers read only tEXt.
        const std::vector<std::string> chunks = ChunkList(png);
        const std::vector<std::string> expected = {"IHDR",
                                                   "tEXt:Thumb::URI",
                                                   "tEXt:Thumb::MTime",
                                                   "tEXt:Thumb::Size",
                                                   "tEXt:Thumb::Image::Width",
                                                   "tEXt:Thumb::Image::Height",
                                                   "tEXt:Software"};
        ASSERT_GE(chunks.size(), expected.size() + 2);
        EXPECT_EQ(std::vector<std::string>(chunks.begin(), chunks.begin() + expected.size()),
                  expected);
        EXPECT_EQ(chunks.back(), "IEND");

        QImage read;
        ASSERT_TRUE(read.loadFromData(reinterpret_cast<const uchar*>(png.data()),
                                      static_cast<int>(png.size()), "PNG"));
        EXPECT_EQ(read.text("Thumb::URI").toStdString(),
                  "file://" + FDir.Path() + "/art/My%20Project%20%231.jib");
        EXPECT_EQ(read.text("Thumb::MTime"), "1700000000");
        EXPECT_EQ(read.text("Thumb::Size").toStdString(), std::to_string(fs::file_size(FJib)));
        EXPECT_EQ(read.text("Thumb::Image::Width"), "161");
        EXPECT_EQ(read.text("Thumb::Image::Height"), "121");
        EXPECT_EQ(read.text("Software"), "jibview 1.0");
        ASSERT_EQ(read.size(), QSize(made.Image.Width, made.Image.Height));
        read = read.convertToFormat(QImage::Format_RGBA8888);
        for (int y = 0; y < read.height(); y += 7)
            for (int x = 0; x < read.width(); x += 5)
                ASSERT_EQ(std::memcmp(read.constScanLine(y) + x * 4, made.Image.Pixel(x, y), 4), 0);

        TRgbaImage found;
        EXPECT_EQ(FCache.Find(FJib, FStamp, size, &found), csThumbnail);
        EXPECT_EQ(found.Pixels, made.Image.Pixels);
        EXPECT_EQ(FCache.Find(FJib, FStamp, size, nullptr), csThumbnail);
    }
}

TEST_F(ThumbnailCacheTest, AnEntryIsGoodOnlyForTheFileAsItWas) {
    StoreMade();
    struct {
        const char* Label;
        std::function<void()> Change;
    } cases[] = {
        {"touched",
         [&] {
             SetMTime(FJib, 1'700'000'001);
         }},
        {"grown, same time",
         [&] {
             std::ofstream(FJib, std::ios::app) << "more";
             SetMTime(FJib, 1'700'000'000);
         }},
        {"damaged pixels",
         [&] {
             std::string png = ReadAll(Entry());
             png.resize(png.size() - 30);
             std::ofstream(Entry(), std::ios::binary | std::ios::trunc) << png;
         }},
    };
    // This file's entry under another file's name names the wrong file.
    const std::string other = FDir.Write("art/other.jib", ReadAll(FJib));
    TFileStamp otherStamp;
    ASSERT_TRUE(StampOf(other, otherStamp));
    fs::copy_file(Entry(), FRoot + "/large/" + TThumbnailCache::FileNameOf(FileUriOf(other)));
    EXPECT_EQ(FCache.Find(other, otherStamp, kLarge, nullptr), csMissing);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        c.Change();
        TFileStamp now;
        ASSERT_TRUE(StampOf(FJib, now));
        TRgbaImage image;
        EXPECT_EQ(FCache.Find(FJib, now, kLarge, &image), csMissing);
        // Written again, it is good for the file as it is now.
        TThumbnailRequest request;
        ASSERT_TRUE(FCache.Store(FJib, now, kLarge, MakeThumbnail(FJib, request)));
        EXPECT_EQ(FCache.Find(FJib, now, kLarge, &image), csThumbnail);
        FStamp = now;
    }
}

TEST_F(ThumbnailCacheTest, EntriesAreReplacedWholeUnderATemporaryName) {
    StoreMade();
    const std::string before = ReadAll(Entry());
    struct stat old;
    ASSERT_EQ(::stat(Entry().c_str(), &old), 0);
    // A reader that opened the old entry reads it whole while the new one is written.
    std::ifstream reader(Entry(), std::ios::binary);
    SetMTime(FJib, 1'700'000'500);
    ASSERT_TRUE(StampOf(FJib, FStamp));
    StoreMade(kLarge);
    const std::string after = ReadAll(Entry());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), before);
    EXPECT_NE(after, before);
    struct stat now;
    ASSERT_EQ(::stat(Entry().c_str(), &now), 0);
    EXPECT_NE(now.st_ino, old.st_ino);
    // Nothing but the entry is left in the folder.
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(FRoot + "/large"))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{fs::path(Entry()).filename().string()});
}

TEST_F(ThumbnailCacheTest, AFailureIsRecordedInTheProgramsOwnFolderUntilTheFileChanges) {
    const std::string broken = FDir.Write("art/broken.jib", "not a zip archive at all");
    SetMTime(broken, 1'600'000'000);
    TFileStamp stamp;
    ASSERT_TRUE(StampOf(broken, stamp));
    EXPECT_EQ(FCache.Find(broken, stamp, kLarge, nullptr), csMissing);
    ASSERT_TRUE(FCache.StoreFailure(broken, stamp));
    const std::string entry =
        FRoot + "/fail/jibview-1.0/" + TThumbnailCache::FileNameOf(FileUriOf(broken));
    EXPECT_EQ(ModeOf(entry), 0600u);
    EXPECT_EQ(ModeOf(FRoot + "/fail"), 0700u);
    EXPECT_EQ(ModeOf(FRoot + "/fail/jibview-1.0"), 0700u);
    QImage read(QString::fromStdString(entry));
    EXPECT_EQ(read.size(), QSize(1, 1));
    EXPECT_EQ(read.text("Thumb::URI").toStdString(), FileUriOf(broken));
    EXPECT_EQ(read.text("Thumb::MTime"), "1600000000");
    EXPECT_EQ(FCache.Find(broken, stamp, kLarge, nullptr), csFailed);
    EXPECT_EQ(FCache.Find(broken, stamp, 128, nullptr), csFailed);
    // Another version of the program tries again.
    EXPECT_EQ(TThumbnailCache(FRoot, "jibview", "2.0").Find(broken, stamp, kLarge, nullptr),
              csMissing);
    SetMTime(broken, 1'600'000'001);
    ASSERT_TRUE(StampOf(broken, stamp));
    EXPECT_EQ(FCache.Find(broken, stamp, kLarge, nullptr), csMissing);
    EXPECT_TRUE(TThumbnailCache::Permanent(TThumbnailFailure::tfDamagedArchive));
    EXPECT_TRUE(TThumbnailCache::Permanent(TThumbnailFailure::tfNoThumbnail));
    EXPECT_FALSE(TThumbnailCache::Permanent(TThumbnailFailure::tfCancelled));
    EXPECT_FALSE(TThumbnailCache::Permanent(TThumbnailFailure::tfTimedOut));
    EXPECT_FALSE(TThumbnailCache::Permanent(TThumbnailFailure::tfUnreadable));
}

// Links planted where the cache's folders or entries belong: a good thumbnail at their
// target is not read, and a write replaces the link rather than writing through it.
TEST_F(ThumbnailCacheTest, PlantedLinksAreNeitherFollowedNorWrittenThrough) {
    StoreMade();
    const std::string good = ReadAll(Entry());
    const std::string decoy =
        FDir.Write("elsewhere/large/" + fs::path(Entry()).filename().string(), good);
    const std::string decoyFolder = FDir.File("elsewhere/large");
    struct {
        const char* Label;
        std::string Link, Target;
        bool StoreRefused, FailureRefused;
    } cases[] = {
        {"entry", Entry(), decoy, false, false},
        {"size folder", FRoot + "/large", decoyFolder, true, false},
        {"cache root", FRoot, FDir.File("elsewhere"), true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        fs::remove_all(c.Link);
        fs::create_symlink(c.Target, c.Link);
        EXPECT_EQ(FCache.Find(FJib, FStamp, kLarge, nullptr), csMissing);
        TRgbaImage image;
        EXPECT_EQ(FCache.Find(FJib, FStamp, kLarge, &image), csMissing);
        TThumbnailRequest request;
        EXPECT_EQ(FCache.Store(FJib, FStamp, kLarge, MakeThumbnail(FJib, request)),
                  !c.StoreRefused);
        EXPECT_EQ(FCache.StoreFailure(FJib, FStamp), !c.FailureRefused);
        fs::remove_all(FRoot + "/fail");
        // The decoy is untouched and nothing was added beside it.
        EXPECT_EQ(ReadAll(decoy), good);
        EXPECT_EQ(std::distance(fs::directory_iterator(decoyFolder), {}), 1);
        EXPECT_TRUE(fs::is_symlink(c.Link) == c.StoreRefused);
        fs::remove_all(c.Link);
        StoreMade();
    }
}

TEST_F(ThumbnailCacheTest, FilesAndFoldersOfOtherUsersAreNotTrusted) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand files to another user";
    constexpr uid_t kNobody = 65534;
    StoreMade();
    ASSERT_EQ(::chown(Entry().c_str(), kNobody, kNobody), 0);
    EXPECT_EQ(FCache.Find(FJib, FStamp, kLarge, nullptr), csMissing);
    // Ours to replace: the folder is ours.
    StoreMade();
    EXPECT_EQ(FCache.Find(FJib, FStamp, kLarge, nullptr), csThumbnail);

    // A folder of another user's is neither read nor written; the rest of the cache is.
    struct {
        std::string Folder;
        bool Stored, FailureStored;
        TCacheState Found;
    } cases[] = {
        {FRoot + "/large", false, true, csFailed},
        {FRoot + "/fail", true, false, csThumbnail},
        {FRoot, false, false, csMissing},
    };
    for (const auto& [folder, stored, failureStored, found] : cases) {
        SCOPED_TRACE(folder);
        ::mkdir(folder.c_str(), 0700);
        ASSERT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0);
        TThumbnailRequest request;
        EXPECT_EQ(FCache.Store(FJib, FStamp, kLarge, MakeThumbnail(FJib, request)), stored);
        EXPECT_EQ(FCache.StoreFailure(FJib, FStamp), failureStored);
        EXPECT_EQ(FCache.Find(FJib, FStamp, kLarge, nullptr), found);
        ASSERT_EQ(::chown(folder.c_str(), 0, 0), 0);
        fs::remove_all(FRoot + "/fail");
    }
    // A FIFO where an entry belongs is neither waited on nor trusted.
    fs::remove(Entry());
    ASSERT_EQ(::mkfifo(Entry().c_str(), 0600), 0);
    EXPECT_EQ(FCache.Find(FJib, FStamp, kLarge, nullptr), csMissing);
}

TEST_F(ThumbnailCacheTest, TextsAreReadWithoutDecodingAndZtxtToo) {
    // Written by Qt, which compresses texts past 40 characters: file managers built on Qt
    // leave entries like this one.
    TThumbnailRequest request;
    const TThumbnail made = MakeThumbnail(FJib, request);
    QImage image(made.Image.Width, made.Image.Height, QImage::Format_RGBA8888);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), made.Image.Pixel(0, y), made.Image.Width * 4u);
    image.setText("Thumb::URI", QString::fromStdString(FileUriOf(FJib)));
    image.setText("Thumb::MTime", "1700000000");
    fs::create_directories(FRoot + "/large");
    ASSERT_TRUE(image.save(QString::fromStdString(Entry()), "PNG"));
    EXPECT_NE(std::string(ReadAll(Entry())).find("zTXt"), std::string::npos);
    TRgbaImage found;
    EXPECT_EQ(FCache.Find(FJib, FStamp, kLarge, &found), csThumbnail);
    EXPECT_EQ(found.Pixels, made.Image.Pixels);

    TPngTexts texts;
    EXPECT_FALSE(ReadPngTexts({}, texts));
    const std::string png = ReadAll(Entry());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(png.data());
    ASSERT_TRUE(ReadPngTexts({bytes, png.size()}, texts));
    EXPECT_EQ(texts.size(), 2u);
    // Cut inside a chunk: the texts before it are read, nothing past the end.
    ASSERT_TRUE(ReadPngTexts({bytes, 60}, texts));
}

} // namespace
