// The reading loop: signature, chunk order rules, which chunks the list keeps, how it is
// trimmed after a failure, and the exact texts users see.
#include "png/pngmessages.h"
#include "tests/png/PngTestSupport.h"

#include <functional>
#include <typeinfo>

#include <gtest/gtest.h>

namespace {

// A valid 2 x 1 8-bit greyscale image: filter byte 0 and the samples 10, 20.
const TBytes kGreyRow = Bytes({0, 10, 20});
const TBytes kHeader = Ihdr(2, 1, 8, 0);
const TBytes kImageData = Chunk("IDAT", Deflate(kGreyRow));

std::vector<std::string> ListedTypes(const TPngGraphic& png) {
    std::vector<std::string> types;
    for (int i = 0; i < png.Chunks().Count(); ++i) {
        const TChunk* c = png.Chunks().Item(i);
        types.push_back(c ? std::string(png::TypeText(c->TypeName())) : "(null)");
    }
    return types;
}

template <class E> std::string MessageOf(const TBytes& bytes, TPngGraphic& png) {
    try {
        LoadBytes(png, bytes);
    } catch (const E& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return std::string("wrong exception: ") + typeid(e).name() + " " + e.what();
    }
    return "no exception";
}

} // namespace

TEST(ChunkStream, SignatureMustMatchInEveryByte) {
    for (std::size_t i = 0; i < kSignature.size(); ++i) {
        TBytes bytes = SimplePng(kHeader, kGreyRow);
        bytes[i] ^= 0x01;
        TTrickleStream stream(bytes, 1000);
        TPngGraphic png;
        EXPECT_THROW(png.LoadFromStream(stream), EPNGInvalidFileHeader) << "byte " << i;
        EXPECT_EQ(stream.Position(), 8) << "nothing past the signature is read";
    }
    TPngGraphic png;
    EXPECT_THROW(LoadBytes(png, Bytes({137, 80, 78})), EPNGInvalidFileHeader);
}

TEST(ChunkStream, EndsAndOrderRulesTrimTheList) {
    TPngGraphic png;

    EXPECT_THROW(LoadBytes(png, kSignature), EPngUnexpectedEnd);
    EXPECT_EQ(png.Chunks().Count(), 0);

    EXPECT_THROW(LoadBytes(png, kSignature + Chunk("tEXt", Bytes("a\0b")) + kHeader),
                 EPNGIHDRNotFirst);
    EXPECT_EQ(png.Chunks().Count(), 0);

    EXPECT_THROW(LoadBytes(png, kSignature + kHeader + Iend()), EPNGNoImageData);
    EXPECT_EQ(ListedTypes(png), (std::vector<std::string>{"IHDR", "IEND"}));

    // The length of the second chunk is cut off after two bytes.
    EXPECT_THROW(LoadBytes(png, kSignature + kHeader + Bytes({0, 0})), EPngUnexpectedEnd);
    EXPECT_EQ(ListedTypes(png), (std::vector<std::string>{"IHDR"}));

    EXPECT_THROW(LoadBytes(png, kSignature + kHeader + Chunk("ABCD", Bytes({1, 2})) + kImageData),
                 EPNGUnknownCriticalChunk);
    EXPECT_EQ(ListedTypes(png), (std::vector<std::string>{"IHDR", "ABCD"}));

    EXPECT_THROW(
        LoadBytes(png, kSignature + kHeader + Chunk("tEXt", Bytes("a\0b"), 1) + kImageData),
        EPngInvalidCRC);
    EXPECT_EQ(ListedTypes(png), (std::vector<std::string>{"IHDR", "tEXt"}));

    // A second header would start a second bitmap.
    TPngGraphic second;
    EXPECT_EQ(MessageOf<EPNGIHDRNotFirst>(kSignature + kHeader + Chunk("tEXt", Bytes("a\0b")) +
                                              kHeader + kImageData + Iend(),
                                          second),
              png::PngMessage(png::EPNGSecondIHDRText));
    EXPECT_EQ(ListedTypes(second), (std::vector<std::string>{"IHDR", "tEXt"}));
}

