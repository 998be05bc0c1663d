// The settings file as it is found after crashes, disk errors and hand edits: a writer
// killed in the middle of a save, and files that are cut short, binary, huge or full of
// repeated sections.
#include "platform/Profile.h"
#include "tests/common/TempDir.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

using platform::ReadProfileString;
using platform::WriteProfileString;

namespace {

// The peak resident size of this process since the last ResetPeakMemory, in KiB.
long PeakMemoryKib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

// Lets the peak start again from what is resident now ("5" resets it, see proc(5)).
void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A file of `size` bytes that starts with `head`; the rest is a hole, so 100 MB cost
// nothing on disk and read as zero bytes.
std::string WriteSparse(const TempDir& dir, const std::string& name, const std::string& head,
                        std::uintmax_t size) {
    const std::string path = dir.Write(name, head);
    std::filesystem::resize_file(path, size);
    return path;
}

std::string Repeated(const std::string& text, std::size_t times) {
    std::string out;
    out.reserve(text.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

} // namespace

TEST(ProfileDamage, DamagedFilesLoadWhatTheyCan) {
    constexpr std::uintmax_t kHuge = 100u << 20;
    TempDir dir;
    const std::string settings = "[General]\nLastFolder=/home/ann\nMainSplit=300\n";
    struct Case {
        const char* what;
        std::string path;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"cut inside a key", dir.Write("a", "[General]\nMainSplit=300\nLastFol"), "LastFolder",
         "default"},
        {"cut inside a key, earlier keys", dir.File("a"), "MainSplit", "300"},
        {"cut inside a value", dir.Write("b", "[General]\nLastFolder=/ho"), "LastFolder", "/ho"},
        {"cut inside a section line", dir.Write("c", "[General]\nMainSplit=300\n[frmJIBMainPos"),
         "MainSplit", "300"},
        {"binary around the section",
         dir.Write("d", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\n", 18) + settings +
                            std::string("\0\x01\xfe=[]\n\n\0", 9)),
         "MainSplit", "300"},
        {"a zero byte ends a value",
         dir.Write("e", std::string("[General]\nLastFolder=/tmp\0/junk\n", 32)), "LastFolder",
         "/tmp"},
        {"repeated sections: the first counts",
         dir.Write("f", "[General]\nMainSplit=1\n" + Repeated("[General]\nMainSplit=2\n", 60000)),
         "MainSplit", "1"},
        {"repeated keys: the first counts",
         dir.Write("g", "[General]\n" + Repeated("MainSplit=3\n", 60000)), "MainSplit", "3"},
        {"100 MB, settings first", WriteSparse(dir, "h", settings, kHuge), "LastFolder",
         "/home/ann"},
        {"100 MB of zero bytes, then settings", dir.File("i"), "MainSplit", "default"},
        {"settings after a megabyte of empty lines",
         dir.Write("j", std::string(1u << 20, '\n') + settings), "MainSplit", "default"},
        {"a pipe that nobody writes to", dir.File("k"), "MainSplit", "default"},
    };
    ASSERT_EQ(::mkfifo(dir.File("k").c_str(), 0600), 0);
    {
        // The settings past the hole are never reached.
        std::ofstream tail(WriteSparse(dir, "i", "", kHuge), std::ios::binary | std::ios::app);
        tail << "\n" << settings;
    }
    ResetPeakMemory();
    const long before = PeakMemoryKib();
    for (const Case& c : cases)
        EXPECT_EQ(ReadProfileString(c.path, "General", c.key, "default"), c.expected) << c.what;
    // Reading holds the part of a file it reads, not the file: far less than 100 MB, even
    // with a sanitizer's quarantine keeping what was freed.
    EXPECT_LT(PeakMemoryKib() - before, 64 * 1024);
}

TEST(ProfileDamage, WritingAHugeFileKeepsWhatCouldBeReadAndHealsIt) {
    TempDir dir;
    const std::string path =
        WriteSparse(dir, "JibSettings.ini", "[General]\nLastFolder=/home/ann\n", 100u << 20);
    ResetPeakMemory();
    const long before = PeakMemoryKib();
    ASSERT_TRUE(WriteProfileString(path, "General", "MainSplit", "310"));
    EXPECT_LT(PeakMemoryKib() - before, 64 * 1024);
    EXPECT_EQ(ReadFileText(path), "[General]\nLastFolder=/home/ann\nMainSplit=310\n");
}

// A writer killed by SIGKILL at any moment of its saves (reading the old file, writing the
// new one, flushing it, renaming it) leaves one whole file: the one before the save or the
// one after it. The rounds kill at random moments spread over a save's duration.
TEST(ProfileDamage, KilledWritersLeaveTheOldOrTheNewWholeFile) {
#ifdef __SANITIZE_ADDRESS__
    constexpr int kRounds = 12; // forking and killing a sanitized process takes far longer
#else
    constexpr int kRounds = 40;
#endif
    constexpr int kKeys = 40;
    TempDir dir;
    const std::string path = dir.File("JibSettings.ini");
    // Enough text that a save takes long enough to be interrupted in every stage.
    std::string text = "[General]\n";
    for (int key = 0; key < kKeys; ++key)
        text += "Key" + std::to_string(key) + "=" + std::string(2000, 'b') + "\n";
    dir.Write("JibSettings.ini", text);
    const auto start = std::chrono::steady_clock::now();
    for (int key = 0; key < 4; ++key)
        ASSERT_TRUE(WriteProfileString(path, "General", "Key" + std::to_string(key),
                                       std::string(2000, 'b')));
    const auto saveTime = (std::chrono::steady_clock::now() - start) / 4;

    std::mt19937 random(20261209);
    int leftovers = 0;
    for (int round = 0; round < kRounds; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Every save turns one whole file into the other, key by key in between: each
            // saved state is one of those read back below.
            ::close(ready[0]);
            for (int save = 0;; ++save) {
                const char letter = (save / kKeys) % 2 == 0 ? 'a' : 'b';
                WriteProfileString(path, "General", "Key" + std::to_string(save % kKeys),
                                   std::string(2000, letter));
                if (save == 0 && ::write(ready[1], "x", 1) != 1)
                    ::_exit(1);
            }
        }
        ::close(ready[1]);
        char byte;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        std::uniform_int_distribution<long long> delay(0, 3 * saveTime.count());
        std::this_thread::sleep_for(std::chrono::steady_clock::duration(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        // Whole: every key is there once, each with a whole value of one letter.
        const std::string now = ReadFileText(path);
        ASSERT_EQ(now.rfind("[General]\n", 0), 0u) << "round " << round;
        for (int key = 0; key < kKeys; ++key) {
            const std::string value =
                ReadProfileString(path, "General", "Key" + std::to_string(key), "");
            ASSERT_TRUE(value == std::string(2000, 'a') || value == std::string(2000, 'b'))
                << "round " << round << ", key " << key << ": " << value.size() << " bytes";
        }
        ASSERT_EQ(now.size(), text.size()) << "round " << round;
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        leftovers += entry.path().filename() != "JibSettings.ini";
    // The new file is written unnamed and only named for the instant before its rename:
    // a kill leaves a temporary file behind only when it lands in that instant.
    EXPECT_LE(leftovers, kRounds / 10);
}
