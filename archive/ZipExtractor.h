// TZipExtractor: the archive component. It reads a ZIP archive's directory itself (set
// `ZipFileName`), joins the volumes of a spanned archive into one temporary archive,
// extracts members through the unzip engine library (`Extract`), and names every problem
// by a message ID that it reports itself: in a message box unless `Unattended`, and
// always in `ErrCode`, `LastMessage` and `OnMessage`. Nothing about a damaged or missing
// archive, folder or engine leaves the component as an exception.
//
// Its methods live in one file per stage: ZipExtractor.cpp (construction and
// properties), ZipReporting.cpp (messages and the callback events), ZipEndRecord.cpp,
// ZipDirectory.cpp, ZipVolumes.cpp, ZipJoin.cpp, ZipPasswords.cpp, ZipExtract.cpp (the
// extraction) and EngineCallback.cpp (the engine's requests and their answers).
#pragma once

#include "archive/DriveDetails.h"
#include "archive/EZipExtractor.h"
#include "archive/ZipDirEntry.h"
#include "archive/ZipOptions.h"
#include "archive/ZipRecords.h"
#include "archive/ZipSFX.h"
#include "archive/ZipText.h"
#include "gui/Stream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QWidget>

class TEngineSession;
class TUnzEngine;
class TVolumeReader;
class TWaitCursor;
class TZipExtractor;
class TZipJoinTable;
struct TUnzCallbackRecord;

// What a callback call is about, from the engine or from the component itself.
enum TCallbackAction {
    cbTick = 0,
    cbNewItem = 1,  // text = the item, size = its size
    cbProgress = 2, // size = bytes just done
    cbBatchEnd = 3,
    cbMessage = 4,    // error code and text
    cbTotalCount = 5, // size = number of items
    cbTotalSize = 6,  // size = bytes to do
    // Requests only the engine makes; most want an answer in the callback record.
    cbNewName = 7,    // text = a member's name; may be renamed
    cbPassword = 8,   // text = the member, size = asks left, code bit 0 = new password
    cbCrcError = 9,   // code = CRC found, size = CRC expected: keep the file?
    cbOverwrite = 10, // text = the file, size = the engine's proposal: replace it?
    cbSkipped = 11,   // text = the member, size = skip type + 1, code = error code
    cbFileComment = 12,
    cbMemorySize = 13, // size = bytes wanted for extraction to memory
    cbExtraField = 14,
    cbNewItem2 = 15,  // code = message offset of the item's name, size = its size
    cbProgress2 = 16, // size = bytes just done
};

// The memory stream that engine callbacks may size for extraction to memory.
class TZipStream : public TMemoryStream {};

// What OnAfterCallback receives as its sender: the callback just handled.
struct TCallBackInfo {
    TZipExtractor* Requester = nullptr;
    int ActionCode = 0;
    int ErrorCode = 0;
    std::string Text;
    std::uint32_t FileSize = 0;
};

// Opens an archive volume for reading; raises when it cannot. Tests substitute streams
// that answer in tiny pieces.
using TVolumeOpener = std::function<std::unique_ptr<TStream>(const std::string& path)>;

class TZipExtractor : public QObject {
public:
    // Creating touches neither the file system nor any library. The owner, when given,
    // destroys the component with itself.
    explicit TZipExtractor(QObject* owner = nullptr);
    ~TZipExtractor() override;
    TZipExtractor(const TZipExtractor&) = delete;
    TZipExtractor& operator=(const TZipExtractor&) = delete;

    // ---- Published properties --------------------------------------------------------
    const std::string& ZipFileName() const { return FZipFileName; }
    // Stores the path and reads the archive's directory at once. Reports, never raises.
    void SetZipFileName(const std::string& value);

    // Names or wildcard specs of the members to extract; edited in place.
    std::vector<std::string>& FSpecArgs() { return FFSpecArgs; }
    void SetFSpecArgs(const std::vector<std::string>& value) { FFSpecArgs = value; }
    std::vector<std::string>& FSpecArgsExcl() { return FFSpecArgsExcl; }
    void SetFSpecArgsExcl(const std::vector<std::string>& value) { FFSpecArgsExcl = value; }

