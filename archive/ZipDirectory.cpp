// Reading the central directory into Entries.
#include "archive/VolumeFile.h"
#include "archive/ZipExtractor.h"
#include "archive/ZipMessages.h"
#include "archive/ZipPaths.h"

#include <algorithm>
#include <limits>
#include <new>
#include <stdexcept>

using namespace zip;

namespace {

// The most records the entry list can number: EntryCount and the sequence numbers of
// OnNewName are ints.
constexpr std::uint64_t kMaxRecords = std::numeric_limits<int>::max();

// A stored 64-bit offset as a file position; one past what a file can hold is no
// position at all, and never equals a computed start.
std::int64_t SignedOffset(std::uint64_t offset) {
    return offset > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
               ? -1
               : static_cast<std::int64_t>(offset);
}

// A record whose name ends in a delimiter only says that a folder exists. A trailing ":"
// is how DOS tools recorded a bare drive; it names no file either.
bool NamesAFile(const std::string& name) {
    return !name.empty() && name.back() != '/' && name.back() != ':';
}

} // namespace

void TZipExtractor::ResetReaderState() {
    CloseVolume();
    FVolume = VolumeState{};
    FArchiveComment.clear();
    FArchiveStart = 0;
    FDirectoryMisplaced = false;
}

void TZipExtractor::ReadDirectory() {
    if (FVolumeInUse) {
        FRereadPending = true;
        return;
    }
    FVolumeInUse = true;
    do {
        FRereadPending = false;
        ReadDirectoryOnce();
    } while (FRereadPending);
    FVolumeInUse = false;
}

void TZipExtractor::ReadDirectoryOnce() {
    FEntries.clear();
    ResetReaderState();
    FArchiveIsSpanned = false;
    FSkippedDirCount = 0;
    FErrCode = 0;
    FDirectoryFailure.reset();
    const auto finish = [this] {
        CloseVolume();
        if (OnDirUpdate)
            OnDirUpdate(this);
    };
    // No archive is not an error here: Extract reports it when it matters.
    if (FZipFileName.empty() || !zpath::FileExists(FZipFileName))
        return finish();

    FVolume.Drive = FDriveProbe(FZipFileName);
    FVolume.ArchivePath = FVolume.Path = FZipFileName;
    try {
        OpenEndRecord(EndRecordMode::Raise);
    } catch (const EZipExtractor& e) {
        CloseVolume(); // without its end record the volume is of no further use
        ReportException(e);
        NoteDirectoryFailure();
    } catch (const std::bad_alloc&) {
        CloseVolume();
        ReportError(zm::OutOfMemory);
        NoteDirectoryFailure();
    } catch (const std::exception& e) {
        CloseVolume();
        ReportError(zm::DirectoryFailed, e.what());
        NoteDirectoryFailure();
    }
    if (!FVolume.Reader)
        return finish();

    StartWaitCursor();
    try {
        const DirectoryLocation& dir = FVolume.Directory;
        // Disks are counted in the names of the volumes; no set has this many.
        if (dir.ThisDisk > kMaxDiskNumber || dir.DirectoryDisk > dir.ThisDisk)
            throw EZipExtractor::CreateMsg(zm::DirectoryPastLastVolume, true);
        FVolume.LastDisk = FVolume.CurrentDisk = static_cast<int>(dir.ThisDisk);
        if (FVolume.LastDisk != 0)
            FArchiveIsSpanned = true;
        const std::int64_t storedStart = SignedOffset(dir.DirectoryOffset);
        std::int64_t start;
        if (dir.DirectoryDisk == dir.ThisDisk) {
            // Where the directory must start if nothing stands in front of the archive.
            start = dir.DirectorySize > static_cast<std::uint64_t>(dir.DirectoryEnd)
                        ? -1
                        : dir.DirectoryEnd - static_cast<std::int64_t>(dir.DirectorySize);
        } else {
            RequestVolume(static_cast<int>(dir.DirectoryDisk));
            FVolume.LogicalEnd = FVolume.Reader->Length();
            start = storedStart;
        }
        FArchiveStart = FVolume.LogicalEnd == static_cast<std::int64_t>(kEndRecordSize)
                            ? 0
                            : FVolume.LogicalEnd;
        if (storedStart != start) {
            FDirectoryMisplaced = true;
            ReportError(zm::DirectoryMisplaced);
        }
        ReadCentralRecords(start);
        FArchiveStart += start - storedStart;
    } catch (const EZipExtractor& e) {
        ReportException(e);
        FailDirectoryRead();
    } catch (const std::bad_alloc&) {
        ReportError(zm::OutOfMemory);
        FailDirectoryRead();
    } catch (const std::exception& e) {
        ReportError(zm::DirectoryFailed, e.what());
        FailDirectoryRead();
    }
    StopWaitCursor();
    finish();
}

