// The decoder's user-facing texts, by their string-table IDs, and its exception classes.
// Each class derives straight from the framework's Exception, so a caller can tell every
// failure apart, and each carries the text of its ID unless a more precise one is given.
#pragma once

#include "gui/Exceptions.h"

namespace png {

enum TPngMessageId : int {
    // 65280 to 65295
    EPNGOutMemoryText = 65280,
    EPNGHeaderNotPresentText = 65281,
    // 65296 to 65311
    EPngInvalidCRCText = 65296,
    EPNGInvalidIHDRText = 65297,
    EPNGMissingMultipleIDATText = 65298,
    EPNGZLIBErrorText = 65299,
    EPNGInvalidPaletteText = 65300,
    EPNGInvalidFileHeaderText = 65301,
    EPNGIHDRNotFirstText = 65302,
    EPNGSizeExceedsText = 65303,
    EPNGInvalidPaletteIndexText = 65304,
    EPNGUnknownCriticalChunkText = 65305,
    EPNGUnknownCompressionText = 65306,
    EPNGUnknownInterlaceText = 65307,
    EPNGCannotAssignChunkText = 65308,
    EPNGUnexpectedEndText = 65309,
    EPNGNoImageDataText = 65310,
    EPNGCannotChangeSizeText = 65311,
    // Checks this decoder makes beyond the classic ones; printf formats.
    EPNGPixelBudgetText = 65312,
    EPNGInvalidColorDepthText = 65313,
    EPNGZeroSizeText = 65314,
    EPNGUnknownFilterMethodText = 65315,
    EPNGSecondIHDRText = 65316,
};

// The text of `id`; empty for an ID the table doesn't hold.
const char* PngMessage(int id);

} // namespace png

#define JIB_PNG_EXCEPTION(name, id)                                                                \
    class name : public Exception {                                                                \
    public:                                                                                        \
        name() : Exception(png::PngMessage(id)) {}                                                 \
        explicit name(std::string message) : Exception(std::move(message)) {}                      \
    }

JIB_PNG_EXCEPTION(EPngInvalidCRC, png::EPngInvalidCRCText);
JIB_PNG_EXCEPTION(EPngInvalidIHDR, png::EPNGInvalidIHDRText);
JIB_PNG_EXCEPTION(EPNGMissingMultipleIDAT, png::EPNGMissingMultipleIDATText);
JIB_PNG_EXCEPTION(EPNGZLIBError, png::EPNGZLIBErrorText);
JIB_PNG_EXCEPTION(EPNGInvalidPalette, png::EPNGInvalidPaletteText);
JIB_PNG_EXCEPTION(EPNGInvalidFileHeader, png::EPNGInvalidFileHeaderText);
JIB_PNG_EXCEPTION(EPNGIHDRNotFirst, png::EPNGIHDRNotFirstText);
JIB_PNG_EXCEPTION(EPNGSizeExceeds, png::EPNGSizeExceedsText);
JIB_PNG_EXCEPTION(EPngError, png::EPNGInvalidPaletteIndexText);
JIB_PNG_EXCEPTION(EPNGUnknownCriticalChunk, png::EPNGUnknownCriticalChunkText);
JIB_PNG_EXCEPTION(EPNGUnknownCompression, png::EPNGUnknownCompressionText);
JIB_PNG_EXCEPTION(EPNGUnknownInterlace, png::EPNGUnknownInterlaceText);
JIB_PNG_EXCEPTION(EPngUnexpectedEnd, png::EPNGUnexpectedEndText);
JIB_PNG_EXCEPTION(EPNGNoImageData, png::EPNGNoImageDataText);
JIB_PNG_EXCEPTION(EPNGOutMemory, png::EPNGOutMemoryText);
JIB_PNG_EXCEPTION(EPNGHeaderNotPresent, png::EPNGHeaderNotPresentText);

#undef JIB_PNG_EXCEPTION

namespace png {

// Raises `E` with the text of message `id`.
template <class E> [[noreturn]] void RaiseError(int id) {
    throw E(PngMessage(id));
}

} // namespace png
