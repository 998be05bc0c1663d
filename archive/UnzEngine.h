// TUnzEngine: the loader of the unzip engine library, and the one call that runs a
// command in it.
#pragma once

#include "archive/EngineLoader.h"
#include "engine/UnzEngineAbi.h"

// The unzip engine as this program ships it: libunzengine.so beside the executable.
inline constexpr TEngineNames kUnzEngineNames{"libunzengine.so", "UnzEngineExec",
                                              "GetUnzEngineVersion", "GetUnzEnginePrivVersion"};

class TUnzEngine : public TEngineLoader {
public:
    static constexpr int kKind = 0;
    // The oldest engine whose extraction this component relies on.
    static constexpr int kMinExtractVersion = 172;

    explicit TUnzEngine(TZipExtractor* owner) : TEngineLoader(owner, kKind, kUnzEngineNames) {}

    // Runs `command` in the engine, loading it for the call when nothing holds it.
    // Answers the engine's result: members handled, negative for a fatal failure. The
    // engine calls back on this thread before it returns.
    int Execute(TUnzCommandRecord& command);
};
