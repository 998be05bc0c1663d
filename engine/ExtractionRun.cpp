#include "engine/ExtractionRun.h"

#include "engine/ArchiveFile.h"
#include "engine/EngineErrors.h"
#include "engine/MemberData.h"
#include "engine/MemberName.h"
#include "engine/MemberTime.h"
#include "engine/ZipFormat.h"

#include <algorithm>
#include <new>

namespace unz {
namespace {

// Passwords: a caller may raise the count it allows per member, but never above this,
// and never makes the engine ask more often than this for one member.
constexpr uint32_t kMaxPasswordAsks = 15;
constexpr int kMaxAsksPerMember = 16;
constexpr int32_t kOverwriteIndexMask = 0xFFFF;
constexpr int32_t kOverwriteOlderBit = 0x10000;
constexpr int32_t kFatalResult = -1;

bool Flag(int32_t value) {
    return value != 0;
}

class TNullSink : public TDataSink {
public:
    void Write(const uint8_t*, size_t) override {}
};

} // namespace

TExtractionRun::TExtractionRun(const TUnzCommandRecord& command)
    : FCommand(command), FChannel(command) {
}

TExtractionRun::~TExtractionRun() = default;

int32_t TExtractionRun::Run() {
    try {
        return RunChecked();
    } catch (const TStopRequested&) {
        FChannel.SendFinal(uaMessage, ueAborted, 0, "extraction stopped at the caller's request");
        FChannel.SendFinal(uaEndOfBatch, 0, 0, "");
        return FHandled;
    } catch (const TArchiveError& e) {
        std::string archive = FCommand.ArchiveName ? FCommand.ArchiveName : "";
        FChannel.SendFinal(uaMessage, e.Code(), 0, archive + ": " + e.what());
    } catch (const std::bad_alloc&) {
        FChannel.SendFinal(uaMessage, ueMemory, 0, "out of memory");
    } catch (const std::exception& e) {
        FChannel.SendFinal(uaMessage, ueSevere, 0, e.what());
    }
    FChannel.SendFinal(uaEndOfBatch, 0, 0, "");
    return kFatalResult;
}

void TExtractionRun::CheckOptions() const {
    if (Flag(FCommand.ToMemory) || Flag(FCommand.FromMemory))
        throw TArchiveError(ueBadOptions, "extraction to or from memory is not supported");
    if (FCommand.SpecCount < 0 || (FCommand.SpecCount > 0 && !FCommand.SpecList))
        throw TArchiveError(ueBadOptions, "the record's SpecList does not hold " +
                                              std::to_string(FCommand.SpecCount) + " entries");
    if (!FCommand.ArchiveName || !*FCommand.ArchiveName)
        throw TArchiveError(ueBadOptions, "no archive named");
}

int32_t TExtractionRun::RunChecked() {
    CheckOptions();
    FArchive = std::make_unique<TArchiveFile>(FCommand.ArchiveName);
    FDirectory = ReadArchiveDirectory(*FArchive);
    if (FDirectory.PrefixBytes > 0)
        FChannel.Send(uaMessage, ueWarning, 0,
                      std::string(FCommand.ArchiveName) + ": " +
                          std::to_string(FDirectory.PrefixBytes) +
                          " extra bytes in front of the archive (offsets adjusted)");
    if (!Flag(FCommand.TestOnly))
        FTarget = OpenTargetFolder(FCommand.ExtractBaseDir ? FCommand.ExtractBaseDir : "");

    std::vector<const TMember*> selected = SelectMembers();
    uint64_t totalSize = 0;
    for (const TMember* m : selected)
        totalSize += m->UncompressedSize;
    FChannel.Send(uaTotalCount, 0, selected.size(), "");
    FChannel.Send(uaTotalSize, 0, totalSize, "");
    for (const TMember* m : selected)
        ProcessMember(*m);
    FChannel.Send(uaEndOfBatch, 0, 0, "");
    return FHandled;
}

std::vector<const TMember*> TExtractionRun::SelectMembers() {
    std::vector<std::string> specs;
    for (int32_t i = 0; i < FCommand.SpecCount; ++i) {
        if (FCommand.SpecList[i].Spec && *FCommand.SpecList[i].Spec)
            specs.emplace_back(FCommand.SpecList[i].Spec);
    }
    std::vector<bool> specUsed(specs.size());
    // Folder entries only make folders: nothing without stored folder names, and nothing
    // when freshening, which touches existing files alone.
    bool freshenOnly = Flag(FCommand.FreshenOnly) && !Flag(FCommand.UpdateOnly);
    bool foldersWanted = (Flag(FCommand.UseDirNames) && !freshenOnly) || Flag(FCommand.TestOnly);
    std::vector<const TMember*> selected;
    for (const TMember& m : FDirectory.Members) {
        bool matched = FCommand.SpecCount == 0;
        for (size_t s = 0; s < specs.size(); ++s) {
            if (MatchesSpec(specs[s], m.Name)) {
                matched = true;
                specUsed[s] = true;
            }
        }
        if (matched && (foldersWanted || !m.IsFolder()))
            selected.push_back(&m);
    }
    for (size_t s = 0; s < specs.size(); ++s) {
        if (!specUsed[s])
            FChannel.Send(uaMessage, ueNoMatch, 0, "no member matches \"" + specs[s] + "\"");
    }
    return selected;
}

void TExtractionRun::ProcessMember(const TMember& m) {
    std::string name = m.Name;
    try {
        // The caller may rename a member before it is written; the new name is checked
        // exactly like a stored one.
        if (FChannel.Send(uaNewName, 0, 0, name).CodeValue == 1)
            name = FChannel.AnswerText();
        Trace("member " + std::to_string(m.Index) + " \"" + name + "\": method " +
              std::to_string(m.Method) + ", " + std::to_string(m.CompressedSize) + " -> " +
              std::to_string(m.UncompressedSize) + " bytes at offset " +
              std::to_string(m.LocalHeaderOffset));
        if (m.IsSymlink())
            throw TMemberError(ueUnsafeName, stLinkMember, "symbolic links are not extracted");
        TSafePath path = MakeSafePath(name);
        bool test = Flag(FCommand.TestOnly);
        bool dirNames = Flag(FCommand.UseDirNames);
        if (path.Leaf.empty()) {
            if (!test)
                OpenSubfolder(FTarget, path.Folders, true);
            Verbose((test ? "    testing: " : "   creating: ") + name);
            ++FHandled;
            return;
        }
        if (m.Method != kMethodStored && m.Method != kMethodDeflated)
            throw TMemberError(ueUnsupported, stCompressionUnknown,
                               "compression method " + std::to_string(m.Method) +
                                   " is not supported");
        TMemberLayout layout = CheckLocalHeader(*FArchive, m);
        TDirHandle folder;
        if (!test) {
            // Freshening only replaces files that exist, so it creates no folders either.
            bool freshenOnly = Flag(FCommand.FreshenOnly) && !Flag(FCommand.UpdateOnly);
            folder = OpenSubfolder(FTarget, dirNames ? path.Folders : std::vector<std::string>{},
                                   dirNames && !freshenOnly);
            if (folder.Fd() < 0) {
                ReportSkipped(name, 0, stOnFreshen, "");
                return;
            }
            if (!MayWrite(m, name, folder, path.Leaf))
                return;
        }
        ExtractFile(m, name, path.Leaf, folder, layout);
        ++FHandled;
    } catch (const TMemberError& e) {
        ReportSkipped(name, e.Code(), e.SkipType(), e.what());
    } catch (const TArchiveError& e) {
        ReportSkipped(name, e.Code(), stFormatWrong, e.what());
    }
}

void TExtractionRun::ExtractFile(const TMember& m, const std::string& name, const std::string& leaf,
                                 const TDirHandle& folder, const TMemberLayout& layout) {
    bool test = Flag(FCommand.TestOnly);
    FChannel.Send(uaNewMember, 0, m.UncompressedSize, name);
    std::string password;
    if (m.IsEncrypted())
        password = FindPassword(m, layout, name);
    auto progress = [this](size_t n) {
        FChannel.Send(uaProgress, 0, n, "");
    };

    std::unique_ptr<TDataSink> sink;
    TOutputFile* file = nullptr;
    if (test) {
        sink = std::make_unique<TNullSink>();
    } else {
        auto out = std::make_unique<TOutputFile>(folder, leaf);
        file = out.get();
        sink = std::move(out);
    }
    try {
        ExtractMemberData(*FArchive, m, layout, password, *sink, progress);
    } catch (const TCrcMismatch& e) {
        // The caller decides whether damaged bytes are worth keeping; the default, and
        // the answer of a caller without an opinion, is to leave no corrupt file behind.
        const auto& answer =
            FChannel.Send(uaCrcError, static_cast<int32_t>(e.Found()), e.Expected(), name);
        if (file && FChannel.Connected() && answer.CodeValue == 1)
            file->Commit(MemberMtime(m));
        throw;
    }
    if (file)
        file->Commit(MemberMtime(m));
    const char* verb = test                        ? "    testing: "
                       : m.Method == kMethodStored ? " extracting: "
                                                   : "  inflating: ";
    Verbose(verb + name + (test ? "  OK" : ""));
}

bool TExtractionRun::MayWrite(const TMember& m, const std::string& name, const TDirHandle& folder,
                              const std::string& leaf) {
    TExistingEntry existing = ProbeEntry(folder, leaf);
    bool older = existing.Exists && IsOlderThanMember(existing.Mtime, m);
    bool update = Flag(FCommand.UpdateOnly);
    bool freshen = Flag(FCommand.FreshenOnly) && !update;
    if ((freshen && !existing.Exists) || ((freshen || update) && existing.Exists && !older)) {
        ReportSkipped(name, 0, stOnFreshen, "");
        return false;
    }
    if (!existing.Exists)
        return true;
    if (existing.IsFolder)
        throw TMemberError(ueSevere, stFileExists, "a folder of that name is in the way");
    // Freshening exists to replace older files, so it proposes yes for them; otherwise
    // only OverwriteAll does. The caller's answer wins either way.
    int32_t proposal = Flag(FCommand.OverwriteAll) || ((freshen || update) && older) ? 1 : 0;
    int32_t code =
        (static_cast<int32_t>(m.Index) & kOverwriteIndexMask) | (older ? kOverwriteOlderBit : 0);
    if (FChannel.Send(uaOverwrite, code, proposal, name).SizeValue != 0)
        return true;
    ReportSkipped(name, 0, stNoOverwrite, "");
    return false;
}

std::string TExtractionRun::FindPassword(const TMember& m, const TMemberLayout& layout,
                                         const std::string& name) {
    std::vector<std::string> candidates;
    if (FCommand.Password && *FCommand.Password)
        candidates.emplace_back(FCommand.Password);
    candidates.insert(candidates.end(), FPasswords.rbegin(), FPasswords.rend());
    for (const auto& pw : candidates) {
        if (PasswordFits(*FArchive, m, layout, pw))
            return pw;
    }
    bool anyTried = !candidates.empty();
    uint32_t asksLeft = std::min<uint32_t>(
        static_cast<uint32_t>(std::max(FCommand.PasswordRequests, 0)), kMaxPasswordAsks);
    for (int asked = 0; asksLeft > 0 && !FNoMorePasswordRequests && asked < kMaxAsksPerMember;
         ++asked) {
        const auto& answer = FChannel.Send(uaPassword, 0, asksLeft, name);
        if ((answer.RequestCode & 0xFF) == 0)
            FNoMorePasswordRequests = true; // "cancel all": ask no more in this run
        if (answer.CodeValue != 1)
            break;
        uint32_t answeredLeft =
            std::min<uint32_t>(static_cast<uint32_t>(answer.SizeValue), kMaxPasswordAsks);
        std::string pw = FChannel.AnswerText();
        if (!pw.empty()) {
            anyTried = true;
            if (PasswordFits(*FArchive, m, layout, pw)) {
                FPasswords.push_back(pw);
                return pw;
            }
        }
        asksLeft = answeredLeft > 0 ? answeredLeft - 1 : 0;
    }
    if (anyTried)
        throw TMemberError(ueBadPassword, stBadPassword, "encrypted; no password given fits");
    throw TMemberError(ueBadPassword, stNoPassword, "encrypted, and no password was given");
}

void TExtractionRun::ReportSkipped(const std::string& name, int32_t code, UnZipSkipTypes type,
                                   const std::string& text) {
    if (!text.empty())
        FChannel.Send(uaMessage, code, 0, name + ": " + text);
    FChannel.Send(uaSkipped, code, static_cast<uint64_t>(type) + 1, name);
}

void TExtractionRun::Verbose(const std::string& text) {
    if (Flag(FCommand.VerboseFlag) || Flag(FCommand.TraceFlag))
        FChannel.Send(uaMessage, 0, 0, text);
}

void TExtractionRun::Trace(const std::string& text) {
    if (Flag(FCommand.TraceFlag))
        FChannel.Send(uaMessage, 0, 0, "Trace: " + text);
}

} // namespace unz
