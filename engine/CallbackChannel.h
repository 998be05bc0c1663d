// The engine's side of the callback: fills one callback record per request, calls the
// caller, and reads the answer back. A stop answer (-1), or an exception escaping a
// careless callback, becomes TStopRequested so the run unwinds from wherever it is.
#pragma once

#include "engine/UnzEngineAbi.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace unz {

class TCallbackChannel {
public:
    explicit TCallbackChannel(const TUnzCommandRecord& command);

    // Sends a request; throws TStopRequested when the caller asks to stop. The record
    // holds the caller's answer until the next request.
    const TUnzCallbackRecord& Send(TUnzAction action, int32_t code, uint64_t size,
                                   std::string_view text);
    // The same after a stop or a fatal failure: the answer no longer matters.
    void SendFinal(TUnzAction action, int32_t code, uint64_t size, std::string_view text);

    // The text buffer of the last answer, as a string (never past the buffer).
    std::string AnswerText() const;

    bool Connected() const { return FCallback != nullptr; }
    bool StopRequested() const { return FStopRequested; }

private:
    bool Call(TUnzAction action, int32_t code, uint64_t size, std::string_view text);

    TUnzCallback FCallback;
    TUnzCallbackRecord FRecord{};
    void* FWindow;
    void* FRequester;
    bool FStopRequested = false;
};

} // namespace unz
