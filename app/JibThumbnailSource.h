// The file list's pictures in thumbnail view: thumbnails of JIB files made by the thumbs
// library's loader on its own pool, through the freedesktop cache, and kept in memory for
// the GUI thread within a budget (least recently shown first out). Results arrive as
// events posted by the workers; those asked for a folder or view since left are dropped.
#pragma once

#include "shell/FbThumbnailSource.h"
#include "thumbs/ThumbnailCache.h"

#include <atomic>
#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <QObject>

namespace thumbs {
class TThumbnailLoader;
} // namespace thumbs

struct TFbThumbnailKeyHash {
    std::size_t operator()(const TFbThumbnailKey& key) const;
};

class TJibThumbnailSource : public QObject, public TFbThumbnailSource {
    Q_OBJECT
public:
    // Decoded thumbnails kept in memory: about 250 of 256 x 256 pixels.
    static constexpr std::size_t kDefaultMemoryBytes = std::size_t{64} << 20;

    // A source over `cache`, with `threads` workers (0: as the machine has cores).
    TJibThumbnailSource(const thumbs::TThumbnailCache& cache, QObject* parent = nullptr,
                        unsigned threads = 0, std::size_t memoryBytes = kDefaultMemoryBytes);
    // The user's cache, this program's failure folder.
    static thumbs::TThumbnailCache UserCache();
    ~TJibThumbnailSource() override;

    void Begin(int size, std::vector<TFbThumbnailKey> all) override;
    void Update(std::vector<TFbThumbnailKey> all) override;
    void Cancel() override;
    TState Thumbnail(const TFbThumbnailKey& key, QImage& image) override;
    void Show(const std::vector<TFbThumbnailKey>& shown) override;

    // Bytes of the decoded images held now, and the most they may take.
    std::size_t MemoryBytes() const { return FMemoryBytes; }
    std::size_t MemoryLimit() const { return FMemoryLimit; }
    // Nothing asked for in the current generation is queued, running or on its way.
    bool Idle() const;
    // Thumbnails of the current generation made from their archives (not read from the
    // cache) so far.
    int Made() const { return FMade; }

signals:
    // A thumbnail (or the news that there is none) of the current folder arrived.
    void Arrived(const QString& path);
    // One of the folder's files was prepared for the cache in the background.
    void Prepared(const QString& path);

protected:
    void customEvent(QEvent* event) override;

private:
    struct TEntry {
        TFbThumbnailKey Key;
        QImage Image;
    };
    void Remember(const TFbThumbnailKey& key, QImage image);
    void Forget(std::list<TEntry>::iterator entry);
    thumbs::TThumbnailLoader& Workers();

    thumbs::TThumbnailCache FCache;
    unsigned FThreads;
    std::unique_ptr<thumbs::TThumbnailLoader> FLoader;
    std::uint64_t FGeneration = 0;
    // Most recently shown first.
    std::list<TEntry> FImages;
    std::unordered_map<TFbThumbnailKey, std::list<TEntry>::iterator, TFbThumbnailKeyHash> FIndex;
    std::size_t FMemoryBytes = 0;
    std::size_t FMemoryLimit;
    // Files of this generation that have no thumbnail.
    std::unordered_set<TFbThumbnailKey, TFbThumbnailKeyHash> FNone;
    // Asked of the loader to be shown, by path: the key a result is kept under.
    std::unordered_map<std::string, TFbThumbnailKey> FAsked;
    std::vector<std::string> FLastShown;
    // The first and last file on screen at the last paint.
    std::vector<TFbThumbnailKey> FLastScreen;
    int FMade = 0;
    // Results posted by the workers and not yet filed: not idle while one is on its way.
    std::atomic<int> FInFlight{0};
};
