// Framework bitmaps: size changes, pixel formats and palettes, transparency, copies,
// ".bmp" streams (checked against Qt's own reader and writer) and hostile files.
#include "gui/Bitmap.h"

#include "gui/Canvas.h"
#include "gui/Clipboard.h"
#include "gui/Stream.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blit.h"
#include "platform/gdi/Palette.h"
#include "tests/common/GraphicSupport.h"

#include <cstring>

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

using gdi::RGB;

namespace {

// A 3 x 2 bitmap: red, blue, black / white, red, blue.
void Paint(TBitmap& bitmap) {
    bitmap.SetSize(3, 2);
    const gdi::TColorRef colors[] = {kRed, kBlue, kBlack, kWhite, kRed, kBlue};
    for (int i = 0; i < 6; ++i)
        bitmap.Canvas().SetPixels(i % 3, i / 3, colors[i]);
}

std::vector<std::uint8_t> Saved(TBitmap& bitmap) {
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    return stream.Bytes();
}

QImage ReadByQt(const std::vector<std::uint8_t>& bytes) {
    return QImage::fromData(bytes.data(), static_cast<int>(bytes.size()), "BMP");
}

} // namespace

TEST(Bitmap, ResizingKeepsTheOverlapAndFillsTheRestWhite) {
    TBitmap bitmap;
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pfDevice);
    bitmap.SetSize(2, 1);
    EXPECT_EQ(BitmapColors(bitmap), (std::vector{kWhite, kWhite}));
    bitmap.Canvas().SetPixels(1, 0, kRed);
    bitmap.SetHeight(2);
    EXPECT_EQ(BitmapColors(bitmap), (std::vector{kWhite, kRed, kWhite, kWhite}));
    bitmap.SetWidth(1);
    EXPECT_EQ(BitmapColors(bitmap), (std::vector{kWhite, kWhite}));
    bitmap.SetSize(0, 5);
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.Canvas().Pixels(0, 0), gdi::CLR_INVALID) << "the canvas follows the bitmap";
}

TEST(Bitmap, PixelFormatsConvertThroughThePaletteOrTheDefaultColours) {
    TBitmap bitmap;
    Paint(bitmap);
    const std::vector<gdi::TColorRef> painted = BitmapColors(bitmap);

    // The default colours hold black, white, red and blue at every indexed depth.
    for (TPixelFormat f : {TPixelFormat::pf8bit, TPixelFormat::pf4bit, TPixelFormat::pf24bit,
                           TPixelFormat::pf32bit}) {
        bitmap.SetPixelFormat(f);
        EXPECT_EQ(bitmap.PixelFormat(), f);
        EXPECT_EQ(BitmapColors(bitmap), painted) << static_cast<int>(f);
    }
    // One bit: the nearest of black and white.
    bitmap.SetPixelFormat(TPixelFormat::pf1bit);
    EXPECT_TRUE(bitmap.Monochrome());
    EXPECT_EQ(BitmapColors(bitmap), (std::vector{kBlack, kBlack, kBlack, kWhite, kBlack, kBlack}));

    // With a palette set, an indexed format takes its colours.
    TBitmap withPalette;
    Paint(withPalette);
    gdi::TLogPalette log;
    log.palPalEntry = {{200, 0, 0, 0}, {0, 0, 200, 0}, {10, 10, 10, 0}, {240, 240, 240, 0}};
    const auto palette = gdi::CreatePalette(log);
    withPalette.SetPalette(palette.get());
    withPalette.SetPixelFormat(TPixelFormat::pf8bit);
    EXPECT_EQ(BitmapColors(withPalette),
              (std::vector{RGB(200, 0, 0), RGB(0, 0, 200), RGB(10, 10, 10), RGB(240, 240, 240),
                           RGB(200, 0, 0), RGB(0, 0, 200)}));
    // Setting a palette on an indexed bitmap recolours its indexes.
    log.palPalEntry[0] = {0, 99, 0, 0};
    withPalette.SetPalette(gdi::CreatePalette(log).get());
    EXPECT_EQ(withPalette.Canvas().Pixels(0, 0), RGB(0, 99, 0));
    EXPECT_EQ(withPalette.Palette()->Entry(0), (gdi::TPaletteEntry{0, 99, 0, 0}));
}