    const std::string& ExtrBaseDir() const { return FExtrBaseDir; }
    void SetExtrBaseDir(const std::string& value) { FExtrBaseDir = value; }
    ExtrOpts ExtrOptions() const { return FExtrOptions; }
    void SetExtrOptions(ExtrOpts value) { FExtrOptions = value; }
    bool Unattended() const { return FUnattended; }
    void SetUnattended(bool value) { FUnattended = value; }
    const std::string& Password() const { return FPassword; }
    void SetPassword(const std::string& value) { FPassword = value; }
    unsigned PasswordReqCount() const { return FPasswordReqCount; }
    // The engine asks at most 15 times; larger values are stored as 15.
    void SetPasswordReqCount(unsigned value);
    const std::string& DLLDirectory() const { return FDLLDirectory; }
    // Drops one trailing "/" (the root itself stays as it is).
    void SetDLLDirectory(const std::string& value);
    const std::string& TempDir() const { return FTempDir; }
    void SetTempDir(const std::string& value) { FTempDir = value; }
    CodePageOpts CodePage() const { return FCodePage; }
    void SetCodePage(CodePageOpts value) { FCodePage = value; }
    bool UseDirOnlyEntries() const { return FUseDirOnlyEntries; }
    void SetUseDirOnlyEntries(bool value) { FUseDirOnlyEntries = value; }
    bool Verbose() const { return FVerbose; }
    void SetVerbose(bool value) { FVerbose = value; }
    bool Trace() const { return FTrace; }
    void SetTrace(bool value) { FTrace = value; }
    SpanOpts SpanOptions() const { return FSpanOptions; }
    void SetSpanOptions(SpanOpts value) { FSpanOptions = value; }
    std::string VersionInfo() const { return "1.73"; }
    void SetVersionInfo(const std::string&) {} // the version is the component's, not settable

    // Stored for the zipping side, which this program does not have.
    int AddCompLevel() const { return FAddCompLevel; }
    void SetAddCompLevel(int value) { FAddCompLevel = value; }
    AddOpts AddOptions() const { return FAddOptions; }
    void SetAddOptions(AddOpts value) { FAddOptions = value; }
    const QDateTime& AddFrom() const { return FAddFrom; }
    void SetAddFrom(const QDateTime& value) { FAddFrom = value; }
    AddStoreExts AddStoreSuffixes() const { return FAddStoreSuffixes; }
    void SetAddStoreSuffixes(AddStoreExts value) { FAddStoreSuffixes = value; }
    const std::string& ExtAddStoreSuffixes() const { return FExtAddStoreSuffixes; }
    // Normalises the list to lower-case ".ext:" items ("GIF, .Png" -> ".gif:.png:") and
    // adds assEXT to AddStoreSuffixes; an empty list removes assEXT.
    void SetExtAddStoreSuffixes(const std::string& value);
    DeleteOpts HowToDelete() const { return FHowToDelete; }
    void SetHowToDelete(DeleteOpts value) { FHowToDelete = value; }
    const std::string& RootDir() const { return FRootDir; }
    void SetRootDir(const std::string& value) { FRootDir = value; }
    bool ConfirmErase() const { return FConfirmErase; }
    void SetConfirmErase(bool value) { FConfirmErase = value; }
    std::uint32_t KeepFreeOnDisk1() const { return FKeepFreeOnDisk1; }
    void SetKeepFreeOnDisk1(std::uint32_t value) { FKeepFreeOnDisk1 = value; }
    std::uint32_t KeepFreeOnAllDisks() const { return FKeepFreeOnAllDisks; }
    void SetKeepFreeOnAllDisks(std::uint32_t value) { FKeepFreeOnAllDisks = value; }
    std::int64_t MaxVolumeSize() const { return FMaxVolumeSize; }
    void SetMaxVolumeSize(std::int64_t value) { FMaxVolumeSize = value; }
    std::uint32_t MinFreeVolumeSize() const { return FMinFreeVolumeSize; }
    void SetMinFreeVolumeSize(std::uint32_t value) { FMinFreeVolumeSize = value; }

