// The chunk kinds the decoder understands: the header that owns the decoded bitmap, the
// image data that fills it, and the palette, transparency, gamma, time and text chunks
// around them.
#pragma once

#include "platform/gdi/Dib.h"
#include "platform/gdi/MemoryDC.h"
#include "png/pngchunk.h"

#include <cstdlib>
#include <string>

namespace png {

// Colour types of the header.
enum TColorType : std::uint8_t {
    COLOR_GRAYSCALE = 0,
    COLOR_RGB = 2,
    COLOR_PALETTE = 3,
    COLOR_GRAYSCALEALPHA = 4,
    COLOR_RGBALPHA = 6,
};

// Byte offsets in the 13 bytes of header data.
constexpr std::size_t kIhdrWidth = 0;
constexpr std::size_t kIhdrHeight = 4;
constexpr std::size_t kIhdrBitDepth = 8;
constexpr std::size_t kIhdrColorType = 9;
constexpr std::size_t kIhdrCompression = 10;
constexpr std::size_t kIhdrFilterMethod = 11;
constexpr std::size_t kIhdrInterlace = 12;
constexpr std::uint32_t kIhdrSize = 13;

constexpr std::uint32_t kMaxDimension = 65535;

// True for the colour type and bit depth pairs the format defines.
bool IsLegalColorDepth(unsigned colorType, unsigned bitDepth);
// Bits per pixel of the bitmap that holds an image of this kind (1, 4, 8 or 24).
int BitmapBitCount(unsigned colorType, unsigned bitDepth);

// The transparent grey sample, or red, green and blue samples, of a tRNS chunk.
struct TSampleKey {
    std::uint16_t Samples[3] = {};
};

} // namespace png

// The header record, width and height in machine byte order.
struct TIHDRData {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint8_t BitDepth = 0;
    std::uint8_t ColorType = 0;
    std::uint8_t CompressionMethod = 0;
    std::uint8_t FilterMethod = 0;
    std::uint8_t InterlaceMethod = 0;
};

class TChunkIEND : public TChunk {
    JIB_PNG_CHUNK_KIND(TChunkIEND, "IEND")
public:
    explicit TChunkIEND(TPngGraphic& owner) : TChunk(owner, ClassKindName()) {}
};

// The header: validates the image's dimensions and methods and owns the bitmap that the
// image data is decoded into, plus a separate alpha plane for images with alpha.
class TChunkIHDR : public TChunk {
    JIB_PNG_CHUNK_KIND(TChunkIHDR, "IHDR")
public:
    explicit TChunkIHDR(TPngGraphic& owner) : TChunk(owner, ClassKindName()) {}
    ~TChunkIHDR() override;

    void Assign(const TChunk& source) override;
    bool LoadFromStream(TStream& stream, const png::TChunkType& type,
                        std::uint32_t length) override;
    bool SaveToStream(TStream& stream) override;

    const TIHDRData& IHDRData() const { return FIHDRData; }
    TIHDRData& IHDRData() { return FIHDRData; }
    int Width() const { return static_cast<int>(FIHDRData.Width); }
    int Height() const { return static_cast<int>(FIHDRData.Height); }
    std::uint8_t BitDepth() const { return FIHDRData.BitDepth; }
    std::uint8_t ColorType() const { return FIHDRData.ColorType; }

    // True when the bitmap's pixels are indexes into its colour table (greyscale, palette
    // and greyscale with alpha images).
    bool HasPalette() const { return FHasPalette; }
    const gdi::TBitmapInfo& BitmapInfo() const { return FBitmapInfo; }
    gdi::TBitmapInfo& BitmapInfo() { return FBitmapInfo; }
    std::size_t BytesPerRow() const { return FBytesPerRow; }

    // Null before the bitmap is prepared.
    gdi::TDibSection* ImageHandle() const { return FImageHandle.get(); }
    gdi::TMemoryDC* ImageDC() const { return FImageDC.get(); }
    std::uint8_t* ImageData() const { return FImageHandle ? FImageHandle->Bits() : nullptr; }
    // Image row `row` counted from the top; the bitmap stores its rows bottom-up.
    std::uint8_t* ImageRow(int row) const { return FImageHandle->ScanLine(row); }
    // Width × height alpha values, top row first; null for images without alpha.
    std::uint8_t* ImageAlpha() const { return FImageAlpha.get(); }
    std::uint8_t* AlphaRow(int row) const {
        return FImageAlpha ? FImageAlpha.get() + static_cast<std::size_t>(row) * FIHDRData.Width
                           : nullptr;
    }

    // The pixels whose samples equal the transparent sample of tRNS: a monochrome bitmap of
    // the image's size, 1 bits for them. Null until a greyscale or RGB image with tRNS is
    // decoded (and for images built from bitmaps, which have only the colour to go by).
    gdi::TDibSection* KeyMask() const { return FKeyMask.get(); }
    // Makes a cleared key mask for the current bitmap; raises EPNGOutMemory without memory.
    void PrepareKeyMask();
    // Marks or clears one pixel of the key mask, when there is one.
    void SetKeyPixel(int x, int y, bool transparent);

    // Drops the old bitmap and makes a zeroed one for the current record. Raises
    // EPNGSizeExceeds past the owner's pixel budget and EPNGOutMemory when the memory
    // can't be had; nothing is left half-made either way.
    void PrepareImageData();

private:
    void ValidateRecord() const;
    void FreeImageData();

    struct TFreeDeleter {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };

