#include "platform/shellns/FileOperations.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::shellns {
namespace {

constexpr std::size_t kCopyBlock = 1 << 16;

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string BaseName(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

std::string ParentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == 0 ? "/" : path.substr(0, slash + 1);
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

HResult Errno() {
    return ResultFromErrno(errno);
}

void KeepTimes(int fd, const struct stat& st) {
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(fd, times);
}

HResult CopyFileContent(const std::string& from, const std::string& to, const struct stat& st) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (in < 0)
        return Errno();
    // O_EXCL: the unique name was chosen a moment ago, and nothing may be clobbered if
    // something took it since.
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
    if (out < 0) {
        const HResult hr = Errno();
        ::close(in);
        return hr;
    }
    auto buffer = std::make_unique<char[]>(kCopyBlock);
    HResult hr = S_OK;
    for (;;) {
        const ssize_t got = ::read(in, buffer.get(), kCopyBlock);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got < 0)
                hr = Errno();
            break;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put =
                ::write(out, buffer.get() + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0) {
                hr = Errno();
                break;
            }
            done += put;
        }
        if (Failed(hr))
            break;
    }
    if (Succeeded(hr))
        KeepTimes(out, st);
    if (::close(out) != 0 && Succeeded(hr))
        hr = Errno();
    ::close(in);
    if (Failed(hr))
        ::unlink(to.c_str());
    return hr;
}

HResult CopyTree(const std::string& from, const std::string& to) {
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0)
        return Errno();
    if (S_ISLNK(st.st_mode)) {
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t length = ::readlink(from.c_str(), target.data(), target.size());
        if (length < 0)
            return Errno();
        target.resize(static_cast<std::size_t>(length));
        return ::symlink(target.c_str(), to.c_str()) == 0 ? S_OK : Errno();
    }
    if (S_ISREG(st.st_mode))
        return CopyFileContent(from, to, st);
    if (!S_ISDIR(st.st_mode))
        return E_ACCESSDENIED; // devices, sockets and pipes are not copied
    if (::mkdir(to.c_str(), (st.st_mode & 07777) | S_IRWXU) != 0)
        return Errno();
    DIR* dir = ::opendir(from.c_str());
    if (dir == nullptr)
        return Errno();
    HResult hr = S_OK;
    while (const dirent* d = ::readdir(dir)) {
        const std::string name = d->d_name;
        if (name == "." || name == "..")
            continue;
        hr = CopyTree(from + "/" + name, to + "/" + name);
        if (Failed(hr))
            break;
    }
    ::closedir(dir);
    ::chmod(to.c_str(), st.st_mode & 07777);
    return hr;
}

HResult RemoveTree(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return Errno();
    if (!S_ISDIR(st.st_mode))
        return ::unlink(path.c_str()) == 0 ? S_OK : Errno();
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr)
        return Errno();
    HResult hr = S_OK;
    while (const dirent* d = ::readdir(dir)) {
        const std::string name = d->d_name;
        if (name != "." && name != "..") {
            hr = RemoveTree(path + "/" + name);
            if (Failed(hr))
                break;
        }
    }
    ::closedir(dir);
    if (Succeeded(hr) && ::rmdir(path.c_str()) != 0)
        hr = Errno();
    return hr;
}

// True when `path` is `folder` or lies below it (both without trailing "/").
bool IsWithin(const std::string& path, const std::string& folder) {
    return path == folder ||
           (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
            (folder == "/" || path[folder.size()] == '/'));
}

std::string RealPathOf(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr)
        return path;
    std::string out = real;
    std::free(real);
    return out;
}

HResult TransferOne(const std::string& source, const std::string& targetFolder, TransferKind kind) {
    struct stat st;
    if (::lstat(source.c_str(), &st) != 0)
        return Errno();
    const std::string realTarget = RealPathOf(WithoutTrailingSlash(targetFolder));
    if (S_ISDIR(st.st_mode) && kind != TransferKind::Link &&
        IsWithin(realTarget, RealPathOf(source)))
        return E_INVALIDARG;
    const std::string name = BaseName(source);
    if (kind == TransferKind::Move && RealPathOf(ParentOf(source)) == RealPathOf(targetFolder))
        return S_OK;
    const std::string target = targetFolder + UniqueNameIn(targetFolder, name);
    switch (kind) {
    case TransferKind::Link:
        return ::symlink(source.c_str(), target.c_str()) == 0 ? S_OK : Errno();
    case TransferKind::Copy:
        return CopyTree(source, target);
    case TransferKind::Move: {
        if (::rename(source.c_str(), target.c_str()) == 0)
            return S_OK;
        if (errno != EXDEV)
            return Errno();
        const HResult hr = CopyTree(source, target);
        if (Failed(hr)) {
            RemoveTree(target);
            return hr;
        }
        return RemoveTree(source);
    }
    }
    return E_INVALIDARG;
}

} // namespace

std::string UniqueNameIn(const std::string& folder, const std::string& name) {
    if (!Exists(folder + name))
        return name;
    const auto dot = name.find_last_of('.');
    const bool hasExt = dot != std::string::npos && dot != 0;
    const std::string stem = hasExt ? name.substr(0, dot) : name;
    const std::string ext = hasExt ? name.substr(dot) : "";
    for (int n = 2;; ++n) {
        const std::string candidate = stem + " (" + std::to_string(n) + ")" + ext;
        if (!Exists(folder + candidate))
            return candidate;
    }
}

bool OnSameFileSystem(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::lstat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev;
}

HResult TransferPaths(const std::vector<std::string>& sources, const std::string& targetFolder,
                      TransferKind kind) {
    if (targetFolder.empty() || targetFolder.front() != '/')
        return E_INVALIDARG;
    const std::string folder = targetFolder.back() == '/' ? targetFolder : targetFolder + "/";
    for (const auto& s : sources) {
        const std::string source = WithoutTrailingSlash(s);
        if (source.empty() || source.front() != '/' || source == "/")
            return E_INVALIDARG;
        const HResult hr = TransferOne(source, folder, kind);
        if (Failed(hr))
            return hr;
    }
    return S_OK;
}

} // namespace platform::shellns
