// The thumbnail library's own rules: which member is the preview, how sizes fit, what
// scaling keeps, the budgets and cancellation, many threads at once, the PNG it writes
// and the URIs it reads.
#include "tests/engine/ZipBuilder.h"
#include "tests/png/PngTestSupport.h"
#include "tests/thumbs/ThumbsTestSupport.h"
#include "thumbs/FileUri.h"
#include "thumbs/PreviewImage.h"
#include "thumbs/PreviewMember.h"
#include "thumbs/Resample.h"
#include "thumbs/ThumbnailBudget.h"
#include "thumbs/ThumbnailPng.h"

#include <thread>

#include <gtest/gtest.h>

namespace {

using namespace thumbs;
using enum TThumbnailFailure;

std::span<const std::uint8_t> Span(const std::string& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

// A 3 x 2 RGB preview of one colour, so a thumbnail tells which member it came from.
std::string Solid(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    TBytes rows;
    for (int y = 0; y < 2; ++y)
        rows = rows + Bytes({0, r, g, b, r, g, b, r, g, b});
    const TBytes png = SimplePng(Ihdr(3, 2, 8, 2), rows);
    return {png.begin(), png.end()};
}

TEST(PreviewMember, TheExactNameWinsThenTheFirstIgnoringCaseAtTheRootOnly) {
    const std::string red = Solid(255, 0, 0), green = Solid(0, 255, 0), blue = Solid(0, 0, 255);
    struct {
        const char* Label;
        std::vector<TBuildMember> Members;
        TThumbnailFailure Failure;
        std::uint8_t Red, Green; // of the thumbnail's first pixel
    } cases[] = {
        {"exact after others",
         {{.Name = "Preview.PNG", .Plain = red}, {.Name = "preview.png", .Plain = green}},
         tfNone,
         0,
         255},
        {"first ignoring case",
         {{.Name = "PREVIEW.png", .Plain = red}, {.Name = "Preview.png", .Plain = green}},
         tfNone,
         255,
         0},
        {"in a folder", {{.Name = "images/preview.png", .Plain = red}}, tfNoThumbnail, 0, 0},
        {"in a Windows folder",
         {{.Name = "images\\preview.png", .Plain = red}},
         tfNoThumbnail,
         0,
         0},
        {"root beats folder",
         {{.Name = "a/preview.png", .Plain = red}, {.Name = "PREVIEW.PNG", .Plain = green}},
         tfNone,
         0,
         255},
        {"a folder entry", {{.Name = "preview.png/", .Plain = ""}}, tfNoThumbnail, 0, 0},
        {"near names",
         {{.Name = "preview.pngx", .Plain = red}, {.Name = "xpreview.png", .Plain = blue}},
         tfNoThumbnail,
         0,
         0},
        {"stored", {{.Name = "preview.png", .Plain = green, .Method = 0}}, tfNone, 0, 255},
        {"with a data descriptor",
         {{.Name = "preview.png", .Plain = red, .DataDescriptor = true}},
         tfNone,
         255,
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        const TThumbnail t = MakeThumbnail(Span(BuildZip(c.Members)), {});
        ASSERT_EQ(t.Failure, c.Failure) << t.Detail;
        if (t.Ok()) {
            EXPECT_EQ(t.Image.Pixel(0, 0)[0], c.Red);
            EXPECT_EQ(t.Image.Pixel(0, 0)[1], c.Green);
        }
    }
    // Bytes in front of the archive (a stub, a glued file) do not hide the preview.
    EXPECT_TRUE(MakeThumbnail(Span(BuildZip({{.Name = "preview.png", .Plain = red}},
                                            {.Prefix = std::string(300, 'S')})),
                              {})
                    .Ok());
}

TEST(FitWithin, TheLongerSideTakesTheBoxAndTheShorterItsShareToThePixel) {
    struct {
        int W, H, Box;
        TImageSize Expected;
    } cases[] = {
        {1024, 768, 256, {256, 192}},    {768, 1024, 256, {192, 256}},
        {161, 121, 100, {100, 75}},      {120, 90, 50, {50, 38}},
        {300, 1, 256, {256, 1}},         {1, 65535, 128, {1, 128}},
        {65535, 65535, 512, {512, 512}}, {100, 100, 256, {100, 100}},
        {256, 10, 256, {256, 10}},       {3, 2, 1, {1, 1}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitWithin(c.W, c.H, c.Box), c.Expected) << c.W << "x" << c.H << " in " << c.Box;
}

// A picture held in memory as a row source.
class TPictureSource : public TRgbaRowSource {
public:
    explicit TPictureSource(TRgbaImage image) : FImage(std::move(image)) {}
    int Width() const override { return FImage.Width; }
    int Height() const override { return FImage.Height; }
    void ReadRow(int y, std::uint8_t* rgba) const override {
        std::copy_n(FImage.Pixel(0, y), FImage.Width * 4, rgba);
    }

private:
    TRgbaImage FImage;
};

TRgbaImage Picture(int w, int h, const std::function<std::array<std::uint8_t, 4>(int, int)>& at) {
    TRgbaImage image{w, h, {}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const auto p = at(x, y);
            image.Pixels.insert(image.Pixels.end(), p.begin(), p.end());
        }
    return image;
}

TEST(Resample, FlatAreasStayFlatAndTransparentPixelsLendNoColour) {
    for (const TResampleFilter filter :
         {TResampleFilter::rfLanczos3, TResampleFilter::rfMitchell}) {
        SCOPED_TRACE(filter == TResampleFilter::rfLanczos3 ? "Lanczos" : "Mitchell");
        const TRgbaImage flat = Resample(
            TPictureSource(Picture(97, 61,
                                   [](int, int) {
                                       return std::array<std::uint8_t, 4>{10, 200, 30, 128};
                                   })),
            {40, 25}, filter, {});
        for (std::size_t i = 0; i < flat.Pixels.size(); i += 4)
            ASSERT_EQ((std::array<int, 4>{flat.Pixels[i], flat.Pixels[i + 1], flat.Pixels[i + 2],
                                          flat.Pixels[i + 3]}),
                      (std::array<int, 4>{10, 200, 30, 128}));
        // Opaque red on the left, transparent green on the right: the edge fades out in red.
        const TRgbaImage edge = Resample(
            TPictureSource(Picture(64, 8,
                                   [](int x, int) {
                                       return x < 32 ? std::array<std::uint8_t, 4>{255, 0, 0, 255}
                                                     : std::array<std::uint8_t, 4>{0, 255, 0, 0};
                                   })),
            {16, 2}, filter, {});
        for (int x = 0; x < 16; ++x) {
            const std::uint8_t* p = edge.Pixel(x, 0);
            if (p[3] > 0) {
                EXPECT_EQ(p[1], 0) << x;
            }
        }
        EXPECT_EQ(edge.Pixel(0, 0)[3], 255);
        EXPECT_EQ(edge.Pixel(15, 0)[3], 0);
    }
}

TEST(Budgets, EachLimitEndsTheThumbnailWithItsReason) {
    const std::string jib = JibWithPreview(ReadAll(ThumbsFixture("preview-rgb8.png")));
    struct {
        const char* Label;
        std::function<void(TThumbnailRequest&)> Set;
        TThumbnailFailure Failure;
    } cases[] = {
        {"no time", [](TThumbnailRequest& r) { r.Budgets.MaxTime = std::chrono::milliseconds(-1); },
         tfTimedOut},
        {"few pixels", [](TThumbnailRequest& r) { r.Budgets.MaxPixels = 161 * 121 - 1; }, tfTooBig},
        {"a small member", [](TThumbnailRequest& r) { r.Budgets.MaxMemberBytes = 1000; }, tfTooBig},
        {"a small directory", [](TThumbnailRequest& r) { r.Budgets.MaxDirectoryBytes = 100; },
         tfTooBig},
        {"all within", [](TThumbnailRequest& r) { r.Budgets.MaxPixels = 161 * 121; }, tfNone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        TThumbnailRequest request;
        c.Set(request);
        EXPECT_EQ(MakeThumbnail(Span(jib), request).Failure, c.Failure);
    }
    std::stop_source stop;
    TThumbnailRequest request;
    request.Stop = stop.get_token();
    stop.request_stop();
    EXPECT_EQ(MakeThumbnail(Span(jib), request).Failure, tfCancelled);
}

TEST(Threads, ManyThumbnailsAtOnceEqualOneAtATime) {
    std::vector<std::string> jibs;
    for (const char* name : {"rgb8", "rgba8-i", "palette8", "grey16", "rgb16-i", "greyalpha8"})
        jibs.push_back(
            JibWithPreview(ReadAll(ThumbsFixture(std::string("preview-") + name + ".png"))));
    TThumbnailRequest request;
    request.Size = 48;
    std::vector<TRgbaImage> alone;
    for (const std::string& jib : jibs)
        alone.push_back(MakeThumbnail(Span(jib), request).Image);
    constexpr int kThreads = 6, kRounds = 10;
    std::vector<int> mismatches(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                const std::size_t i = static_cast<std::size_t>(t + round) % jibs.size();
                if (MakeThumbnail(Span(jibs[i]), request).Image.Pixels != alone[i].Pixels)
                    ++mismatches[t];
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(mismatches, std::vector<int>(kThreads, 0));
}

TEST(ThumbnailPng, WritesRgbOrRgbaWithItsTextsAndReadsBackTheSame) {
    const TRgbaImage opaque = Picture(5, 3, [](int x, int y) {
        return std::array<std::uint8_t, 4>{std::uint8_t(x * 50), std::uint8_t(y * 80), 7, 255};
    });
    TRgbaImage translucent = opaque;
    translucent.Pixels[3] = 17;
    for (const TRgbaImage* image : {&opaque, const_cast<const TRgbaImage*>(&translucent)})
        for (const TPngEffort effort : {TPngEffort::peFast, TPngEffort::peSmall}) {
            const std::vector<std::uint8_t> png = EncodeThumbnailPng(
                *image, {{"Thumb::URI", "file:///home/a/b.jib"}, {"Thumb::MTime", "1700000000"}},
                effort);
            TPngGraphic graphic;
            LoadBytes(graphic, png);
            EXPECT_EQ(graphic.Header().ColorType(),
                      image == &opaque ? png::COLOR_RGB : png::COLOR_RGBALPHA);
            EXPECT_EQ(DecodedRgba(graphic), image->Pixels);
            const auto* text = graphic.Chunks().FindChunk<TChunktEXt>();
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(text->Keyword, "Thumb::URI");
            EXPECT_EQ(text->Text, "file:///home/a/b.jib");
        }
    EXPECT_THROW(EncodeThumbnailPng(opaque, {{"", "x"}}), std::invalid_argument);
}

TEST(FileUri, FileUrisDecodeToTheBytesOfTheirPath) {
    struct {
        const char* Input;
        const char* Path; // null: refused
    } cases[] = {
        {"/home/a/My Art.jib", "/home/a/My Art.jib"},
        {"relative/a.jib", "relative/a.jib"},
        {"file:///home/a/My%20Art.jib", "/home/a/My Art.jib"},
        {"FILE://localhost/tmp/x.jib", "/tmp/x.jib"},
        {"file:/tmp/x.jib", "/tmp/x.jib"},
        {"file:///tmp/caf%C3%A9%ff.jib", "/tmp/caf\xC3\xA9\xFF.jib"},
        {"file:///tmp/100%25.jib", "/tmp/100%.jib"},
        {"file://server/tmp/x.jib", nullptr},
        {"smb://server/share/x.jib", nullptr},
        {"file:///tmp/a%2Fb.jib", nullptr},
        {"file:///tmp/a%00b.jib", nullptr},
        {"file:///tmp/a%4.jib", nullptr},
        {"file:///tmp/a.jib#layer", nullptr},
        {"file:relative.jib", nullptr},
    };
    for (const auto& c : cases) {
        std::string error;
        const std::optional<std::string> path = LocalPathOf(c.Input, error);
        if (c.Path) {
            EXPECT_EQ(path, std::optional<std::string>(c.Path)) << c.Input;
        } else {
            EXPECT_FALSE(path) << c.Input;
            EXPECT_FALSE(error.empty()) << c.Input;
        }
    }
}

} // namespace

TEST(PreviewImage, ReadsThePixelsAsTheViewerDrawsThem) {
    // Gamma 1.0 shows both 254 and 255 as 255, yet only the stored 255 is the white tRNS
    // key; grey with alpha shows its grey through the same gamma (128 as 186, 200 as 228).
    const TBytes gammaOne = Chunk("gAMA", BigEndian32(100000));
    const struct {
        const char* name;
        TBytes png;
        TBytes rgba;
    } cases[] = {
        {"RGB with a white key",
         SimplePng(Ihdr(2, 1, 8, 2), Bytes({0, 255, 255, 255, 254, 254, 254}),
                   gammaOne + Chunk("tRNS", Bytes({0, 255, 0, 255, 0, 255}))),
         Bytes({255, 255, 255, 0, 255, 255, 255, 255})},
        {"grey with a white key",
         SimplePng(Ihdr(2, 1, 8, 0), Bytes({0, 255, 254}),
                   gammaOne + Chunk("tRNS", Bytes({0, 255}))),
         Bytes({255, 255, 255, 0, 255, 255, 255, 255})},
        {"grey with alpha", SimplePng(Ihdr(2, 1, 8, 4), Bytes({0, 128, 255, 200, 128}), gammaOne),
         Bytes({186, 186, 186, 255, 228, 228, 228, 128})},
    };
    const TThumbnailBudget budget{TThumbnailRequest{}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TPreviewImage image(std::span<const std::uint8_t>(c.png), budget);
        TBytes rgba(8);
        image.ReadRow(0, rgba.data());
        EXPECT_EQ(rgba, c.rgba);
    }
}
