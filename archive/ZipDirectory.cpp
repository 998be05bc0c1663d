// Reading the central directory into Entries.
#include "archive/VolumeFile.h"
#include "archive/ZipExtractor.h"
#include "archive/ZipMessages.h"
#include "archive/ZipPaths.h"

#include <algorithm>
#include <new>

using namespace zip;

namespace {

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
    } catch (const std::bad_alloc&) {
        CloseVolume();
        ReportError(zm::OutOfMemory);
    } catch (const std::exception& e) {
        CloseVolume();
        ReportError(zm::DirectoryFailed, e.what());
    }
    if (!FVolume.Reader)
        return finish();

    StartWaitCursor();
    try {
        const EndRecord& end = FVolume.End;
        FVolume.LastDisk = FVolume.CurrentDisk = end.ThisDisk();
        if (FVolume.LastDisk != 0)
            FArchiveIsSpanned = true;
        const std::int64_t storedStart = end.DirectoryOffset();
        std::int64_t start;
        if (end.DirectoryDisk() == end.ThisDisk()) {
            // Where the directory must start if nothing stands in front of the archive.
            start = FVolume.EndRecordPos - static_cast<std::int64_t>(end.DirectorySize());
        } else {
            // A directory said to start on a disk after the last one can never be read.
            if (end.DirectoryDisk() > end.ThisDisk())
                throw EZipExtractor::CreateMsg(zm::DirectoryPastLastVolume, true);
            RequestVolume(end.DirectoryDisk());
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
    const int total = FVolume.End.TotalRecords();
    // Room for the records the count claims, but never for more than the bytes left in
    // this volume could hold.
    const std::int64_t fitting =
        FVolume.Reader->Remaining() / static_cast<std::int64_t>(kCentralHeaderSize);
    FEntries.reserve(static_cast<std::size_t>(std::min<std::int64_t>(total, fitting)));
    for (int seqNo = 1; seqNo <= total; ++seqNo) {
        ReadCentralHeader(record, stored);
        ZipDirEntry entry;
        entry.AssignFixedFields(record);
        const bool convert =
            NeedsOemConversion(FCodePage, entry.VersionMadeBy, entry.HostSystem, entry.Flags);
        entry.FileName = EntryName(stored, convert);
        ReadSpannedText(entry.ExtraField, entry.ExtraFieldLength, zm::DirectorySeek);
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
