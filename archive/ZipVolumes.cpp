// The volumes of a spanned archive: their names, asking for removable disks, opening the
// one wanted, finding the last one, and reading across their ends.
#include "archive/VolumeFile.h"
#include "archive/ZipExtractor.h"
#include "archive/ZipFormat.h"
#include "archive/ZipMessages.h"
#include "archive/ZipPaths.h"
#include "gui/Application.h"
#include "gui/MessageBox.h"
#include "platform/TextCase.h"

#include <algorithm>
#include <dirent.h>
#include <new>

namespace {

constexpr int kMaxNumberedVolumes = 999;  // three digits in the name
constexpr int kZipExtensionAsVolume = 99; // ".zip" among ".z??" names: the last one
constexpr std::string_view kSpannedDiskLabel = "PKBACK# ";

std::string ThreeDigits(int n) {
    return FormatText("%.3d", {std::int64_t{n}});
}

std::string CompatExtension(int volumeNumber) {
    return FormatText(".z%.2d", {std::int64_t{volumeNumber}});
}

// The value of `count` decimal digits at `text[pos]`, or 0.
int DigitsAt(std::string_view text, std::size_t pos, std::size_t count) {
    if (pos + count > text.size())
        return 0;
    int value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

std::vector<std::string> SortedFolderNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* e = ::readdir(dir))
        names.emplace_back(e->d_name);
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

void TZipExtractor::OpenCurrentVolume() {
    CloseVolume();
    FVolume.Reader = std::make_unique<TVolumeReader>(FVolumeOpener(FVolume.Path));
}

void TZipExtractor::CloseVolume() {
    FVolume.Reader.reset();
}

std::string TZipExtractor::VolumeName(int disk) const {
    if (FSpanOptions.testFlag(spCompatName)) {
        const std::string ext = disk == FVolume.LastDisk ? ".zip" : CompatExtension(disk + 1);
        return zpath::WithoutExtension(FVolume.ArchivePath) + ext;
    }
    // PKZIP's names: the three characters before the extension count the volumes, so
    // there is no name for a volume past 999 (and a wider number would make each name
    // one character longer than the last).
    if (disk + 1 > kMaxNumberedVolumes)
        throw EZipExtractor::CreateMsg(zm::CannotOpen, true);
    const std::string& current = FVolume.Path;
    const std::string stem = zpath::FileStem(current);
    const std::string folder = zpath::FolderOf(current);
    const std::size_t keep = stem.size() - std::min<std::size_t>(3, stem.size());
    return folder + stem.substr(0, keep) + ThreeDigits(disk + 1) + zpath::FileExtension(current);
}

bool TZipExtractor::VolumeMatches(int disk) {
    if (!FVolume.Drive.Fixed &&
        FVolume.Drive.Label == std::string(kSpannedDiskLabel) + ThreeDigits(disk + 1) &&
        zpath::FileExists(FVolume.Path))
        return true;
    FVolume.Path = VolumeName(disk);
    // On a fixed volume every file of the set is there or missing for good: opening it
    // says which.
    return FVolume.Drive.Fixed || zpath::FileExists(FVolume.Path);
}

void TZipExtractor::PromptForDisk(int disk) {
    if (FVolume.Drive.Fixed) {
        FVolume.AskForDisk = false;
        return;
    }
    if (OnTick)
        OnTick(this);
    while (FVolume.AskForDisk || !FVolume.Drive.Usable) {
        if (FUnattended)
            throw EZipExtractor::CreateMsg(zm::DiskUnattended, true);
        std::string text;
        unsigned icon = 0;
        if (disk < 0) {
            text = LoadMessageTextOr(zm::InsertLastDisk, kDefaultInsertLastDiskText);
            icon = MB_ICONSTOP;
        } else {
            text = FormatText(LoadMessageTextOr(zm::InsertDisk, kDefaultInsertDiskText),
                              {std::int64_t{disk + 1}, std::int64_t{FVolume.LastDisk + 1}});
        }
        text +=
            FormatText(LoadMessageTextOr(zm::InDrive, kDefaultInDriveText), {FVolume.Drive.Root});
        bool inserted;
        if (OnGetNextDisk) {
            bool abort = false;
            OnGetNextDisk(this, disk + 1, FVolume.LastDisk + 1, FVolume.Drive.Root, abort);
            inserted = !abort;
        } else {
            inserted = ShowMessageBox(text, Application().Title(), MB_OKCANCEL | icon,
                                      FOwnerWindow) == IDOK;
        }
        if (!inserted)
            throw EZipExtractor::CreateMsg(zm::Cancelled, false);
        FVolume.AskForDisk = false;
        // Another disk may be in the drive now, with another label.
        FVolume.Drive = FDriveProbe(FVolume.Drive.Root);
    }
}

void TZipExtractor::RequestVolume(int disk) {
    CloseVolume();
    FVolume.CurrentDisk = disk;
    for (;;) {
        PromptForDisk(disk);
        while (!VolumeMatches(disk)) {
            FVolume.AskForDisk = true;
            PromptForDisk(disk);
        }
        if (FVerbose)
            SendMessage("Trace : GetNewDisk Opening " + FVolume.Path);
        try {
            OpenCurrentVolume();
            return;
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception&) {
            if (FVolume.Drive.Fixed)
                throw EZipExtractor::CreateMsg(zm::CannotOpen, true);
            ReportError(zm::CannotOpen);
            FVolume.AskForDisk = true;
        }
    }
}

std::string TZipExtractor::SearchVolume(const std::string& path, VolumeScheme scheme,
                                        int& number) const {
    const std::string folder = zpath::FolderOf(path);
    const std::string stem = zpath::FileStem(path);
    const auto names = SortedFolderNames(folder);
    // PKZIP's "name001.zip" first, then Info-ZIP's "name.z01" (".zip" being the last).
    if (scheme != VolumeScheme::Compat) {
        for (const auto& name : names) {
            if (name.size() == stem.size() + 7 && name.compare(0, stem.size(), stem) == 0 &&
                platform::EqualsIgnoreAsciiCase(std::string_view(name).substr(stem.size() + 3),
                                                ".zip") &&
                (number = DigitsAt(name, stem.size(), 3)) > 0)
                return folder + name;
        }
    }
    if (scheme != VolumeScheme::Numbered) {
        for (const auto& name : names) {
            if (name.size() != stem.size() + 4 || name.compare(0, stem.size(), stem) != 0 ||
                !platform::EqualsIgnoreAsciiCase(std::string_view(name).substr(stem.size(), 2),
                                                 ".z"))
                continue;
            const auto last = std::string_view(name).substr(stem.size() + 2);
            number = platform::EqualsIgnoreAsciiCase(last, "ip") ? kZipExtensionAsVolume
                                                                 : DigitsAt(last, 0, 2);
            if (number > 0)
                return folder + name;
        }
    }
    number = 0;
    return {};
}

int TZipExtractor::LocateLastVolume(const std::string& path, bool allowMissing) {
    try {
        return LocateLastVolumeOrRaise(path, allowMissing);
    } catch (const EZipExtractor& e) {
        if (e.MessageId() == zm::Cancelled && !e.Display())
            return 1; // the user said no at a disk prompt
        ReportException(e);
        return 255;
    }
}

int TZipExtractor::LocateLastVolumeOrRaise(const std::string& path, bool allowMissing) {
    FVolume.Drive = FDriveProbe(path);
    FVolume.ArchivePath = FVolume.Path = path;
    bool searched = false;
    int foundNumber = 0;
    int numberedVolumes = 0;
    if (!zpath::FileExists(path)) {
        searched = true;
        if (FVolume.Drive.Fixed) {
            const std::string base = zpath::WithoutExtension(path);
            for (int n = 1; n <= kMaxNumberedVolumes; ++n) {
                const std::string name = base + ThreeDigits(n) + ".zip";
                if (!zpath::FileExists(name))
                    break;
                FVolume.Path = name;
                foundNumber = numberedVolumes = n;
            }
            if (foundNumber == 0) {
                if (allowMissing)
                    return 1;
                throw EZipExtractor::CreateMsg(zm::NoEntries, true);
            }
            // Both naming schemes at once: which set is meant cannot be told.
            if (zpath::FileExists(zpath::WithoutExtension(FVolume.Path) + ".z01"))
                throw EZipExtractor::CreateMsg(zm::NoEntries, true);
        } else {
            FVolume.Path = SearchVolume(path, VolumeScheme::Any, foundNumber);
            if (FVolume.Path.empty())
                throw EZipExtractor::CreateMsg(zm::NoEntries, true);
        }
    }
    for (;;) {
        if (OpenEndRecord(EndRecordMode::Quiet)) {
            if (FVolume.Directory.ThisDisk > zip::kMaxDiskNumber)
                throw EZipExtractor::CreateMsg(zm::DirectoryPastLastVolume, true);
            const auto thisDisk = static_cast<int>(FVolume.Directory.ThisDisk);
            if (searched) {
                if (!FVolume.SpanMarkerSeen && thisDisk == 0 && numberedVolumes > 1)
                    throw EZipExtractor::CreateMsg(zm::NoEntries, true);
                if (FVolume.Drive.Fixed && thisDisk + 1 != foundNumber)
                    throw EZipExtractor::CreateMsgText(zm::NoEndRecord, FVolume.Path);
            }
            FVolume.LastDisk = FVolume.CurrentDisk = thisDisk;
            return 0;
        }
        if (FVolume.Drive.Fixed) {
            if (searched)
                throw EZipExtractor::CreateMsg(zm::NoEntries, true);
            throw EZipExtractor::CreateMsgText(zm::NoEndRecord, FVolume.Path);
        }
        // Removable media: the disk in the drive is not the last one; ask for it.
        if (OnGetNextDisk) {
            bool abort = false;
            OnGetNextDisk(this, 0, 0, FVolume.Drive.Root, abort);
            if (abort)
                return 1;
            FVolume.Drive = FDriveProbe(FVolume.Drive.Root);
        } else {
            FVolume.AskForDisk = true;
            PromptForDisk(-1);
        }
        if (searched) {
            const auto scheme =
                FSpanOptions.testFlag(spCompatName) ? VolumeScheme::Compat : VolumeScheme::Numbered;
            FVolume.Path = SearchVolume(path, scheme, foundNumber);
            if (FVolume.Path.empty()) {
                ReportError(zm::NoEntries);
                return 255;
            }
        }
    }
}

void TZipExtractor::ReadAcrossVolumes(std::size_t count, int shortId,
                                      const std::function<std::size_t(std::size_t)>& read) {
    std::size_t done = read(count);
    while (done < count) {
        // Volumes are numbered upwards and the last one ends the set, so this walk ends
        // however the records lie about their sizes.
        if (FVolume.CurrentDisk >= FVolume.LastDisk)
            throw EZipExtractor::CreateMsg(shortId, true);
        RequestVolume(FVolume.CurrentDisk + 1);
        done += read(count - done);
    }
}

void TZipExtractor::ReadSpanned(void* buffer, std::size_t count, int shortId) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    ReadAcrossVolumes(count, shortId, [&](std::size_t n) {
        const std::size_t got = FVolume.Reader->Read(out, n);
        out += got;
        return got;
    });
}

void TZipExtractor::ReadSpannedText(std::string& out, std::size_t count, int shortId) {
    ReadAcrossVolumes(count, shortId,
                      [&](std::size_t n) { return FVolume.Reader->Append(out, n); });
}

void TZipExtractor::SkipSpanned(std::size_t count, int shortId) {
    ReadAcrossVolumes(count, shortId, [&](std::size_t n) {
        const auto step = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(n), FVolume.Reader->Remaining()));
        FVolume.Reader->Seek(FVolume.Reader->Position() + static_cast<std::int64_t>(step));
        return step;
    });
}
