#include "app/FbSplitOutline.h"

#include <QImage>
#include <QPainter>

namespace {

constexpr int kPatternSize = 8;

// White where column + row is even, black where it is odd. XOR-ed onto the content, white
// inverts a pixel and black leaves it, so every other pixel of the bar area flips.
QImage CheckerboardPattern() {
    QImage pattern(kPatternSize, kPatternSize, QImage::Format_RGB32);
    for (int y = 0; y < kPatternSize; ++y)
        for (int x = 0; x < kPatternSize; ++x)
            pattern.setPixel(x, y, (x + y) % 2 == 0 ? 0xFFFFFFFFu : 0xFF000000u);
    return pattern;
}

} // namespace

TFbSplitterOutline::TFbSplitterOutline(QWidget* parent) : QWidget(parent) {
    // The drag goes on under it: presses and moves belong to the splitter.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void TFbSplitterOutline::paintEvent(QPaintEvent*) {
    static const QImage pattern = CheckerboardPattern();
    QPainter painter(this);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    // Anchored to the splitter, so the pattern does not crawl as the outline moves.
    painter.setBrushOrigin(-pos());
    painter.fillRect(rect(), QBrush(pattern));
}