    std::unique_ptr<gdi::TDibSection> FImageHandle;
    std::unique_ptr<gdi::TMemoryDC> FImageDC;
    bool FHasPalette = false;
    gdi::TBitmapInfo FBitmapInfo{};
    std::size_t FBytesPerRow = 0;
    std::unique_ptr<std::uint8_t, TFreeDeleter> FImageAlpha;
    std::unique_ptr<gdi::TDibSection> FKeyMask;
    TIHDRData FIHDRData;
};

// The palette. Its colours live in the header's colour table, gamma-corrected as read.
class TChunkPLTE : public TChunk {
    JIB_PNG_CHUNK_KIND(TChunkPLTE, "PLTE")
public:
    explicit TChunkPLTE(TPngGraphic& owner) : TChunk(owner, ClassKindName()) {}

    void Assign(const TChunk& source) override;
    bool LoadFromStream(TStream& stream, const png::TChunkType& type,
                        std::uint32_t length) override;
    bool SaveToStream(TStream& stream) override;

    int Count() const { return FCount; }
    void SetCount(int count) { FCount = count; }
    // Colour-table entry `index` as blue | green << 8 | red << 16; raises EPngError for an
    // index at or above Count().
    std::uint32_t Item(int index) const;

private:
    int FCount = 0;
};

// The palette's alpha values, or the one transparent sample of greyscale and RGB images.
class TChunktRNS : public TChunk {
    JIB_PNG_CHUNK_KIND(TChunktRNS, "tRNS")
public:
    explicit TChunktRNS(TPngGraphic& owner) : TChunk(owner, ClassKindName()) {
        FPaletteValues.fill(255);
    }

    void Assign(const TChunk& source) override;
    bool LoadFromStream(TStream& stream, const png::TChunkType& type,
                        std::uint32_t length) override;
    bool SaveToStream(TStream& stream) override;

    // True when one colour is fully transparent and everything else opaque, so drawing can
    // mask that colour out instead of blending.
    bool BitTransparency() const { return FBitTransparency; }
    const std::array<std::uint8_t, 256>& PaletteValues() const { return FPaletteValues; }

    // The colour the bitmap shows for the transparent sample or palette entry, as a
    // platform colour value; 0 (black) when there is none.
    gdi::TColorRef TransparentColor() const;
    // The transparent sample(s) of a greyscale or RGB image, as stored.
    png::TSampleKey SampleKey() const;
    // Makes `color` the one transparent colour (used when building from a bitmap).
    void SetTransparentColor(gdi::TColorRef color);

private:
    bool FBitTransparency = false;
    std::array<std::uint8_t, 256> FPaletteValues;
};

// The image gamma times 100000, kept in the chunk's 4 data bytes.
class TChunkgAMA : public TChunk {
    JIB_PNG_CHUNK_KIND(TChunkgAMA, "gAMA")
public:
    explicit TChunkgAMA(TPngGraphic& owner);

    void Assign(const TChunk& source) override;
    bool LoadFromStream(TStream& stream, const png::TChunkType& type,
                        std::uint32_t length) override;

    // Data of another length than 4 is replaced by the value 1. A chunk loaded with such
    // data is ignored, as if the image had none.
    std::uint32_t Gamma();
    void SetGamma(std::uint32_t value);
};

class TChunktIME : public TChunk {
    JIB_PNG_CHUNK_KIND(TChunktIME, "tIME")
public:
    explicit TChunktIME(TPngGraphic& owner) : TChunk(owner, ClassKindName()) {}

    bool LoadFromStream(TStream& stream, const png::TChunkType& type,
                        std::uint32_t length) override;
    bool SaveToStream(TStream& stream) override;

    std::uint16_t Year = 0;
    std::uint8_t Month = 0;
    std::uint8_t Day = 0;
    std::uint8_t Hour = 0;
    std::uint8_t Minute = 0;
    std::uint8_t Second = 0;
};

// A keyword and a text, both Latin-1 bytes as the file holds them.
class TChunktEXt : public TChunk {
    JIB_PNG_CHUNK_KIND(TChunktEXt, "tEXt")
public:
    explicit TChunktEXt(TPngGraphic& owner) : TChunk(owner, ClassKindName()) {}

    void Assign(const TChunk& source) override;
    bool LoadFromStream(TStream& stream, const png::TChunkType& type,
                        std::uint32_t length) override;
    bool SaveToStream(TStream& stream) override;

    std::string Keyword;
    std::string Text;

protected:
    TChunktEXt(TPngGraphic& owner, std::string_view kindName) : TChunk(owner, kindName) {}
    // The keyword ends at the first 0 byte; answers the keyword's length.
    std::size_t ParseKeyword();
};

// A text stored deflated.
class TChunkzTXt : public TChunktEXt {
    JIB_PNG_CHUNK_KIND(TChunkzTXt, "zTXt")
public:
    explicit TChunkzTXt(TPngGraphic& owner) : TChunktEXt(owner, ClassKindName()) {}

    bool LoadFromStream(TStream& stream, const png::TChunkType& type,
                        std::uint32_t length) override;
    bool SaveToStream(TStream& stream) override;
};

// The image data: its load inflates the IDAT chunks that follow one another into the
// header's bitmap. The chunk keeps no data of its own.
class TChunkIDAT : public TChunk {
    JIB_PNG_CHUNK_KIND(TChunkIDAT, "IDAT")
public:
    explicit TChunkIDAT(TPngGraphic& owner) : TChunk(owner, ClassKindName()) {}

    bool LoadFromStream(TStream& stream, const png::TChunkType& type,
                        std::uint32_t length) override;
    bool SaveToStream(TStream& stream) override;
};
