// jibview-thumbnailer as a program: its command line, exit codes and output rules, and a
// run inside the sandbox GNOME gives thumbnailers (bwrap: read-only system, no network,
// only the input readable and only the output folder writable).
#include "tests/common/TempDir.h"
#include "tests/thumbs/ThumbsTestSupport.h"

#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class ThumbnailerProgram : public ::testing::Test {
protected:
    void SetUp() override {
        Jib = Box.Write("in.jib", JibWithPreview(ReadAll(ThumbsFixture("preview-rgb8.png"))));
    }
    // The names in `folder`, sorted.
    static std::vector<std::string> Names(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    TempDir Box;
    std::string Jib;
};

TEST_F(ThumbnailerProgram, CommandLinesAndTheirExitCodes) {
    const std::string out = Box.File("out.png");
    const std::string dash = Box.Write("-dash.jib", ReadAll(Jib));
    struct {
        std::vector<std::string> Args;
        int ExitCode;
        int Width; // of the thumbnail written; 0: none
    } cases[] = {
        {{}, 2, 0},
        {{Jib}, 2, 0},
        {{Jib, out, Box.File("third")}, 2, 0},
        {{"-s", "0", Jib, out}, 2, 0},
        {{"-s", "12x", Jib, out}, 2, 0},
        {{"-s", "65536", Jib, out}, 2, 0},
        {{Jib, out, "-s"}, 2, 0},
        {{"--fast", Jib, out}, 2, 0},
        {{"--help"}, 0, 0},
        {{Jib, out}, 0, 161}, // 161 x 121 fits the default 256
        {{"-s", "64", Jib, out}, 0, 64},
        {{"-s80", Jib, out}, 0, 80},
        {{"--size=90", Jib, out}, 0, 90},
        {{"--size", "100", "--", dash, out}, 0, 100},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const std::string& a : c.Args)
            line += a + " ";
        SCOPED_TRACE(line);
        fs::remove(out);
        const TThumbnailerRun run = RunThumbnailer(c.Args);
        EXPECT_EQ(run.ExitCode, c.ExitCode) << run.Stderr;
        ASSERT_EQ(fs::exists(out), c.Width > 0);
        if (c.Width > 0) {
            EXPECT_EQ(DecodePng(ReadAll(out)).Width, c.Width);
        }
    }
}

TEST_F(ThumbnailerProgram, TheOutputIsReplacedWholeForTheUserAloneOrNotWrittenAtAll) {
    const std::string folder = Box.MakeDir("out");
    const std::string out = Box.Write("out/thumb.png", "an older thumbnail");
    ASSERT_EQ(RunThumbnailer({"-s", "32", Jib, out}).ExitCode, 0);
    EXPECT_EQ(DecodePng(ReadAll(out)).Width, 32);
    struct stat st {};
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(Names(folder), std::vector<std::string>{"thumb.png"});

    // A folder that is not there, a folder in the output's place, and a damaged input
    // after a good run: nothing new appears and the earlier thumbnail stays.
    const struct {
        std::string Input, Output;
        int ExitCode;
    } failures[] = {
        {Jib, Box.File("missing/thumb.png"), 9},
        {Jib, folder, 9},
        {Box.Write("bad.jib", "not a zip"), out, 4},
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(f.Output);
        const TThumbnailerRun run = RunThumbnailer({"-s", "32", f.Input, f.Output});
        EXPECT_EQ(run.ExitCode, f.ExitCode);
        EXPECT_EQ(std::count(run.Stderr.begin(), run.Stderr.end(), '\n'), 1) << run.Stderr;
        EXPECT_EQ(Names(folder), std::vector<std::string>{"thumb.png"});
        EXPECT_EQ(DecodePng(ReadAll(out)).Width, 32);
    }
    EXPECT_FALSE(fs::exists(Box.File("missing")));

    // A link in the output's place is replaced, never written through: in a shared folder
    // another user could have planted it.
    const std::string target = Box.Write("elsewhere.txt", "keep me");
    const std::string link = Box.File("link.png");
    fs::create_symlink(target, link);
    ASSERT_EQ(RunThumbnailer({"-s", "32", Jib, link}).ExitCode, 0);
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(target), "keep me");
}

TEST_F(ThumbnailerProgram, AFileNameWithALineBreakStillFailsOnOneLine) {
    const std::string odd = Box.Write("two\nlines.jib", "no archive");
    const TThumbnailerRun run = RunThumbnailer({odd, Box.File("out.png")});
    EXPECT_EQ(run.ExitCode, 4);
    EXPECT_EQ(std::count(run.Stderr.begin(), run.Stderr.end(), '\n'), 1) << run.Stderr;
    EXPECT_NE(run.Stderr.find("two?lines.jib"), std::string::npos) << run.Stderr;
}

