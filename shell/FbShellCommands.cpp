#include "shell/FbShellCommands.h"

#include "gui/Application.h"
#include "gui/MessageBox.h"
#include "shell/FbShellTypes.h"

#include <memory>

#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>

namespace sh = platform::shellns;

namespace {

struct TKeyTableEntry {
    const char* shortcut;
    TFbKeyCommand command;
};

// The shortcuts are kept as the texts a user reads in a menu, so the table says what it
// does at a glance.
constexpr TKeyTableEntry kDefaultKeyTable[] = {
    {"Ctrl+A", kcSelectAll}, {"Del", kcDelete}, {"Ctrl+C", kcCopy}, {"Ctrl+X", kcCut},
    {"Ctrl+V", kcPaste},     {"F5", kcRefresh}, {"F2", kcRename},
};

struct TVerbCaption {
    const char* verb;
    const char* caption;
};

constexpr TVerbCaption kVerbCaptions[] = {
    {"open", "&Open"},   {"cut", "Cu&t"},       {"copy", "&Copy"},
    {"paste", "&Paste"}, {"delete", "&Delete"}, {"rename", "Rena&me"},
};

QString CaptionOf(const std::string& verb) {
    for (const auto& [v, caption] : kVerbCaptions) {
        if (verb == v)
            return caption;
    }
    return QString::fromStdString(verb);
}

std::unique_ptr<sh::IContextMenu> MenuOf(const ShellFolderPtr& folder,
                                         const std::vector<PCItemIDList>& items) {
    std::unique_ptr<sh::IContextMenu> menu;
    if (!folder)
        return menu;
    const HResult hr = folder->GetContextMenu(static_cast<int>(items.size()),
                                              items.empty() ? nullptr : items.data(), menu);
    if (sh::Failed(hr))
        menu.reset();
    return menu;
}

// What a failed verb says; a file nothing is set up to open is named.
std::string FailureText(HResult hr, const ShellFolderPtr& folder,
                        const std::vector<PCItemIDList>& items) {
    if (hr == sh::E_NO_ASSOCIATION && items.size() == 1)
        return "No application is set up to open \u201C" +
               DisplayNameOf(folder, items.front(), dnkInFolder) + "\u201D.";
    return sh::SystemErrorText(hr);
}

bool Report(HResult hr, const ShellFolderPtr& folder = nullptr,
            const std::vector<PCItemIDList>& items = {}) {
    if (sh::Succeeded(hr))
        return true;
    ShowMessageBox(FailureText(hr, folder, items), Application().Title(), MB_OK | MB_ICONERROR,
                   Application().MainForm());
    return false;
}

} // namespace

EFbShellError::EFbShellError(HResult code) : Exception(sh::SystemErrorText(code)), FCode(code) {
}

void CheckShell(HResult code) {
    if (sh::Failed(code))
        throw EFbShellError(code);
}

TFbKeyCommand DefaultKeyCommand(const QKeyEvent* event) {
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (event->key() == Qt::Key_Delete && mods == Qt::ShiftModifier)
        return kcDelete;
    static const std::vector<std::pair<QKeyCombination, TFbKeyCommand>> table = [] {
        std::vector<std::pair<QKeyCombination, TFbKeyCommand>> parsed;
        for (const auto& entry : kDefaultKeyTable) {
            const QKeySequence sequence(QString::fromLatin1(entry.shortcut),
                                        QKeySequence::PortableText);
            if (!sequence.isEmpty())
                parsed.emplace_back(sequence[0], entry.command);
        }
        return parsed;
    }();
    const QKeyCombination pressed(mods, static_cast<Qt::Key>(event->key()));
    for (const auto& [combination, command] : table) {
        if (combination == pressed)
            return command;
    }
    return kcNone;
}

bool InvokeShellVerb(const ShellFolderPtr& folder, const std::vector<PCItemIDList>& items,
                     const char* verb) {
    const auto menu = MenuOf(folder, items);
    if (!menu)
        return false;
    return Report(menu->InvokeCommand(verb), folder, items);
}

bool InvokeDefaultVerb(const ShellFolderPtr& folder, const std::vector<PCItemIDList>& items) {
    const auto menu = MenuOf(folder, items);
    if (!menu)
        return false;
    const std::vector<std::string> verbs = menu->Verbs();
    if (verbs.empty())
        return false;
    return Report(menu->InvokeCommand(verbs.front()), folder, items);
}

std::string PopupShellContextMenu(QWidget* owner, const ShellFolderPtr& folder,
                                  const std::vector<PCItemIDList>& items, const QPoint& globalPos) {
    const auto menu = MenuOf(folder, items);
    if (!menu)
        return {};
    const std::vector<std::string> verbs = menu->Verbs();
    if (verbs.empty())
        return {};
    QMenu popup(owner);
    for (const std::string& verb : verbs) {
        QAction* action = popup.addAction(CaptionOf(verb));
        action->setData(QString::fromStdString(verb));
    }
    popup.setDefaultAction(popup.actions().front());
    const QAction* chosen = popup.exec(globalPos);
    if (chosen == nullptr)
        return {};
    const std::string verb = chosen->data().toString().toStdString();
    Report(menu->InvokeCommand(verb), folder, items);
    return verb;
}
