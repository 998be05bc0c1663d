// jibview-thumbnailer: the freedesktop thumbnailer for JIB files, which file managers run
// once per file they show (see packaging/jibview.thumbnailer):
//
//   jibview-thumbnailer [-s SIZE] INPUT OUTPUT
//
// INPUT is a path or a file: URI; OUTPUT receives a PNG of at most SIZE x SIZE pixels
// (256 by default), written under a temporary name and renamed into place, so a reader
// never sees half of it. On failure nothing is written, one line on standard error says
// why, and the exit code tells the reason (see TExitCode). No Qt is loaded: a file manager
// starts this for every file of every folder the user opens, and each start counts.
#include "platform/AtomicFile.h"
#include "thumbs/FileUri.h"
#include "thumbs/Thumbnail.h"
#include "thumbs/ThumbnailPng.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr const char* kProgram = "jibview-thumbnailer";
constexpr int kDefaultSize = 256;
// PNG sides stop at 65535 pixels, and thumbnails are never larger than their preview.
constexpr int kMaxSize = 65535;
// Thumbnails show what a user's file looks like; like the freedesktop thumbnail cache's
// files, they are for the user alone.
constexpr mode_t kOutputMode = 0600;

enum TExitCode : int {
    ecWritten = 0,
    ecNoThumbnail = 1,
    ecUsage = 2,
    ecUnreadable = 3,
    ecDamagedArchive = 4,
    ecUnsupportedMethod = 5,
    ecDamagedImage = 6,
    ecTooBig = 7,
    ecTimedOut = 8,
    ecCannotWrite = 9,
};

int ExitCodeOf(thumbs::TThumbnailFailure failure) {
    using thumbs::TThumbnailFailure;
    switch (failure) {
    case TThumbnailFailure::tfNone:
        return ecWritten;
    case TThumbnailFailure::tfNoThumbnail:
    case TThumbnailFailure::tfCancelled:
        return ecNoThumbnail;
    case TThumbnailFailure::tfUnreadable:
        return ecUnreadable;
    case TThumbnailFailure::tfDamagedArchive:
        return ecDamagedArchive;
    case TThumbnailFailure::tfUnsupportedMethod:
        return ecUnsupportedMethod;
    case TThumbnailFailure::tfDamagedImage:
        return ecDamagedImage;
    case TThumbnailFailure::tfTooBig:
        return ecTooBig;
    case TThumbnailFailure::tfTimedOut:
        return ecTimedOut;
    }
    return ecDamagedArchive;
}

// File names and readers' texts may hold line breaks; the report stays one line.
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return line;
}

int Fail(int code, std::string_view subject, std::string_view what) {
    std::fprintf(stderr, "%s: %s: %s\n", kProgram, OneLine(subject).c_str(), OneLine(what).c_str());
    return code;
}

void PrintUsage(std::FILE* to) {
    std::fprintf(to,
                 "Usage: %s [-s SIZE] INPUT OUTPUT\n"
                 "Writes the thumbnail stored in the JIB file INPUT (a path or a file: URI)\n"
                 "to OUTPUT as a PNG image of at most SIZE x SIZE pixels (default %d).\n"
                 "Exit codes: 0 written, 1 no thumbnail, 2 usage, 3 unreadable file,\n"
                 "4 damaged archive, 5 unsupported compression, 6 damaged image, 7 too big,\n"
                 "8 too slow, 9 output not written.\n",
                 kProgram, kDefaultSize);
}

std::optional<int> ParseSize(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > kMaxSize)
        return std::nullopt;
    return value;
}

struct TArguments {
    int Size = kDefaultSize;
    std::string Input;
    std::string Output;
};

// Answers the arguments, or the exit code to end with at once (help, or a usage error).
std::optional<TArguments> ParseArguments(int argc, char** argv, int& exitCode) {
    TArguments args;
    int positional = 0;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::optional<std::string_view> sizeText;
        if (options && (arg == "-h" || arg == "--help")) {
            PrintUsage(stdout);
            exitCode = ecWritten;
            return std::nullopt;
        } else if (options && arg == "--") {
            options = false;
            continue;
        } else if (options && (arg == "-s" || arg == "--size")) {
            if (i + 1 == argc) {
                exitCode = Fail(ecUsage, arg, "needs a size");
                return std::nullopt;
            }
            sizeText = argv[++i];
        } else if (options && arg.starts_with("--size=")) {
            sizeText = arg.substr(7);
        } else if (options && arg.starts_with("-s")) {
            sizeText = arg.substr(2);
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            exitCode = Fail(ecUsage, arg, "unknown option (see --help)");
            return std::nullopt;
        } else {
            (positional == 0 ? args.Input : args.Output) = arg;
            if (++positional > 2) {
                exitCode = Fail(ecUsage, arg, "one input and one output only (see --help)");
                return std::nullopt;
            }
            continue;
        }
        const std::optional<int> size = ParseSize(*sizeText);
        if (!size) {
            exitCode = Fail(ecUsage, *sizeText, "the size is a number of pixels from 1 to 65535");
            return std::nullopt;
        }
        args.Size = *size;
    }
    if (positional != 2 || args.Input.empty() || args.Output.empty()) {
        PrintUsage(stderr);
        exitCode = ecUsage;
        return std::nullopt;
    }
    return args;
}

} // namespace

int main(int argc, char** argv) {
    int exitCode = ecUsage;
    const std::optional<TArguments> args = ParseArguments(argc, argv, exitCode);
    if (!args)
        return exitCode;

    std::string error;
    const std::optional<std::string> path = thumbs::LocalPathOf(args->Input, error);
    if (!path)
        return Fail(ecUnreadable, args->Input, error);

    thumbs::TThumbnailRequest request;
    request.Size = args->Size;
    const thumbs::TThumbnail thumbnail = thumbs::MakeThumbnail(*path, request);
    if (!thumbnail.Ok())
        return Fail(ExitCodeOf(thumbnail.Failure), args->Input,
                    std::string(thumbs::FailureText(thumbnail.Failure)) + " (" + thumbnail.Detail +
                        ")");

    const std::vector<std::uint8_t> png = thumbs::ThumbnailPngOf(thumbnail, {});
    const std::string_view bytes(reinterpret_cast<const char*>(png.data()), png.size());
    if (!platform::PublishFileAtomically(args->Output, bytes, kOutputMode))
        return Fail(ecCannotWrite, args->Output, std::strerror(errno));
    return ecWritten;
}
