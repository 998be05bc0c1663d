// Extracting members to files: the component checks what it can itself (archive, entries,
// folder), joins a spanned archive into one temporary file, loads the engine, hands it one
// command record, and reports whatever went wrong. The library is loaded and freed within
// each call.
#include "archive/EngineCallback.h"
#include "archive/UnzEngine.h"
#include "archive/ZipExtractor.h"
#include "archive/ZipMessages.h"
#include "archive/ZipPaths.h"

#include <deque>
#include <filesystem>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kBusyResult = -255;
constexpr std::int32_t kTrue = -1;
constexpr std::int32_t kFalse = 0;
constexpr std::int32_t kQuiet = kTrue; // the engine never talks to the user itself
// The one spec that means "every member" to the component's users, whatever the engine
// would make of it as a pattern.
constexpr const char* kAllMembersSpec = "*.*";
constexpr const char* kFatalEngineText = "fatal Dll error";

std::int32_t Flag(bool value) {
    return value ? kTrue : kFalse;
}

// The command record and the texts it points to, which live exactly as long as this.
class TEngineCommand {
public:
    TUnzCommandRecord Record{};

    // Copies `text`; answers the copy's address for the record.
    const char* Keep(const std::string& text) { return FTexts.emplace_back(text).c_str(); }

    // One zero-filled entry per member pattern; the texts are copied only when
    // `useSpecs`, else the engine takes every member (a spec count of 0).
    void SetSpecs(const std::vector<std::string>& specs, bool useSpecs) {
        FSpecs.assign(specs.size(), TUnzSpecEntry{});
        if (useSpecs) {
            for (std::size_t i = 0; i < specs.size(); ++i)
                FSpecs[i].Spec = Keep(specs[i]);
        }
        Record.SpecList = FSpecs.empty() ? nullptr : FSpecs.data();
        Record.SpecCount = useSpecs ? static_cast<std::int32_t>(specs.size()) : 0;
    }

private:
    std::deque<std::string> FTexts; // a deque: copies never move once handed out
    std::vector<TUnzSpecEntry> FSpecs;
};

// The joined copy of a spanned archive is ours alone; it goes however the run ends.
class TTemporaryFile {
public:
    ~TTemporaryFile() { Remove(); }
    std::string Path;
    void Remove() {
        if (!Path.empty())
            ::unlink(Path.c_str());
        Path.clear();
    }
};

} // namespace

int TZipExtractor::Extract() {
    if (FExtractBusy || FOperationBusy)
        return kBusyResult;
    FExtractBusy = true;
    TEngineSession session(this);
    FEngineSession = &session;
    try {
        RunExtract(session);
    } catch (...) {
        // Only what the component lets out on purpose gets here (a drive it cannot use);
        // it must not stay busy, or holding the library, for good.
        if (session.Component() != nullptr) {
            FEngineSession = nullptr;
            FUnzEngine->ReleaseHold(false);
            FOperationBusy = false;
            FExtractBusy = false;
        }
        throw;
    }
    // The component may have been destroyed while the engine ran; then nothing of it is
    // left to update, and the caller learns that the run was cut short.
    if (session.Component() == nullptr)
        return zm::Cancelled;
    FEngineSession = nullptr;
    FExtractBusy = false;
    return FErrCode;
}

