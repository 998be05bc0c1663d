#include "engine/MemberData.h"

#include "engine/ArchiveFile.h"
#include "engine/CentralDirectory.h"
#include "engine/EngineErrors.h"
#include "engine/PkwareCipher.h"
#include "engine/ZipFormat.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <vector>
#include <zlib.h>

namespace unz {
namespace {

constexpr size_t kBlockSize = 64 * 1024;
// Raw deflate: no zlib header, the full 32 KiB window.
constexpr int kRawDeflateWindowBits = -15;
// Longest data descriptor: signature, CRC and two 8-byte sizes.
constexpr size_t kMaxDescriptorSize = 4 + kDescriptorCrcSize + 16;

std::string Num(uint64_t v) {
    return std::to_string(v);
}

std::string Hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

[[noreturn]] void Refuse(const std::string& text) {
    throw TMemberError(ueFormat, stFormatWrong, text);
}

// Whether `length` bytes at `pos` stay inside [.., limit).
bool Fits(uint64_t pos, uint64_t length, uint64_t limit) {
    return pos <= limit && length <= limit - pos;
}

struct TDescriptorValues {
    uint32_t Crc;
    uint64_t Compressed;
    uint64_t Uncompressed;
};

// Finds the data descriptor after the data. Writers differ on the optional signature and
// on 4- or 8-byte sizes, so every layout that fits the member's range is tried; the one
// whose values equal the central record's is the cross-check that passes.
void CheckDataDescriptor(const TArchiveFile& file, const TMember& m, uint64_t dataEnd) {
    uint64_t room = m.RangeEnd - dataEnd;
    uint8_t buf[kMaxDescriptorSize] = {};
    size_t have = static_cast<size_t>(std::min<uint64_t>(room, sizeof buf));
    file.ReadExact(dataEnd, buf, have, "data descriptor");
    std::optional<TDescriptorValues> seen;
    for (size_t start : {size_t(4), size_t(0)}) {
        if (start == 4 && (have < 4 || Get32(buf) != kDataDescriptorSignature))
            continue;
        for (size_t width : {size_t(4), size_t(8)}) {
            if (start + kDescriptorCrcSize + 2 * width > have)
                continue;
            const uint8_t* p = buf + start;
            TDescriptorValues v{Get32(p), width == 4 ? Get32(p + 4) : Get64(p + 4),
                                width == 4 ? Get32(p + 8) : Get64(p + 12)};
            if (v.Crc == m.Crc32 && v.Compressed == m.CompressedSize &&
                v.Uncompressed == m.UncompressedSize)
                return;
            if (!seen)
                seen = v;
        }
    }
    if (!seen)
        Refuse("data descriptor after offset " + Num(dataEnd) +
               " is missing or runs into the next member");
    Refuse("data descriptor (CRC " + Hex(seen->Crc) + ", sizes " + Num(seen->Compressed) + "/" +
           Num(seen->Uncompressed) + ") disagrees with the central directory (CRC " + Hex(m.Crc32) +
           ", sizes " + Num(m.CompressedSize) + "/" + Num(m.UncompressedSize) + ")");
}

uint8_t CheckByte(const TMember& m) {
    if (m.HasDataDescriptor())
        return static_cast<uint8_t>((m.DosTime >> 8) & 0xFF);
    return static_cast<uint8_t>(m.Crc32 >> 24);
}

// A block no larger than `bytes` need and left uncleared: an archive of thousands of small
// members would otherwise have two 64 KiB blocks zeroed for every one of them.
size_t BlockSizeFor(uint64_t bytes) {
    return static_cast<size_t>(std::clamp<uint64_t>(bytes, 1, kBlockSize));
}

class TBlockReader {
public:
    TBlockReader(const TArchiveFile& file, uint64_t pos, uint64_t size)
        : FFile(file), FPos(pos), FLeft(size), FSize(BlockSizeFor(size)),
          FBuffer(std::make_unique_for_overwrite<uint8_t[]>(FSize)) {}
    uint64_t Left() const { return FLeft; }
    // Reads the next block; answers its length (0 at the end).
    size_t Next(uint8_t*& data) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(FLeft, FSize));
        FFile.ReadExact(FPos, FBuffer.get(), n, "member data");
        FPos += n;
        FLeft -= n;
        data = FBuffer.get();
        return n;
    }

private:
    const TArchiveFile& FFile;
    uint64_t FPos;
    uint64_t FLeft;
    size_t FSize;
    std::unique_ptr<uint8_t[]> FBuffer;
};

struct TInflater {
    z_stream Stream{};
    TInflater() {
        int rc = inflateInit2(&Stream, kRawDeflateWindowBits);
        if (rc == Z_MEM_ERROR)
            throw std::bad_alloc();
        if (rc != Z_OK)
            throw TMemberError(ueSevere, stFormatWrong, "inflate cannot start");
    }
    ~TInflater() { inflateEnd(&Stream); }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;
};

