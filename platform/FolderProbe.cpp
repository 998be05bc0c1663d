#include "platform/FolderProbe.h"

#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

// Shared by the caller and the request: whichever ends last frees it.
template <class T> struct TAnswer {
    std::mutex Lock;
    std::condition_variable Answered;
    std::optional<T> Value;
    bool Abandoned = false; // the caller stopped waiting
};

// The folders whose request was given up on and has not come back yet. The volume is not
// answering: asking again about them, or anything below them, would only wait as long once
// more and leave one more thread behind (the tree and then the list open the same folder).
class TUnanswered {
public:
    void Add(const std::string& folder) {
        std::lock_guard lock(FLock);
        FFolders.insert(folder);
    }
    void Remove(const std::string& folder) {
        std::lock_guard lock(FLock);
        if (auto it = FFolders.find(folder); it != FFolders.end())
            FFolders.erase(it);
    }
    bool HoldsOrIsBelow(const std::string& folder) const {
        std::lock_guard lock(FLock);
        for (const std::string& held : FFolders) {
            if (folder.compare(0, held.size(), held) == 0)
                return true;
        }
        return false;
    }

private:
    mutable std::mutex FLock;
    std::multiset<std::string> FFolders;
};

TUnanswered& Unanswered() {
    static auto* unanswered = new TUnanswered; // detached threads may outlive statics
    return *unanswered;
}

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

// Runs `ask` about `path` on a detached thread and answers its result, or nothing when it
// took longer than `patience` or an earlier request about the folder is still unanswered;
// a result nobody waits for any more goes to `discard`.
template <class T>
std::optional<T> AskWithin(const std::string& path, std::function<T()> ask,
                           std::function<void(T)> discard, std::chrono::milliseconds patience) {
    const std::string folder = WithSlash(path);
    if (Unanswered().HoldsOrIsBelow(folder))
        return std::nullopt;
    auto answer = std::make_shared<TAnswer<T>>();
    std::thread([answer, folder, ask = std::move(ask), discard = std::move(discard)] {
        T value = ask();
        std::lock_guard lock(answer->Lock);
        if (answer->Abandoned) {
            Unanswered().Remove(folder);
            if (discard)
                discard(std::move(value));
            return;
        }
        answer->Value = std::move(value);
        answer->Answered.notify_one();
    }).detach();
    std::unique_lock lock(answer->Lock);
    if (!answer->Answered.wait_for(lock, patience, [&] { return answer->Value.has_value(); })) {
        answer->Abandoned = true;
        Unanswered().Add(folder);
        return std::nullopt;
    }
    return std::move(answer->Value);
}

} // namespace

FolderProbe ProbeFolder(const std::string& path, std::chrono::milliseconds patience) {
    if (path.empty())
        return FolderProbe::NotFolder;
    const std::optional<bool> folder = AskWithin<bool>(
        path,
        [path] {
            struct stat st;
            return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        },
        nullptr, patience);
    if (!folder)
        return FolderProbe::NoAnswer;
    return *folder ? FolderProbe::Folder : FolderProbe::NotFolder;
}

int OpenFolderWithin(const std::string& path, std::chrono::milliseconds patience) {
    struct TOpened {
        int Fd;
        int Error;
    };
    const std::optional<TOpened> opened = AskWithin<TOpened>(
        path,
        [path] {
            const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            return TOpened{fd, fd < 0 ? errno : 0};
        },
        [](TOpened late) {
            if (late.Fd >= 0)
                ::close(late.Fd);
        },
        patience);
    if (!opened) {
        errno = ETIMEDOUT;
        return -1;
    }
    errno = opened->Error;
    return opened->Fd;
}

} // namespace platform