TEST(ChunkStream, KeepsUnknownAncillaryChunksAndPassesOverChrmAndLateImageData) {
    const TBytes bytes = kSignature + kHeader + Chunk("bKGD", Bytes({0, 7})) +
                         Chunk("cHRM", Bytes({1, 2, 3}), 99) + // corrupt, never checked
                         Chunk("sRGB", Bytes({0})) + kImageData + Chunk("pHYs", Bytes({9})) +
                         Chunk("IDAT", Bytes({1, 2, 3}), 5) + // later data, corrupt, skipped
                         Chunk("iend", {}) + Iend();
    TPngGraphic png;
    LoadBytes(png, bytes);
    EXPECT_EQ(ListedTypes(png),
              (std::vector<std::string>{"IHDR", "bKGD", "sRGB", "IDAT", "pHYs", "iend", "IEND"}));
    const TChunk* bkgd = png.Chunks().Item(1);
    EXPECT_EQ(typeid(*bkgd), typeid(TChunk));
    EXPECT_EQ(bkgd->KindName(), "");
    EXPECT_EQ(TBytes(bkgd->Data(), bkgd->Data() + bkgd->DataSize()), Bytes({0, 7}));
    EXPECT_EQ(typeid(*png.Chunks().Item(5)), typeid(TChunk)) << "type names compare exactly";
    EXPECT_EQ(typeid(*png.Chunks().Item(6)), typeid(TChunkIEND));

    // The CRC of an unknown ancillary chunk counts like any other.
    EXPECT_THROW(LoadBytes(png, kSignature + kHeader + Chunk("bKGD", Bytes({0, 7}), 1) +
                                    kImageData + Iend()),
                 EPngInvalidCRC);
}

TEST(ChunkStream, StopsReadingAfterIend) {
    const TBytes png1 = SimplePng(kHeader, kGreyRow);
    TTrickleStream stream(png1 + Bytes("trailing garbage"), 4096);
    TPngGraphic png;
    png.LoadFromStream(stream);
    EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(png1.size()));
}

TEST(ChunkStream, ANewLoadDropsTheOldImageEvenWhenItFails) {
    TPngGraphic png;
    LoadBytes(png, SimplePng(kHeader, kGreyRow, Chunk("gAMA", BigEndian32(100000))));
    ASSERT_EQ(png.GammaTable()[128], 186);
    EXPECT_THROW(LoadBytes(png, kSignature + Chunk("IHDR", Bytes({1, 2}))), EPngInvalidIHDR);
    EXPECT_EQ(png.GammaTable()[128], 128);
    EXPECT_EQ(png.InverseTable()[186], 186);
    EXPECT_EQ(ListedTypes(png), (std::vector<std::string>{"IHDR"}));
    EXPECT_EQ(png.Header().ImageHandle(), nullptr) << "no bitmap for a refused header";
}

TEST(ChunkStream, LengthsTheStreamCannotHoldAreRefusedWithoutAllocating) {
    // A tEXt chunk claiming 2 GiB - 1 and one claiming 4 GiB - 1, in a stream of a few
    // dozen bytes.
    for (std::uint32_t length : {0x7FFFFFFFu, 0xFFFFFFFFu, 100u}) {
        const TBytes bytes =
            kSignature + kHeader + BigEndian32(length) + Bytes("tEXt") + Bytes("Title");
        TPngGraphic png;
        EXPECT_THROW(LoadBytes(png, bytes), EPngInvalidCRC) << length;
        EXPECT_EQ(ListedTypes(png), (std::vector<std::string>{"IHDR", "tEXt"}));
    }
}

TEST(ChunkStream, ReadsTheSameFromStreamsThatHandOutFewBytesAtATime) {
    const TBytes bytes = ReadFileBytes(FixturePath("pattern-c6-d8-ancillary.png"));
    TPngGraphic whole;
    LoadBytes(whole, bytes);
    for (std::size_t block : {1, 7, 31}) {
        TPngGraphic png;
        LoadBytes(png, bytes, block);
        EXPECT_EQ(DecodedRgba(png), DecodedRgba(whole)) << block;
        EXPECT_EQ(png.Chunks().Count(), whole.Chunks().Count()) << block;
    }
}