TEST(Bitmap, TransparentBitmapsLeaveTheirColourOut) {
    TBitmap bitmap;
    Paint(bitmap); // bottom-left pixel: white
    EXPECT_EQ(bitmap.TransparentColor(), kWhite);
    bitmap.SetTransparent(true);
    auto surface = gdi::CreateCompatibleBitmap(nullptr, 3, 2);
    TCanvas canvas(surface.get());
    canvas.SetBrushColor(RGB(1, 2, 3));
    canvas.FillRect(Bounds(0, 0, 3, 2));
    canvas.Draw(0, 0, bitmap);
    EXPECT_EQ(canvas.Pixels(0, 1), RGB(1, 2, 3));
    EXPECT_EQ(canvas.Pixels(1, 1), kRed);

    bitmap.SetTransparentColor(kRed);
    EXPECT_EQ(bitmap.TransparentMode(), TTransparentMode::tmFixed);
    canvas.FillRect(Bounds(0, 0, 3, 2));
    canvas.Draw(0, 0, bitmap);
    EXPECT_EQ(canvas.Pixels(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(canvas.Pixels(0, 1), kWhite);
    EXPECT_EQ(BitmapColors(bitmap)[0], kRed) << "drawing leaves the bitmap as it was";
}

TEST(Bitmap, CopiesAreIndependentAndCanvasDrawingIsAChange) {
    TBitmap original;
    Paint(original);
    original.SetPixelFormat(TPixelFormat::pf8bit);
    TBitmap copy;
    copy.Assign(original);
    EXPECT_EQ(copy.PixelFormat(), TPixelFormat::pf8bit);
    int changes = 0;
    copy.OnChange = [&](TGraphic*) {
        ++changes;
    };
    copy.Canvas().SetPixels(0, 0, kWhite);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(original.Canvas().Pixels(0, 0), kRed);
    EXPECT_EQ(copy.Canvas().Pixels(0, 0), kWhite);
}

TEST(Bitmap, BmpFilesRoundTripAndAgreeWithQt) {
    for (TPixelFormat f : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit,
                           TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
        SCOPED_TRACE(static_cast<int>(f));
        TBitmap bitmap;
        Paint(bitmap);
        bitmap.SetPixelFormat(f);
        const std::vector<std::uint8_t> bytes = Saved(bitmap);

        TBitmap reread;
        TMemoryStream in;
        in.WriteBuffer(bytes.data(), bytes.size());
        in.SetPosition(0);
        reread.LoadFromStream(in);
        EXPECT_EQ(reread.PixelFormat(), f);
        EXPECT_EQ(BitmapColors(reread), BitmapColors(bitmap));

        const QImage qt = ReadByQt(bytes);
        ASSERT_FALSE(qt.isNull());
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                const QRgb c = qt.pixel(x, y);
                EXPECT_EQ(RGB(qRed(c), qGreen(c), qBlue(c)), bitmap.Canvas().Pixels(x, y));
            }
    }
    // A file Qt wrote reads back with the same colours.
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(QColor(10, 20, 30));
    image.setPixel(2, 1, qRgb(200, 100, 50));
    QByteArray written;
    QBuffer buffer(&written);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "BMP"));
    TMemoryStream in;
    in.WriteBuffer(written.constData(), static_cast<std::size_t>(written.size()));
    in.SetPosition(0);
    TBitmap bitmap;
    bitmap.LoadFromStream(in);
    EXPECT_EQ(bitmap.Canvas().Pixels(0, 0), RGB(10, 20, 30));
    EXPECT_EQ(bitmap.Canvas().Pixels(2, 1), RGB(200, 100, 50));

    TBitmap empty;
    TMemoryStream out;
    EXPECT_THROW(empty.SaveToStream(out), EInvalidGraphicOperation);
}

