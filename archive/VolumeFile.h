// Reading the files of an archive. A volume is opened only when it is a regular file: a
// FIFO would block the program forever and a device would be read without end, and both
// may stand under any name a hostile archive makes us probe. Reads go through a buffer so
// a directory of thousands of records costs a few system calls, not three per record.
#pragma once

#include "gui/Stream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A regular file opened for reading. Raises EFOpenError when the path cannot be opened or
// does not name a regular file.
class TVolumeFile : public TStream {
public:
    explicit TVolumeFile(const std::string& path);
    ~TVolumeFile() override;
    TVolumeFile(const TVolumeFile&) = delete;
    TVolumeFile& operator=(const TVolumeFile&) = delete;

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

private:
    int FHandle = -1;
    std::int64_t FPosition = 0;
    std::int64_t FSize = 0;
};

// Opens `path` for reading as an archive volume (the default volume opener).
std::unique_ptr<TStream> OpenVolumeFile(const std::string& path);

// A buffered reader over one open volume. The underlying stream may answer any read with
// fewer bytes than asked for; the reader keeps asking until it has the count or the
// stream is at its end.
class TVolumeReader {
public:
    explicit TVolumeReader(std::unique_ptr<TStream> stream);

    std::int64_t Length() const { return FLength; }
    std::int64_t Position() const { return FBufferStart + static_cast<std::int64_t>(FBufferPos); }
    std::int64_t Remaining() const { return FLength - Position(); }

    // Moves to `position` (0..Length()); raises EStreamError when the stream cannot.
    void Seek(std::int64_t position);
    // Reads up to `count` bytes; answers how many were read (fewer only at the end).
    std::size_t Read(void* buffer, std::size_t count);
    // Appends up to `count` bytes to `out` as they arrive, so nothing is reserved for
    // bytes a hostile length field only claims; answers how many were appended.
    std::size_t Append(std::string& out, std::size_t count);

private:
    bool Fill();

    std::unique_ptr<TStream> FStream;
    std::int64_t FLength = 0;
    std::unique_ptr<std::uint8_t[]> FBuffer;
    std::size_t FBufferSize = 0;
    std::size_t FNextRead;         // bytes the next fill asks for
    std::int64_t FBufferStart = 0; // stream position of FBuffer[0]
    std::size_t FBufferPos = 0;
    std::size_t FBufferLen = 0;
};
