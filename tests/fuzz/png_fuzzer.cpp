// Feeds arbitrary bytes to the PNG loader. Any outcome but a decoded image or one of the
// framework's exceptions (a crash, a hang, a read out of bounds, an allocation past the
// pixel budget) is a finding.
#include "gui/Stream.h"
#include "png/pnggraphic.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream stream;
    if (size > 0)
        stream.WriteBuffer(data, size);
    stream.SetPosition(0);
    TPngGraphic png;
    try {
        png.LoadFromStream(stream);
    } catch (const Exception&) {
        // Refused input; what was read before the failure must still be consistent.
    }
    try {
        if (png.HeaderPresent()) {
            (void)png.TransparencyMode();
            (void)png.TransparentColor();
            // Copying walks every chunk kind's assignment; keep it to images small enough
            // that the fuzzer stays fast.
            if (std::uint64_t{static_cast<unsigned>(png.Width())} *
                    static_cast<unsigned>(png.Height()) <=
                1u << 20) {
                TPngGraphic copy;
                copy.Assign(png);
            }
        }
    } catch (const Exception&) {
    }
    return 0;
}