TEST(ChunkStream, ListOperations) {
    TPngGraphic png;
    TPNGList& list = png.Chunks();
    list.Add(std::make_unique<TChunkIHDR>(png));
    list.Add(std::make_unique<TChunktEXt>(png));
    list.Add(std::make_unique<TChunkzTXt>(png));
    EXPECT_EQ(list.Item(-1), nullptr);
    EXPECT_EQ(list.Item(3), nullptr);
    EXPECT_EQ(list.FindChunk<TChunktEXt>(), list.Item(1));
    EXPECT_EQ(list.FindChunk<TChunkzTXt>(), list.Item(2));
    EXPECT_EQ(list.FindChunk<TChunkPLTE>(), nullptr);
    std::unique_ptr<TChunk> removed = list.Remove(list.Item(1));
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(removed->KindName(), "tEXt");
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.FindChunk<TChunktEXt>(), list.Item(1)) << "a zTXt is a tEXt";
    EXPECT_EQ(list.Remove(removed.get()), nullptr);
    list.SetSize(5);
    EXPECT_EQ(list.Item(4), nullptr);
    EXPECT_EQ(TChunkIHDR(png).TypeName(), png::MakeChunkType("IHDR"));
    EXPECT_EQ(TChunk(png).TypeName(), (png::TChunkType{}));
}

TEST(ChunkStream, RegistryMatchesTypesInItsOrder) {
    std::vector<std::string> kinds;
    for (const png::TChunkClass& c : png::ChunkClassRegistry())
        kinds.emplace_back(c.KindName);
    EXPECT_EQ(kinds, (std::vector<std::string>{"IEND", "IHDR", "IDAT", "PLTE", "gAMA", "tRNS",
                                               "tIME", "tEXt", "zTXt"}));
    TPngGraphic png;
    EXPECT_EQ(png::CreateChunk(png, png::MakeChunkType("zTXt"))->KindName(), "zTXt");
    const auto unknown = png::CreateChunk(png, png::MakeChunkType("sBIT"));
    EXPECT_EQ(unknown->KindName(), "");
    EXPECT_EQ(unknown->TypeName(), png::MakeChunkType("sBIT"));
}

