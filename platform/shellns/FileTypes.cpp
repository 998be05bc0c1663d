#include "platform/shellns/FileTypes.h"

#include "platform/TextCase.h"

#include <array>

namespace platform::shellns {
namespace {

struct KnownType {
    const char* extension;
    const char* iconName;
    const char* typeName;
};

// The documents a user of this viewer meets most; everything else gets the generic
// document icon and "<EXT> File", as a file manager without a type database would.
constexpr std::array kKnownTypes = {
    KnownType{"jib", "application-zip", "JIB Project"},
    KnownType{"zip", "application-zip", "ZIP Archive"},
    KnownType{"gz", "application-x-gzip", "Gzip Archive"},
    KnownType{"tgz", "application-x-compressed-tar", "Tar Archive (gzip)"},
    KnownType{"tar", "application-x-tar", "Tar Archive"},
    KnownType{"xz", "application-x-xz", "XZ Archive"},
    KnownType{"7z", "application-x-7z-compressed", "7-Zip Archive"},
    KnownType{"png", "image-png", "PNG Image"},
    KnownType{"jpg", "image-jpeg", "JPEG Image"},
    KnownType{"jpeg", "image-jpeg", "JPEG Image"},
    KnownType{"gif", "image-gif", "GIF Image"},
    KnownType{"bmp", "image-bmp", "BMP Image"},
    KnownType{"svg", "image-svg+xml", "SVG Image"},
    KnownType{"webp", "image-webp", "WebP Image"},
    KnownType{"tif", "image-tiff", "TIFF Image"},
    KnownType{"tiff", "image-tiff", "TIFF Image"},
    KnownType{"txt", "text-plain", "Plain Text Document"},
    KnownType{"ini", "text-plain", "Configuration Settings"},
    KnownType{"md", "text-markdown", "Markdown Document"},
    KnownType{"html", "text-html", "HTML Document"},
    KnownType{"htm", "text-html", "HTML Document"},
    KnownType{"xml", "text-xml", "XML Document"},
    KnownType{"pdf", "application-pdf", "PDF Document"},
    KnownType{"sh", "application-x-shellscript", "Shell Script"},
    KnownType{"desktop", "application-x-desktop", "Desktop Entry"},
    KnownType{"mp3", "audio-mpeg", "MP3 Audio"},
    KnownType{"ogg", "audio-x-vorbis+ogg", "Ogg Audio"},
    KnownType{"wav", "audio-x-wav", "WAV Audio"},
    KnownType{"mp4", "video-mp4", "MPEG-4 Video"},
    KnownType{"mkv", "video-x-matroska", "Matroska Video"},
};

} // namespace

std::string LowerExtension(std::string_view name) {
    const auto dot = name.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size())
        return {};
    return LowerAscii(name.substr(dot + 1));
}

FileType FileTypeOf(std::string_view name, bool executable) {
    const std::string ext = LowerExtension(name);
    for (const auto& t : kKnownTypes) {
        if (ext == t.extension)
            return {t.iconName, t.typeName};
    }
    if (executable)
        return {"application-x-executable", "Program"};
    if (ext.empty())
        return {"text-x-generic", "File"};
    return {"text-x-generic", UpperAscii(ext) + " File"};
}

} // namespace platform::shellns
