// Decoding speed of the PNG decoder beside libpng, on the same files in the same run:
// a 4096 x 4096 RGBA image and a 1024 x 1024 palette image, both held in memory so only
// decoding is measured. libpng decodes to 8-bit samples (palette images to their
// indexes, which is what the decoder's bitmap holds as well).
#include "gui/Stream.h"
#include "png/pnggraphic.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <png.h>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

using TBytes = std::vector<std::uint8_t>;

const TBytes& Input(const std::string& name) {
    static std::vector<std::pair<std::string, TBytes>> cache;
    for (const auto& [n, bytes] : cache)
        if (n == name)
            return bytes;
    std::ifstream in(std::string(JIB_BENCH_DATA) + "/" + name, std::ios::binary);
    TBytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty())
        throw std::runtime_error("missing benchmark input " + name);
    cache.emplace_back(name, std::move(bytes));
    return cache.back().second;
}

void DecodeWithJib(benchmark::State& state, const std::string& name) {
    TMemoryStream stream;
    const TBytes& bytes = Input(name);
    stream.WriteBuffer(bytes.data(), bytes.size());
    for (auto _ : state) {
        stream.SetPosition(0);
        TPngGraphic png;
        png.LoadFromStream(stream);
        benchmark::DoNotOptimize(png.Header().ImageData());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

struct TMemoryReader {
    const TBytes* Bytes;
    std::size_t Position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* reader = static_cast<TMemoryReader*>(png_get_io_ptr(png));
    if (reader->Position + count > reader->Bytes->size())
        png_error(png, "read past the end");
    std::memcpy(out, reader->Bytes->data() + reader->Position, count);
    reader->Position += count;
}

void DecodeWithLibpng(benchmark::State& state, const std::string& name) {
    const TBytes& bytes = Input(name);
    for (auto _ : state) {
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        TMemoryReader reader{&bytes, 0};
        png_set_read_fn(png, &reader, ReadFromMemory);
        png_read_info(png, info);
        png_set_strip_16(png);
        png_set_packing(png);
        png_read_update_info(png, info);
        const png_uint_32 height = png_get_image_height(png, info);
        const std::size_t rowBytes = png_get_rowbytes(png, info);
        std::vector<std::uint8_t> pixels(rowBytes * height);
        std::vector<png_bytep> rows(height);
        for (png_uint_32 y = 0; y < height; ++y)
            rows[y] = pixels.data() + y * rowBytes;
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
        benchmark::DoNotOptimize(pixels.data());
        png_destroy_read_struct(&png, &info, nullptr);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

} // namespace

BENCHMARK_CAPTURE(DecodeWithJib, rgba_4096, std::string("bench-rgba-4096.png"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeWithLibpng, rgba_4096, std::string("bench-rgba-4096.png"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeWithJib, palette_1024, std::string("bench-palette-1024.png"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeWithLibpng, palette_1024, std::string("bench-palette-1024.png"))
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