    // Self-extractor settings: read from and written to the linked slave when there is
    // one, else kept here.
    TZipSFX* SFXSlave() const { return FSFXSlave.get(); }
    // The component owns a linked slave and destroys it with itself.
    void SetSFXSlave(std::unique_ptr<TZipSFX> slave) { FSFXSlave = std::move(slave); }
    std::string SFXCaption() const { return SFX().Caption; }
    void SetSFXCaption(const std::string& value) { SFX().Caption = value; }
    std::string SFXCommandLine() const { return SFX().CommandLine; }
    void SetSFXCommandLine(const std::string& value) { SFX().CommandLine = value; }
    std::string SFXDefaultDir() const { return SFX().DefaultDir; }
    void SetSFXDefaultDir(const std::string& value) { SFX().DefaultDir = value; }
    QIcon SFXIcon() const { return SFX().Icon; }
    void SetSFXIcon(const QIcon& value) { SFX().Icon = value; }
    std::string SFXMessage() const { return SFX().Message; }
    void SetSFXMessage(const std::string& value) { SFX().Message = value; }
    SFXOpts SFXOptions() const { return SFX().Options; }
    void SetSFXOptions(SFXOpts value) { SFX().Options = value; }
    OvrOpts SFXOverWriteMode() const { return SFX().OverWriteMode; }
    void SetSFXOverWriteMode(OvrOpts value) { SFX().OverWriteMode = value; }
    std::string SFXPath() const { return SFX().Path; }
    void SetSFXPath(const std::string& value) { SFX().Path = value; }

    // ---- Run-time state --------------------------------------------------------------
    // The directory as last read; EntryCount is 0 while ZipFileName is empty, even when
    // a failed read left entries behind.
    int EntryCount() const;
    const ZipDirEntry& Entries(int index) const {
        return FEntries.at(static_cast<std::size_t>(index));
    }
    int SkippedDirCount() const { return FSkippedDirCount; }
    int ErrCode() const { return FErrCode; }
    int RawErrCode() const { return FRawErrCode; }
    const std::string& LastMessage() const { return FLastMessage; }
    int HandledCount() const { return FHandledCount; }
    const std::string& ArchiveComment() const { return FArchiveComment; }
    bool ArchiveIsSpanned() const { return FArchiveIsSpanned; }
    // Where the first member's local header sits: the length of whatever stands in front
    // of the archive (a program stub, say).
    std::int64_t ArchiveStart() const { return FArchiveStart; }
    bool DirectoryMisplaced() const { return FDirectoryMisplaced; }
    bool CancelRequested() const { return FCancelRequested; }
    void SetCancelRequested(bool value) { FCancelRequested = value; }
    bool ExtractBusy() const { return FExtractBusy; }
    bool OperationBusy() const { return FOperationBusy; }
    QWidget* OwnerWindow() const { return FOwnerWindow; }
    const std::string& EventErrorText() const { return FEventErrorText; }
    TZipStream& ZipStream() { return *FZipStream; }
    // The volume holding the archive, as the last directory read found it.
    const TDriveDetails& Drive() const { return FVolume.Drive; }

    // The loader of the unzip engine; it holds the library only during an Extract.
    TUnzEngine& UnzEngine() { return *FUnzEngine; }

    // ---- Operations ------------------------------------------------------------------
    // Reads the directory of ZipFileName into Entries (also run by the setter).
    void ReadDirectory();

    // Extracts the members FSpecArgs names (all of them when it is empty or starts with
    // "*.*") from ZipFileName into ExtrBaseDir through the unzip engine. Reports every
    // problem itself and answers ErrCode; -255 at once while an extraction or another
    // operation of this component is running (a handler called it during one).
    int Extract();

    // Joins the volumes of the spanned archive `archivePath` into one archive. When
    // `outPath` names a folder (ends with "/") or is empty, a fresh name is made there
    // (or in the private temporary folder); when it names a file, that file is replaced
    // and the extension becomes ".zip". On success `outPath` holds the joined archive;
    // on failure it is emptied and nothing is left behind. Answers 0, -7 (a reported
    // archive error), -8 (out of memory) or -9 (any other failure).
    int JoinSpannedArchive(const std::string& archivePath, std::string& outPath);

    // ---- Messages (see ZipReporting.cpp) -----------------------------------------------
    // The linked text for `id`, passed through OnZipStr when assigned.
    std::string LoadMessageText(int id);
    std::string LoadMessageTextOr(int id, const std::string& defaultText);
    // Reports message `id` followed by `extra`; OnMessage sees error code 0.
    void ReportError(int id, const std::string& extra = {});
    // Reports a caught exception; OnMessage sees its ID.
    void ReportException(const EZipExtractor& e);

