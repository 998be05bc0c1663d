#include "platform/shellns/FileVerbs.h"

#include "platform/Launcher.h"
#include "platform/shellns/FileOperations.h"
#include "platform/shellns/Trash.h"

#include <mutex>

namespace platform::shellns {
namespace {

constexpr std::uint32_t kAllEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

struct ClipboardState {
    std::mutex lock;
    FileClipboard installed;
    FileClipboardContent local;
    OpenHandler open;
};

ClipboardState& State() {
    static ClipboardState state;
    return state;
}

HResult OpenPath(const std::string& path) {
    OpenHandler handler;
    {
        std::lock_guard lock(State().lock);
        handler = State().open;
    }
    if (handler)
        return handler(path);
    const int code = ShellOpen(path, "", "");
    switch (code) {
    case kLaunchFileNotFound:
        return E_FILE_NOT_FOUND;
    case kLaunchPathNotFound:
        return E_PATH_NOT_FOUND;
    case kLaunchAccessDenied:
        return E_ACCESSDENIED;
    case kLaunchOutOfMemory:
        return E_OUTOFMEMORY;
    case kLaunchNoAssociation:
        return E_NO_ASSOCIATION;
    default:
        return code > 32 ? S_OK : E_FAIL;
    }
}

std::string Folderish(std::string path) {
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::string ParentFolderOf(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    const auto slash = p.find_last_of('/');
    return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

class TFileContextMenu : public IContextMenu {
public:
    TFileContextMenu(std::vector<std::string> paths, std::string folder)
        : FPaths(std::move(paths)), FFolder(std::move(folder)) {}

    std::vector<std::string> Verbs() const override {
        if (FPaths.empty())
            return {"paste"};
        return {"open", "copy", "cut", "paste", "delete"};
    }

    HResult InvokeCommand(std::string_view verb) override {
        if (verb == "open" && !FPaths.empty()) {
            for (const auto& p : FPaths) {
                if (const HResult hr = OpenPath(p); Failed(hr))
                    return hr;
            }
            return S_OK;
        }
        if ((verb == "copy" || verb == "cut") && !FPaths.empty()) {
            PutOnFileClipboard({FPaths, verb == "cut"});
            return S_OK;
        }
        if (verb == "paste")
            return Paste();
        if (verb == "delete" && !FPaths.empty()) {
            for (const auto& p : FPaths) {
                if (const HResult hr = MoveToTrash(p); Failed(hr))
                    return hr;
            }
            return S_OK;
        }
        return E_INVALIDARG;
    }

private:
    // Pastes into the folder of the background menu, or into the one folder the menu was
    // opened on.
    HResult Paste() {
        const std::string target = FPaths.empty()       ? FFolder
                                   : FPaths.size() == 1 ? Folderish(FPaths[0])
                                                        : "";
        if (target.empty())
            return E_INVALIDARG;
        const FileClipboardContent content = FileClipboardNow();
        if (content.paths.empty())
            return S_FALSE;
        const HResult hr = TransferPaths(content.paths, target,
                                         content.cut ? TransferKind::Move : TransferKind::Copy);
        // A cut is used up by its paste, as in every file manager: pasting again would
        // find the sources gone.
        if (Succeeded(hr) && content.cut)
            PutOnFileClipboard({});
        return hr;
    }

    std::vector<std::string> FPaths;
    std::string FFolder;
};

class TFolderDropTarget : public IDropTarget {
public:
    explicit TFolderDropTarget(std::string folder) : FFolder(std::move(folder)) {}

    HResult DragEnter(const std::vector<std::string>& paths, std::uint32_t keyState,
                      std::uint32_t& effect) override {
        FPaths = paths;
        effect = ChooseDropEffect(FPaths, FFolder, keyState, effect);
        return S_OK;
    }
    HResult DragOver(std::uint32_t keyState, std::uint32_t& effect) override {
        effect = ChooseDropEffect(FPaths, FFolder, keyState, effect);
        return S_OK;
    }
    HResult DragLeave() override {
        FPaths.clear();
        return S_OK;
    }
    HResult Drop(const std::vector<std::string>& paths, std::uint32_t keyState,
                 std::uint32_t& effect) override {
        FPaths.clear();
        effect = ChooseDropEffect(paths, FFolder, keyState, effect);
        switch (effect) {
        case DROPEFFECT_COPY:
            return TransferPaths(paths, FFolder, TransferKind::Copy);
        case DROPEFFECT_MOVE:
            return TransferPaths(paths, FFolder, TransferKind::Move);
        case DROPEFFECT_LINK:
            return TransferPaths(paths, FFolder, TransferKind::Link);
        default:
            return S_FALSE;
        }
    }

private:
    std::string FFolder;
    std::vector<std::string> FPaths;
};

class TTrashDropTarget : public IDropTarget {
public:
    HResult DragEnter(const std::vector<std::string>&, std::uint32_t,
                      std::uint32_t& effect) override {
        effect &= DROPEFFECT_MOVE;
        return S_OK;
    }
    HResult DragOver(std::uint32_t, std::uint32_t& effect) override {
        effect &= DROPEFFECT_MOVE;
        return S_OK;
    }
    HResult DragLeave() override { return S_OK; }
    HResult Drop(const std::vector<std::string>& paths, std::uint32_t,
                 std::uint32_t& effect) override {
        effect &= DROPEFFECT_MOVE;
        if (effect == DROPEFFECT_NONE)
            return S_FALSE;
        for (const auto& p : paths) {
            if (const HResult hr = MoveToTrash(p); Failed(hr))
                return hr;
        }
        return S_OK;
    }
};

} // namespace

void SetFileClipboard(FileClipboard clipboard) {
    std::lock_guard lock(State().lock);
    State().installed = std::move(clipboard);
}

void PutOnFileClipboard(const FileClipboardContent& content) {
    std::function<void(const FileClipboardContent&)> set;
    {
        std::lock_guard lock(State().lock);
        set = State().installed.set;
        if (!set)
            State().local = content;
    }
    if (set)
        set(content);
}

FileClipboardContent FileClipboardNow() {
    std::function<FileClipboardContent()> get;
    {
        std::lock_guard lock(State().lock);
        get = State().installed.get;
        if (!get)
            return State().local;
    }
    return get();
}

void SetOpenHandler(OpenHandler handler) {
    std::lock_guard lock(State().lock);
    State().open = std::move(handler);
}

std::unique_ptr<IContextMenu> MakeFileContextMenu(std::vector<std::string> paths,
                                                  std::string folder) {
    return std::make_unique<TFileContextMenu>(std::move(paths), std::move(folder));
}

std::unique_ptr<IDropTarget> MakeFolderDropTarget(std::string folder) {
    return std::make_unique<TFolderDropTarget>(Folderish(std::move(folder)));
}

std::unique_ptr<IDropTarget> MakeTrashDropTarget() {
    return std::make_unique<TTrashDropTarget>();
}

std::uint32_t ChooseDropEffect(const std::vector<std::string>& paths, const std::string& folder,
                               std::uint32_t keyState, std::uint32_t allowed) {
    allowed &= kAllEffects;
    if (paths.empty() || allowed == DROPEFFECT_NONE)
        return DROPEFFECT_NONE;
    const std::string target = Folderish(folder);
    bool sameFileSystem = true;
    for (const auto& p : paths) {
        const std::string source = Folderish(p);
        // Onto itself or into its own subtree: refused, as nothing sensible can happen.
        if (target.compare(0, source.size(), source) == 0)
            return DROPEFFECT_NONE;
        sameFileSystem = sameFileSystem && OnSameFileSystem(p, target);
        // Dropping an entry back into the folder it is in moves nothing.
        if (ParentFolderOf(p) == target && (keyState & (MK_CONTROL | MK_SHIFT | MK_ALT)) == 0)
            return DROPEFFECT_NONE;
    }
    std::uint32_t wanted;
    const bool ctrl = (keyState & MK_CONTROL) != 0;
    const bool shift = (keyState & MK_SHIFT) != 0;
    if ((ctrl && shift) || (keyState & MK_ALT) != 0)
        wanted = DROPEFFECT_LINK;
    else if (ctrl)
        wanted = DROPEFFECT_COPY;
    else if (shift)
        wanted = DROPEFFECT_MOVE;
    else
        wanted = sameFileSystem ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
    if ((allowed & wanted) != 0)
        return wanted;
    // The source does not allow what the keys ask for: fall back in the usual order.
    for (const std::uint32_t e : {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK}) {
        if ((allowed & e) != 0)
            return e;
    }
    return DROPEFFECT_NONE;
}

} // namespace platform::shellns
