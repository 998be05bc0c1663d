#include "archive/EngineLoader.h"

#include "archive/ZipExtractor.h"
#include "archive/ZipMessages.h"
#include "archive/ZipPaths.h"
#include "platform/ModulePath.h"

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <link.h>

namespace {

using TVersionProc = int (*)();

// The file the dynamic loader actually mapped: for a bare name that is wherever its search
// found it, which is what a message about the library has to name.
std::string LoadedFilePath(void* handle, const std::string& fallback) {
    link_map* map = nullptr;
    if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr ||
        map->l_name[0] == '\0')
        return fallback;
    return map->l_name;
}

} // namespace

TEngineLoader::TEngineLoader(TZipExtractor* owner, int kind, const TEngineNames& names)
    : FOwner(owner), FLibKind(kind), FNames(names), FLibPath(names.Library) {
}

TEngineLoader::~TEngineLoader() {
    if (FRunning != nullptr) {
        // The library's code is below us on the stack; the running call frees it.
        FRunning->Orphaned = true;
        FRunning->Handle = FLibHandle;
        FLibHandle = nullptr;
        return;
    }
    FreeLibrary();
}

std::string TEngineLoader::ChoosePath() const {
    const std::string programFolder = zpath::FolderOf(platform::ModuleFileName());
    std::string folder = FOwner->DLLDirectory();
    if (!folder.empty()) {
        // "./engines" or "../lib" mean "relative to the program", not to whatever folder
        // the program happens to be started from.
        if (folder.front() == '.')
            folder = programFolder + folder;
        if (folder.back() != '/')
            folder += '/';
        const std::string path = folder + FNames.Library;
        if (zpath::FileExists(path))
            return path;
    }
    // No engine there: the one shipped beside the program, else whatever the dynamic
    // loader's search finds. The program's RUNPATH would find the first as well, but not
    // when dlopen is reached through an interposer (a sanitizer, a preloaded library) that
    // makes the search use its own RUNPATH instead of the program's.
    const std::string beside = programFolder + FNames.Library;
    if (!programFolder.empty() && zpath::FileExists(beside))
        return beside;
    return FNames.Library;
}

int TEngineLoader::LoadEngine(unsigned reason) {
    FLoadReasons |= reason;
    if (Loaded())
        return FVersion;
    LoadLibraryFile(ChoosePath(), true);
    if (FOwner->Verbose())
        SendVerbose(zm::EngineLoaded, kDefaultEngineLoadedText);
    return FVersion;
}

int TEngineLoader::LoadLibraryFile(const std::string& path, bool raise) {
    FreeLibrary();
    // RTLD_NOW: a library that lacks a symbol it needs is refused here, not half-way
    // through an extraction. RTLD_LOCAL: its symbols stay out of everyone else's way.
    FLibHandle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (FLibHandle == nullptr) {
        Fail(zm::EngineLoad, path, raise);
        return 0;
    }
    FExecProc = ::dlsym(FLibHandle, FNames.ExecEntry);
    FVersionProc = ::dlsym(FLibHandle, FNames.VersionEntry);
    FPrivVersionProc = ::dlsym(FLibHandle, FNames.PrivVersionEntry);
    FLibPath = LoadedFilePath(FLibHandle, path);
    FLibPathMapped = true;
    // A library that cannot both run commands and say its version is not an engine.
    if (FExecProc != nullptr && FVersionProc != nullptr) {
        FVersion = reinterpret_cast<TVersionProc>(FVersionProc)();
        if (FPrivVersionProc != nullptr)
            FPrivVersion = reinterpret_cast<TVersionProc>(FPrivVersionProc)();
    }
    if (FVersion < kMinVersion || FVersion > kMaxVersion) {
        Fail(zm::EngineVersion, LibPath(), raise);
        return 0;
    }
    return FPrivVersion;
}

int TEngineLoader::RequireVersion(int minimum, bool hold) {
    LoadEngine(hold ? lrHeld : lrOperation);
    if (FVersion < minimum) {
        const std::string path = LibPath();
        UnloadEngine(lrAll);
        throw EZipExtractor::CreateMsgText(zm::EngineVersion, path);
    }
    return FVersion;
}

int TEngineLoader::ReleaseHold(bool hold) {
    return UnloadEngine(hold ? lrHeld : lrOperation);
}

int TEngineLoader::UnloadEngine(unsigned reasons) {
    FLoadReasons &= ~reasons;
    if (FLoadReasons == 0 && Loaded()) {
        if (FOwner->Verbose()) {
            try {
                SendVerbose(zm::EngineUnloaded, kDefaultEngineUnloadedText);
            } catch (const Exception&) {
                // A cancel answered to this last message cannot keep the library loaded.
            }
        }
        FreeLibrary();
    }
    return FVersion;
}

void TEngineLoader::FreeLibrary() {
    if (FLibHandle != nullptr)
        ::dlclose(FLibHandle);
    Clear();
}

void TEngineLoader::Clear() {
    FLibHandle = nullptr;
    FExecProc = FVersionProc = FPrivVersionProc = nullptr;
    FVersion = FPrivVersion = 0;
}

void TEngineLoader::Fail(int id, const std::string& path, bool raise) {
    FreeLibrary();
    FLoadReasons = 0;
    if (raise)
        throw EZipExtractor::CreateMsgText(id, path);
}

std::string TEngineLoader::LibPath() const {
    // Resolved only when a message or a caller asks: walking the path's folders for links
    // is a system call each, and an extraction that goes well names no library.
    char resolved[PATH_MAX];
    if (!FLibPathMapped || ::realpath(FLibPath.c_str(), resolved) == nullptr)
        return FLibPath;
    return resolved;
}

void TEngineLoader::SendVerbose(int id, const char* defaultText) {
    FOwner->HandleCallback(cbMessage, 0, 0, FOwner->LoadMessageTextOr(id, defaultText) + LibPath());
}
