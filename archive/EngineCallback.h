// The callback the unzip engine calls while it runs a command, and the session that ties
// those calls to the component that started them.
#pragma once

#include "engine/UnzEngineAbi.h"

#include <cstdint>
#include <exception>

class TZipExtractor;

// Answers to the engine: go on, or stop.
inline constexpr std::int32_t kEngineGoOn = 0;
inline constexpr std::int32_t kEngineStop = -1;

// One engine run as the engine sees it: the command record's Requester points here, and
// the engine hands it back in every callback. It lives on the stack of the Extract that
// called the engine, so it outlasts the run even when the component does not: the
// component's destructor clears Component, and every later callback answers "stop"
// without touching the component.
class TEngineSession {
public:
    explicit TEngineSession(TZipExtractor* component) : FComponent(component) {}
    ~TEngineSession() { FMagic = 0; }
    TEngineSession(const TEngineSession&) = delete;
    TEngineSession& operator=(const TEngineSession&) = delete;

    // The session behind a callback record's Requester, or null when the record does not
    // carry one of ours (an engine that mixed up its records).
    static TEngineSession* FromRequester(void* requester);

    // Hands one callback to the component; never lets an exception out.
    static std::int32_t Dispatch(TUnzCallbackRecord* record);

    TZipExtractor* Component() const { return FComponent; }
    // Called by the component's destructor.
    void ComponentDestroyed() { FComponent = nullptr; }
    // An exception of a kind the callback does not turn into a stop request, kept to be
    // raised again once the engine has returned.
    std::exception_ptr Failure() const { return FFailure; }

private:
    static constexpr std::uint32_t kMagic = 0x5A495053; // "ZIPS"

    std::uint32_t FMagic = kMagic;
    TZipExtractor* FComponent;
    std::exception_ptr FFailure;
};

extern "C" {
// The callback given to the engine in the command record.
std::int32_t EngineCallback(TUnzCallbackRecord* record);
}
