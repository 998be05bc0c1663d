#include "platform/FolderProbe.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>

namespace platform {

namespace {

// Shared by the caller and the look-up: whichever ends last frees it.
struct TProbeState {
    std::mutex Lock;
    std::condition_variable Answered;
    std::optional<FolderProbe> Answer;
};

} // namespace

FolderProbe ProbeFolder(const std::string& path, std::chrono::milliseconds patience) {
    if (path.empty())
        return FolderProbe::NotFolder;
    auto state = std::make_shared<TProbeState>();
    std::thread([state, path] {
        struct stat st;
        const bool folder = ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        std::lock_guard lock(state->Lock);
        state->Answer = folder ? FolderProbe::Folder : FolderProbe::NotFolder;
        state->Answered.notify_one();
    }).detach();
    std::unique_lock lock(state->Lock);
    if (!state->Answered.wait_for(lock, patience, [&] { return state->Answer.has_value(); }))
        return FolderProbe::NoAnswer;
    return *state->Answer;
}

} // namespace platform
