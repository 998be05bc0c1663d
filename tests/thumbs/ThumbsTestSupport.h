// Helpers of the thumbnail tests: jibview-thumbnailer run as a file manager runs it (a
// process of its own, with its exit code, standard error, peak memory and time), JIB
// archives holding a given preview, and thumbnails compared with ImageMagick's.
#pragma once

#include "thumbs/Thumbnail.h"

#include <chrono>
#include <string>
#include <vector>

struct TThumbnailerRun {
    int ExitCode = -1; // -1 when it did not exit by itself
    bool TimedOut = false;
    std::string Stderr;
    long PeakKiB = 0; // the process's peak resident memory
    double Seconds = 0;
};

// jibview-thumbnailer, built beside the test binary.
std::string ThumbnailerPath();

// Runs `command` (a program and its arguments, without a shell) with standard input and
// output on /dev/null, and kills it once `timeout` has passed.
TThumbnailerRun RunProcess(const std::vector<std::string>& command,
                           std::chrono::milliseconds timeout = std::chrono::seconds(30));
// RunProcess of jibview-thumbnailer with `arguments`.
TThumbnailerRun RunThumbnailer(const std::vector<std::string>& arguments);

// The most resident memory a thumbnailer run may take: the budgets allow far more, but no
// test input comes near them. The sanitizers' shadow memory and quarantine add their own.
long MemoryBoundKiB();

// A file of tests/data/thumbs.
std::string ThumbsFixture(const std::string& name);
std::string ReadAll(const std::string& path);

// A JIB archive holding `preview` as "preview.png" after a layer member, built byte by byte
// with the preview deflated.
std::string JibWithPreview(const std::string& preview);

// The RGBA pixels our PNG decoder reads from `png` (a file's bytes).
thumbs::TRgbaImage DecodePng(const std::string& png);

// How far two images of one size lie apart, in 8-bit levels of the colour channels
// premultiplied by alpha (a transparent pixel's colour cannot be seen) and of alpha.
struct TImageDifference {
    double Mean = 0;
    int Max = 0;
};
TImageDifference Difference(const thumbs::TRgbaImage& a, const thumbs::TRgbaImage& b);