// Counts and checks every byte the sink receives: the declared size is a hard budget.
class TCheckedOutput {
public:
    TCheckedOutput(const TMember& m, TDataSink& sink, const std::function<void(size_t)>& progress)
        : FMember(m), FSink(sink), FProgress(progress) {}
    void Put(const uint8_t* data, size_t n) {
        if (n == 0)
            return;
        if (n > FMember.UncompressedSize - FDone)
            Refuse("data inflates beyond its declared size of " + Num(FMember.UncompressedSize) +
                   " bytes");
        FCrc = crc32_z(FCrc, data, n);
        FDone += n;
        FSink.Write(data, n);
        if (FProgress)
            FProgress(n);
    }
    void Finish() const {
        if (FDone != FMember.UncompressedSize)
            Refuse("data holds " + Num(FDone) + " bytes; its header declares " +
                   Num(FMember.UncompressedSize));
        auto crc = static_cast<uint32_t>(FCrc);
        if (crc != FMember.Crc32)
            throw TCrcMismatch(crc, FMember.Crc32,
                               "CRC error: found " + Hex(crc) + ", expected " + Hex(FMember.Crc32));
    }

private:
    const TMember& FMember;
    TDataSink& FSink;
    const std::function<void(size_t)>& FProgress;
    uint64_t FDone = 0;
    uLong FCrc = crc32_z(0, nullptr, 0);
};

void CopyStored(TBlockReader& in, TPkwareCipher* cipher, TCheckedOutput& out) {
    uint8_t* data = nullptr;
    while (size_t n = in.Next(data)) {
        if (cipher)
            cipher->Decrypt(data, n);
        out.Put(data, n);
    }
}

void Inflate(TBlockReader& in, TPkwareCipher* cipher, TCheckedOutput& out, uint64_t declaredSize) {
    TInflater inflater;
    z_stream& zs = inflater.Stream;
    // More output than declared is refused anyway, so a block of the declared size will do.
    const size_t outSize = BlockSizeFor(declaredSize);
    const auto outBuffer = std::make_unique_for_overwrite<uint8_t[]>(outSize);
    for (;;) {
        if (zs.avail_in == 0 && in.Left() > 0) {
            uint8_t* data = nullptr;
            size_t n = in.Next(data);
            if (cipher)
                cipher->Decrypt(data, n);
            zs.next_in = data;
            zs.avail_in = static_cast<uInt>(n);
        }
        zs.next_out = outBuffer.get();
        zs.avail_out = static_cast<uInt>(outSize);
        int rc = inflate(&zs, Z_NO_FLUSH);
        out.Put(outBuffer.get(), outSize - zs.avail_out);
        if (rc == Z_STREAM_END)
            break;
        if (rc == Z_MEM_ERROR)
            throw std::bad_alloc();
        if (rc == Z_DATA_ERROR || rc == Z_NEED_DICT)
            Refuse(std::string("deflate data is damaged (") + (zs.msg ? zs.msg : "bad data") + ")");
        if (rc == Z_BUF_ERROR && zs.avail_in == 0 && in.Left() == 0)
            Refuse("deflate data ends before its stream does");
    }
    uint64_t unused = zs.avail_in + in.Left();
    if (unused > 0)
        Refuse("deflate stream ends " + Num(unused) + " bytes before the member's data does");
}

} // namespace