void TZipExtractor::FailDirectoryRead() {
    // The entries read so far stay, but with no archive name EntryCount is 0 and
    // Extract will not use them. A name set meanwhile by a handler is read next.
    if (!FRereadPending)
        FZipFileName.clear();
    FArchiveStart = 0;
    NoteDirectoryFailure();
}

void TZipExtractor::NoteDirectoryFailure() {
    FDirectoryFailure = TReportedFailure{FErrCode, FLastMessage};
}

void TZipExtractor::ReadCentralHeader(std::uint8_t* record, std::string& name) {
    ReadSpanned(record, kCentralHeaderSize, zm::DirectoryPastLastVolume);
    if (Get32(record) != kCentralHeaderSignature)
        throw EZipExtractor::CreateMsg(zm::CentralSignature, true);
    name.clear();
    ReadSpannedText(name, Get16(record + kCentralNameLength), zm::CentralNameShort);
}

void TZipExtractor::ReadCentralRecords(std::int64_t start) {
    if (start < 0 || start > FVolume.Reader->Length())
        throw EZipExtractor::CreateMsg(zm::DirectorySeek, true);
    FVolume.Reader->Seek(start);
    std::uint8_t record[kCentralHeaderSize];
    std::string stored;
    const std::uint64_t total = FVolume.Directory.TotalRecords;
    if (total > kMaxRecords)
        throw std::length_error("the archive lists " + std::to_string(total) +
                                " entries, more than the " + std::to_string(kMaxRecords) +
                                " this program can hold");
    // Room for the records the count claims, but never for more than the bytes left in
    // this volume could hold.
    const std::uint64_t fitting =
        static_cast<std::uint64_t>(FVolume.Reader->Remaining()) / kCentralHeaderSize;
    FEntries.reserve(static_cast<std::size_t>(std::min(total, fitting)));
    for (std::uint64_t number = 1; number <= total; ++number) {
        const auto seqNo = static_cast<int>(number);
        ReadCentralHeader(record, stored);
        ZipDirEntry entry;
        entry.AssignFixedFields(record);
        const bool convert =
            NeedsOemConversion(FCodePage, entry.VersionMadeBy, entry.HostSystem, entry.Flags);
        entry.FileName = EntryName(stored, convert);
        ReadSpannedText(entry.ExtraField, entry.ExtraFieldLength, zm::DirectorySeek);
        // A marked size or offset without its ZIP64 value: the extra field is cut short.
        if (!entry.ApplyZip64Extra())
            throw EZipExtractor::CreateMsg(zm::DirectorySeek, true);
        stored.clear();
        ReadSpannedText(stored, entry.FileCommentLength, zm::CommentShort);
        entry.FileComment = EntryText(stored, convert);

        if (entry.LocalHeaderOffset < static_cast<std::uint64_t>(FArchiveStart))
            FArchiveStart = entry.LocalHeaderOffset;
        if (FUseDirOnlyEntries || NamesAFile(entry.FileName)) {
            FEntries.push_back(std::move(entry));
            if (OnNewName)
                OnNewName(this, seqNo, FEntries.back());
        } else {
            ++FSkippedDirCount;
        }
    }
}
