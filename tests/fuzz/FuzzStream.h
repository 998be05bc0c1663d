// A read-only stream over bytes someone else owns (the fuzzer's input): what a harness
// hands a reader that takes a stream, without copying the input for every open.
#pragma once

#include "gui/Exceptions.h"
#include "gui/Stream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace fuzz {

class TBytesStream : public TStream {
public:
    TBytesStream(const std::uint8_t* data, std::size_t size) : FData(data), FSize(size) {}

    std::size_t Read(void* buffer, std::size_t count) override {
        const std::size_t n = FPosition < FSize ? std::min(count, FSize - FPosition) : 0;
        if (n > 0)
            std::memcpy(buffer, FData + FPosition, n);
        FPosition += n;
        return n;
    }
    std::size_t Write(const void*, std::size_t) override { return 0; }
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
        const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                                  : origin == TSeekOrigin::soCurrent
                                      ? static_cast<std::int64_t>(FPosition)
                                      : static_cast<std::int64_t>(FSize);
        if (base + offset < 0)
            throw EStreamError("Invalid stream position");
        FPosition = static_cast<std::size_t>(base + offset);
        return base + offset;
    }
    std::int64_t Size() override { return static_cast<std::int64_t>(FSize); }

private:
    const std::uint8_t* FData;
    std::size_t FSize;
    std::size_t FPosition = 0;
};

} // namespace fuzz
