// Fuzzes the archive directory reader and the volume joiner. The input is the archive;
// every volume the reader asks for is served the same bytes, so the walk over volumes,
// the disk-number rules and the joiner's copying all see hostile data too.
#include "archive/ZipExtractor.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// The reader only opens names that exist, so one stand-in file gives every input a name.
const std::string& StandInFolder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/jibfuzz-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (made == nullptr)
            std::abort();
        return std::string(made) + "/";
    }();
    return folder;
}

const std::string& StandInArchive() {
    static const std::string path = [] {
        const std::string p = StandInFolder() + "input.zip";
        if (FILE* f = std::fopen(p.c_str(), "wb"))
            std::fclose(f);
        return p;
    }();
    return path;
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
        zip.SetZipFileName(StandInArchive());
        for (int i = 0; i < zip.EntryCount(); ++i)
            names += zip.Entries(i).FileComment.size() + zip.Entries(i).ExtraField.size();
        if (names == static_cast<std::size_t>(-1))
            std::abort(); // keeps the reads above from being optimised away

        if (zip.ArchiveIsSpanned()) {
            std::string out = StandInFolder();
            if (zip.JoinSpannedArchive(StandInArchive(), out) == 0)
                ::unlink(out.c_str());
        }
    }
    return 0;
}
