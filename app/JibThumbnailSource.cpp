#include "app/JibThumbnailSource.h"

#include "thumbs/ThumbnailLoader.h"

#include <chrono>
#include <cstring>
#include <functional>

#include <QCoreApplication>
#include <QEvent>

namespace {

// How long after the files on screen last changed one core stays free for the window:
// scrolling turns the screen over several times a second.
constexpr std::chrono::milliseconds kScrollingPeriod{500};

// A worker's result on its way to the GUI thread, its image already in the form the
// screen draws fastest, so the GUI thread only files it.
const QEvent::Type kThumbnailArrivedEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class TThumbnailArrivedEvent : public QEvent {
public:
    explicit TThumbnailArrivedEvent(thumbs::TLoadedThumbnail loaded)
        : QEvent(kThumbnailArrivedEvent), Loaded(std::move(loaded)) {
        if (!Loaded.Image.Empty()) {
            const thumbs::TRgbaImage& rgba = Loaded.Image;
            QImage straight(rgba.Width, rgba.Height, QImage::Format_RGBA8888);
            for (int y = 0; y < rgba.Height; ++y)
                std::memcpy(straight.scanLine(y), rgba.Pixel(0, y),
                            static_cast<std::size_t>(rgba.Width) * 4);
            Image = straight.convertToFormat(QImage::Format_ARGB32_Premultiplied);
            Loaded.Image = {};
        }
    }
    thumbs::TLoadedThumbnail Loaded;
    QImage Image;
};

} // namespace

std::size_t TFbThumbnailKeyHash::operator()(const TFbThumbnailKey& key) const {
    std::size_t h = std::hash<std::string>()(key.Path);
    for (const std::uint64_t part :
         {static_cast<std::uint64_t>(key.MTimeSec), std::uint64_t{key.MTimeNsec}, key.Size})
        h ^= std::hash<std::uint64_t>()(part) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
    return h;
}

TJibThumbnailSource::TJibThumbnailSource(const thumbs::TThumbnailCache& cache, QObject* parent,
                                         unsigned threads, std::size_t memoryBytes)
    : QObject(parent), FCache(cache), FThreads(threads), FMemoryLimit(memoryBytes) {
}

thumbs::TThumbnailLoader& TJibThumbnailSource::Workers() {
    // Made when thumbnails are first asked for: a window that stays in the Details view
    // starts no workers at all.
    if (FLoader == nullptr) {
        FLoader = std::make_unique<thumbs::TThumbnailLoader>(
            FCache,
            [this](thumbs::TLoadedThumbnail&& loaded) {
                ++FInFlight;
                QCoreApplication::postEvent(this, new TThumbnailArrivedEvent(std::move(loaded)));
            },
            FThreads == 0 ? thumbs::TThumbnailLoader::DefaultThreads() : FThreads);
        FGeneration = FLoader->Generation();
    }
    return *FLoader;
}

TJibThumbnailSource::~TJibThumbnailSource() {
    // The workers stop before anything they post to is gone; what they posted goes with
    // this object.
    FLoader.reset();
}

thumbs::TThumbnailCache TJibThumbnailSource::UserCache() {
    return thumbs::TThumbnailCache(thumbs::TThumbnailCache::DefaultRoot(), "jibview", JIB_VERSION);
}

namespace {

std::vector<std::string> PathsOf(std::vector<TFbThumbnailKey> keys) {
    std::vector<std::string> paths;
    paths.reserve(keys.size());
    for (TFbThumbnailKey& key : keys)
        paths.push_back(std::move(key.Path));
    return paths;
}

} // namespace

void TJibThumbnailSource::Begin(int size, std::vector<TFbThumbnailKey> all) {
    thumbs::TThumbnailLoader& workers = Workers();
    if (size != workers.Size()) {
        // Pictures of another size are of no use at this one.
        FImages.clear();
        FIndex.clear();
        FMemoryBytes = 0;
    }
    FGeneration = workers.Begin(size, PathsOf(std::move(all)));
    FMade = 0;
    FNone.clear();
    FAsked.clear();
    FLastShown.clear();
}