namespace {

// A bitmap file of one 8-bit pixel whose header fields the cases below spoil one by one.
struct TBmpFields {
    std::uint16_t Signature = 0x4D42;
    std::uint32_t BitsOffset = 14 + 40 + 4;
    std::uint32_t InfoSize = 40;
    std::int32_t Width = 1, Height = 1;
    std::uint16_t Planes = 1, BitCount = 8;
    std::uint32_t Compression = 0, ClrUsed = 1;
    std::size_t PixelBytes = 4;
};

std::vector<std::uint8_t> BmpFile(const TBmpFields& f) {
    std::vector<std::uint8_t> out;
    const auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    put(f.Signature, 2);
    put(0, 4); // file size: no reader trusts it
    put(0, 4);
    put(f.BitsOffset, 4);
    put(f.InfoSize, 4);
    put(static_cast<std::uint32_t>(f.Width), 4);
    put(static_cast<std::uint32_t>(f.Height), 4);
    put(f.Planes, 2);
    put(f.BitCount, 2);
    put(f.Compression, 4);
    for (int field = 0; field < 3; ++field) // image size, resolutions: no reader trusts them
        put(0, 4);
    put(f.ClrUsed, 4);
    put(0, 4);
    put(0x00102030, 4); // the colour table's one entry
    out.insert(out.end(), f.PixelBytes, 0);
    return out;
}

std::string LoadError(const std::vector<std::uint8_t>& bytes) {
    TMemoryStream in;
    in.WriteBuffer(bytes.data(), bytes.size());
    in.SetPosition(0);
    TBitmap bitmap;
    try {
        bitmap.LoadFromStream(in);
    } catch (const EInvalidGraphic& e) {
        EXPECT_TRUE(bitmap.Empty());
        return e.Message();
    }
    return "loaded";
}

} // namespace

TEST(Bitmap, DamagedBmpFilesAreRefusedWithTheReason) {
    const std::vector<std::uint8_t> good = BmpFile({});
    ASSERT_EQ(LoadError(good), "loaded");
    const auto with = [](auto change) {
        TBmpFields f;
        change(f);
        return BmpFile(f);
    };
    const struct {
        std::vector<std::uint8_t> File;
        const char* Reason;
    } cases[] = {
        {with([](TBmpFields& f) { f.Signature = 0x4142; }), "does not start with \"BM\""},
        {std::vector<std::uint8_t>(good.begin(), good.begin() + 20),
         "ends inside the information header"},
        {with([](TBmpFields& f) { f.InfoSize = 12; }), "not 12"},
        {with([](TBmpFields& f) { f.Compression = 1; }), "compression 1"},
        {with([](TBmpFields& f) { f.BitCount = 16; }), "16 bits per pixel"},
        {with([](TBmpFields& f) { f.Planes = 3; }), "1 plane"},
        {with([](TBmpFields& f) { f.Width = 100000, f.Height = -100000; }), "pixels is outside"},
        {with([](TBmpFields& f) { f.Height = 0; }), "pixels is outside"},
        {with([](TBmpFields& f) { f.ClrUsed = 300; }), "names 300"},
        {with([](TBmpFields& f) { f.PixelBytes = 3; }), "4 bytes of pixels"},
        {with([](TBmpFields& f) { f.Height = 1 << 20, f.PixelBytes = 4; }), "bytes of pixels"},
        {with([](TBmpFields& f) { f.BitsOffset = 20; }), "bytes of pixels"},
    };
    for (const auto& c : cases) {
        const std::string error = LoadError(c.File);
        EXPECT_NE(error.find(c.Reason), std::string::npos) << error << " / " << c.Reason;
        EXPECT_EQ(error.rfind("Bitmap image is not valid: ", 0), 0u) << error;
    }
}

TEST(Bitmap, TheClipboardCarriesTheColours) {
    TBitmap bitmap;
    Paint(bitmap);
    Clipboard().Assign(bitmap);
    TBitmap pasted;
    Clipboard().AssignTo(pasted);
    EXPECT_EQ(BitmapColors(pasted), BitmapColors(bitmap));
    TBitmap empty;
    EXPECT_THROW(Clipboard().Assign(empty), EInvalidGraphicOperation);
}
