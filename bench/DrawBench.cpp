// What one repaint of the preview costs: the image control makes a raster canvas of its
// size, fills it with the pane's colour, has the PNG image draw itself and hands the
// pixels to Qt as a QImage. The peer is QPainter drawing the same pixels (premultiplied,
// its fastest form) over a filled QImage. Two cases: a 256 x 256 RGBA thumbnail blended at
// its own size, and the same image without alpha stretched to twice its size.
#include "gui/Bitmap.h"
#include "gui/Canvas.h"
#include "gui/DibImage.h"
#include "platform/gdi/Bitmaps.h"
#include "png/pnggraphic.h"

#include <stdexcept>
#include <string>

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

const std::string kThumbnail = std::string(JIB_BENCH_DATA) + "/bench-rgba-256.png";

TPngGraphic& Thumbnail() {
    static TPngGraphic png;
    if (png.Empty())
        png.LoadFromFile(kThumbnail);
    return png;
}

// The thumbnail's colours without alpha, as an RGB image.
TPngGraphic& OpaqueThumbnail() {
    static TPngGraphic png;
    if (png.Empty()) {
        TBitmap bitmap;
        bitmap.Assign(Thumbnail());
        png.Assign(bitmap);
    }
    return png;
}

QImage QtThumbnail(bool alpha) {
    QImage image(QString::fromStdString(kThumbnail));
    if (image.isNull())
        throw std::runtime_error("missing benchmark input " + kThumbnail);
    return image.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied
                                       : QImage::Format_RGB32);
}

void PaintWithCanvas(benchmark::State& state, TPngGraphic& png, int scale) {
    const int w = png.Width() * scale, h = png.Height() * scale;
    for (auto _ : state) {
        auto surface = gdi::CreateCompatibleBitmap(nullptr, w, h);
        TCanvas canvas(surface.get());
        canvas.FillRect(Bounds(0, 0, w, h));
        canvas.StretchDraw(Bounds(0, 0, w, h), png);
        QImage shown = DibToQImage(*surface);
        benchmark::DoNotOptimize(shown.constBits());
    }
}

void PaintWithQPainter(benchmark::State& state, bool alpha, int scale) {
    const QImage source = QtThumbnail(alpha);
    const int w = source.width() * scale, h = source.height() * scale;
    for (auto _ : state) {
        QImage target(w, h, QImage::Format_RGB32);
        target.fill(Qt::white);
        QPainter painter(&target);
        painter.drawImage(QRect(0, 0, w, h), source);
        painter.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}

void BM_BlendThumbnail_Canvas(benchmark::State& state) {
    PaintWithCanvas(state, Thumbnail(), 1);
}
void BM_BlendThumbnail_QPainter(benchmark::State& state) {
    PaintWithQPainter(state, true, 1);
}
void BM_StretchThumbnail_Canvas(benchmark::State& state) {
    PaintWithCanvas(state, OpaqueThumbnail(), 2);
}
void BM_StretchThumbnail_QPainter(benchmark::State& state) {
    PaintWithQPainter(state, false, 2);
}

} // namespace

BENCHMARK(BM_BlendThumbnail_Canvas)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlendThumbnail_QPainter)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StretchThumbnail_Canvas)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StretchThumbnail_QPainter)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
