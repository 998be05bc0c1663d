// The library's three entry points. Nothing thrown inside may cross into the caller: the
// caller may not even be C++.
#include "engine/ExtractionRun.h"
#include "engine/UnzEngineAbi.h"

extern "C" {

UNZ_EXPORT int32_t UnzEngineExec(TUnzCommandRecord* Command) {
    try {
        // A record of another layout would have its fields read at the wrong places.
        if (!Command || Command->EndMarker != UNZ_END_MARKER)
            return -1;
        unz::TExtractionRun run(*Command);
        return run.Run();
    } catch (...) {
        return -1;
    }
}

UNZ_EXPORT int32_t GetUnzEngineVersion(void) {
    return UNZ_ENGINE_VERSION;
}

UNZ_EXPORT int32_t GetUnzEnginePrivVersion(void) {
    return UNZ_ENGINE_PRIV_VERSION;
}

} // extern "C"