    // The component's own callback calls: progress and messages of the volume joiner,
    // through the same events an engine run feeds. Raises EZipExtractor 11007 when a
    // handler or dialog asked to cancel.
    void HandleCallback(int action, int errorCode, std::uint32_t size, const std::string& text);

    // ---- Passwords (see ZipPasswords.cpp) ----------------------------------------------
    // Asks for the password of an encrypted member; empty when none was given.
    std::string AskPassword();
    // Asks for a new password twice; empty unless both entries agree.
    std::string AskNewPassword();
    // How the last password dialog was left (pbOk, pbCancel, pbCancelAll, pbAbort).
    TPasswordButton LastPasswordButton() const { return FLastPasswordButton; }

    // ---- Seams ---------------------------------------------------------------------------
    void SetVolumeOpener(TVolumeOpener opener);
    void SetDriveProbe(TDriveProbe probe);

    // ---- Events ------------------------------------------------------------------------
    std::function<void(TZipExtractor* Sender)> OnDirUpdate;
    std::function<void(TZipExtractor* Sender, int SeqNo, const ZipDirEntry& ZipEntry)> OnNewName;
    std::function<void(TZipExtractor* Sender, int ErrCode, const std::string& Message)> OnMessage;
    std::function<void(TZipExtractor* Sender, int ID, std::string& Str)> OnZipStr;
    std::function<void(TZipExtractor* Sender)> OnTick;
    std::function<void(TZipExtractor* Sender, ProgressType ProgrType, const std::string& Filename,
                       std::uint32_t FileSize)>
        OnProgress;
    std::function<void(TZipExtractor* Sender, const std::string& Item, std::uint32_t TotalSize,
                       int PerCent)>
        OnItemProgress;
    std::function<void(TZipExtractor* Sender, std::uint32_t TotalSize, int PerCent)>
        OnTotalProgress;
    std::function<void(TZipExtractor* Sender, int DiskSeqNo, int DiskTotal,
                       const std::string& Drive, bool& AbortAction)>
        OnGetNextDisk;
    std::function<void(TCallBackInfo* Sender, bool& abort)> OnAfterCallback;
    // Fed by the engine's callbacks during an extraction.
    std::function<void(TZipExtractor* Sender, std::string& OldFileName, bool& IsChanged)>
        OnSetNewName;
    std::function<void(TZipExtractor* Sender, bool IsZipAction, std::string& NewPassword,
                       const std::string& ForFile, unsigned& RepeatCount, TPasswordButton& Action)>
        OnPasswordError;
    std::function<void(TZipExtractor* Sender, const std::string& ForFile, std::uint32_t FoundCRC,
                       std::uint32_t ExpectedCRC, bool& DoExtract)>
        OnCRC32Error;
    std::function<void(TZipExtractor* Sender, const std::string& ForFile, bool IsOlder,
                       bool& DoOverwrite, int DirIndex)>
        OnExtractOverwrite;
    std::function<void(TZipExtractor* Sender, const std::string& ForFile, int SkipType,
                       int ExtError)>
        OnExtractSkipped;
    std::function<void(TZipExtractor* Sender, const std::string& ForFile, std::string& FileComment,
                       bool& IsChanged)>
        OnFileComment;
    std::function<void(TZipExtractor* Sender, const std::string& ForFile, std::string& Data,
                       bool& IsChanged)>
        OnFileExtra;

private:
    enum class EndRecordMode { Raise, Quiet };

    // Everything the reader learns about the volume(s) of the archive being read.
    struct VolumeState {
        TDriveDetails Drive;
        std::string ArchivePath; // the name the volume names derive from
        std::string Path;        // the current volume
        std::unique_ptr<TVolumeReader> Reader;
        int CurrentDisk = -1;
        int LastDisk = 0;
        bool AskForDisk = false;
        bool SpanMarkerSeen = false;
        std::int64_t FileLength = 0;
        std::int64_t LogicalEnd = 0; // the end of the end record's comment
        std::int64_t EndRecordPos = -1;
        zip::EndRecord End;
        zip::DirectoryLocation Directory;
    };

    TSFXSettings& SFX() { return FSFXSlave ? FSFXSlave->Settings() : FSFX; }
    const TSFXSettings& SFX() const { return FSFXSlave ? FSFXSlave->Settings() : FSFX; }

