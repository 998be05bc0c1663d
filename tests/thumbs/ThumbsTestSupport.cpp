#include "tests/thumbs/ThumbsTestSupport.h"

#include "tests/engine/ZipBuilder.h"
#include "tests/png/PngTestSupport.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::string ThumbnailerPath() {
    return (fs::canonical("/proc/self/exe").parent_path() / "jibview-thumbnailer").string();
}

TThumbnailerRun RunProcess(const std::vector<std::string>& command,
                           std::chrono::milliseconds timeout) {
    TThumbnailerRun run;
    int errPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0)
        return run;
    // Built before the fork: between fork and exec the child may not allocate, since
    // another thread of this process may hold the allocator's lock.
    std::vector<char*> argv;
    for (const std::string& a : command)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(errPipe[1]);
    const auto deadline = start + timeout;
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{errPipe[0], POLLIN, 0};
        const int ready = left.count() > 0 ? poll(&p, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            run.TimedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        const ssize_t n = read(errPipe[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        run.Stderr.append(buffer, static_cast<std::size_t>(n));
    }
    close(errPipe[0]);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.PeakKiB = usage.ru_maxrss;
    if (!run.TimedOut && WIFEXITED(status))
        run.ExitCode = WEXITSTATUS(status);
    return run;
}

TThumbnailerRun RunThumbnailer(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{ThumbnailerPath()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunProcess(command);
}

long MemoryBoundKiB() {
#if defined(__SANITIZE_ADDRESS__)
    return 600 * 1024;
#else
    return 100 * 1024;
#endif
}

std::string ThumbsFixture(const std::string& name) {
    const char* data = std::getenv("JIB_TEST_DATA");
    return std::string(data ? data : "tests/data") + "/thumbs/" + name;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string JibWithPreview(const std::string& preview) {
    return BuildZip({{.Name = "layers/background.bin", .Plain = std::string(5000, 'L')},
                     {.Name = "preview.png", .Plain = preview}});
}

thumbs::TRgbaImage DecodePng(const std::string& png) {
    TPngGraphic graphic;
    LoadBytes(graphic, TBytes(png.begin(), png.end()));
    return {graphic.Width(), graphic.Height(), DecodedRgba(graphic)};
}

TImageDifference Difference(const thumbs::TRgbaImage& a, const thumbs::TRgbaImage& b) {
    TImageDifference d;
    if (a.Pixels.size() != b.Pixels.size() || a.Pixels.empty()) {
        d.Max = 255;
        d.Mean = 255;
        return d;
    }
    double sum = 0;
    for (std::size_t i = 0; i < a.Pixels.size(); i += 4) {
        const int alphaA = a.Pixels[i + 3], alphaB = b.Pixels[i + 3];
        for (std::size_t c = 0; c < 4; ++c) {
            const int va = c == 3 ? alphaA : (a.Pixels[i + c] * alphaA + 127) / 255;
            const int vb = c == 3 ? alphaB : (b.Pixels[i + c] * alphaB + 127) / 255;
            const int diff = va > vb ? va - vb : vb - va;
            d.Max = std::max(d.Max, diff);
            sum += diff;
        }
    }
    d.Mean = sum / static_cast<double>(a.Pixels.size());
    return d;
}
