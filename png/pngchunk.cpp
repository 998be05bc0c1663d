#include "png/pngchunk.h"

#include "gui/Stream.h"
#include "png/pngchunks.h"
#include "png/pnggraphic.h"
#include "png/pngmessages.h"

#include <algorithm>
#include <limits>
#include <zlib.h>

namespace png {

std::uint32_t UpdateCrc(std::uint32_t crc, const void* data, std::size_t length) {
    // zlib computes the same CRC with wider tables; its functions take and answer the
    // complemented value, so the running value is complemented on the way in and out.
    const auto* p = static_cast<const Bytef*>(data);
    uLong value = ~crc & 0xFFFFFFFFu;
    while (length > 0) {
        const auto n = static_cast<uInt>(std::min<std::size_t>(length, 1u << 30));
        value = crc32(value, p, n);
        p += n;
        length -= n;
    }
    return ~static_cast<std::uint32_t>(value);
}

std::uint32_t ReadBigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

void WriteBigEndian32(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value >> 24);
    p[1] = static_cast<std::uint8_t>(value >> 16);
    p[2] = static_cast<std::uint8_t>(value >> 8);
    p[3] = static_cast<std::uint8_t>(value);
}

std::size_t ReadFully(TStream& stream, void* buffer, std::size_t count) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t got = 0;
    while (got < count) {
        const std::size_t n = stream.Read(out + got, count - got);
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

bool ReadBigEndian32(TStream& stream, std::uint32_t& value) {
    std::uint8_t bytes[4];
    if (ReadFully(stream, bytes, sizeof bytes) != sizeof bytes)
        return false;
    value = ReadBigEndian32(bytes);
    return true;
}

void WriteChunk(TStream& stream, const TChunkType& type, const std::uint8_t* data,
                std::uint32_t size) {
    std::uint8_t word[4];
    WriteBigEndian32(word, size);
    stream.WriteBuffer(word, sizeof word);
    stream.WriteBuffer(type.data(), type.size());
    if (size > 0)
        stream.WriteBuffer(data, size);
    const std::uint32_t crc = UpdateCrc(UpdateCrc(kCrcStart, type.data(), type.size()), data, size);
    WriteBigEndian32(word, ~crc);
    stream.WriteBuffer(word, sizeof word);
}

namespace {

template <class C> std::unique_ptr<TChunk> Make(TPngGraphic& owner) {
    return std::make_unique<C>(owner);
}

} // namespace

const std::vector<TChunkClass>& ChunkClassRegistry() {
    static const std::vector<TChunkClass> registry = {
        {TChunkIEND::ClassKindName(), Make<TChunkIEND>},
        {TChunkIHDR::ClassKindName(), Make<TChunkIHDR>},
        {TChunkIDAT::ClassKindName(), Make<TChunkIDAT>},
        {TChunkPLTE::ClassKindName(), Make<TChunkPLTE>},
        {TChunkgAMA::ClassKindName(), Make<TChunkgAMA>},
        {TChunktRNS::ClassKindName(), Make<TChunktRNS>},
        {TChunktIME::ClassKindName(), Make<TChunktIME>},
        {TChunktEXt::ClassKindName(), Make<TChunktEXt>},
        {TChunkzTXt::ClassKindName(), Make<TChunkzTXt>},
    };
    return registry;
}

std::unique_ptr<TChunk> CreateChunk(TPngGraphic& owner, const TChunkType& type) {
    std::unique_ptr<TChunk> chunk;
    for (const TChunkClass& c : ChunkClassRegistry())
        if (c.KindName == TypeText(type)) {
            chunk = c.Create(owner);
            break;
        }
    if (!chunk)
        chunk = std::make_unique<TChunk>(owner);
    chunk->SetTypeName(type);
    return chunk;
}

} // namespace png

TChunk::TChunk(TPngGraphic& owner, std::string_view kindName) : FData(1, 0), FOwner(owner) {
    if (kindName.size() == FTypeName.size())
        std::copy(kindName.begin(), kindName.end(), FTypeName.begin());
}

void TChunk::ResizeData(std::uint32_t size) {
    FData.resize(std::size_t{size} + 1);
    FData[size] = 0;
    FDataSize = size;
}

void TChunk::Assign(const TChunk& source) {
    FTypeName = source.FTypeName;
    FData = source.FData;
    FDataSize = source.FDataSize;
}

bool TChunk::LoadFromStream(TStream& stream, const png::TChunkType& type, std::uint32_t length) {
    // A length the stream can't hold is a cut-off file or a damaged length field; either way
    // the stored CRC can't be reached, so fail as a CRC mismatch before allocating anything
    // the length asks for.
    const std::int64_t remaining = stream.Size() - stream.Position();
    if (length > png::kMaxChunkLength || static_cast<std::int64_t>(length) > remaining) {
        ResizeData(0);
        png::RaiseError<EPngInvalidCRC>(png::EPngInvalidCRCText);
    }
    ResizeData(length);
    const bool complete = png::ReadFully(stream, Data(), length) == length;
    std::uint32_t stored = 0;
    if (!complete || !png::ReadBigEndian32(stream, stored))
        png::RaiseError<EPngInvalidCRC>(png::EPngInvalidCRCText);
    std::uint32_t crc = png::UpdateCrc(png::kCrcStart, type.data(), type.size());
    crc = png::UpdateCrc(crc, Data(), length);
    if (~crc != stored)
        png::RaiseError<EPngInvalidCRC>(png::EPngInvalidCRCText);
    return true;
}

bool TChunk::SaveToStream(TStream& stream) {
    png::WriteChunk(stream, FTypeName, Data(), FDataSize);
    return true;
}

TChunkIHDR& TChunk::Header() const {
    return FOwner.Header();
}
