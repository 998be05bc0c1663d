/* A stand-in for the engine library with a chosen version, or none, for the loader's
 * tests: too old, too new, or missing the version entry. It extracts nothing; it only
 * answers what a loader asks before it trusts a library. */
#include "engine/UnzEngineAbi.h"

UNZ_EXPORT int32_t UnzEngineExec(TUnzCommandRecord* Command) {
    (void)Command;
    return 0;
}

#ifdef STAND_IN_VERSION
UNZ_EXPORT int32_t GetUnzEngineVersion(void) { return STAND_IN_VERSION; }
#endif

UNZ_EXPORT int32_t GetUnzEnginePrivVersion(void) { return 1; }
