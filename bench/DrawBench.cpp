// What a repaint of the preview costs.
//
// The image control as the window repaints it (BM_RepaintImageControl): a shown TImage in a
// pane, the 256 x 256 RGBA thumbnail in its picture, repainted through Qt's widget
// machinery; the peer is a widget of the same size in the same pane whose paint event has
// QPainter draw the same pixels (premultiplied, its fastest form).
//
// The road of one composition (BM_*_Canvas): a raster canvas of the image's size, filled
// with the pane's colour, the PNG image drawn into it and handed to Qt as a QImage, beside
// QPainter drawing the same pixels over a filled QImage. Two cases: the RGBA thumbnail
// blended at its own size, and the same image without alpha stretched to twice its size.
#include "bench/RatioReporter.h"
#include "gui/Bitmap.h"
#include "gui/Canvas.h"
#include "gui/DibImage.h"
#include "gui/Image.h"
#include "platform/gdi/Bitmaps.h"
#include "png/pnggraphic.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

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

// The peer of the image control: a widget that paints a premultiplied image with QPainter.
class TPainterImage : public QWidget {
public:
    TPainterImage(QWidget* parent, QImage image) : QWidget(parent), FImage(std::move(image)) {
        resize(FImage.size());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, FImage);
    }

private:
    QImage FImage;
};

// A pane as the preview's: it paints its own background, which shows through the image.
std::unique_ptr<QWidget> MakePane() {
    auto pane = std::make_unique<QWidget>();
    pane->setAutoFillBackground(true);
    pane->resize(400, 400);
    return pane;
}

void Repaint(benchmark::State& state, QWidget& pane, QWidget& image) {
    pane.show();
    QApplication::processEvents();
    for (auto _ : state)
        image.repaint();
}

void BM_RepaintImageControl(benchmark::State& state) {
    auto pane = MakePane();
    auto* image = new TImage(pane.get());
    image->SetAutoSize(true);
    image->Picture().SetGraphic(&Thumbnail());
    Repaint(state, *pane, *image);
}
void BM_RepaintQPainterWidget(benchmark::State& state) {
    auto pane = MakePane();
    auto* image = new TPainterImage(pane.get(), QtThumbnail(true));
    Repaint(state, *pane, *image);
}

} // namespace

BENCHMARK(BM_RepaintImageControl)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RepaintQPainterWidget)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlendThumbnail_Canvas)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlendThumbnail_QPainter)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StretchThumbnail_Canvas)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StretchThumbnail_QPainter)->Unit(benchmark::kMicrosecond);

void PrintRatios(const TRatioReporter::TTimes& times) {
    const double ours = TimeOf(times, "BM_RepaintImageControl");
    const double peer = TimeOf(times, "BM_RepaintQPainterWidget");
    const double oursCpu = TimeOf(times, "BM_RepaintImageControl:cpu");
    const double peerCpu = TimeOf(times, "BM_RepaintQPainterWidget:cpu");
    if (ours > 0 && peer > 0)
        std::printf("repaint, image control / QPainter widget: %.1f / %.1f us = %.2f; CPU %.1f "
                    "/ %.1f us = %.2f (target: at most 2)\n",
                    ours, peer, ours / peer, oursCpu, peerCpu, oursCpu / peerCpu);
}

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    return RunWithRatios(argc, argv, PrintRatios);
}
