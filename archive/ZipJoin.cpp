// Joining the volumes of a spanned archive into one archive that any unzip can read: the
// members are copied in order with their local headers, the central directory follows
// with every offset pointing into the joined file and every disk number 0.
#include "archive/VolumeFile.h"
#include "archive/ZipExtractor.h"
#include "archive/ZipJoinTable.h"
#include "archive/ZipMessages.h"
#include "archive/ZipPaths.h"
#include "platform/TempFolder.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

using namespace zip;

namespace {

constexpr std::size_t kCopyChunk = 10240;
constexpr std::uint64_t kMaxOffset = 0xFFFFFFFF; // the joined archive keeps 32-bit offsets
constexpr const char* kJoinedNameTemplate = "zipXXXXXX.zip";
constexpr int kJoinedNameSuffixLength = 4; // ".zip"

std::uint32_t Clamp32(std::uint64_t value) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, kMaxOffset));
}

// The joined archive is written with the classic records only: its offsets, sizes and data
// descriptors are 32-bit. A set that needs ZIP64 records (over 65,535 members, or members
// or volumes past 4 GiB) would come out wrong, so it is refused as a whole instead.
[[noreturn]] void RefuseZip64Set() {
    throw std::runtime_error(
        "the set uses ZIP64 records (more than 65,535 files or more than 4 GiB), "
        "which joining volumes does not support");
}

bool HasZip64Block(const std::string& extra) {
    for (std::size_t at = 0; at + kExtraBlockHeaderSize <= extra.size();) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(extra.data() + at);
        if (Get16(p) == kZip64ExtraId)
            return true;
        at += kExtraBlockHeaderSize + Get16(p + 2);
    }
    return false;
}

void WriteOut(TStream& out, const void* data, std::size_t count, int failId) {
    try {
        out.WriteBuffer(data, count);
    } catch (const EStreamError&) {
        throw EZipExtractor::CreateMsg(failId, true);
    }
}

// Where the next record goes; raises `failId` when that no longer fits an offset field.
std::uint32_t OutputOffset(TStream& out, int failId) {
    const std::int64_t position = out.Position();
    if (position < 0 || static_cast<std::uint64_t>(position) > kMaxOffset)
        throw EZipExtractor::CreateMsg(failId, true);
    return static_cast<std::uint32_t>(position);
}

} // namespace

int TZipExtractor::JoinSpannedArchive(const std::string& archivePath, std::string& outPath) {
    // One join or directory read at a time per component: both own the open volume.
    if (FVolumeInUse)
        return -9;
    FVolumeInUse = true;
    FOperationBusy = true;
    FVolume.CurrentDisk = -1;
    StartWaitCursor();
    int result = 0;
    std::string createdPath;
    std::unique_ptr<TFileStream> out;
    struct stat input = {};
    bool haveInputTimes = false;
    try {
        outPath = MakeJoinedName(outPath, createdPath);
        const int located = LocateLastVolume(archivePath, false);
        if (located == 1)
            throw EZipExtractor::CreateMsg(zm::Cancelled, false);
        if (located != 0) {
            result = -9;
        } else {
            haveInputTimes = ::stat(FVolume.Path.c_str(), &input) == 0;
            try {
                out = std::make_unique<TFileStream>(outPath, TFileStream::fmCreate);
                createdPath = outPath;
            } catch (const EStreamError&) {
                throw EZipExtractor::CreateMsg(zm::CreateJoined, true);
            }
            JoinVolumes(*out);
        }
    } catch (const EZipExtractor& e) {
        ReportException(e);
        result = -7;
    } catch (const std::bad_alloc&) {
        ReportError(zm::OutOfMemory);
        result = -8;
    } catch (const std::exception& e) {
        ReportError(zm::JoinFailed, e.what());
        result = -9;
    }
    try {
        HandleCallback(cbBatchEnd, 0, 0, {});
    } catch (const std::exception&) {
        // A cancel arriving now changes nothing: the work is over either way.
    }
    CloseVolume();
    if (out) {
        if (haveInputTimes) {
            const timespec times[2] = {input.st_atim, input.st_mtim};
            ::futimens(out->Handle(), times);
        }
        out.reset();
    }
    if (result != 0) {
        if (!createdPath.empty())
            ::unlink(createdPath.c_str());
        outPath.clear();
    }
    FOperationBusy = false;
    FVolumeInUse = false;
    StopWaitCursor();
    if (FRereadPending) {
        FRereadPending = false;
        ReadDirectory();
    }
    return result;
}

