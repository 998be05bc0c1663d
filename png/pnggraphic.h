// TPngGraphic: a framework graphic read from a PNG stream. The stream's chunks become a
// list of chunk objects; the header chunk owns the decoded bitmap (and the alpha plane of
// images with alpha), which the image data chunk fills.
#pragma once

#include "gui/Graphic.h"
#include "png/pngchunks.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

class TBitmap;

namespace gdi {
class TPalette;
}

namespace png {

// The filters a writer may choose from for each row.
enum TFilter : std::uint8_t { pfNone, pfSub, pfUp, pfAverage, pfPaeth };

// How the writer's deflate looks for repeats: zlib's full search, or runs of the byte just
// before only. Filtered rows of photographs and thumbnails repeat in runs, so the run form
// takes half the time or less and is seldom larger.
enum TDeflateStrategy : std::uint8_t { dsDefault, dsRunLength };

class TFilters {
public:
    constexpr TFilters() = default;
    constexpr TFilters(std::initializer_list<TFilter> filters) {
        for (TFilter f : filters)
            FBits |= Bit(f);
    }
    constexpr bool Contains(TFilter f) const { return (FBits & Bit(f)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    friend constexpr bool operator==(TFilters, TFilters) = default;

private:
    static constexpr std::uint8_t Bit(TFilter f) { return static_cast<std::uint8_t>(1u << f); }
    std::uint8_t FBits = 0;
};

// How the image is drawn over what lies beneath it.
enum class TTransparencyMode { ptmNone, ptmBit, ptmPartial };

using TGammaTable = std::array<std::uint8_t, 256>;

// Whether the table leaves every sample as it is (no gAMA chunk, or one that changes
// nothing at 8 bits).
inline bool IsIdentityGamma(const TGammaTable& table) {
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i] != i)
            return false;
    return true;
}

// The default pixel budget: 2^28 pixels (16384 x 16384) takes at most 1 GiB of bitmap and
// alpha plane, far beyond any thumbnail, well within a desktop's memory.
constexpr std::uint64_t kDefaultMaxPixels = std::uint64_t{1} << 28;

} // namespace png

class TPngGraphic : public TGraphic {
public:
    TPngGraphic();
    ~TPngGraphic() override;

    const char* ClassName() const override { return "TPngGraphic"; }
    std::unique_ptr<TGraphic> NewInstance() const override;

    int Width() const override;
    int Height() const override;
    // The size follows from the image; both raise EPngError.
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    bool Empty() const override;
    bool Transparent() const override;
    // Greyscale and palette images: a palette of the 256 colour-table entries, built on the
    // first request and kept until the bitmap is prepared anew or a palette is set. Other
    // images: null. Both need the header.
    gdi::TPalette* Palette() const override;
    // Greyscale and palette images take up to 256 colours of `value` into their colour
    // table; other images ignore it. Needs the header.
    void SetPalette(const gdi::TPalette* value) override;

    // No transparency: the image stretched into `rect`. One transparent colour: the same,
    // with holes where that colour is. Alpha: blended over the canvas at the image's own
    // size, its top-left corner at the rectangle's.
    void Draw(TCanvas& canvas, const TRect& rect) override;

    // Takes another PNG object's image (a deep copy) or a framework bitmap's pixels.
    void Assign(const TGraphic& source) override;
    // Gives a framework bitmap this image's pixels, colours and transparent colour.
    void AssignTo(TGraphic& dest) const override;
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // Through a framework bitmap: what the image looks like drawn, without transparency.
    void LoadFromClipboardFormat(const QMimeData& data) override;
    void SaveToClipboardFormat(QMimeData& data) override;

    // The colour of pixel (x, y) as it is drawn; 0 outside the image. Raises EPngError for
    // a palette index beyond the palette.
    gdi::TColorRef Pixels(int x, int y) const;
    // Sets pixel (x, y) to `color`, or to the nearest colour the image's colour table
    // holds; nothing outside the image. The alpha plane is left as it is.
    void SetPixels(int x, int y, gdi::TColorRef color);

    // Builds the image from a framework bitmap's pixels: a palette image below 16 bits per
    // pixel, RGB above, with `transparentColor` as the one transparent colour when
    // `transparent` is set. An empty bitmap leaves the object empty.
    void AssignHandle(const gdi::TDibSection* handle, bool transparent,
                      gdi::TColorRef transparentColor);
    // Drops the palette built for the current bitmap (the header prepares a new one).
    void FreeCachedPalette();

    // Resets both gamma tables to the identity and destroys every chunk.
    void ClearChunks();
    bool HeaderPresent() const;
    // Raises EPNGHeaderNotPresent when the first chunk is not the header.
    TChunkIHDR& Header() const;
    const TPNGList& Chunks() const { return FChunkList; }
    TPNGList& Chunks() { return FChunkList; }

    // Entry i is the display value of sample byte i.
    const png::TGammaTable& GammaTable() const { return FGammaTable; }
    const png::TGammaTable& InverseTable() const { return FInverseTable; }
    // Rebuilds both tables for a gAMA value (the image gamma times 100000).
    void InitializeGamma(std::uint32_t value);

    std::uint8_t InterlaceMethod() const { return FInterlaceMethod; }
    void SetInterlaceMethod(std::uint8_t value) { FInterlaceMethod = value; }
    png::TFilters Filters() const { return FFilters; }
    void SetFilters(png::TFilters value) { FFilters = value; }
    std::uint8_t CompressionLevel() const { return FCompressionLevel; }
    void SetCompressionLevel(std::uint8_t value) { FCompressionLevel = value; }
    png::TDeflateStrategy CompressionStrategy() const { return FCompressionStrategy; }
    void SetCompressionStrategy(png::TDeflateStrategy value) { FCompressionStrategy = value; }

    // The most pixels a header may declare; a larger image is refused before any bitmap
    // memory is taken.
    std::uint64_t MaxPixels() const { return FMaxPixels; }
    void SetMaxPixels(std::uint64_t value) { FMaxPixels = value; }

    // Needs the header (EPNGHeaderNotPresent otherwise).
    png::TTransparencyMode TransparencyMode() const;
    // The tRNS chunk's transparent colour, or 0 when there is none.
    gdi::TColorRef TransparentColor() const;

private:
    void ReadChunks(TStream& stream);
    void AssignPng(const TPngGraphic& source);
    void AssignToBitmap(TBitmap& bitmap) const;
    // The palette index of pixel (x, y) of a greyscale or palette image.
    unsigned PixelIndex(int x, int y) const;
    void DrawStretched(TCanvas& canvas, const TRect& rect);
    void DrawMasked(TCanvas& canvas, const TRect& rect);
    void DrawBlended(TCanvas& canvas, const TRect& rect);

    png::TGammaTable FGammaTable{};
    png::TGammaTable FInverseTable{};
    png::TFilters FFilters{png::pfSub};
    std::uint8_t FCompressionLevel = 7;
    png::TDeflateStrategy FCompressionStrategy = png::dsDefault;
    std::uint8_t FInterlaceMethod = 0;
    std::uint64_t FMaxPixels = png::kDefaultMaxPixels;
    mutable std::unique_ptr<gdi::TPalette> FPalette;
    TPNGList FChunkList;
};
