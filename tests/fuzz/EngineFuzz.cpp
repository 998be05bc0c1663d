// Fuzzes the engine's extraction: the input's first byte chooses the options, the rest is
// the archive. Besides the sanitizers' own checks it asserts the promises that matter for
// hostile archives: nothing appears outside the target folder and no link is created.
// The archive is a memory file and the target folder lives on tmpfs, so an input costs no
// disk writes.
#include "engine/UnzEngineAbi.h"
#include "tests/fuzz/FuzzFiles.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

enum : uint8_t {
    kOptDirNames = 1,
    kOptTestOnly = 2,
    kOptPreviewOnly = 4, // the viewer's road: one named member
    kOptPassword = 8,
    kOptNoOverwrite = 16,
    kOptAnswerPassword = 32,
};

int32_t Answer(TUnzCallbackRecord* record) {
    auto options = static_cast<uint8_t>(reinterpret_cast<uintptr_t>(record->Requester));
    if ((record->RequestCode & 0xFF) == uaPassword && (options & kOptAnswerPassword)) {
        std::strcpy(record->TextBuffer, "secret");
        record->CodeValue = 1;
    }
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::TTargetFolder target;
    static fuzz::TMemoryFile archive("archive.zip");
    if (size < 1)
        return 0;
    uint8_t options = data[0];
    archive.Assign(data + 1, size - 1);
    target.Empty();

    TUnzSpecEntry spec{};
    spec.Spec = "preview.png";
    TUnzCommandRecord cmd{};
    cmd.Requester = reinterpret_cast<void*>(static_cast<uintptr_t>(options));
    cmd.Version = UNZ_ENGINE_VERSION;
    cmd.Callback = &Answer;
    cmd.Password = (options & kOptPassword) ? "secret" : "";
    cmd.TestOnly = (options & kOptTestOnly) ? -1 : 0;
    cmd.UseDirNames = (options & kOptDirNames) ? -1 : 0;
    cmd.OverwriteAll = (options & kOptNoOverwrite) ? 0 : -1;
    cmd.SpecCount = (options & kOptPreviewOnly) ? 1 : 0;
    cmd.SpecList = &spec;
    cmd.ArchiveName = archive.Path().c_str();
    cmd.PasswordRequests = 2;
    cmd.ExtractBaseDir = target.Path().c_str();
    cmd.EndMarker = UNZ_END_MARKER;
    UnzEngineExec(&cmd);
    target.CheckContained();
    return 0;
}
