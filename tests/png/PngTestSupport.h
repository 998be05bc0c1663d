// Helpers of the decoder tests: PNG streams assembled from chunks whose bytes the tests
// spell out (CRCs and zlib streams made by zlib itself), streams that hand out their bytes
// in small pieces, and the decoded image read back as RGBA.
#pragma once

#include "gui/Canvas.h"
#include "gui/Stream.h"
#include "platform/gdi/Bitmaps.h"
#include "png/pnggraphic.h"
#include "tests/common/GraphicSupport.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using TBytes = std::vector<std::uint8_t>;

TBytes Bytes(std::initializer_list<int> values);
TBytes Bytes(const std::string& text);
TBytes operator+(TBytes a, const TBytes& b);
TBytes BigEndian32(std::uint32_t value);
// A zlib stream of `raw`; level 0 stores the bytes as they are.
TBytes Deflate(const TBytes& raw, int level = 9);

extern const TBytes kSignature;

// One chunk: length, type, data and a correct CRC (or `crcDelta` added to it).
TBytes Chunk(const std::string& type, const TBytes& data, std::uint32_t crcDelta = 0);
TBytes IhdrData(std::uint32_t width, std::uint32_t height, int depth, int colourType,
                int interlace = 0, int compression = 0, int filterMethod = 0);
TBytes Ihdr(std::uint32_t width, std::uint32_t height, int depth, int colourType,
            int interlace = 0);
TBytes Iend();
// A whole PNG stream: signature, header, `middle` chunks, one IDAT of the deflated
// `rows`, IEND.
TBytes SimplePng(const TBytes& ihdr, const TBytes& rows, const TBytes& middle = {});

// A memory stream whose reads answer at most `block` bytes, as pipes and slow media do.
class TTrickleStream : public TMemoryStream {
public:
    TTrickleStream(const TBytes& bytes, std::size_t block);
    std::size_t Read(void* buffer, std::size_t count) override;

private:
    std::size_t FBlock;
};

// Loads `bytes` into `png` (raising what the load raises).
void LoadBytes(TPngGraphic& png, const TBytes& bytes, std::size_t block = 0);

// The decoded image, top row first, four bytes (red, green, blue, alpha) per pixel: what
// the bitmap, its colour table and the alpha plane (or the palette's tRNS values) show.
TBytes DecodedRgba(const TPngGraphic& png);
// The bitmap's raw value (index or packed blue-green-red) of pixel (x, y).
std::uint32_t BitmapValue(const TPngGraphic& png, int x, int y);

std::string FixturePath(const std::string& name);
// The names of every PNG file among the fixtures.
std::vector<std::string> FixtureNames();
TBytes ReadFileBytes(const std::string& path);

// The pattern every make_fixtures.py image shows.
unsigned Pattern(unsigned x, unsigned y, unsigned channel, unsigned depth);

// A screen-format canvas of its own, filled with one colour.
struct TTestCanvas {
    std::unique_ptr<gdi::TDibSection> Surface;
    TCanvas Canvas;

    TTestCanvas(int width, int height, gdi::TColorRef background)
        : Surface(gdi::CreateCompatibleBitmap(nullptr, width, height)), Canvas(Surface.get()) {
        Canvas.SetBrushColor(background);
        Canvas.FillRect(Bounds(0, 0, width, height));
    }
    gdi::TColorRef At(int x, int y) const { return Canvas.Pixels(x, y); }
    std::vector<gdi::TColorRef> Colors() const { return CanvasColors(Canvas); }
};

// `png` drawn into `rect` of a `width` x `height` canvas of `background`.
std::vector<gdi::TColorRef> DrawnColors(TPngGraphic& png, int width, int height,
                                        gdi::TColorRef background, const TRect& rect);
