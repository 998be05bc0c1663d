// Fuzzes a whole run of the engine as a caller drives it: the archive, the member specs
// and every option and callback answer come from the input. Layout:
//
//   byte 0       record options: 1 folder names, 2 test only, 4 password in the record,
//                8 overwrite all, 16 update only, 32 freshen only, 64 verbose, 128 trace
//   byte 1       callback answers: 1 give the password, 2 say yes to overwriting,
//                4 rename each member to the rename text, 8 keep a file whose CRC failed,
//                16 stop at the third callback, 32 run a second time into the same
//                folder, 64 no password requests
//   byte 2       n, then n bytes of specs, one per line ("*" and "?" wildcards)
//   next byte    m, then m bytes of rename text
//   the rest     the archive (a memory file)
//
// Whatever the input, nothing may appear outside the target folder (on tmpfs), no link
// may be created, and a test-only run writes nothing.
#include "engine/UnzEngineAbi.h"
#include "tests/fuzz/FuzzFiles.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

enum : std::uint8_t {
    kDirNames = 1,
    kTestOnly = 2,
    kRecordPassword = 4,
    kOverwriteAll = 8,
    kUpdateOnly = 16,
    kFreshenOnly = 32,
    kVerbose = 64,
    kTrace = 128,
};

enum : std::uint8_t {
    kAnswerPassword = 1,
    kAnswerOverwrite = 2,
    kAnswerRename = 4,
    kKeepCrcFailure = 8,
    kStopAtThirdCallback = 16,
    kSecondRun = 32,
    kNoPasswordRequests = 64,
};

constexpr int kStopAt = 3;
constexpr const char* kPassword = "secret";

struct TAnswers {
    std::uint8_t flags = 0;
    std::string rename;
    int calls = 0;
};

int32_t Answer(TUnzCallbackRecord* record) {
    auto& answers = *static_cast<TAnswers*>(record->Requester);
    if ((answers.flags & kStopAtThirdCallback) != 0 && ++answers.calls == kStopAt)
        return -1;
    switch (record->RequestCode & 0xFF) {
    case uaPassword:
        if ((answers.flags & kAnswerPassword) != 0) {
            std::strcpy(record->TextBuffer, kPassword);
            record->CodeValue = 1;
        }
        break;
    case uaOverwrite:
        record->SizeValue = (answers.flags & kAnswerOverwrite) != 0 ? 1 : 0;
        break;
    case uaNewName:
        if ((answers.flags & kAnswerRename) != 0) {
            const std::size_t n =
                std::min<std::size_t>(answers.rename.size(), UNZ_TEXT_BUFFER_SIZE - 1);
            std::memcpy(record->TextBuffer, answers.rename.data(), n);
            record->TextBuffer[n] = '\0';
            record->CodeValue = 1;
        }
        break;
    case uaCrcError:
        record->CodeValue = (answers.flags & kKeepCrcFailure) != 0 ? 1 : 0;
        break;
    default:
        break;
    }
    return 0;
}

// Takes a block of one length byte and that many bytes off the front of `input`.
std::string_view TakeBlock(std::string_view& input) {
    if (input.empty())
        return {};
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::uint8_t>(input.front()), input.size() - 1);
    const std::string_view block = input.substr(1, n);
    input.remove_prefix(1 + n);
    return block;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::TTargetFolder target;
    static fuzz::TMemoryFile archive("archive.zip");
    if (size < 2)
        return 0;
    const std::uint8_t options = data[0];
    TAnswers answers;
    answers.flags = data[1];
    std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::string specText(TakeBlock(rest));
    answers.rename = std::string(TakeBlock(rest));
    archive.Assign(reinterpret_cast<const std::uint8_t*>(rest.data()), rest.size());
    target.Empty();

    std::vector<std::string> specs;
    for (std::size_t start = 0; start < specText.size();) {
        const std::size_t end = std::min(specText.find('\n', start), specText.size());
        specs.push_back(specText.substr(start, end - start));
        start = end + 1;
    }
    std::vector<TUnzSpecEntry> specList(specs.size());
    for (std::size_t i = 0; i < specs.size(); ++i)
        specList[i].Spec = specs[i].c_str();

    TUnzCommandRecord cmd{};
    cmd.Requester = &answers;
    cmd.Version = UNZ_ENGINE_VERSION;
    cmd.Callback = &Answer;
    cmd.TraceFlag = (options & kTrace) != 0 ? -1 : 0;
    cmd.VerboseFlag = (options & kVerbose) != 0 ? -1 : 0;
    cmd.Password = (options & kRecordPassword) != 0 ? kPassword : "";
    cmd.TestOnly = (options & kTestOnly) != 0 ? -1 : 0;
    cmd.UpdateOnly = (options & kUpdateOnly) != 0 ? -1 : 0;
    cmd.FreshenOnly = (options & kFreshenOnly) != 0 ? -1 : 0;
    cmd.UseDirNames = (options & kDirNames) != 0 ? -1 : 0;
    cmd.OverwriteAll = (options & kOverwriteAll) != 0 ? -1 : 0;
    cmd.SpecCount = static_cast<int32_t>(specList.size());
    cmd.SpecList = specList.empty() ? nullptr : specList.data();
    cmd.ArchiveName = archive.Path().c_str();
    cmd.PasswordRequests = (answers.flags & kNoPasswordRequests) != 0 ? 0 : 2;
    cmd.ExtractBaseDir = target.Path().c_str();
    cmd.EndMarker = UNZ_END_MARKER;
    const int runs = (answers.flags & kSecondRun) != 0 ? 2 : 1;
    for (int run = 0; run < runs; ++run) {
        answers.calls = 0;
        UnzEngineExec(&cmd);
        target.CheckContained();
        if (cmd.TestOnly != 0 && target.HoldsAnything()) {
            std::fprintf(stderr, "a test-only run wrote files\n");
            std::abort();
        }
    }
    return 0;
}
