#include "tests/png/PngTestSupport.h"

#include "png/pngrows.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <zlib.h>

const TBytes kSignature = {137, 80, 78, 71, 13, 10, 26, 10};

TBytes Bytes(std::initializer_list<int> values) {
    TBytes out;
    for (int v : values)
        out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

TBytes Bytes(const std::string& text) {
    return TBytes(text.begin(), text.end());
}

TBytes operator+(TBytes a, const TBytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TBytes BigEndian32(std::uint32_t v) {
    return Bytes({int(v >> 24 & 255), int(v >> 16 & 255), int(v >> 8 & 255), int(v & 255)});
}

TBytes Deflate(const TBytes& raw, int level) {
    uLongf size = compressBound(raw.size());
    TBytes out(size);
    compress2(out.data(), &size, raw.data(), raw.size(), level);
    out.resize(size);
    return out;
}

TBytes Chunk(const std::string& type, const TBytes& data, std::uint32_t crcDelta) {
    const TBytes body = Bytes(type) + data;
    const auto crc = static_cast<std::uint32_t>(crc32(0, body.data(), body.size()));
    return BigEndian32(static_cast<std::uint32_t>(data.size())) + body +
           BigEndian32(crc + crcDelta);
}

TBytes IhdrData(std::uint32_t width, std::uint32_t height, int depth, int colourType, int interlace,
                int compression, int filterMethod) {
    return BigEndian32(width) + BigEndian32(height) +
           Bytes({depth, colourType, compression, filterMethod, interlace});
}

TBytes Ihdr(std::uint32_t width, std::uint32_t height, int depth, int colourType, int interlace) {
    return Chunk("IHDR", IhdrData(width, height, depth, colourType, interlace));
}

TBytes Iend() {
    return Chunk("IEND", {});
}

TBytes SimplePng(const TBytes& ihdr, const TBytes& rows, const TBytes& middle) {
    return kSignature + ihdr + middle + Chunk("IDAT", Deflate(rows)) + Iend();
}

TTrickleStream::TTrickleStream(const TBytes& bytes, std::size_t block) : FBlock(block) {
    WriteBuffer(bytes.data(), bytes.size());
    SetPosition(0);
}

std::size_t TTrickleStream::Read(void* buffer, std::size_t count) {
    return TMemoryStream::Read(buffer, std::min(count, FBlock));
}

void LoadBytes(TPngGraphic& png, const TBytes& bytes, std::size_t block) {
    TTrickleStream stream(bytes, block == 0 ? bytes.size() + 1 : block);
    png.LoadFromStream(stream);
}

std::uint32_t BitmapValue(const TPngGraphic& png, int x, int y) {
    const TChunkIHDR& h = png.Header();
    return png::BitmapPixel(h.ImageRow(y), x, h.BitmapInfo().bmiHeader.biBitCount);
}

TBytes DecodedRgba(const TPngGraphic& png) {
    const TChunkIHDR& h = png.Header();
    const auto* trns = png.Chunks().FindChunk<TChunktRNS>();
    TBytes out;
    for (int y = 0; y < h.Height(); ++y)
        for (int x = 0; x < h.Width(); ++x) {
            const std::uint32_t v = BitmapValue(png, x, y);
            std::uint8_t a = h.ImageAlpha() ? h.AlphaRow(y)[x] : 255;
            if (h.HasPalette()) {
                const gdi::TRGBQuad& q = h.BitmapInfo().bmiColors[v];
                if (h.ColorType() == png::COLOR_PALETTE && trns)
                    a = trns->PaletteValues()[v];
                out.insert(out.end(), {q.rgbRed, q.rgbGreen, q.rgbBlue, a});
            } else {
                out.insert(out.end(),
                           {std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v), a});
            }
        }
    return out;
}

std::string FixturePath(const std::string& name) {
    const char* root = std::getenv("JIB_TEST_DATA");
    return std::string(root ? root : "tests/data") + "/png/" + name;
}

std::vector<std::string> FixtureNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(FixturePath("")))
        if (entry.path().extension() == ".png")
            names.push_back(entry.path().filename().string());
    return names;
}

TBytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

unsigned Pattern(unsigned x, unsigned y, unsigned channel, unsigned depth) {
    unsigned v = x * 37 + y * 101 + channel * 59 + x * y * 7 + (x ^ y) * 13;
    v ^= v >> 5;
    return v & ((1u << depth) - 1);
}

std::vector<gdi::TColorRef> DrawnColors(TPngGraphic& png, int width, int height,
                                        gdi::TColorRef background, const TRect& rect) {
    TTestCanvas canvas(width, height, background);
    png.Draw(canvas.Canvas, rect);
    return canvas.Colors();
}
