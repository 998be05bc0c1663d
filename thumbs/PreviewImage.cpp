#include "thumbs/PreviewImage.h"

#include "gui/Stream.h"
#include "platform/gdi/DibPixels.h"
#include "png/pngchunks.h"
#include "png/pngmessages.h"
#include "thumbs/ThumbnailBudget.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace thumbs {
namespace {

// The inflated member read in place, asking the budget at every read: the decoder reads
// image data in blocks of at most 64 KiB, so a slow or unwanted decode stops between them.
class TBudgetedStream : public TStream {
public:
    TBudgetedStream(std::span<const std::uint8_t> bytes, const TThumbnailBudget& budget)
        : FBytes(bytes), FBudget(budget) {}

    std::size_t Read(void* buffer, std::size_t count) override {
        FBudget.Check();
        const std::size_t n = std::min(count, FBytes.size() - FPosition);
        std::memcpy(buffer, FBytes.data() + FPosition, n);
        FPosition += n;
        return n;
    }
    std::size_t Write(const void*, std::size_t) override { return 0; }
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
        const auto size = static_cast<std::int64_t>(FBytes.size());
        const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                                  : origin == TSeekOrigin::soCurrent
                                      ? static_cast<std::int64_t>(FPosition)
                                      : size;
        // Seeking past the end is allowed and reads nothing, as for a file.
        if (offset < -base)
            throw EStreamError("Seek before the start of the preview");
        FPosition = static_cast<std::size_t>(std::min(base + offset, size));
        return base + offset;
    }
    std::int64_t Size() override { return static_cast<std::int64_t>(FBytes.size()); }

private:
    std::span<const std::uint8_t> FBytes;
    const TThumbnailBudget& FBudget;
    std::size_t FPosition = 0;
};

// The bitmap value a greyscale tRNS sample becomes: low depths are stored as they are
// (2 bits widened to the 4-bit ramp), 16 bits as their high byte.
std::uint32_t GreyBitmapValue(std::uint16_t sample, unsigned bitDepth) {
    switch (bitDepth) {
    case 2:
        return (sample & 0x3u) * 5;
    case 16:
        return sample >> 8;
    default:
        return sample & ((1u << bitDepth) - 1);
    }
}

} // namespace

TPreviewImage::TPreviewImage(std::span<const std::uint8_t> png, const TThumbnailBudget& budget) {
    FPng.SetMaxPixels(budget.Limits().MaxPixels);
    TBudgetedStream stream(png, budget);
    try {
        FPng.LoadFromStream(stream);
    } catch (const EPNGSizeExceeds& e) {
        throw EThumbnailFailure(TThumbnailFailure::tfTooBig, e.Message());
    } catch (const EPNGOutMemory& e) {
        throw EThumbnailFailure(TThumbnailFailure::tfTooBig, e.Message());
    } catch (const std::bad_alloc&) {
        throw EThumbnailFailure(TThumbnailFailure::tfTooBig, "out of memory decoding the preview");
    } catch (const Exception& e) {
        throw EThumbnailFailure(TThumbnailFailure::tfDamagedImage, e.Message());
    }
    FHeader = &FPng.Header();
    FTrns = FPng.Chunks().FindChunk<TChunktRNS>();
    FWidth = FHeader->Width();
    FHeight = FHeader->Height();
    FTransparent = FPng.Transparent();
    const unsigned type = FHeader->ColorType();
    FFewColours =
        type == png::COLOR_PALETTE || (type == png::COLOR_GRAYSCALE && FHeader->BitDepth() <= 8);
    if (FTrns && type == png::COLOR_GRAYSCALE && FTrns->DataSize() >= 2) {
        const std::uint16_t sample =
            static_cast<std::uint16_t>(FTrns->Data()[0] << 8 | FTrns->Data()[1]);
        FTransparentIndex = GreyBitmapValue(sample, FHeader->BitDepth());
    }
    FTransparentColor = FPng.TransparentColor();
}

bool TPreviewImage::PlainRgb8() const {
    const unsigned type = FHeader->ColorType();
    return png::IsIdentityGamma(FPng.GammaTable()) && FHeader->BitDepth() == 8 &&
           FPng.InterlaceMethod() == 0 &&
           (type == png::COLOR_RGBALPHA || (type == png::COLOR_RGB && !FTrns));
}

void TPreviewImage::ReadRow(int y, std::uint8_t* rgba) const {
    const std::uint8_t* bits = FHeader->ImageRow(y);
    const std::uint8_t* alpha = FHeader->AlphaRow(y);
    const int bitCount = FHeader->BitmapInfo().bmiHeader.biBitCount;
    const auto& colors = FHeader->BitmapInfo().bmiColors;
    // The holes of a greyscale or RGB image's tRNS sample, matched on the stored samples
    // while decoding; only a tRNS after the image data leaves the colours to go by.
    const std::uint8_t* keyMask = FHeader->KeyMask() ? FHeader->KeyMask()->ScanLine(y) : nullptr;
    switch (FHeader->ColorType()) {
    case png::COLOR_PALETTE:
        // An index beyond the palette shows the colour-table entry it names, as the viewer
        // draws it, at its tRNS alpha.
        for (int x = 0; x < FWidth; ++x, rgba += 4) {
            const std::uint32_t index = gdi::ReadPixelValue(bits, x, bitCount);
            const gdi::TRGBQuad& c = colors[index];
            rgba[0] = c.rgbRed;
            rgba[1] = c.rgbGreen;
            rgba[2] = c.rgbBlue;
            rgba[3] = FTrns ? FTrns->PaletteValues()[index] : 255;
        }
        break;
    case png::COLOR_GRAYSCALE:
        for (int x = 0; x < FWidth; ++x, rgba += 4) {
            const std::uint32_t index = gdi::ReadPixelValue(bits, x, bitCount);
            rgba[0] = rgba[1] = rgba[2] = colors[index].rgbRed;
            rgba[3] = keyMask ? (gdi::ReadPixelValue(keyMask, x, 1) != 0 ? 0 : 255)
                              : (FTrns && index == FTransparentIndex ? 0 : 255);
        }
        break;
    case png::COLOR_GRAYSCALEALPHA:
        // The grey through the ramp's gamma, as the viewer draws it.
        for (int x = 0; x < FWidth; ++x, rgba += 4) {
            rgba[0] = rgba[1] = rgba[2] = colors[bits[x]].rgbRed;
            rgba[3] = alpha[x];
        }
        break;
    default:
        for (int x = 0; x < FWidth; ++x, rgba += 4, bits += 3) {
            rgba[0] = bits[2];
            rgba[1] = bits[1];
            rgba[2] = bits[0];
            if (alpha)
                rgba[3] = alpha[x];
            else if (keyMask)
                rgba[3] = gdi::ReadPixelValue(keyMask, x, 1) != 0 ? 0 : 255;
            else
                rgba[3] =
                    FTrns && gdi::RGB(bits[2], bits[1], bits[0]) == FTransparentColor ? 0 : 255;
        }
        break;
    }
}

} // namespace thumbs
