// Fuzzes the engine's extraction: the input's first byte chooses the options, the rest is
// the archive. Besides the sanitizers' own checks it asserts the promises that matter for
// hostile archives: nothing appears outside the target folder and no link is created.
#include "engine/UnzEngineAbi.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

enum : uint8_t {
    kOptDirNames = 1,
    kOptTestOnly = 2,
    kOptPreviewOnly = 4, // the viewer's road: one named member
    kOptPassword = 8,
    kOptNoOverwrite = 16,
    kOptAnswerPassword = 32,
};

class TFuzzFolder {
public:
    TFuzzFolder() {
        std::string pattern = (fs::temp_directory_path() / "jib-engine-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        Root = pattern;
        Archive = (Root / "archive.zip").string();
        Out = Root / "out";
    }
    ~TFuzzFolder() {
        std::error_code ec;
        fs::remove_all(Root, ec);
    }
    fs::path Root;
    std::string Archive;
    fs::path Out;
};

int32_t Answer(TUnzCallbackRecord* record) {
    auto options = static_cast<uint8_t>(reinterpret_cast<uintptr_t>(record->Requester));
    if ((record->RequestCode & 0xFF) == uaPassword && (options & kOptAnswerPassword)) {
        std::strcpy(record->TextBuffer, "secret");
        record->CodeValue = 1;
    }
    return 0;
}

void CheckNothingEscaped(const TFuzzFolder& folder) {
    for (const auto& entry : fs::directory_iterator(folder.Root)) {
        if (entry.path() != folder.Out && entry.path() != folder.Archive) {
            std::fprintf(stderr, "written outside the target folder: %s\n", entry.path().c_str());
            std::abort();
        }
    }
    if (!fs::exists(folder.Out))
        return;
    for (const auto& entry : fs::recursive_directory_iterator(folder.Out)) {
        if (entry.is_symlink()) {
            std::fprintf(stderr, "link created: %s\n", entry.path().c_str());
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TFuzzFolder folder;
    if (size < 1)
        return 0;
    uint8_t options = data[0];
    {
        FILE* f = std::fopen(folder.Archive.c_str(), "wb");
        if (!f)
            std::abort();
        std::fwrite(data + 1, 1, size - 1, f);
        std::fclose(f);
    }
    std::error_code ec;
    fs::remove_all(folder.Out, ec);
    fs::create_directory(folder.Out);

    std::string out = folder.Out.string();
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
    cmd.ArchiveName = folder.Archive.c_str();
    cmd.PasswordRequests = 2;
    cmd.ExtractBaseDir = out.c_str();
    cmd.EndMarker = UNZ_END_MARKER;
    UnzEngineExec(&cmd);
    CheckNothingEscaped(folder);
    return 0;
}