void TZipExtractor::RunExtract(TEngineSession& session) {
    FHandledCount = 0;
    FErrCode = 0;
    FLastMessage.clear();
    const unsigned requestsBefore = FPasswordReqCount;

    // One failure, one message: when the directory read has said why this archive
    // cannot be read (and emptied the name of a damaged one), reading it again would say
    // it twice, and "no archive name" would blame the user for what the file did.
    if (FZipFileName.empty()) {
        if (RecallDirectoryFailure())
            return;
        return ReportError(zm::NoArchiveName);
    }
    if (!zpath::FileExists(FZipFileName))
        return ReportError(zm::CannotOpen);
    if (EntryCount() == 0) {
        if (RecallDirectoryFailure())
            return;
        ReadDirectory();
        if (EntryCount() == 0) {
            // A failed read has said why already; an archive without members has not.
            if (FErrCode == 0)
                ReportError(zm::NoEntries);
            return;
        }
    }
    if (FOperationBusy)
        return;
    // Unattended, nobody could answer a password request: the engine must not make one.
    // Only what is changed here is put back afterwards.
    bool requestsSuppressed = false;
    if (FUnattended && FPassword.empty() && !OnPasswordError) {
        FPasswordReqCount = 0;
        requestsSuppressed = true;
        ReportError(zm::UnattendedNoPassword);
    }
    const auto restoreRequests = [&] {
        if (requestsSuppressed)
            FPasswordReqCount = requestsBefore;
    };

    FCancelRequested = false;
    FOperationBusy = true;
    TTemporaryFile joined;
    std::string archivePath = FZipFileName;
    if (FVolume.LastDisk != 0) {
        std::string out = FTempDir;
        if (!out.empty() && out.back() != '/')
            out += '/';
        const int joinResult = JoinSpannedArchive(FZipFileName, out);
        joined.Path = out;
        FOperationBusy = true; // the joiner clears it when it is done
        if (joinResult != 0) {
            restoreRequests();
            FOperationBusy = false;
            return;
        }
        archivePath = out;
    }

    int version = 0;
    try {
        version = FUnzEngine->RequireVersion(TUnzEngine::kMinExtractVersion, false);
    } catch (const EZipExtractor& e) {
        ReportException(e);
    } catch (const std::exception&) {
        ReportError(zm::ExtractFailed);
    }
    if (version == 0) {
        // A cancel answered to the "loaded" message leaves the library loaded.
        FUnzEngine->ReleaseHold(false);
        restoreRequests();
        FOperationBusy = false;
        return;
    }

    if (!CallEngine(session, version, archivePath))
        return;
    joined.Remove();

    FFSpecArgs.clear();
    restoreRequests();
    FUnzEngine->ReleaseHold(false);
    FCancelRequested = false;
    FOperationBusy = false;
}

bool TZipExtractor::RecallDirectoryFailure() {
    if (!FDirectoryFailure)
        return false;
    FErrCode = FDirectoryFailure->Id;
    FLastMessage = FDirectoryFailure->Text;
    return true;
}

bool TZipExtractor::CallEngine(TEngineSession& session, int version,
                               const std::string& archivePath) {
    try {
        TEngineCommand command;
        TUnzCommandRecord& record = command.Record;
        if (!FExtrBaseDir.empty()) {
            if (FExtrOptions.testFlag(ExtrForceDirs)) {
                // A folder that cannot be made is reported just below as missing.
                std::error_code ignored;
                std::filesystem::create_directories(FExtrBaseDir, ignored);
            }
            if (!zpath::FolderExists(FExtrBaseDir))
                throw EZipExtractor::CreateMsgText(zm::NoExtractFolder, FExtrBaseDir);
            record.ExtractBaseDir = command.Keep(FExtrBaseDir);
        }
        command.SetSpecs(FFSpecArgs, !FFSpecArgs.empty() && FFSpecArgs.front() != kAllMembersSpec);

        record.WindowHandle = FUnattended ? nullptr : static_cast<void*>(FOwnerWindow.data());
        record.Requester = &session;
        record.Version = version;
        record.Callback = EngineCallback;
        record.TraceFlag = Flag(FTrace);
        record.Password = command.Keep(FPassword);
        record.TestOnly = Flag(FExtrOptions.testFlag(ExtrTest));
        record.QuietFlag = kQuiet;
        record.VerboseFlag = Flag(FVerbose || FTrace);
        const bool update = FExtrOptions.testFlag(ExtrUpdate);
        record.UpdateOnly = Flag(update);
        record.FreshenOnly = Flag(FExtrOptions.testFlag(ExtrFreshen) && !update);
        record.UseDirNames = Flag(FExtrOptions.testFlag(ExtrDirNames));
        record.OverwriteAll = Flag(FExtrOptions.testFlag(ExtrOverWrite));
        record.ArchiveName = command.Keep(archivePath);
        record.PasswordRequests = static_cast<std::int32_t>(FPasswordReqCount);
        record.EndMarker = UNZ_END_MARKER;

        FEventErrorText.clear();
        const int result = FUnzEngine->Execute(record);
        if (session.Component() == nullptr)
            return false;
        if (session.Failure())
            std::rethrow_exception(session.Failure());
        FHandledCount = result;
        if (result < 0) {
            FHandledCount = 0;
            ReportError(zm::EngineFatal, kFatalEngineText);
        }
    } catch (const EZipExtractor& e) {
        ReportException(e);
    } catch (...) {
        ReportError(zm::ExtractFailed);
    }
    return true;
}