void TJibThumbnailSource::Update(std::vector<TFbThumbnailKey> all) {
    Workers().SetBackground(PathsOf(std::move(all)));
}

void TJibThumbnailSource::Cancel() {
    if (FLoader != nullptr) {
        FLoader->Cancel();
        FGeneration = FLoader->Generation();
    }
    FNone.clear();
    FAsked.clear();
    FLastShown.clear();
}

TFbThumbnailSource::TState TJibThumbnailSource::Thumbnail(const TFbThumbnailKey& key,
                                                          QImage& image) {
    const auto found = FIndex.find(key);
    if (found != FIndex.end()) {
        FImages.splice(FImages.begin(), FImages, found->second);
        image = found->second->Image;
        return TState::tsImage;
    }
    return FNone.contains(key) ? TState::tsNone : TState::tsPending;
}

void TJibThumbnailSource::Show(const std::vector<TFbThumbnailKey>& shown) {
    // Other files on screen: the user scrolls (or resizes), and the window needs a core.
    std::vector<TFbThumbnailKey> screen;
    if (!shown.empty())
        screen = {shown.front(), shown.back()};
    if (screen != FLastScreen) {
        FLastScreen = std::move(screen);
        Workers().LeaveOneCoreFree(kScrollingPeriod);
    }
    std::vector<std::string> wanted;
    for (const TFbThumbnailKey& key : shown) {
        if (FIndex.contains(key) || FNone.contains(key))
            continue;
        FAsked[key.Path] = key;
        wanted.push_back(key.Path);
    }
    // Every paint reports what it shows; the loader hears only of a change.
    if (wanted == FLastShown)
        return;
    FLastShown = wanted;
    Workers().Prefer(wanted);
}

bool TJibThumbnailSource::Idle() const {
    // In this order: a result is counted in flight before its job stops counting as running.
    return (FLoader == nullptr || FLoader->Idle()) && FInFlight.load() == 0;
}

void TJibThumbnailSource::Remember(const TFbThumbnailKey& key, QImage image) {
    if (const auto old = FIndex.find(key); old != FIndex.end())
        Forget(old->second);
    FMemoryBytes += static_cast<std::size_t>(image.sizeInBytes());
    FImages.push_front({key, std::move(image)});
    FIndex[key] = FImages.begin();
    while (FMemoryBytes > FMemoryLimit && FImages.size() > 1)
        Forget(std::prev(FImages.end()));
}

void TJibThumbnailSource::Forget(std::list<TEntry>::iterator entry) {
    FMemoryBytes -= static_cast<std::size_t>(entry->Image.sizeInBytes());
    FIndex.erase(entry->Key);
    FImages.erase(entry);
}

void TJibThumbnailSource::customEvent(QEvent* event) {
    if (event->type() != kThumbnailArrivedEvent)
        return QObject::customEvent(event);
    auto* arrived = static_cast<TThumbnailArrivedEvent*>(event);
    --FInFlight;
    thumbs::TLoadedThumbnail& loaded = arrived->Loaded;
    // Asked for a folder or view left since: whatever it is, it is not shown here.
    if (loaded.Generation != FGeneration)
        return;
    const QString path = QString::fromStdString(loaded.Path);
    if (!loaded.FromCache && loaded.Failure != thumbs::TThumbnailFailure::tfCancelled)
        ++FMade;
    if (!loaded.Shown) {
        emit Prepared(path);
        return;
    }
    const auto asked = FAsked.find(loaded.Path);
    if (asked == FAsked.end())
        return;
    const TFbThumbnailKey key = asked->second;
    FAsked.erase(asked);
    if (loaded.Failure == thumbs::TThumbnailFailure::tfNone && !arrived->Image.isNull())
        Remember(key, std::move(arrived->Image));
    else if (loaded.Failure != thumbs::TThumbnailFailure::tfCancelled)
        FNone.insert(key);
    // Shown again later, it is asked for again.
    std::erase(FLastShown, loaded.Path);
    if (OnArrived)
        OnArrived(loaded.Path);
    emit Arrived(path);
}