// Each exception class, raised by a stream made to raise it (or, for the two that no
// stream can raise, by the operation that does), with its exact text.
TEST(ChunkStream, EveryFailureHasItsClassAndText) {
    const std::string pngName = "\"Portable Network Graphics\"";
    const TBytes twoRows = Deflate(kGreyRow + kGreyRow);
    struct Case {
        const char* what;
        std::function<std::string()> run;
        std::string text;
    };
    TPngGraphic png;
    const std::vector<Case> cases = {
        {"crc",
         [&] {
             return MessageOf<EPngInvalidCRC>(kSignature + Chunk("IHDR", IhdrData(2, 1, 8, 0), 1),
                                              png);
         },
         "This " + pngName +
             " image is not valid because it contains invalid pieces of data (crc error)"},
        {"short header",
         [&] {
             return MessageOf<EPngInvalidIHDR>(kSignature + Chunk("IHDR", Bytes({0, 0, 0, 1})),
                                               png);
         },
         "The " + pngName +
             " image could not be loaded because one of its main piece of data (ihdr) might be "
             "corrupted"},
        {"image data broken off by another chunk",
         [&] {
             return MessageOf<EPNGMissingMultipleIDAT>(
                 kSignature + Ihdr(2, 2, 8, 0) +
                     Chunk("IDAT", TBytes(twoRows.begin(), twoRows.begin() + 4)) +
                     Chunk("tEXt", Bytes("a\0b")) + Iend(),
                 png);
         },
         "This " + pngName + " image is invalid because it has missing image parts."},
        {"bad deflate block type",
         [&] {
             return MessageOf<EPNGZLIBError>(
                 kSignature + kHeader + Chunk("IDAT", Bytes({0x78, 0x9C, 0xFF, 0xFF, 0xFF})) +
                     Iend(),
                 png);
         },
         "Could not decompress the image because it contains invalid compressed data.\r\n "
         "Description: data error (-3)"},
        {"palette of 4 bytes",
         [&] {
             return MessageOf<EPNGInvalidPalette>(
                 kSignature + Ihdr(2, 1, 8, 3) + Chunk("PLTE", Bytes({1, 2, 3, 4})), png);
         },
         "The " + pngName + " image contains an invalid palette."},
        {"GIF signature",
         [&] { return MessageOf<EPNGInvalidFileHeader>(Bytes("GIF89a\x01\x00"), png); },
         "The file being read is not a valid " + pngName +
             " image because it contains an invalid header. This file may be corrupted, try "
             "obtaining it again."},
        {"text first",
         [&] {
             return MessageOf<EPNGIHDRNotFirst>(kSignature + Chunk("tEXt", Bytes("a\0b")), png);
         },
         "This " + pngName +
             " image is not supported or it might be invalid.\r\n(IHDR chunk is not the first)"},
        {"width 65536",
         [&] { return MessageOf<EPNGSizeExceeds>(kSignature + Ihdr(65536, 1, 8, 0), png); },
         "This " + pngName +
             " image is not supported because either it's width or height exceeds the maximum "
             "size, which is 65535 pixels length."},
        {"palette entry beyond the count",
         [&] {
             LoadBytes(png, SimplePng(Ihdr(2, 1, 8, 3), kGreyRow, Chunk("PLTE", Bytes({1, 2, 3}))));
             try {
                 png.Chunks().FindChunk<TChunkPLTE>()->Item(1);
             } catch (const EPngError& e) {
                 return e.Message();
             }
             return std::string("no exception");
         },
         "There is no such palette entry."},
        {"critical ABCD",
         [&] {
             return MessageOf<EPNGUnknownCriticalChunk>(kSignature + kHeader + Chunk("ABCD", {}),
                                                        png);
         },
         "This " + pngName +
             " image contains an unknown critical part which could not be decoded."},
        {"compression method 1",
         [&] {
             return MessageOf<EPNGUnknownCompression>(
                 kSignature + Chunk("IHDR", IhdrData(2, 1, 8, 0, 0, 1)), png);
         },
         "This " + pngName +
             " image is encoded with an unknown compression scheme which could not be decoded."},
        {"interlace method 2",
         [&] { return MessageOf<EPNGUnknownInterlace>(kSignature + Ihdr(2, 1, 8, 0, 2), png); },
         "This " + pngName + " image uses an unknown interlace scheme which could not be decoded."},
        {"header chunk assigned from text",
         [&] {
             try {
                 TChunkIHDR(png).Assign(TChunktEXt(png));
             } catch (const EPngError& e) {
                 return e.Message();
             }
             return std::string("no exception");
         },
         "The chunks must be compatible to be assigned."},
        {"signature only", [&] { return MessageOf<EPngUnexpectedEnd>(kSignature, png); },
         "This " + pngName +
             " image is invalid because the decoder found an unexpected end of the file."},
        {"no image data",
         [&] { return MessageOf<EPNGNoImageData>(kSignature + kHeader + Iend(), png); },
         "This " + pngName + " image contains no data."},
        {"width set",
         [&] {
             try {
                 png.SetWidth(5);
             } catch (const EPngError& e) {
                 return e.Message();
             }
             return std::string("no exception");
         },
         "The " + pngName +
             " image can not be resize by changing width and height properties. Try assigning the "
             "image from a bitmap."},
        {"out of memory", [] { return EPNGOutMemory().Message(); },
         "Some operation could not be performed because the system is out of resources. Close some "
         "windows and try again."},
        {"no header",
         [&] {
             TPngGraphic empty;
             try {
                 empty.TransparencyMode();
             } catch (const EPNGHeaderNotPresent& e) {
                 return e.Message();
             }
             return std::string("no exception");
         },
         "This operation is not valid because the current image contains no valid header."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.run(), c.text) << c.what;
}
