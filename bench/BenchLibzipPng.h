// The in-process peer of the archive and PNG work: libzip finds and inflates a member,
// libpng decodes it, as a program built on those libraries would.
#pragma once

#include <cstdint>
#include <png.h>
#include <string>
#include <vector>
#include <zip.h>

namespace bench {

// The member's bytes, or none.
inline std::vector<unsigned char> ReadMemberWithLibzip(const std::string& archivePath,
                                                       const char* member) {
    int error = 0;
    zip_t* archive = zip_open(archivePath.c_str(), ZIP_RDONLY, &error);
    if (!archive)
        return {};
    std::vector<unsigned char> bytes;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive, member, 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE)) {
        if (zip_file_t* file = zip_fopen(archive, member, 0)) {
            bytes.resize(stat.size);
            if (zip_fread(file, bytes.data(), bytes.size()) !=
                static_cast<zip_int64_t>(bytes.size()))
                bytes.clear();
            zip_fclose(file);
        }
    }
    zip_close(archive);
    return bytes;
}

struct TDecoded {
    int Width = 0;
    int Height = 0;
    std::vector<unsigned char> Pixels; // 4 bytes a pixel, rows packed
};

// Decodes PNG `bytes` into four-byte pixels of libpng's `format` (PNG_FORMAT_RGBA, ...);
// false when libpng cannot.
inline bool DecodeWithLibpng(const std::vector<unsigned char>& bytes, std::uint32_t format,
                             TDecoded& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (bytes.empty() || !png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return false;
    image.format = format;
    out.Width = static_cast<int>(image.width);
    out.Height = static_cast<int>(image.height);
    out.Pixels.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, out.Pixels.data(), 0, nullptr) != 0;
}

} // namespace bench
