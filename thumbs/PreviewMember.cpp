#include "thumbs/PreviewMember.h"

#include "archive/ZipThumbnail.h"
#include "engine/ArchiveFile.h"
#include "engine/CentralDirectory.h"
#include "engine/MemberData.h"
#include "engine/ZipFormat.h"
#include "thumbs/ThumbnailBudget.h"

#include <string>

namespace thumbs {
namespace {

constexpr std::uint64_t kMaxDeflateRatio = 1032;

// Methods met in ZIP archives besides stored and deflated, named in the failure detail so
// a user sees which program wrote something this reader cannot inflate.
const char* MethodName(std::uint16_t method) {
    switch (method) {
    case 1:
        return "Shrink";
    case 6:
        return "Implode";
    case 9:
        return "Deflate64";
    case 12:
        return "BZip2";
    case 14:
        return "LZMA";
    case 93:
        return "Zstandard";
    case 95:
        return "XZ";
    case 98:
        return "PPMd";
    default:
        return nullptr;
    }
}

// Appends into memory reserved for the declared size; the engine never hands over more.
class TMemorySink : public unz::TDataSink {
public:
    explicit TMemorySink(std::uint64_t size) { FBytes.reserve(static_cast<std::size_t>(size)); }
    void Write(const std::uint8_t* data, std::size_t length) override {
        FBytes.insert(FBytes.end(), data, data + length);
    }
    std::vector<std::uint8_t>& Bytes() { return FBytes; }

private:
    std::vector<std::uint8_t> FBytes;
};

} // namespace

const unz::TMember* FindPreviewMember(const unz::TArchiveDirectory& directory) {
    const auto& members = directory.Members;
    const std::ptrdiff_t index = FindThumbnailMember(
        members.size(), [&members](std::size_t i) -> std::string_view { return members[i].Name; });
    return index < 0 ? nullptr : &members[static_cast<std::size_t>(index)];
}

std::vector<std::uint8_t> ReadPreviewMember(const unz::TArchiveFile& file,
                                            const unz::TMember& member,
                                            const TThumbnailBudget& budget) {
    if (member.IsEncrypted())
        throw EThumbnailFailure(TThumbnailFailure::tfNoThumbnail,
                                "the preview is encrypted, and a thumbnail cannot ask for a "
                                "password");
    if (member.IsSymlink() || member.IsFolder())
        throw EThumbnailFailure(TThumbnailFailure::tfNoThumbnail,
                                "\"" + member.Name + "\" is a link or a folder, not an image");
    if (member.Method != unz::kMethodStored && member.Method != unz::kMethodDeflated) {
        const char* name = MethodName(member.Method);
        throw EThumbnailFailure(TThumbnailFailure::tfUnsupportedMethod,
                                "compression method " + std::to_string(member.Method) +
                                    (name ? std::string(" (") + name + ")" : std::string()) +
                                    " is not supported");
    }
    const std::uint64_t limit = budget.Limits().MaxMemberBytes;
    TThumbnailBudget::CheckSize(member.CompressedSize, limit, "the preview's stored size");
    TThumbnailBudget::CheckSize(member.UncompressedSize, limit, "the preview's size");
    // Deflate never expands by more than 1032 to 1, so a larger declared size is a lie,
    // refused before memory is reserved for it.
    if (member.Method == unz::kMethodDeflated &&
        member.UncompressedSize > member.CompressedSize * kMaxDeflateRatio + kMaxDeflateRatio)
        throw EThumbnailFailure(TThumbnailFailure::tfDamagedArchive,
                                "the preview declares " + std::to_string(member.UncompressedSize) +
                                    " bytes, more than its " +
                                    std::to_string(member.CompressedSize) +
                                    " deflated bytes can hold");

    const unz::TMemberLayout layout = unz::CheckLocalHeader(file, member);
    TMemorySink sink(member.UncompressedSize);
    unz::ExtractMemberData(file, member, layout, {}, sink,
                           [&budget](std::size_t) { budget.Check(); });
    return std::move(sink.Bytes());
}

} // namespace thumbs
