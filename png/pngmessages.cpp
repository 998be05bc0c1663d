#include "png/pngmessages.h"

namespace png {

namespace {

struct TMessage {
    int Id;
    const char* Text;
};

// The texts are shown to users as they stand: other programs and their users have long
// seen them in this form. Only plain misspellings have been put right.
constexpr TMessage kMessages[] = {
    {EPNGOutMemoryText, "Some operation could not be performed because the system is out of "
                        "resources. Close some windows and try again."},
    {EPNGHeaderNotPresentText,
     "This operation is not valid because the current image contains no valid header."},
    {EPngInvalidCRCText, "This \"Portable Network Graphics\" image is not valid because it "
                         "contains invalid pieces of data (crc error)"},
    {EPNGInvalidIHDRText, "The \"Portable Network Graphics\" image could not be loaded because "
                          "one of its main piece of data (ihdr) might be corrupted"},
    {EPNGMissingMultipleIDATText,
     "This \"Portable Network Graphics\" image is invalid because it has missing image parts."},
    {EPNGZLIBErrorText, "Could not decompress the image because it contains invalid compressed "
                        "data.\r\n Description: "},
    {EPNGInvalidPaletteText,
     "The \"Portable Network Graphics\" image contains an invalid palette."},
    {EPNGInvalidFileHeaderText,
     "The file being read is not a valid \"Portable Network Graphics\" image because it "
     "contains an invalid header. This file may be corrupted, try obtaining it again."},
    {EPNGIHDRNotFirstText, "This \"Portable Network Graphics\" image is not supported or it "
                           "might be invalid.\r\n(IHDR chunk is not the first)"},
    {EPNGSizeExceedsText, "This \"Portable Network Graphics\" image is not supported because "
                          "either it's width or height exceeds the maximum size, which is 65535 "
                          "pixels length."},
    {EPNGInvalidPaletteIndexText, "There is no such palette entry."},
    {EPNGUnknownCriticalChunkText, "This \"Portable Network Graphics\" image contains an "
                                   "unknown critical part which could not be decoded."},
    {EPNGUnknownCompressionText,
     "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme "
     "which could not be decoded."},
    {EPNGUnknownInterlaceText, "This \"Portable Network Graphics\" image uses an unknown "
                               "interlace scheme which could not be decoded."},
    {EPNGCannotAssignChunkText, "The chunks must be compatible to be assigned."},
    {EPNGUnexpectedEndText, "This \"Portable Network Graphics\" image is invalid because the "
                            "decoder found an unexpected end of the file."},
    {EPNGNoImageDataText, "This \"Portable Network Graphics\" image contains no data."},
    {EPNGCannotChangeSizeText,
     "The \"Portable Network Graphics\" image can not be resize by changing width and height "
     "properties. Try assigning the image from a bitmap."},
    {EPNGPixelBudgetText,
     "This \"Portable Network Graphics\" image is not supported because it has %u x %u pixels, "
     "more than the %llu pixels this viewer decodes."},
    {EPNGInvalidColorDepthText,
     "This \"Portable Network Graphics\" image is not valid because its header names bit depth "
     "%u for colour type %u, a combination the format does not allow."},
    {EPNGZeroSizeText, "This \"Portable Network Graphics\" image is not valid because its "
                       "header gives it a width or height of 0 pixels."},
    {EPNGUnknownFilterMethodText, "This \"Portable Network Graphics\" image uses an unknown "
                                  "filter method (%u) which could not be decoded."},
    {EPNGSecondIHDRText, "This \"Portable Network Graphics\" image is not valid because it "
                         "holds a second header (IHDR chunk)."},
};

} // namespace

const char* PngMessage(int id) {
    for (const TMessage& m : kMessages)
        if (m.Id == id)
            return m.Text;
    return "";
}

} // namespace png