std::string TZipExtractor::MakeJoinedName(const std::string& outPath, std::string& createdPath) {
    if (!outPath.empty() && outPath.back() != '/' && !zpath::FolderExists(outPath)) {
        ::unlink(outPath.c_str());
        return zpath::WithoutExtension(outPath) + ".zip";
    }
    std::string folder = outPath.empty() ? platform::PrivateTempFolder() : outPath;
    if (folder.empty())
        throw EZipExtractor::CreateMsg(zm::NoTempName, true);
    if (folder.back() != '/')
        folder += '/';
    // The name is made and the file created in one step, so no one can slip a link in
    // under the name between choosing it and writing to it.
    std::string name = folder + kJoinedNameTemplate;
    const int fd = ::mkstemps(name.data(), kJoinedNameSuffixLength);
    if (fd < 0)
        throw EZipExtractor::CreateMsg(zm::NoTempName, true);
    ::close(fd);
    createdPath = name;
    return name;
}

void TZipExtractor::SeekCurrentVolume(std::int64_t offset, int failId) {
    if (offset > FVolume.Reader->Length())
        throw EZipExtractor::CreateMsg(failId, true);
    FVolume.Reader->Seek(offset);
}

void TZipExtractor::JoinVolumes(TStream& out) {
    const EndRecord& end = FVolume.End;
    if (FVolume.Directory.Zip64 || end.HasZip64Markers())
        RefuseZip64Set();
    if (end.DirectoryDisk() > end.ThisDisk())
        throw EZipExtractor::CreateMsg(zm::DirectoryPastLastVolume, true);
    TZipJoinTable table;
    ReadJoinTable(table);

    RequestVolume(0);
    std::uint8_t marker[4];
    ReadSpanned(marker, sizeof marker, zm::NoSpanMarker);
    if (Get32(marker) != kSpanMarkerSignature)
        throw EZipExtractor::CreateMsg(zm::NoSpanMarker, true);
    CopyMembers(out, table);

    HandleCallback(cbBatchEnd, 0, 0, {});
    HandleCallback(cbTotalCount, 0, 1, {});
    HandleCallback(cbTotalSize, 0, end.TotalRecords(), {});
    const std::int64_t directoryStart = CopyCentralDirectory(out, table);
    const std::uint32_t directoryEnd = OutputOffset(out, zm::WriteEndRecord);

    std::uint8_t record[kEndRecordSize];
    std::copy(end.raw, end.raw + kEndRecordSize, record);
    Put16(record + kEndThisDisk, 0);
    Put16(record + kEndDirectoryDisk, 0);
    // One disk now holds every record; the last volume counted only its own.
    Put16(record + kEndRecordsOnDisk, end.TotalRecords());
    Put32(record + kEndDirectorySize, directoryEnd - static_cast<std::uint32_t>(directoryStart));
    Put32(record + kEndDirectoryOffset, static_cast<std::uint32_t>(directoryStart));
    // The comment as it was found: a length running past the end of the last volume
    // would otherwise make the joined archive claim bytes it does not have.
    Put16(record + kEndCommentLength, static_cast<std::uint16_t>(FArchiveComment.size()));
    WriteOut(out, record, sizeof record, zm::WriteEndRecord);
    WriteOut(out, FArchiveComment.data(), FArchiveComment.size(), zm::ArchiveCommentCopy);
    HandleCallback(cbBatchEnd, 0, 0, {});
}

void TZipExtractor::ReadJoinTable(TZipJoinTable& table) {
    const EndRecord& end = FVolume.End;
    RequestVolume(end.DirectoryDisk());
    SeekCurrentVolume(end.DirectoryOffset(), zm::SeekFailed);
    std::uint8_t record[kCentralHeaderSize];
    std::string name;
    std::uint64_t totalSize = 0;
    for (int i = 0; i < end.TotalRecords(); ++i) {
        ReadCentralHeader(record, name);
        ZipDirEntry entry;
        entry.AssignFixedFields(record);
        if (entry.CompressedSize == kZip64Marker32 || entry.UncompressedSize == kZip64Marker32 ||
            entry.LocalHeaderOffset == kZip64Marker32 || entry.DiskNumberStart == kZip64Marker16)
            RefuseZip64Set();
        const std::uint16_t extra = entry.ExtraFieldLength;
        const std::uint16_t comment = entry.FileCommentLength;
        SkipSpanned(std::size_t{extra} + comment, zm::DirectoryPastLastVolume);
        const auto compressed = static_cast<std::uint32_t>(entry.CompressedSize);
        totalSize += name.size() + compressed + extra + comment;
        table.Add(name, compressed);
    }
    HandleCallback(cbTotalCount, 0, end.TotalRecords(), {});
    HandleCallback(cbTotalSize, 0, Clamp32(totalSize), {});
}

