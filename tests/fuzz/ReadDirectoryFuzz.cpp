// Fuzzes the archive directory reader and the volume joiner. The input is the archive;
// every volume the reader asks for is served the same bytes, so the walk over volumes,
// the disk-number rules and the joiner's copying all see hostile data too.
#include "archive/ZipExtractor.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// The reader only opens names that exist, so one stand-in file gives every input a name.
// Its folder goes when the process ends, however many inputs ran.
class StandIn {
public:
    StandIn() {
        char pattern[] = "/tmp/jibfuzz-XXXXXX";
        if (::mkdtemp(pattern) == nullptr)
            std::abort();
        FFolder = std::string(pattern) + "/";
        FArchive = FFolder + "input.zip";
        if (FILE* f = std::fopen(FArchive.c_str(), "wb"))
            std::fclose(f);
    }
    ~StandIn() {
        std::error_code ec;
        std::filesystem::remove_all(FFolder, ec);
    }
    const std::string& Folder() const { return FFolder; }
    const std::string& Archive() const { return FArchive; }

private:
    std::string FFolder;
    std::string FArchive;
};

const StandIn& Files() {
    static const StandIn files;
    return files;
}

void Configure(TZipExtractor& zip, const std::uint8_t* data, std::size_t size) {
    zip.SetUnattended(true);
    zip.SetVolumeOpener([data, size](const std::string&) -> std::unique_ptr<TStream> {
        auto stream = std::make_unique<TMemoryStream>();
        if (size > 0)
            stream->WriteBuffer(data, size);
        stream->SetPosition(0);
        return stream;
    });
    zip.SetDriveProbe([](const std::string&) { return TDriveDetails{"/", true, true, {}, 0, 0}; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        TZipExtractor zip;
        Configure(zip, data, size);
        // The first byte picks the reader's options, so both naming schemes and both
        // entry filters are explored.
        const std::uint8_t options = size > 0 ? data[0] : 0;
        zip.SetSpanOptions((options & 1) != 0 ? SpanOpts(spCompatName) : SpanOpts());
        zip.SetUseDirOnlyEntries((options & 2) != 0);
        zip.SetCodePage((options & 4) != 0 ? cpOEM : cpAuto);
        std::size_t names = 0;
        zip.OnNewName = [&](TZipExtractor*, int, const ZipDirEntry& e) {
            names += e.FileName.size();
        };
        zip.SetZipFileName(Files().Archive());
        for (int i = 0; i < zip.EntryCount(); ++i)
            names += zip.Entries(i).FileComment.size() + zip.Entries(i).ExtraField.size();
        if (names == static_cast<std::size_t>(-1))
            std::abort(); // keeps the reads above from being optimised away

        if (zip.ArchiveIsSpanned()) {
            std::string out = Files().Folder();
            if (zip.JoinSpannedArchive(Files().Archive(), out) == 0)
                ::unlink(out.c_str());
        }
    }
    return 0;
}