    // Shows the password dialog with `buttons`; answers the entry when OK was pressed.
    std::string RunPasswordDialog(unsigned buttons, const std::string& title, int promptId);

    friend class TEngineSession;

    // Extraction (ZipExtract.cpp).
    void RunExtract(TEngineSession& session);
    // Steps 9 to 11 of a run: the command, the engine call, the joined archive's removal.
    // Answers false when the component was destroyed during the engine call.
    bool CallEngine(TEngineSession& session, int version, const std::string& archivePath);

    // Engine callbacks (EngineCallback.cpp). Answers kEngineGoOn or kEngineStop.
    std::int32_t HandleCallback(TUnzCallbackRecord& record, TEngineSession& session);
    void AnswerRequest(int action, TUnzCallbackRecord& record, int code, std::uint32_t size,
                       const std::string& text);
    void AnswerPassword(TUnzCallbackRecord& record, int code, std::uint32_t size,
                        const std::string& forFile);
    void AnswerFileComment(TUnzCallbackRecord& record, const std::string& forFile);
    void AnswerMemorySize(TUnzCallbackRecord& record, std::uint32_t size);
    void AnswerExtraField(TUnzCallbackRecord& record, std::uint32_t size,
                          const std::string& forFile);
    // What follows every callback: OnAfterCallback, or else the message pump.
    void AfterCallback(int action, int errorCode, const std::string& text, std::uint32_t size);

    // Messages and progress.
    void ShowReport(const std::string& text);
    void SendMessage(const std::string& text) { HandleCallback(cbMessage, 0, 0, text); }
    void DispatchCallback(int action, int errorCode, std::uint32_t size, const std::string& text);
    // A new item of work (`text` as the engine named it) and the bytes done of it.
    void StartItem(ProgressType type, const std::string& text, const std::string& itemName,
                   std::uint32_t size);
    void AdvanceItem(ProgressType type, std::uint32_t size);
    void StartWaitCursor();
    void StopWaitCursor();

    // End record and directory.
    bool OpenEndRecord(EndRecordMode mode);
    bool FindEndRecord(std::int64_t tailStart, const std::vector<std::uint8_t>& tail);
    // Takes the end record at `position`; `bytes` holds everything from there to the end
    // of the volume.
    void AcceptEndRecord(std::int64_t position, const std::uint8_t* bytes, std::size_t count);
    [[noreturn]] void RaiseNoEndRecord();
    // Fills FVolume.Directory from the end record, or from the ZIP64 end record when the
    // archive has a valid one; raises 10201 when the end record sends the reader to a
    // ZIP64 record that is not there.
    void LocateDirectory();
    // Answers the ZIP64 end record's position (its first 56 bytes in `record`), or -1.
    std::int64_t FindZip64EndRecord(const std::uint8_t* locator, std::int64_t locatorPos,
                                    std::uint8_t* record);
    // Reads exactly `count` bytes at `position` of the current volume.
    bool ReadVolumeAt(std::int64_t position, std::uint8_t* buffer, std::size_t count);
    void ReadDirectoryOnce();
    void ReadCentralRecords(std::int64_t start);
    // Reads the next central record's fixed part and its name, across volume ends.
    void ReadCentralHeader(std::uint8_t* record, std::string& name);
    void ResetReaderState();
    void FailDirectoryRead();
    // Remembers the failure the directory read has just reported, so that Extract does
    // not report the same archive's trouble a second time.
    void NoteDirectoryFailure();
    // Answers whether the last directory read reported why the archive cannot be read;
    // if so, ErrCode and LastMessage say it again (without a box or an event).
    bool RecallDirectoryFailure();

    // Joining.
    std::string MakeJoinedName(const std::string& outPath, std::string& createdPath);
    void JoinVolumes(TStream& out);
    void ReadJoinTable(TZipJoinTable& table);
    void CopyMembers(TStream& out, TZipJoinTable& table);
    std::int64_t CopyCentralDirectory(TStream& out, TZipJoinTable& table);
    // Copies `count` bytes from the volumes to `out` in bounded chunks; with `progress`
    // each chunk is reported as done.
    void CopyAcross(TStream& out, std::uint64_t count, int failId, bool progress);
    void SeekCurrentVolume(std::int64_t offset, int failId);

