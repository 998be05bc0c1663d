#include "engine/CallbackChannel.h"

#include "engine/EngineErrors.h"

#include <algorithm>
#include <cstring>

namespace unz {
namespace {

// Cuts `text` to fit the buffer without splitting a UTF-8 character.
size_t FitLength(std::string_view text) {
    size_t n = std::min(text.size(), size_t(UNZ_TEXT_BUFFER_SIZE - 1));
    if (n < text.size()) {
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            --n;
    }
    return n;
}

} // namespace

TCallbackChannel::TCallbackChannel(const TUnzCommandRecord& command)
    : FCallback(command.Callback), FWindow(command.WindowHandle), FRequester(command.Requester) {
}

bool TCallbackChannel::Call(TUnzAction action, int32_t code, uint64_t size, std::string_view text) {
    std::memset(&FRecord, 0, sizeof FRecord);
    FRecord.WindowHandle = FWindow;
    FRecord.Requester = FRequester;
    FRecord.Version = UNZ_ENGINE_VERSION;
    FRecord.RequestCode = action;
    FRecord.CodeValue = code;
    // Sizes travel in a 32-bit field; larger ones saturate rather than wrap.
    FRecord.SizeValue =
        static_cast<int32_t>(static_cast<uint32_t>(std::min<uint64_t>(size, UINT32_MAX)));
    size_t n = FitLength(text);
    std::memcpy(FRecord.TextBuffer, text.data(), n);
    // Without a callback the record keeps the request's values, which read as "no answer".
    if (!FCallback)
        return false;
    try {
        return FCallback(&FRecord) == -1;
    } catch (...) {
        // A C callback has no business throwing; if one does, stop rather than crash.
        return true;
    }
}

const TUnzCallbackRecord& TCallbackChannel::Send(TUnzAction action, int32_t code, uint64_t size,
                                                 std::string_view text) {
    if (Call(action, code, size, text)) {
        FStopRequested = true;
        throw TStopRequested();
    }
    return FRecord;
}

void TCallbackChannel::SendFinal(TUnzAction action, int32_t code, uint64_t size,
                                 std::string_view text) {
    Call(action, code, size, text);
}

std::string TCallbackChannel::AnswerText() const {
    return std::string(FRecord.TextBuffer, strnlen(FRecord.TextBuffer, sizeof FRecord.TextBuffer));
}

} // namespace unz
