// The engine's internal failures. They never leave the library: UnzEngineExec turns them
// into messages and results. A whole-archive failure ends the run; a member failure skips
// that member and the run goes on with the next.
#pragma once

#include "engine/UnzEngineAbi.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace unz {

// The archive as a whole cannot be used (not a ZIP, damaged directory, unreadable).
class TArchiveError : public std::runtime_error {
public:
    TArchiveError(int32_t code, const std::string& text) : std::runtime_error(text), FCode(code) {}
    int32_t Code() const { return FCode; }

private:
    int32_t FCode;
};

// The central directory is larger than the reader was allowed to take into memory. A
// format error to the engine's callers; a caller with a tighter budget tells it apart.
class TDirectoryTooLarge : public TArchiveError {
public:
    explicit TDirectoryTooLarge(const std::string& text) : TArchiveError(ueFormat, text) {}
};

// One member cannot be extracted; the reason travels to the caller as a message and a
// skipped-member report.
class TMemberError : public std::runtime_error {
public:
    TMemberError(int32_t code, UnZipSkipTypes skipType, const std::string& text)
        : std::runtime_error(text), FCode(code), FSkipType(skipType) {}
    int32_t Code() const { return FCode; }
    UnZipSkipTypes SkipType() const { return FSkipType; }

private:
    int32_t FCode;
    UnZipSkipTypes FSkipType;
};

// The member's data inflated to its declared size but its CRC-32 differs. Kept apart from
// other member failures because the caller is asked what to do with the file.
class TCrcMismatch : public TMemberError {
public:
    TCrcMismatch(uint32_t found, uint32_t expected, const std::string& text)
        : TMemberError(ueCrc, stCrcError, text), FFound(found), FExpected(expected) {}
    uint32_t Found() const { return FFound; }
    uint32_t Expected() const { return FExpected; }

private:
    uint32_t FFound;
    uint32_t FExpected;
};

// The caller's callback asked the engine to stop.
class TStopRequested {};

} // namespace unz
