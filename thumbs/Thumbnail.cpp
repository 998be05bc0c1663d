#include "thumbs/Thumbnail.h"

#include "engine/ArchiveFile.h"
#include "engine/CentralDirectory.h"
#include "engine/EngineErrors.h"
#include "thumbs/PreviewImage.h"
#include "thumbs/PreviewMember.h"
#include "thumbs/Resample.h"
#include "thumbs/ThumbnailBudget.h"

#include <algorithm>
#include <new>

namespace thumbs {
namespace {

TThumbnail Failed(TThumbnailFailure failure, std::string detail) {
    TThumbnail result;
    result.Failure = failure;
    result.Detail = std::move(detail);
    return result;
}

TThumbnail FromArchive(const unz::TArchiveFile& file, const TThumbnailRequest& request,
                       const TThumbnailBudget& budget) {
    const unz::TArchiveDirectory directory =
        unz::ReadArchiveDirectory(file, budget.Limits().MaxDirectoryBytes);
    const unz::TMember* member = FindPreviewMember(directory);
    if (!member)
        return Failed(TThumbnailFailure::tfNoThumbnail, "the archive holds no preview.png");
    budget.Check();
    std::vector<std::uint8_t> png = ReadPreviewMember(file, *member, budget);
    const TPreviewImage preview(png, budget);
    budget.Check();
    const int size = std::max(request.Size, 1);
    TThumbnail result;
    if (preview.Width() <= size && preview.Height() <= size && preview.PlainRgb8())
        result.StoredPng = std::move(png);
    else // freed now: the peak is the decoded preview and its scaled copy
        std::vector<std::uint8_t>().swap(png);

    // Scaled photographs stay sharp with Lanczos; where its ringing would show (edges
    // against transparency, few-colour graphics) Mitchell's cubic takes over, as
    // ImageMagick chooses for its thumbnails.
    const TResampleFilter filter = preview.Transparent() || preview.FewColours()
                                       ? TResampleFilter::rfMitchell
                                       : TResampleFilter::rfLanczos3;
    result.PreviewWidth = preview.Width();
    result.PreviewHeight = preview.Height();
    result.Image = Resample(preview, FitWithin(preview.Width(), preview.Height(), size), filter,
                            [&budget] { budget.Check(); });
    return result;
}

// Every reader's failure becomes the result's reason; nothing escapes to the caller.
template <class TOpen> TThumbnail Guarded(const TThumbnailRequest& request, TOpen open) {
    try {
        const TThumbnailBudget budget(request);
        const unz::TArchiveFile file = open();
        return FromArchive(file, request, budget);
    } catch (const EThumbnailFailure& e) {
        return Failed(e.Failure(), e.what());
    } catch (const unz::TDirectoryTooLarge& e) {
        return Failed(TThumbnailFailure::tfTooBig, e.what());
    } catch (const unz::TArchiveError& e) {
        return Failed(e.Code() == ueSevere ? TThumbnailFailure::tfUnreadable
                                           : TThumbnailFailure::tfDamagedArchive,
                      e.what());
    } catch (const unz::TMemberError& e) {
        return Failed(e.Code() == ueUnsupported ? TThumbnailFailure::tfUnsupportedMethod
                                                : TThumbnailFailure::tfDamagedArchive,
                      e.what());
    } catch (const std::bad_alloc&) {
        return Failed(TThumbnailFailure::tfTooBig, "out of memory");
    } catch (const std::exception& e) {
        return Failed(TThumbnailFailure::tfDamagedArchive, e.what());
    }
}

} // namespace

const char* FailureText(TThumbnailFailure failure) {
    switch (failure) {
    case TThumbnailFailure::tfNone:
        return "the thumbnail was made";
    case TThumbnailFailure::tfNoThumbnail:
        return "the file has no thumbnail";
    case TThumbnailFailure::tfUnreadable:
        return "the file cannot be read";
    case TThumbnailFailure::tfDamagedArchive:
        return "the file is not a JIB archive or is damaged";
    case TThumbnailFailure::tfUnsupportedMethod:
        return "the thumbnail is compressed with an unsupported method";
    case TThumbnailFailure::tfDamagedImage:
        return "the thumbnail is not a valid PNG image";
    case TThumbnailFailure::tfTooBig:
        return "the thumbnail is too big";
    case TThumbnailFailure::tfTimedOut:
        return "the thumbnail took too long";
    case TThumbnailFailure::tfCancelled:
        return "the thumbnail was cancelled";
    }
    return "unknown failure";
}

TThumbnail MakeThumbnail(const std::string& path, const TThumbnailRequest& request) {
    return Guarded(request, [&path] { return unz::TArchiveFile(path); });
}

TThumbnail MakeThumbnail(std::span<const std::uint8_t> archive, const TThumbnailRequest& request) {
    return Guarded(request,
                   [archive] { return unz::TArchiveFile(archive.data(), archive.size()); });
}

} // namespace thumbs
