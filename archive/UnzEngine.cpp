#include "archive/UnzEngine.h"

#include <dlfcn.h>

int TUnzEngine::Execute(TUnzCommandRecord& command) {
    LoadEngine(lrExecuting);
    const auto exec = reinterpret_cast<TUnzEngineExecProc>(ExecProc());
    TRunningCall call;
    FRunning = &call;
    const int result = exec(&command);
    if (call.Orphaned) {
        // The loader was destroyed during the call (see TRunningCall): `this` is gone,
        // and only now that the engine has returned may its code be unmapped.
        ::dlclose(call.Handle);
        return result;
    }
    FRunning = nullptr;
    UnloadEngine(lrExecuting);
    return result;
}
