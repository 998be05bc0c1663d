// Fuzzes the archive directory reader and the volume joiner. The input is the archive;
// the first volumes the reader asks for are all served the same bytes, so the walk over
// volumes, the disk-number rules and the joiner's copying all see hostile data too.
//
// Speed: the volumes are read straight from the input (no copy per volume), only the
// first kServedVolumes of them exist (a set claiming 65,535 volumes walked them all and
// copied the input each time: about 100 runs a second, and AddressSanitizer's quarantine
// of all those freed copies was what grew the process to 600 MB), and the joined archive
// goes to a memory file system.
#include "archive/ZipExtractor.h"
#include "tests/fuzz/FuzzFiles.h"
#include "tests/fuzz/FuzzStream.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// Volumes past this many are missing, as on a fixed disk: enough for the rules between
// the first, a middle and the last volume; more only repeat the same steps.
constexpr int kServedVolumes = 4;

// The reader only opens names that exist, so one empty stand-in file gives every input a
// name; the bytes come from the volume opener.
const std::string& StandIn() {
    static const std::string path = [] {
        const std::string p = fuzz::ScratchFolder() + "input.zip";
        fuzz::WriteWholeFile(p, nullptr, 0);
        return p;
    }();
    return path;
}

void Configure(TZipExtractor& zip, const std::uint8_t* data, std::size_t size, int& served) {
    zip.SetUnattended(true);
    zip.SetVolumeOpener([data, size, &served](const std::string& path) -> std::unique_ptr<TStream> {
        if (++served > kServedVolumes)
            throw EFOpenError("Cannot open file \"" + path + "\". No such file");
        return std::make_unique<fuzz::TBytesStream>(data, size);
    });
    zip.SetDriveProbe([](const std::string&) { return TDriveDetails{"/", true, true, {}, 0, 0}; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int served = 0;
    TZipExtractor zip;
    Configure(zip, data, size, served);
    // The first byte picks the reader's options, so both naming schemes and both entry
    // filters are explored.
    const std::uint8_t options = size > 0 ? data[0] : 0;
    zip.SetSpanOptions((options & 1) != 0 ? SpanOpts(spCompatName) : SpanOpts());
    zip.SetUseDirOnlyEntries((options & 2) != 0);
    zip.SetCodePage((options & 4) != 0 ? cpOEM : cpAuto);
    std::size_t names = 0;
    zip.OnNewName = [&](TZipExtractor*, int, const ZipDirEntry& e) {
        names += e.FileName.size();
    };
    zip.SetZipFileName(StandIn());
    for (int i = 0; i < zip.EntryCount(); ++i)
        names += zip.Entries(i).FileComment.size() + zip.Entries(i).ExtraField.size();
    if (names == static_cast<std::size_t>(-1))
        std::abort(); // keeps the reads above from being optimised away

    if (zip.ArchiveIsSpanned()) {
        served = 0;
        std::string out = fuzz::ScratchFolder();
        if (zip.JoinSpannedArchive(StandIn(), out) == 0)
            ::unlink(out.c_str());
    }
    return 0;
}
