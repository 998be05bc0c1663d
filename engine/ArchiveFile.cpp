#include "engine/ArchiveFile.h"

#include "engine/EngineErrors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace unz {

TArchiveFile::TArchiveFile(const std::string& path) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer forever,
    // before the check below could refuse it. Regular files ignore the flag.
    FFd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (FFd < 0)
        throw TArchiveError(ueSevere, "cannot open archive " + path + ": " + strerror(errno));
    struct stat st {};
    // A FIFO or device named as the archive would block or never end; only plain files
    // have a size that the directory's positions can be checked against.
    if (fstat(FFd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(FFd);
        FFd = -1;
        throw TArchiveError(ueSevere, "archive " + path + " is not a regular file");
    }
    FSize = static_cast<uint64_t>(st.st_size);
}

TArchiveFile::TArchiveFile(const uint8_t* data, uint64_t size)
    : FData(data), FInMemory(true), FSize(size) {
}

TArchiveFile::~TArchiveFile() {
    if (FFd >= 0)
        close(FFd);
}

void TArchiveFile::ReadExact(uint64_t offset, void* buffer, size_t length, const char* what) const {
    if (offset > FSize || length > FSize - offset)
        throw TArchiveError(ueFormat, std::string(what) + " at offset " + std::to_string(offset) +
                                          " needs " + std::to_string(length) +
                                          " bytes, but the archive ends at " +
                                          std::to_string(FSize));
    auto* out = static_cast<char*>(buffer);
    if (FInMemory) {
        if (length > 0)
            std::memcpy(out, FData + offset, length);
        return;
    }
    while (length > 0) {
        ssize_t got = pread(FFd, out, length, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw TArchiveError(
                ueSevere, std::string("reading ") + what + " at offset " + std::to_string(offset) +
                              " failed: " + (got < 0 ? strerror(errno) : "file shrank"));
        out += got;
        offset += static_cast<uint64_t>(got);
        length -= static_cast<size_t>(got);
    }
}

} // namespace unz
