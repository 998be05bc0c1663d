// Finding the end of central directory record of the current volume.
#include "archive/VolumeFile.h"
#include "archive/ZipExtractor.h"
#include "archive/ZipMessages.h"
#include "archive/ZipPaths.h"
#include "platform/TextCase.h"

#include <algorithm>
#include <new>

using namespace zip;

namespace {

// Archives copied to block devices or through some transfer tools come back padded with
// zeros to the next 512-byte block, and bsdtar writing to a pipe pads to its 10,240-byte
// records: zeros up to a block boundary are not worth a warning, however many there are.
constexpr std::int64_t kPaddingBlock = 512;

// The label PKZIP gives each disk of a set it spans over removable media.
constexpr std::string_view kSpannedDiskLabel = "PKBACK# ";

// `tail` holds the last `count` bytes of the file.
bool IsBlockPadding(std::int64_t fileLength, const std::uint8_t* tail, std::int64_t count) {
    return fileLength % kPaddingBlock == 0 && count > 0 &&
           std::all_of(tail, tail + count, [](std::uint8_t b) { return b == 0; });
}

// The number a text of decimal digits forms; 0 for anything else.
int DigitsValue(std::string_view text) {
    if (text.empty() || text.size() > 9)
        return 0;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

bool TZipExtractor::OpenEndRecord(EndRecordMode mode) {
    FArchiveComment.clear();
    FVolume.EndRecordPos = -1;
    try {
        OpenCurrentVolume();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        if (mode == EndRecordMode::Raise)
            throw EZipExtractor::CreateMsg(zm::CannotOpen, true);
        ReportError(zm::NoEntries);
        return false;
    }
    TVolumeReader& reader = *FVolume.Reader;
    const std::int64_t length = reader.Length();
    FVolume.FileLength = length;

    std::uint8_t head[8];
    if (reader.Read(head, sizeof head) == sizeof head && Get32(head) == kSpanMarkerSignature &&
        Get32(head + 4) == kLocalHeaderSignature) {
        FVolume.SpanMarkerSeen = true;
        FArchiveIsSpanned = true;
    }

    // Most archives have no comment: then the record is the last 22 bytes.
    if (length >= static_cast<std::int64_t>(kEndRecordSize)) {
        std::uint8_t record[kEndRecordSize];
        reader.Seek(length - static_cast<std::int64_t>(kEndRecordSize));
        if (reader.Read(record, kEndRecordSize) == kEndRecordSize &&
            Get32(record) == kEndRecordSignature && Get16(record + kEndCommentLength) == 0) {
            AcceptEndRecord(length - static_cast<std::int64_t>(kEndRecordSize), record,
                            kEndRecordSize);
            LocateDirectory();
            return true;
        }
    }

    const auto tailLength = static_cast<std::size_t>(
        std::min<std::int64_t>(length, static_cast<std::int64_t>(kMaxEndRecordTail)));
    const std::int64_t tailStart = length - static_cast<std::int64_t>(tailLength);
    try {
        reader.Seek(tailStart);
    } catch (const EStreamError&) {
        throw EZipExtractor::CreateMsg(zm::SeekFailed, true);
    }
    std::vector<std::uint8_t> tail(tailLength);
    if (reader.Read(tail.data(), tailLength) != tailLength)
        throw EZipExtractor::CreateMsg(zm::TailRead, true);
    if (FindEndRecord(tailStart, tail)) {
        LocateDirectory();
        return true;
    }

    CloseVolume();
    if (mode == EndRecordMode::Quiet)
        return false;
    RaiseNoEndRecord();
}

bool TZipExtractor::FindEndRecord(std::int64_t tailStart, const std::vector<std::uint8_t>& tail) {
    if (tail.size() < kEndRecordSize)
        return false;
    // The last signature in the file is normally the record. But an archive comment may
    // itself contain the signature; a record whose comment ends exactly at the end of the
    // file is the consistent one, so it wins over a later match whose comment does not.
    std::size_t lastMatch = tail.size();
    std::size_t chosen = tail.size();
    for (std::size_t i = tail.size() - kEndRecordSize + 1; i-- > 0;) {
        if (Get32(&tail[i]) != kEndRecordSignature)
            continue;
        if (lastMatch == tail.size())
            lastMatch = i;
        if (i + kEndRecordSize + Get16(&tail[i + kEndCommentLength]) == tail.size()) {
            chosen = i;
            break;
        }
    }
    if (chosen == tail.size())
        chosen = lastMatch;
    if (chosen == tail.size())
        return false;
    AcceptEndRecord(tailStart + static_cast<std::int64_t>(chosen), &tail[chosen],
                    tail.size() - chosen);
    return true;
}

void TZipExtractor::AcceptEndRecord(std::int64_t position, const std::uint8_t* bytes,
                                    std::size_t count) {
    FVolume.EndRecordPos = position;
    std::copy(bytes, bytes + kEndRecordSize, FVolume.End.raw);
    const std::size_t commentLength = FVolume.End.CommentLength();
    const std::int64_t commentEnd =
        position + static_cast<std::int64_t>(kEndRecordSize + commentLength);
    FVolume.LogicalEnd = FVolume.FileLength;
    if (commentEnd != FVolume.FileLength) {
        FVolume.LogicalEnd = commentEnd;
        const std::int64_t surplus = FVolume.FileLength - commentEnd;
        const std::uint8_t* surplusBytes = surplus > 0 ? bytes + (count - surplus) : nullptr;
        if (!IsBlockPadding(FVolume.FileLength, surplusBytes, surplus))
            ReportError(zm::TrailingBytes);
    }
    // A comment length running past the end of the file: take what is there.
    const std::size_t present = std::min(commentLength, count - kEndRecordSize);
    FArchiveComment.assign(reinterpret_cast<const char*>(bytes + kEndRecordSize), present);
}

bool TZipExtractor::ReadVolumeAt(std::int64_t position, std::uint8_t* buffer, std::size_t count) {
    TVolumeReader& reader = *FVolume.Reader;
    if (position < 0 || position > reader.Length())
        return false;
    reader.Seek(position);
    return reader.Read(buffer, count) == count;
}

void TZipExtractor::LocateDirectory() {
    const EndRecord& end = FVolume.End;
    DirectoryLocation& dir = FVolume.Directory;
    dir = DirectoryLocation{end.ThisDisk(),
                            end.DirectoryDisk(),
                            end.TotalRecords(),
                            end.DirectorySize(),
                            end.DirectoryOffset(),
                            FVolume.EndRecordPos,
                            false};
    // Archives of more than 65,535 entries or past 4 GiB, and those whose writer always
    // uses ZIP64 (bsdtar's zip64 option), put a ZIP64 end record and its locator in front
    // of the end record. Its fields are the real ones; the classic fields may hold markers
    // or values that only happen to be right.
    const std::int64_t locatorPos =
        FVolume.EndRecordPos - static_cast<std::int64_t>(kZip64LocatorSize);
    std::uint8_t locator[kZip64LocatorSize];
    if (!ReadVolumeAt(locatorPos, locator, sizeof locator) ||
        Get32(locator) != kZip64LocatorSignature)
        return;
    std::uint8_t record[kZip64EndRecordSize];
    const std::int64_t recordPos = FindZip64EndRecord(locator, locatorPos, record);
    if (recordPos < 0) {
        // The locator's signature may be a chance match in the last record's comment: with
        // the classic fields intact the archive is read by them. With markers there, its
        // directory cannot be found.
        if (end.HasZip64Markers())
            throw EZipExtractor::CreateMsg(zm::DirectorySeek, true);
        return;
    }
    dir.ThisDisk = Get32(record + kZip64EndThisDisk);
    dir.DirectoryDisk = Get32(record + kZip64EndDirectoryDisk);
    dir.TotalRecords = Get64(record + kZip64EndTotalRecords);
    dir.DirectorySize = Get64(record + kZip64EndDirectorySize);
    dir.DirectoryOffset = Get64(record + kZip64EndDirectoryOffset);
    dir.DirectoryEnd = recordPos;
    dir.Zip64 = true;
}

std::int64_t TZipExtractor::FindZip64EndRecord(const std::uint8_t* locator, std::int64_t locatorPos,
                                               std::uint8_t* record) {
    const auto fitsAt = [&](std::int64_t pos) {
        // The record must be whole, signed and end before the locator; its size field
        // counts what follows the first 12 bytes, an extensible part included.
        if (pos < 0 || !ReadVolumeAt(pos, record, kZip64EndRecordSize) ||
            Get32(record) != kZip64EndRecordSignature)
            return false;
        const std::uint64_t length = Get64(record + kZip64EndRecordLength);
        const auto room = static_cast<std::uint64_t>(locatorPos - pos);
        return length >= kZip64EndRecordSize - kZip64EndLengthBase &&
               length <= room - kZip64EndLengthBase;
    };
    const std::uint64_t stored = Get64(locator + kLocatorEndRecordOffset);
    const std::int64_t last = locatorPos - static_cast<std::int64_t>(kZip64EndRecordSize);
    if (last < 0)
        return -1;
    if (stored <= static_cast<std::uint64_t>(last) && fitsAt(static_cast<std::int64_t>(stored)))
        return static_cast<std::int64_t>(stored);
    // Bytes in front of the archive (a program stub) make every stored offset short by
    // their length. Then the record is found where writers put it, right before the
    // locator, without an extensible part.
    if (fitsAt(last))
        return last;
    return -1;
}

void TZipExtractor::RaiseNoEndRecord() {
    // Which disk of a set might this be? A user who picked the wrong volume of a spanned
    // archive is told which one they have.
    int disk = 0;
    const std::string& label = FVolume.Drive.Label;
    if (label.compare(0, kSpannedDiskLabel.size(), kSpannedDiskLabel) == 0) {
        disk = DigitsValue(std::string_view(label).substr(kSpannedDiskLabel.size(), 3));
    } else {
        const std::string ext = platform::UpperAscii(zpath::FileExtension(FVolume.Path));
        if (ext.compare(0, 2, ".Z") == 0) {
            disk = DigitsValue(std::string_view(ext).substr(2, 2));
        } else {
            const std::string stem = zpath::FileStem(FVolume.Path);
            disk = DigitsValue(
                std::string_view(stem).substr(stem.size() - std::min<std::size_t>(3, stem.size())));
        }
    }
    if (!FVolume.SpanMarkerSeen && disk > 0)
        throw EZipExtractor::CreateMsgNumber(zm::NoEndRecordDiskN, disk);
    // The file is named: a user who dropped several files learns which one it was.
    if (!FVolume.SpanMarkerSeen)
        throw EZipExtractor::CreateMsgText(zm::NoEndRecord, FVolume.Path);
    if (disk == 1)
        throw EZipExtractor::CreateMsgText(zm::NoEndRecordFirstDisk, FVolume.Path);
    throw EZipExtractor::CreateMsgText(zm::NoEndRecordSpanned, FVolume.Path);
}
