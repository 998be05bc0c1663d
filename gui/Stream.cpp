#include "gui/Stream.h"

#include "gui/Exceptions.h"
#include "platform/StrFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

std::int64_t TStream::Size() {
    const std::int64_t position = Seek(0, TSeekOrigin::soCurrent);
    const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(position, TSeekOrigin::soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, std::size_t count) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    // Short reads are allowed by Read; keep going until the stream has nothing more.
    while (count > 0) {
        const std::size_t n = Read(out, count);
        if (n == 0)
            throw EReadError("Stream read error");
        out += n;
        count -= n;
    }
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    while (count > 0) {
        const std::size_t n = Write(in, count);
        if (n == 0)
            throw EWriteError("Stream write error");
        in += n;
        count -= n;
    }
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<std::uint8_t> block(64 * 1024);
    std::int64_t remaining = count;
    while (remaining > 0) {
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(remaining, static_cast<std::int64_t>(block.size())));
        source.ReadBuffer(block.data(), n);
        WriteBuffer(block.data(), n);
        remaining -= static_cast<std::int64_t>(n);
    }
    return count;
}

TFileStream::TFileStream(const std::string& fileName, Mode mode) : FFileName(fileName) {
    int flags = O_CLOEXEC;
    switch (mode) {
    case fmOpenRead:
        flags |= O_RDONLY;
        break;
    case fmOpenWrite:
        flags |= O_WRONLY;
        break;
    case fmOpenReadWrite:
        flags |= O_RDWR;
        break;
    case fmCreate:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    }
    do {
        FHandle = ::open(fileName.c_str(), flags, 0644);
    } while (FHandle < 0 && errno == EINTR);
    if (FHandle < 0) {
        const char* reason = std::strerror(errno);
        if (mode == fmCreate)
            throw EFCreateError(Format("Cannot create file \"%s\". %s", fileName.c_str(), reason));
        throw EFOpenError(Format("Cannot open file \"%s\". %s", fileName.c_str(), reason));
    }
}

TFileStream::~TFileStream() {
    if (FHandle >= 0)
        ::close(FHandle);
}

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
    for (;;) {
        const ssize_t n = ::read(FHandle, buffer, count);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            return 0;
    }
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
    for (;;) {
        const ssize_t n = ::write(FHandle, buffer, count);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            return 0;
    }
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                       : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
    const off_t at = ::lseek(FHandle, static_cast<off_t>(offset), whence);
    if (at < 0)
        throw EStreamError(Format("Cannot seek in \"%s\". %s", FFileName.c_str(),
                                  std::strerror(errno)));
    return at;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    if (FPosition >= FData.size())
        return 0;
    const std::size_t n = std::min(count, FData.size() - FPosition);
    std::memcpy(buffer, FData.data() + FPosition, n);
    FPosition += n;
    return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
    if (count == 0)
        return 0;
    if (FPosition + count > FData.size())
        FData.resize(FPosition + count);
    std::memcpy(FData.data() + FPosition, buffer, count);
    FPosition += count;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                              : origin == TSeekOrigin::soCurrent
                                  ? static_cast<std::int64_t>(FPosition)
                                  : static_cast<std::int64_t>(FData.size());
    const std::int64_t at = base + offset;
    if (at < 0)
        throw EStreamError("Invalid stream position");
    FPosition = static_cast<std::size_t>(at);
    return at;
}

void TMemoryStream::SetSize(std::size_t size) {
    FData.resize(size);
    FPosition = std::min(FPosition, size);
}

void TMemoryStream::Clear() {
    FData.clear();
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
    source.SetPosition(0);
    const std::int64_t size = source.Size();
    FData.resize(static_cast<std::size_t>(size));
    if (size > 0)
        source.ReadBuffer(FData.data(), FData.size());
    FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, TFileStream::fmOpenRead);
    LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& target) const {
    if (!FData.empty())
        target.WriteBuffer(FData.data(), FData.size());
}

void TMemoryStream::SaveToFile(const std::string& fileName) const {
    TFileStream file(fileName, TFileStream::fmCreate);
    SaveToStream(file);
}