// The entry file managers read (packaging/jibview.thumbnailer), its Exec line expanded
// as they expand it: %s the size, %u the input's URI, %o the output path.
TEST_F(ThumbnailerProgram, TheThumbnailerEntryRunsAsFileManagersRunIt) {
    const std::string entry = ReadAll(ThumbsFixture("../../../packaging/jibview.thumbnailer"));
    ASSERT_EQ(entry.rfind("[Thumbnailer Entry]\n", 0), 0u) << entry;
    EXPECT_NE(entry.find("\nMimeType=application/x-jib;\n"), std::string::npos);
    EXPECT_NE(entry.find("\nTryExec=jibview-thumbnailer\n"), std::string::npos);
    const std::size_t exec = entry.find("\nExec=");
    ASSERT_NE(exec, std::string::npos);
    std::istringstream words(entry.substr(exec + 6, entry.find('\n', exec + 1) - exec - 6));
    std::vector<std::string> command;
    for (std::string word; words >> word;) {
        if (word == "%s")
            word = "128";
        else if (word == "%u")
            word = "file://" + Jib;
        else if (word == "%o")
            word = Box.File("entry.png");
        command.push_back(word);
    }
    ASSERT_EQ(command.at(0), "jibview-thumbnailer");
    command[0] = ThumbnailerPath();
    EXPECT_EQ(RunProcess(command).ExitCode, 0);
    EXPECT_EQ(DecodePng(ReadAll(Box.File("entry.png"))).Width, 128);
}

// The sandbox of GNOME's thumbnail factory, as bwrap builds it: the system read-only, the
// output folder bound at /tmp and the input file alone bound into it, no network, no
// other namespace shared.
std::vector<std::string> SandboxCommand(const std::string& input, const std::string& outFolder,
                                        const std::vector<std::string>& args) {
    const std::string programFolder = fs::path(ThumbnailerPath()).parent_path().string();
    std::vector<std::string> command{"/usr/bin/bwrap", "--ro-bind", "/usr", "/usr"};
    for (const char* link : {"bin", "lib", "lib64", "sbin"})
        if (fs::is_symlink(std::string("/") + link))
            command.insert(command.end(),
                           {"--symlink", fs::read_symlink(std::string("/") + link).string(),
                            std::string("/") + link});
    command.insert(command.end(), {"--ro-bind",
                                   "/etc/ld.so.cache",
                                   "/etc/ld.so.cache",
                                   "--ro-bind",
                                   programFolder,
                                   programFolder,
                                   "--proc",
                                   "/proc",
                                   "--dev",
                                   "/dev",
                                   "--chdir",
                                   "/",
                                   "--unshare-all",
                                   "--die-with-parent",
                                   "--new-session",
                                   "--bind",
                                   outFolder,
                                   "/tmp",
                                   "--ro-bind",
                                   input,
                                   "/tmp/gnome-desktop-file-to-thumbnail.jib",
                                   ThumbnailerPath()});
    command.insert(command.end(), args.begin(), args.end());
    return command;
}

TEST_F(ThumbnailerProgram, WorksInTheSandboxFileManagersUse) {
    if (access("/usr/bin/bwrap", X_OK) != 0)
        GTEST_SKIP() << "bwrap is not installed (Debian package bubblewrap)";
    const std::string outFolder = Box.MakeDir("sandbox-out");
    const std::string bad = Box.Write("bad.jib", JibWithPreview("not a PNG"));
    const struct {
        std::string Input;
        int ExitCode;
    } cases[] = {{Jib, 0}, {bad, 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Input);
        const TThumbnailerRun run = RunProcess(
            SandboxCommand(c.Input, outFolder,
                           {"-s", "128", "file:///tmp/gnome-desktop-file-to-thumbnail.jib",
                            "/tmp/gnome-desktop-thumbnailer.png"}));
        if (run.ExitCode != c.ExitCode && run.Stderr.find("bwrap:") != std::string::npos)
            GTEST_SKIP() << "bwrap cannot make a sandbox here: " << run.Stderr;
        EXPECT_EQ(run.ExitCode, c.ExitCode) << run.Stderr;
        EXPECT_EQ(fs::exists(outFolder + "/gnome-desktop-thumbnailer.png"), c.ExitCode == 0);
        // The input was bound into the folder for the run and is gone with the sandbox.
        std::vector<std::string> expected;
        if (c.ExitCode == 0)
            expected.push_back("gnome-desktop-thumbnailer.png");
        std::vector<std::string> names = Names(outFolder);
        names.erase(std::remove(names.begin(), names.end(), "gnome-desktop-file-to-thumbnail.jib"),
                    names.end());
        EXPECT_EQ(names, expected);
        fs::remove(outFolder + "/gnome-desktop-thumbnailer.png");
    }
    // A path instead of a URI works there too; 161 x 121 becomes 128 x 96.
    ASSERT_EQ(RunProcess(SandboxCommand(Jib, outFolder,
                                        {"-s", "128", "/tmp/gnome-desktop-file-to-thumbnail.jib",
                                         "/tmp/t.png"}))
                  .ExitCode,
              0);
    const thumbs::TRgbaImage image = DecodePng(ReadAll(outFolder + "/t.png"));
    EXPECT_EQ(image.Width, 128);
    EXPECT_EQ(image.Height, 96);
}

} // namespace
