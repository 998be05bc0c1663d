#include "archive/ZipExtractor.h"

#include "archive/EngineCallback.h"
#include "archive/UnzEngine.h"
#include "archive/VolumeFile.h"
#include "gui/Application.h"
#include "platform/TextCase.h"

#include <QWidget>

namespace {

constexpr unsigned kMaxPasswordRequests = 15;

constexpr AddStoreExts kDefaultStoreSuffixes =
    AddStoreExts(assGIF | assPNG | assZ | assZIP | assZOO | assARC | assLZH | assARJ | assTAZ |
                 assTGZ | assLHA | assRAR | assACE | assCAB | assGZ | assGZIP | assJAR);

bool IsSuffixSeparator(char c) {
    return c == ',' || c == ';' || c == ':';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

TZipExtractor::TZipExtractor(QObject* owner)
    : QObject(owner), FAddStoreSuffixes(kDefaultStoreSuffixes),
      FOwnerWindow(Application().MainForm()), FZipStream(std::make_unique<TZipStream>()),
      FUnzEngine(std::make_unique<TUnzEngine>(this)), FVolumeOpener(OpenVolumeFile),
      FDriveProbe(ProbeDrive) {
}

TZipExtractor::~TZipExtractor() {
    // From here on an engine callback that still arrives is answered with "stop". One can
    // arrive after this object is gone when its owner is destroyed from a pumped event
    // during an extraction: the engine then answers to the run's session.
    FDestroying = true;
    if (FEngineSession != nullptr)
        FEngineSession->ComponentDestroyed();
    CloseVolume();
}

void TZipExtractor::SetZipFileName(const std::string& value) {
    FZipFileName = value;
    ReadDirectory();
}

int TZipExtractor::EntryCount() const {
    return FZipFileName.empty() ? 0 : static_cast<int>(FEntries.size());
}

void TZipExtractor::SetPasswordReqCount(unsigned value) {
    if (value > kMaxPasswordRequests)
        value = kMaxPasswordRequests;
    if (value != FPasswordReqCount)
        FPasswordReqCount = value;
}

void TZipExtractor::SetDLLDirectory(const std::string& value) {
    if (value == FDLLDirectory)
        return;
    std::string folder = value;
    if (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    FDLLDirectory = std::move(folder);
}

void TZipExtractor::SetExtAddStoreSuffixes(const std::string& value) {
    // Items are separated by any of ",;:"; each becomes ".ext" and the list ends with
    // ":", the one form the zipping side compares names against.
    std::string list;
    std::string item;
    const auto flush = [&] {
        while (!item.empty() && IsBlank(item.back()))
            item.pop_back();
        if (!item.empty())
            list += (item.front() == '.' ? "" : ".") + item + ":";
        item.clear();
    };
    for (const char c : platform::LowerAscii(value)) {
        if (IsSuffixSeparator(c))
            flush();
        else if (!(item.empty() && IsBlank(c)))
            item += c;
    }
    flush();
    FExtAddStoreSuffixes = list;
    if (list.empty())
        FAddStoreSuffixes &= ~AddStoreExts(assEXT);
    else
        FAddStoreSuffixes |= assEXT;
}

void TZipExtractor::SetVolumeOpener(TVolumeOpener opener) {
    FVolumeOpener = opener ? std::move(opener) : TVolumeOpener(OpenVolumeFile);
}

void TZipExtractor::SetDriveProbe(TDriveProbe probe) {
    FDriveProbe = probe ? std::move(probe) : TDriveProbe(ProbeDrive);
}