TMemberLayout CheckLocalHeader(const TArchiveFile& file, const TMember& m) {
    uint64_t pos = m.LocalHeaderOffset;
    if (m.SharesLocalHeader)
        Refuse("local header at offset " + Num(pos) + " is claimed by another member too");
    if (!Fits(pos, kLocalHeaderSize, m.RangeEnd))
        Refuse("local header at offset " + Num(pos) +
               " has no room before the next member or the central directory");
    uint8_t h[kLocalHeaderSize];
    file.ReadExact(pos, h, sizeof h, "local header");
    if (Get32(h) != kLocalHeaderSignature)
        Refuse("no local header at offset " + Num(pos) + " (found signature " + Hex(Get32(h)) +
               ")");
    size_t nameLength = Get16(h + kLocNameLength);
    size_t extraLength = Get16(h + kLocExtraLength);
    uint64_t namePos = pos + kLocalHeaderSize;
    if (!Fits(namePos, nameLength + extraLength, m.RangeEnd))
        Refuse("local header at offset " + Num(pos) + " runs into the next member");
    std::string nameAndExtra(nameLength + extraLength, '\0');
    file.ReadExact(namePos, nameAndExtra.data(), nameAndExtra.size(), "local header name");
    std::string_view localName(nameAndExtra.data(), nameLength);
    if (localName != m.RawName)
        Refuse("local header names \"" + std::string(localName) +
               "\"; the central directory names \"" + m.RawName + "\"");

    uint16_t flags = Get16(h + kLocFlags);
    uint16_t method = Get16(h + kLocMethod);
    if (method != m.Method)
        Refuse("local header says method " + Num(method) + "; the central directory says " +
               Num(m.Method));
    constexpr uint16_t kCheckedFlags = kFlagEncrypted | kFlagDataDescriptor;
    if ((flags & kCheckedFlags) != (m.Flags & kCheckedFlags))
        Refuse("local header flags " + Hex(flags) + " disagree with the central directory's " +
               Hex(m.Flags));
    if ((flags & kFlagDataDescriptor) == 0) {
        // Without a descriptor the local header carries the real values and they must
        // repeat the central record's; ZIP64 moves the sizes into the local extra field.
        uint64_t compressed = Get32(h + kLocCompressedSize);
        uint64_t uncompressed = Get32(h + kLocUncompressedSize);
        if (compressed == kZip64Size || uncompressed == kZip64Size) {
            auto block = FindExtraBlock(nameAndExtra.substr(nameLength), kZip64ExtraId);
            if (!block || block->size() < 16)
                Refuse("local header lacks the ZIP64 sizes it announces");
            uncompressed = Get64(reinterpret_cast<const uint8_t*>(block->data()));
            compressed = Get64(reinterpret_cast<const uint8_t*>(block->data() + 8));
        }
        if (Get32(h + kLocCrc) != m.Crc32 || compressed != m.CompressedSize ||
            uncompressed != m.UncompressedSize)
            Refuse("local header (CRC " + Hex(Get32(h + kLocCrc)) + ", sizes " + Num(compressed) +
                   "/" + Num(uncompressed) + ") disagrees with the central directory (CRC " +
                   Hex(m.Crc32) + ", sizes " + Num(m.CompressedSize) + "/" +
                   Num(m.UncompressedSize) + ")");
    }

    TMemberLayout layout{namePos + nameLength + extraLength, m.CompressedSize};
    if (!Fits(layout.DataStart, layout.DataSize, m.RangeEnd))
        Refuse("data of " + Num(layout.DataSize) + " bytes at offset " + Num(layout.DataStart) +
               " runs into the next member or the central directory");
    if (m.HasDataDescriptor())
        CheckDataDescriptor(file, m, layout.DataStart + layout.DataSize);
    return layout;
}

bool PasswordFits(const TArchiveFile& file, const TMember& m, const TMemberLayout& layout,
                  std::string_view password) {
    if (layout.DataSize < kEncryptionHeaderSize)
        Refuse("encrypted data is shorter than its encryption header");
    uint8_t header[kEncryptionHeaderSize];
    file.ReadExact(layout.DataStart, header, sizeof header, "encryption header");
    TPkwareCipher cipher(password);
    return cipher.AcceptHeader(header, CheckByte(m));
}

void ExtractMemberData(const TArchiveFile& file, const TMember& m, const TMemberLayout& layout,
                       std::string_view password, TDataSink& sink,
                       const std::function<void(size_t)>& progress) {
    if (m.Method != kMethodStored && m.Method != kMethodDeflated)
        throw TMemberError(ueUnsupported, stCompressionUnknown,
                           "compression method " + Num(m.Method) + " is not supported");
    uint64_t dataStart = layout.DataStart;
    uint64_t dataSize = layout.DataSize;
    std::unique_ptr<TPkwareCipher> cipher;
    if (m.IsEncrypted()) {
        if (m.Flags & kFlagStrongEncryption)
            throw TMemberError(ueUnsupported, stCompressionUnknown,
                               "strong encryption is not supported");
        if (dataSize < kEncryptionHeaderSize)
            Refuse("encrypted data is shorter than its encryption header");
        cipher = std::make_unique<TPkwareCipher>(password);
        uint8_t header[kEncryptionHeaderSize];
        file.ReadExact(dataStart, header, sizeof header, "encryption header");
        if (!cipher->AcceptHeader(header, CheckByte(m)))
            throw TMemberError(ueBadPassword, stBadPassword, "password does not fit");
        dataStart += kEncryptionHeaderSize;
        dataSize -= kEncryptionHeaderSize;
    }
    if (m.Method == kMethodStored && dataSize != m.UncompressedSize)
        Refuse("stored data holds " + Num(dataSize) + " bytes; its header declares " +
               Num(m.UncompressedSize));

    TBlockReader in(file, dataStart, dataSize);
    TCheckedOutput out(m, sink, progress);
    if (m.Method == kMethodStored)
        CopyStored(in, cipher.get(), out);
    else
        Inflate(in, cipher.get(), out, m.UncompressedSize);
    out.Finish();
}

} // namespace unz