void TZipExtractor::CopyMembers(TStream& out, TZipJoinTable& table) {
    const std::string copying = LoadMessageTextOr(zm::Copying, kDefaultCopyingText);
    std::uint8_t header[kLocalHeaderSize];
    std::string name;
    for (int i = 0; i < table.Count(); ++i) {
        ReadSpanned(header, kLocalHeaderSize, zm::LocalHeaderShort);
        if (Get32(header) != kLocalHeaderSignature)
            throw EZipExtractor::CreateMsg(zm::LocalSignature, true);
        name.clear();
        ReadSpannedText(name, Get16(header + kLocalNameLength), zm::LocalNameShort);
        TZipJoinRecord& record = table.Claim(name);
        record.NewOffset = OutputOffset(out, zm::WriteLocalHeader);
        SendMessage(copying + EntryName(name, false));

        const bool hasDescriptor = (Get16(header + kLocalFlags) & kFlagDataDescriptor) != 0;
        const std::uint16_t extraLength = Get16(header + kLocalExtraLength);
        std::uint32_t compressed = Get32(header + kLocalCompressedSize);
        // A ZIP64 block here makes the sizes (and any data descriptor) 64-bit, even for a
        // member that the directory lists with small ones.
        std::string extra;
        ReadSpannedText(extra, extraLength, zm::LocalExtraCopy);
        if (compressed == kZip64Marker32 || HasZip64Block(extra))
            RefuseZip64Set();
        if (compressed == 0) // sizes written after the data: the directory knows them
            compressed = record.CompressedSize;
        const std::uint64_t memberSize = kLocalHeaderSize + name.size() + extraLength + compressed +
                                         (hasDescriptor ? kDataDescriptorSize : 0);
        HandleCallback(cbNewItem, 0, Clamp32(memberSize), name);

        WriteOut(out, header, kLocalHeaderSize, zm::WriteLocalHeader);
        WriteOut(out, name.data(), name.size(), zm::WriteLocalHeader);
        HandleCallback(cbProgress, 0, static_cast<std::uint32_t>(kLocalHeaderSize + name.size()),
                       {});
        if (!extra.empty()) {
            WriteOut(out, extra.data(), extra.size(), zm::LocalExtraCopy);
            HandleCallback(cbProgress, 0, static_cast<std::uint32_t>(extra.size()), {});
        }
        CopyAcross(out, compressed, zm::DataCopy, true);
        if (hasDescriptor) {
            // The descriptor's signature is optional: without it the record is 12 bytes,
            // and copying 16 would swallow the next header's first four.
            std::uint8_t first[4];
            ReadSpanned(first, sizeof first, zm::DescriptorCopy);
            WriteOut(out, first, sizeof first, zm::DescriptorCopy);
            const std::size_t size = Get32(first) == kSpanMarkerSignature
                                         ? kDataDescriptorSize
                                         : kDataDescriptorSizeWithoutSignature;
            CopyAcross(out, size - sizeof first, zm::DescriptorCopy, true);
        }
    }
}

std::int64_t TZipExtractor::CopyCentralDirectory(TStream& out, TZipJoinTable& table) {
    const EndRecord& end = FVolume.End;
    RequestVolume(end.DirectoryDisk());
    SeekCurrentVolume(end.DirectoryOffset(), zm::SeekFailed);
    const std::uint32_t start = OutputOffset(out, zm::WriteCentralRecord);
    std::uint8_t record[kCentralHeaderSize];
    std::string name;
    for (int i = 0; i < table.Count(); ++i) {
        ReadCentralHeader(record, name);
        Put32(record + kCentralLocalHeaderOffset, table[i].NewOffset);
        Put16(record + kCentralDiskNumberStart, table[i].DiskNumber);
        WriteOut(out, record, kCentralHeaderSize, zm::WriteCentralRecord);
        WriteOut(out, name.data(), name.size(), zm::WriteCentralRecord);
        CopyAcross(out, Get16(record + kCentralExtraLength), zm::CentralExtraCopy, false);
        CopyAcross(out, Get16(record + kCentralCommentLength), zm::CommentShort, false);
        HandleCallback(cbProgress, 0, 1, {});
    }
    return start;
}

void TZipExtractor::CopyAcross(TStream& out, std::uint64_t count, int failId, bool progress) {
    std::array<std::uint8_t, kCopyChunk> chunk;
    while (count > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, kCopyChunk));
        ReadSpanned(chunk.data(), n, failId);
        WriteOut(out, chunk.data(), n, failId);
        count -= n;
        if (progress)
            HandleCallback(cbProgress, 0, static_cast<std::uint32_t>(n), {});
    }
}
