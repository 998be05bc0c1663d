#include "thumbs/ThumbnailCache.h"

#include "platform/AtomicFile.h"
#include "thumbs/FileUri.h"
#include "thumbs/Md5.h"
#include "thumbs/PreviewImage.h"
#include "thumbs/ThumbnailBudget.h"
#include "thumbs/ThumbnailPng.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace thumbs {
namespace {

constexpr const char* kUriKey = "Thumb::URI";
constexpr const char* kMTimeKey = "Thumb::MTime";
constexpr const char* kSizeKey = "Thumb::Size";
constexpr const char* kImageWidthKey = "Thumb::Image::Width";
constexpr const char* kImageHeightKey = "Thumb::Image::Height";
constexpr const char* kSoftwareKey = "Software";
constexpr mode_t kFolderMode = 0700;
constexpr mode_t kFileMode = 0600;
// A 1024 x 1024 thumbnail of noise is about 4 MiB; anything larger is not a thumbnail.
constexpr off_t kMaxCacheFileBytes = 8 << 20;

struct TFolderSize {
    int MaxSize;
    const char* Name;
};
constexpr TFolderSize kFolders[] = {
    {128, "normal"}, {256, "large"}, {512, "x-large"}, {1024, "xx-large"}};

// A descriptor closed on every way out.
class TFd {
public:
    explicit TFd(int fd = -1) : FFd(fd) {}
    ~TFd() {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFd(TFd&& other) noexcept : FFd(std::exchange(other.FFd, -1)) {}
    TFd& operator=(TFd&& other) noexcept {
        std::swap(FFd, other.FFd);
        return *this;
    }
    int Get() const { return FFd; }
    bool Valid() const { return FFd >= 0; }

private:
    int FFd;
};

bool OwnedByUs(int fd, bool folder) {
    struct stat st;
    return ::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() &&
           (folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode));
}

// The folder `name` in `parent` (AT_FDCWD and an absolute path for the root), opened
// without following a link; made 0700 when missing and `create` is set. Invalid when it is
// a link, not a folder, or another user's.
TFd OpenFolder(int parent, const std::string& name, bool create) {
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    TFd fd(::openat(parent, name.c_str(), kFlags));
    if (!fd.Valid() && errno == ENOENT && create) {
        if (::mkdirat(parent, name.c_str(), kFolderMode) != 0 && errno != EEXIST)
            return TFd();
        fd = TFd(::openat(parent, name.c_str(), kFlags));
        // The umask may have taken bits we need ourselves.
        if (fd.Valid() && OwnedByUs(fd.Get(), true))
            ::fchmod(fd.Get(), kFolderMode);
    }
    if (!fd.Valid() || !OwnedByUs(fd.Get(), true))
        return TFd();
    return fd;
}

// Makes the folders above the cache's root that are missing, as GLib does for the cache
// home: private to the user. Those that exist are the user's own business.
void MakeParents(const std::string& root) {
    for (std::size_t slash = root.find('/', 1); slash != std::string::npos;
         slash = root.find('/', slash + 1))
        ::mkdir(root.substr(0, slash).c_str(), kFolderMode);
}

// The folder `relative` ("large", "fail/jibview-1.0") below the root, each step opened by
// OpenFolder.
TFd OpenCacheFolder(const std::string& root, const std::string& relative, bool create) {
    if (root.empty() || root.front() != '/')
        return TFd();
    if (create)
        MakeParents(root);
    TFd folder = OpenFolder(AT_FDCWD, root, create);
    std::size_t from = 0;
    while (folder.Valid() && from < relative.size()) {
        const std::size_t slash = relative.find('/', from);
        const std::size_t end = slash == std::string::npos ? relative.size() : slash;
        folder = OpenFolder(folder.Get(), relative.substr(from, end - from), create);
        from = end + 1;
    }
    return folder;
}

// The bytes of the regular file `name` in `folder` when it is ours and of a thumbnail's
// size; empty otherwise. A link is not followed; a FIFO planted there does not block.
std::vector<std::uint8_t> ReadOwnedFile(int folder, const std::string& name) {
    TFd fd(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != ::geteuid() || st.st_size > kMaxCacheFileBytes)
        return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    std::size_t have = 0;
    while (have < bytes.size()) {
        const ssize_t n = ::read(fd.Get(), bytes.data() + have, bytes.size() - have);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return {};
        have += static_cast<std::size_t>(n);
    }
    return bytes;
}

const std::string* TextOf(const TPngTexts& texts, std::string_view key) {
    for (const auto& [keyword, text] : texts)
        if (keyword == key)
            return &text;
    return nullptr;
}

// A decimal number recorded in a text; some writers add a fraction of a second to the
// time, which the whole seconds compared here leave aside.
template <class T> bool ParseNumber(const std::string& text, T& value) {
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && (stop == end || *stop == '.');
}

// Whether the texts name this file as it is now. The size is optional in the convention;
// where a writer recorded it, it must agree too.
bool Describes(const TPngTexts& texts, const std::string& uri, const TFileStamp& stamp) {
    const std::string* recordedUri = TextOf(texts, kUriKey);
    const std::string* mtime = TextOf(texts, kMTimeKey);
    std::int64_t seconds = 0;
    if (!recordedUri || *recordedUri != uri || !mtime || !ParseNumber(*mtime, seconds) ||
        seconds != stamp.MTime)
        return false;
    const std::string* size = TextOf(texts, kSizeKey);
    std::uint64_t bytes = 0;
    return !size || (ParseNumber(*size, bytes) && bytes == stamp.Size);
}

// The thumbnail in `png`, decoded by our own decoder within a thumbnail's pixels; false
// when it is damaged or larger than the folder allows.
bool DecodeCached(const std::vector<std::uint8_t>& png, int size, TRgbaImage& image) {
    TThumbnailRequest request;
    request.Budgets.MaxPixels = static_cast<std::uint64_t>(size) * static_cast<std::uint64_t>(size);
    try {
        const TThumbnailBudget budget(request);
        const TPreviewImage decoded(png, budget);
        if (decoded.Width() > size || decoded.Height() > size)
            return false;
        image = Resample(decoded, {decoded.Width(), decoded.Height()}, TResampleFilter::rfMitchell,
                         [&budget] { budget.Check(); });
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

bool StampOf(const std::string& path, TFileStamp& stamp) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    stamp.MTime = st.st_mtim.tv_sec;
    stamp.Size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

TThumbnailCache::TThumbnailCache(std::string root, std::string program, std::string version)
    : FRoot(std::move(root)), FFailFolder("fail/" + program + "-" + version),
      FSoftware(program + " " + version) {
    while (FRoot.size() > 1 && FRoot.back() == '/')
        FRoot.pop_back();
}

std::string TThumbnailCache::DefaultRoot() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/')
        return std::string(cache) + "/thumbnails";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.cache/thumbnails";
    return {};
}

const char* TThumbnailCache::FolderFor(int size) {
    for (const TFolderSize& folder : kFolders)
        if (size <= folder.MaxSize)
            return folder.Name;
    return nullptr;
}

std::string TThumbnailCache::FileNameOf(const std::string& uri) {
    return Md5Hex(uri) + ".png";
}

bool TThumbnailCache::Permanent(TThumbnailFailure failure) {
    switch (failure) {
    case TThumbnailFailure::tfNoThumbnail:
    case TThumbnailFailure::tfDamagedArchive:
    case TThumbnailFailure::tfUnsupportedMethod:
    case TThumbnailFailure::tfDamagedImage:
        return true;
    default:
        // Too big may mean memory was short just then; an unreadable file may be readable
        // once its permissions change, which its time of last change does not show.
        return false;
    }
}

TCacheState TThumbnailCache::Lookup(const std::string& folder, const std::string& uri,
                                    const TFileStamp& stamp, int size, TRgbaImage* image) const {
    const TFd fd = OpenCacheFolder(FRoot, folder, false);
    if (!fd.Valid())
        return TCacheState::csMissing;
    const std::vector<std::uint8_t> png = ReadOwnedFile(fd.Get(), FileNameOf(uri));
    TPngTexts texts;
    if (png.empty() || !ReadPngTexts(png, texts) || !Describes(texts, uri, stamp))
        return TCacheState::csMissing;
    if (image && !DecodeCached(png, size, *image))
        return TCacheState::csMissing;
    return TCacheState::csThumbnail;
}

TCacheState TThumbnailCache::Find(const std::string& path, const TFileStamp& stamp, int size,
                                  TRgbaImage* image) const {
    const char* folder = FolderFor(size);
    if (!folder)
        return TCacheState::csMissing;
    const std::string uri = FileUriOf(path);
    if (Lookup(folder, uri, stamp, size, image) == TCacheState::csThumbnail)
        return TCacheState::csThumbnail;
    // A failure is recorded as a 1 x 1 picture; only its texts matter.
    if (Lookup(FFailFolder, uri, stamp, 1, nullptr) == TCacheState::csThumbnail)
        return TCacheState::csFailed;
    return TCacheState::csMissing;
}

bool TThumbnailCache::Write(const std::string& folder, const std::string& uri,
                            const TFileStamp& stamp, const TThumbnail& thumbnail) const {
    const TFd fd = OpenCacheFolder(FRoot, folder, true);
    if (!fd.Valid())
        return false;
    TPngTexts texts = {{kUriKey, uri},
                       {kMTimeKey, std::to_string(stamp.MTime)},
                       {kSizeKey, std::to_string(stamp.Size)}};
    if (thumbnail.PreviewWidth > 0 && thumbnail.PreviewHeight > 0) {
        texts.emplace_back(kImageWidthKey, std::to_string(thumbnail.PreviewWidth));
        texts.emplace_back(kImageHeightKey, std::to_string(thumbnail.PreviewHeight));
    }
    texts.emplace_back(kSoftwareKey, FSoftware);
    // Written while the user waits for a folder: a preview that already is its thumbnail
    // is copied, anything else encoded in the fast form.
    const std::vector<std::uint8_t> png = ThumbnailPngOf(thumbnail, texts);
    return platform::PublishFileAtomicallyAt(
        fd.Get(), FileNameOf(uri),
        std::string_view(reinterpret_cast<const char*>(png.data()), png.size()), kFileMode);
}

bool TThumbnailCache::Store(const std::string& path, const TFileStamp& stamp, int size,
                            const TThumbnail& thumbnail) const {
    const char* folder = FolderFor(size);
    if (!folder || !thumbnail.Ok() || thumbnail.Image.Empty() || thumbnail.Image.Width > size ||
        thumbnail.Image.Height > size)
        return false;
    return Write(folder, FileUriOf(path), stamp, thumbnail);
}

bool TThumbnailCache::StoreFailure(const std::string& path, const TFileStamp& stamp) const {
    TThumbnail empty;
    empty.Image.Width = empty.Image.Height = 1;
    empty.Image.Pixels.assign(4, 0);
    return Write(FFailFolder, FileUriOf(path), stamp, empty);
}

} // namespace thumbs
