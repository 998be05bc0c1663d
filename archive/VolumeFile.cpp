#include "archive/VolumeFile.h"

#include "gui/Exceptions.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kReadBlock = 64 * 1024;
constexpr std::size_t kSmallestBlock = 256;
// The first read after a seek takes this much, each further one twice the last, up to
// kReadBlock: the directory reader looks at a few bytes here and there (the signature at
// the start, the end record) and reads whole directories in one go, and the first should
// not copy 64 KiB it never looks at.
constexpr std::size_t kFirstRead = 4 * 1024;

} // namespace

TVolumeFile::TVolumeFile(const std::string& path) {
    // Opening a FIFO for reading waits for a writer; O_NONBLOCK makes the open return at
    // once so the type check below can refuse it. The check runs on the descriptor, so
    // no name swapped in between can slip past it.
    do {
        FHandle = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (FHandle < 0 && errno == EINTR);
    if (FHandle < 0)
        throw EFOpenError("Cannot open file \"" + path + "\". " + std::strerror(errno));
    struct stat st;
    if (::fstat(FHandle, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(FHandle);
        FHandle = -1;
        throw EFOpenError("Cannot open file \"" + path + "\". Not a regular file");
    }
    FSize = st.st_size;
}

TVolumeFile::~TVolumeFile() {
    if (FHandle >= 0)
        ::close(FHandle);
}

std::size_t TVolumeFile::Read(void* buffer, std::size_t count) {
    for (;;) {
        const ssize_t n = ::pread(FHandle, buffer, count, static_cast<off_t>(FPosition));
        if (n >= 0) {
            FPosition += n;
            return static_cast<std::size_t>(n);
        }
        if (errno != EINTR)
            return 0;
    }
}

std::size_t TVolumeFile::Write(const void*, std::size_t) {
    return 0; // volumes are only read
}

std::int64_t TVolumeFile::Seek(std::int64_t offset, TSeekOrigin origin) {
    const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                              : origin == TSeekOrigin::soCurrent ? FPosition
                                                                 : FSize;
    if (base + offset < 0)
        throw EStreamError("Invalid stream position");
    FPosition = base + offset;
    return FPosition;
}

std::unique_ptr<TStream> OpenVolumeFile(const std::string& path) {
    return std::make_unique<TVolumeFile>(path);
}

TVolumeReader::TVolumeReader(std::unique_ptr<TStream> stream)
    : FStream(std::move(stream)), FNextRead(kFirstRead) {
    FLength = FStream->Seek(0, TSeekOrigin::soEnd);
    FStream->Seek(0, TSeekOrigin::soBeginning);
}

void TVolumeReader::Seek(std::int64_t position) {
    if (position < 0 || position > FLength)
        throw EStreamError("Seek outside the volume");
    // A seek inside the buffer keeps it; the directory reader seeks back and forth over
    // small distances.
    if (position >= FBufferStart &&
        position <= FBufferStart + static_cast<std::int64_t>(FBufferLen)) {
        FBufferPos = static_cast<std::size_t>(position - FBufferStart);
        return;
    }
    FStream->Seek(position, TSeekOrigin::soBeginning);
    FBufferStart = position;
    FBufferPos = FBufferLen = 0;
    FNextRead = kFirstRead;
}

bool TVolumeReader::Fill() {
    // A small volume gets a small buffer: a spanned set may be read over many tiny ones.
    // Left uninitialised: every byte used is read first.
    if (FBuffer == nullptr) {
        FBufferSize = static_cast<std::size_t>(std::clamp<std::int64_t>(
            FLength, kSmallestBlock, static_cast<std::int64_t>(kReadBlock)));
        FBuffer.reset(new std::uint8_t[FBufferSize]);
    }
    FBufferStart += static_cast<std::int64_t>(FBufferLen);
    FBufferPos = FBufferLen = 0;
    // Never past the volume's end: a read there only answers that there is nothing more,
    // one system call after the short read that already said so.
    const std::size_t wanted = static_cast<std::size_t>(std::clamp<std::int64_t>(
        FLength - FBufferStart, 0, static_cast<std::int64_t>(std::min(FNextRead, FBufferSize))));
    FNextRead = std::min(FNextRead * 2, kReadBlock);
    while (FBufferLen < wanted) {
        const std::size_t n = FStream->Read(FBuffer.get() + FBufferLen, wanted - FBufferLen);
        if (n == 0)
            break;
        FBufferLen += n;
    }
    return FBufferLen > 0;
}

std::size_t TVolumeReader::Read(void* buffer, std::size_t count) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        if (FBufferPos == FBufferLen && !Fill())
            break;
        const std::size_t n = std::min(count - done, FBufferLen - FBufferPos);
        std::memcpy(out + done, FBuffer.get() + FBufferPos, n);
        FBufferPos += n;
        done += n;
    }
    return done;
}

std::size_t TVolumeReader::Append(std::string& out, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        if (FBufferPos == FBufferLen && !Fill())
            break;
        const std::size_t n = std::min(count - done, FBufferLen - FBufferPos);
        out.append(reinterpret_cast<const char*>(FBuffer.get() + FBufferPos), n);
        FBufferPos += n;
        done += n;
    }
    return done;
}
