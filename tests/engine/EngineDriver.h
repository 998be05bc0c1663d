// Drives libunzengine.so through its C entry: fills a command record from plain options,
// records every callback in order, and lets a test answer requests.
#pragma once

#include "engine/UnzEngineAbi.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TCallbackEvent {
    int Action;
    int32_t Code;
    int32_t Size;
    std::string Text;
};

class TEngineDriver {
public:
    std::string Archive;
    std::string BaseDir;
    std::vector<std::string> Specs; // empty: every member
    bool Overwrite = false;
    bool DirNames = false;
    bool TestOnly = false;
    bool Freshen = false;
    bool Update = false;
    bool Verbose = false;
    std::string Password;
    int32_t PasswordRequests = 1;
    // Answers a request in place; return -1 to ask the engine to stop.
    std::function<int32_t(TUnzCallbackRecord&)> Answer;

    std::vector<TCallbackEvent> Events;

    int32_t Exec();
    std::vector<TCallbackEvent> Of(int action) const;
    // Texts of the messages with a non-zero error code.
    std::vector<std::string> Errors() const;
    // Skip types of the skipped-member reports, in order.
    std::vector<int> SkipTypes() const;

private:
    static int32_t Callback(TUnzCallbackRecord* record);
};

// Runs a shell command; answers its exit status.
int RunShell(const std::string& command);
// Info-ZIP's own verdict on an archive (unzip -t).
bool UnzipTestPasses(const std::string& archive, const std::string& password = "");
// Every regular file below `folder` as "relative/path" -> content; links as "-> target".
std::vector<std::pair<std::string, std::string>> ListTree(const std::string& folder);
// Deterministic bytes: text-like when `compressible`, noise otherwise.
std::string MakeContent(size_t size, unsigned seed, bool compressible);
