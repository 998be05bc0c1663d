// TEngineLoader: finds, loads, version-checks and unloads an engine library for the archive
// component. The library is loaded only while some operation needs it: each need is a
// load reason, and the library is freed when the last reason goes. So an idle component
// never holds the library, and a new engine dropped beside the program is picked up by the
// next extraction.
#pragma once

#include <string>

class TZipExtractor;

// The names one kind of engine is known by: its library and its three entry points.
struct TEngineNames {
    const char* Library;
    const char* ExecEntry;
    const char* VersionEntry;
    const char* PrivVersionEntry;
};

class TEngineLoader {
public:
    // Why the library is held; it stays loaded while any of these is set.
    enum TLoadReason : unsigned {
        lrExecuting = 1, // an execute call is running
        lrOperation = 2, // held by an operation (Extract) from its version check to its end
        lrHeld = 4,      // held on request
        lrAll = lrExecuting | lrOperation | lrHeld,
    };

    // Versions a library may answer to be loaded at all.
    static constexpr int kMinVersion = 153;
    static constexpr int kMaxVersion = 300;

    // Touches no file: the library is looked for on the first load.
    TEngineLoader(TZipExtractor* owner, int kind, const TEngineNames& names);
    virtual ~TEngineLoader();
    TEngineLoader(const TEngineLoader&) = delete;
    TEngineLoader& operator=(const TEngineLoader&) = delete;

    // Adds `reason`; loads the library when it is not loaded yet. Answers Version. Raises
    // EZipExtractor 10650 (cannot load) or 10651 (unfit version) and then holds nothing.
    int LoadEngine(unsigned reason);
    // Loads the library at `path` (a bare name goes through the dynamic loader's search)
    // and checks its version; answers PrivVersion, or 0 on failure (raising instead when
    // `raise`).
    int LoadLibraryFile(const std::string& path, bool raise);
    // Loads with lrHeld (`hold`) or lrOperation and insists on at least `minimum`: an
    // older library is unloaded and 10651 raised. Answers Version.
    int RequireVersion(int minimum, bool hold);
    // Removes lrHeld (`hold`) or lrOperation.
    int ReleaseHold(bool hold);
    // Removes `reasons`; frees the library when none is left. Answers Version (0 once
    // unloaded).
    int UnloadEngine(unsigned reasons);

    bool Loaded() const { return FLibHandle != nullptr; }
    void* LibHandle() const { return FLibHandle; }
    int LibKind() const { return FLibKind; }
    // The bare library name until a load; then the loaded file's full path, resolved
    // through links.
    std::string LibPath() const;
    unsigned LoadReasons() const { return FLoadReasons; }
    int Version() const { return FVersion; }
    int PrivVersion() const { return FPrivVersion; }

protected:
    void* ExecProc() const { return FExecProc; }

    // A call into the library that is on the stack. Should the owner be destroyed while
    // the library's code is still running (a handler closed the window the component
    // belongs to), the library must stay mapped until that code has returned: the
    // destructor then hands the handle to the running call, which frees it.
    struct TRunningCall {
        bool Orphaned = false;
        void* Handle = nullptr;
    };
    TRunningCall* FRunning = nullptr;

private:
    // DLLDirectory joined with the library name when a file is there, else the library
    // beside the program when it is there, else the bare name for the dynamic loader.
    std::string ChoosePath() const;
    void FreeLibrary();
    void Clear();
    // Frees the library, forgets every reason and raises `id` with `path` when `raise`.
    void Fail(int id, const std::string& path, bool raise);
    void SendVerbose(int id, const char* defaultText);

    TZipExtractor* FOwner;
    int FLibKind;
    TEngineNames FNames;
    void* FLibHandle = nullptr;
    void* FExecProc = nullptr;
    void* FVersionProc = nullptr;
    void* FPrivVersionProc = nullptr;
    std::string FLibPath;
    bool FLibPathMapped = false; // FLibPath names a file the loader mapped
    unsigned FLoadReasons = 0;
    int FVersion = 0;
    int FPrivVersion = 0;
};