    // Volumes.
    void OpenCurrentVolume();
    void CloseVolume();
    std::string VolumeName(int disk) const;
    bool VolumeMatches(int disk);
    void PromptForDisk(int disk);
    void RequestVolume(int disk);
    int LocateLastVolume(const std::string& path, bool allowMissing);
    int LocateLastVolumeOrRaise(const std::string& path, bool allowMissing);
    enum class VolumeScheme { Any, Numbered, Compat };
    // Looks for a volume of the set named by `path` in its folder (removable media);
    // answers its path and number, or empty.
    std::string SearchVolume(const std::string& path, VolumeScheme scheme, int& number) const;
    // Reads exactly `count` bytes across volume ends; raises `shortId` when the set ends.
    void ReadSpanned(void* buffer, std::size_t count, int shortId);
    void ReadSpannedText(std::string& out, std::size_t count, int shortId);
    void SkipSpanned(std::size_t count, int shortId);
    // Calls `read` for the bytes still wanted until it has `count`, moving to the next
    // volume whenever one ends; `read` answers how many it got.
    void ReadAcrossVolumes(std::size_t count, int shortId,
                           const std::function<std::size_t(std::size_t)>& read);

    std::string FZipFileName;
    std::vector<std::string> FFSpecArgs;
    std::vector<std::string> FFSpecArgsExcl;
    std::string FExtrBaseDir;
    ExtrOpts FExtrOptions;
    bool FUnattended = false;
    std::string FPassword;
    unsigned FPasswordReqCount = 1;
    std::string FDLLDirectory;
    std::string FTempDir;
    CodePageOpts FCodePage = cpAuto;
    bool FUseDirOnlyEntries = false;
    bool FVerbose = false;
    bool FTrace = false;
    SpanOpts FSpanOptions;
    int FAddCompLevel = 9;
    AddOpts FAddOptions;
    QDateTime FAddFrom;
    AddStoreExts FAddStoreSuffixes;
    std::string FExtAddStoreSuffixes;
    DeleteOpts FHowToDelete = htdAllowUndo;
    std::string FRootDir;
    bool FConfirmErase = true;
    std::uint32_t FKeepFreeOnDisk1 = 0;
    std::uint32_t FKeepFreeOnAllDisks = 0;
    std::int64_t FMaxVolumeSize = 0;
    std::uint32_t FMinFreeVolumeSize = 65536;
    TSFXSettings FSFX;
    std::unique_ptr<TZipSFX> FSFXSlave;

    struct TReportedFailure {
        int Id = 0;
        std::string Text;
    };

    std::vector<ZipDirEntry> FEntries;
    std::optional<TReportedFailure> FDirectoryFailure;
    int FSkippedDirCount = 0;
    int FErrCode = 0;
    int FRawErrCode = 0;
    std::string FLastMessage;
    int FHandledCount = 0;
    std::string FArchiveComment;
    bool FArchiveIsSpanned = false;
    std::int64_t FArchiveStart = 0;
    bool FDirectoryMisplaced = false;
    bool FCancelRequested = false;
    bool FExtractBusy = false;
    bool FOperationBusy = false;
    bool FDestroying = false;
    QPointer<QWidget> FOwnerWindow;
    std::string FEventErrorText;
    std::unique_ptr<TZipStream> FZipStream;
    TPasswordButton FLastPasswordButton = pbOk;
    std::unique_ptr<TUnzEngine> FUnzEngine;
    // The engine run in progress, told when the component is destroyed under it.
    TEngineSession* FEngineSession = nullptr;
    // An extra field answered to the engine, kept until the next request reads it.
    std::string FExtraData;

    // Progress of the running operation.
    std::uint32_t FTotalSize = 0;
    std::uint32_t FTotalDone = 0;
    std::uint32_t FItemSize = 0;
    std::uint32_t FItemDone = 0;
    std::string FItemName;

    int FWaitDepth = 0;
    std::unique_ptr<TWaitCursor> FWaitCursor;

    VolumeState FVolume;
    // Set while a directory read or a join works on FVolume. Handlers run in between
    // (and the message queue is pumped), so one may set ZipFileName again: that read is
    // then run once the current work is done instead of pulling the volume from under it.
    bool FVolumeInUse = false;
    bool FRereadPending = false;
    TVolumeOpener FVolumeOpener;
    TDriveProbe FDriveProbe;
};
