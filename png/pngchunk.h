// The chunk stream's building blocks: the CRC every chunk carries, the chunk base class
// that keeps a chunk's raw bytes, the chunk list the PNG object owns, and the registry
// that picks a class for each chunk type met in a stream.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TChunkIHDR;
class TPngGraphic;
class TStream;

namespace png {

// The eight bytes every PNG stream starts with.
inline constexpr std::uint8_t kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// A chunk type: four bytes, exactly as they stand in the stream, compared case-sensitively.
using TChunkType = std::array<char, 4>;

constexpr TChunkType MakeChunkType(std::string_view text) {
    return {text[0], text[1], text[2], text[3]};
}
inline std::string_view TypeText(const TChunkType& type) {
    return {type.data(), type.size()};
}

// Bit 5 of the first type byte clear (an uppercase letter) marks a chunk a decoder must
// understand to show the image.
constexpr bool IsCriticalChunk(const TChunkType& type) {
    return (static_cast<unsigned char>(type[0]) & 0x20) == 0;
}

// The format's ceiling for a chunk length; anything above it is a damaged length field.
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFF;

// The running CRC of the format: start from kCrcStart, update over the type bytes and the
// data, and store the complement. The update carries one running value across any number
// of calls, so the image data reader can check chunks it reads in pieces.
constexpr std::uint32_t kCrcStart = 0xFFFFFFFF;
std::uint32_t UpdateCrc(std::uint32_t crc, const void* data, std::size_t length);

std::uint32_t ReadBigEndian32(const std::uint8_t* p);
void WriteBigEndian32(std::uint8_t* p, std::uint32_t value);

// Reads up to `count` bytes, going on after short reads; answers how many arrived.
std::size_t ReadFully(TStream& stream, void* buffer, std::size_t count);

// Reads a 4-byte big-endian number; answers false when the stream ends first.
bool ReadBigEndian32(TStream& stream, std::uint32_t& value);

// Writes one whole chunk: length, type, data and the CRC over type and data.
void WriteChunk(TStream& stream, const TChunkType& type, const std::uint8_t* data,
                std::uint32_t size);

} // namespace png

// One chunk of a PNG stream. Classes for the chunk kinds the decoder understands derive
// from it; every other chunk is kept as a TChunk with its raw data and its real type.
class TChunk {
public:
    explicit TChunk(TPngGraphic& owner) : TChunk(owner, ClassKindName()) {}
    virtual ~TChunk() = default;
    TChunk(const TChunk&) = delete;
    TChunk& operator=(const TChunk&) = delete;

    // The chunk type a class stands for; empty for the base class, which stands for any.
    static constexpr std::string_view ClassKindName() { return ""; }
    virtual std::string_view KindName() const { return ClassKindName(); }
    // A new chunk of exactly this class (used when a PNG object copies another).
    virtual std::unique_ptr<TChunk> NewInstance(TPngGraphic& owner) const {
        return std::make_unique<TChunk>(owner);
    }

    // Copies the type name and the data.
    virtual void Assign(const TChunk& source);
    // Reads `length` data bytes and the stored CRC that follow in `stream`; raises
    // EPngInvalidCRC when the CRC differs or the stream ends first. Kinds parse their data
    // only after this succeeded. Answers false to stop the reading loop early.
    virtual bool LoadFromStream(TStream& stream, const png::TChunkType& type, std::uint32_t length);
    // Writes length, type, data and CRC.
    virtual bool SaveToStream(TStream& stream);

    const std::uint8_t* Data() const { return FData.data(); }
    std::uint8_t* Data() { return FData.data(); }
    std::uint32_t DataSize() const { return FDataSize; }
    // Keeps the old bytes up to the smaller size; one zero byte always follows the data,
    // so text parsers can never run past it.
    void ResizeData(std::uint32_t size);

    TPngGraphic& Owner() const { return FOwner; }
    const png::TChunkType& TypeName() const { return FTypeName; }
    void SetTypeName(const png::TChunkType& type) { FTypeName = type; }

    // The owner's first chunk, which the reading loop guarantees is the header.
    TChunkIHDR& Header() const;

protected:
    TChunk(TPngGraphic& owner, std::string_view kindName);

private:
    std::vector<std::uint8_t> FData;
    std::uint32_t FDataSize = 0;
    TPngGraphic& FOwner;
    png::TChunkType FTypeName{};
};

// Declares a chunk class's kind name and its same-class factory.
#define JIB_PNG_CHUNK_KIND(Class, Kind)                                                            \
public:                                                                                            \
    static constexpr std::string_view ClassKindName() {                                            \
        return Kind;                                                                               \
    }                                                                                              \
    std::string_view KindName() const override {                                                   \
        return ClassKindName();                                                                    \
    }                                                                                              \
    std::unique_ptr<TChunk> NewInstance(TPngGraphic& owner) const override {                       \
        return std::make_unique<Class>(owner);                                                     \
    }

// A list of owned objects with the classic list operations. Slots past the count that a
// size change opens stay empty until they are set.
template <class T> class TPNGPointerList {
public:
    explicit TPNGPointerList(TPngGraphic& owner) : FOwner(owner) {}

    TPngGraphic& Owner() const { return FOwner; }
    int Count() const { return static_cast<int>(FItems.size()); }

    // Null for an index not below the count; negative indexes too.
    T* Item(int index) const {
        return static_cast<unsigned>(index) < FItems.size() ? FItems[index].get() : nullptr;
    }
    // Ignored (the item is destroyed) for an index not below the count.
    void SetItem(int index, std::unique_ptr<T> item) {
        if (static_cast<unsigned>(index) < FItems.size())
            FItems[index] = std::move(item);
    }
    void Add(std::unique_ptr<T> item) { FItems.push_back(std::move(item)); }
    // Takes the last slot holding `item` out of the list and hands the item back; null
    // when the list doesn't hold it.
    std::unique_ptr<T> Remove(T* item) {
        for (auto it = FItems.rbegin(); it != FItems.rend(); ++it)
            if (it->get() == item) {
                std::unique_ptr<T> removed = std::move(*it);
                FItems.erase(std::next(it).base());
                return removed;
            }
        return nullptr;
    }
    // Items beyond a shrunk size are destroyed.
    void SetSize(int size) { FItems.resize(size > 0 ? static_cast<std::size_t>(size) : 0); }

private:
    TPngGraphic& FOwner;
    std::vector<std::unique_ptr<T>> FItems;
};

class TPNGList : public TPNGPointerList<TChunk> {
public:
    using TPNGPointerList::TPNGPointerList;

    // The first chunk, in list order, of class C or a class derived from it.
    template <class C> C* FindChunk() const {
        for (int i = 0; i < Count(); ++i)
            if (auto* chunk = dynamic_cast<C*>(Item(i)))
                return chunk;
        return nullptr;
    }
};

namespace png {

struct TChunkClass {
    std::string_view KindName;
    std::unique_ptr<TChunk> (*Create)(TPngGraphic& owner);
};

// The chunk classes the decoder knows, in the order they are matched.
const std::vector<TChunkClass>& ChunkClassRegistry();

// A chunk of the first registered class whose kind name equals `type`, or a base-class
// chunk when none does; either way it carries `type` as its type name.
std::unique_ptr<TChunk> CreateChunk(TPngGraphic& owner, const TChunkType& type);

} // namespace png
