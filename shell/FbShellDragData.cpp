#include "shell/FbShellDragData.h"

#include "platform/StrFormat.h"
#include "platform/shellns/FileUri.h"
#include "platform/shellns/ShellTypes.h"

#include <cstring>
#include <limits>

#include <QMimeData>

namespace sh = platform::shellns;

namespace {

void AppendUInt32(QByteArray& block, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        block.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint32_t ReadUInt32(const QByteArray& block, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(block[at + i])) << (8 * i);
    return value;
}

// The length of the item list starting at `start`, terminator included; 0 when its items
// run past the end of the block before a terminator is found.
std::size_t ListLengthAt(const QByteArray& block, std::size_t start) {
    const auto size = static_cast<std::size_t>(block.size());
    std::size_t at = start;
    while (at + sh::kTerminatorSize <= size) {
        const std::size_t itemSize =
            static_cast<std::uint8_t>(block[at]) |
            (static_cast<std::size_t>(static_cast<std::uint8_t>(block[at + 1])) << 8);
        if (itemSize == 0)
            return at + sh::kTerminatorSize - start;
        if (itemSize < sh::kMinItemSize || itemSize > size - at)
            return 0;
        at += itemSize;
    }
    return 0;
}

// A copy of the list at `offset`, or an explanation of why there is none.
std::string TakeListAt(const QByteArray& block, std::size_t offset, const char* what,
                       sh::UniqueIdList& list) {
    const std::size_t length = ListLengthAt(block, offset);
    if (length == 0)
        return Format("the %s at offset %zu does not end inside the %lld-byte block", what, offset,
                      static_cast<long long>(block.size()));
    const char* start = block.constData() + offset;
    if (std::string problem = sh::ValidateIdListBytes(start, length); !problem.empty())
        return Format("the %s at offset %zu: %s", what, offset, problem.c_str());
    list.reset(sh::IdListClone(reinterpret_cast<PCItemIDList>(start)));
    if (!list)
        return "no memory for the item lists of the dropped items";
    return {};
}

} // namespace

QByteArray BuildIdListArray(PCItemIDList parent, const std::vector<PCItemIDList>& items) {
    std::vector<std::size_t> sizes;
    sizes.push_back(sh::IdListSize(parent) != 0 ? sh::IdListSize(parent) : sh::kTerminatorSize);
    for (PCItemIDList item : items)
        sizes.push_back(sh::IdListSize(item) != 0 ? sh::IdListSize(item) : sh::kTerminatorSize);
    QByteArray block;
    AppendUInt32(block, static_cast<std::uint32_t>(items.size()));
    std::size_t offset = kIdArrayCountSize + kIdArrayOffsetSize * sizes.size();
    for (std::size_t size : sizes) {
        AppendUInt32(block, static_cast<std::uint32_t>(offset));
        offset += size;
    }
    const auto appendList = [&block](PCItemIDList list) {
        if (list == nullptr)
            block.append(static_cast<char>(0)).append(static_cast<char>(0)); // the desktop
        else
            block.append(reinterpret_cast<const char*>(list),
                         static_cast<qsizetype>(sh::IdListSize(list)));
    };
    appendList(parent);
    for (PCItemIDList item : items)
        appendList(item);
    return block;
}

std::string ParseIdListArray(const QByteArray& bytes, TFbIdListArrayContent& result) {
    result = {};
    TFbIdListArrayContent content; // handed over only whole
    const auto size = static_cast<std::size_t>(bytes.size());
    if (size < kIdArrayCountSize + kIdArrayOffsetSize)
        return Format("an item-list array of at least %zu bytes, found %zu",
                      kIdArrayCountSize + kIdArrayOffsetSize, size);
    const std::uint32_t count = ReadUInt32(bytes, 0);
    // The offsets must fit in the block before anything is allocated for them.
    const std::size_t maxCount = (size - kIdArrayCountSize) / kIdArrayOffsetSize - 1;
    if (count > maxCount)
        return Format("at most %zu items in a %zu-byte item-list array, found a count of %u",
                      maxCount, size, count);
    const std::size_t headerSize = kIdArrayCountSize + kIdArrayOffsetSize * (count + 1);
    for (std::uint32_t i = 0; i <= count; ++i) {
        const std::size_t offset = ReadUInt32(bytes, kIdArrayCountSize + kIdArrayOffsetSize * i);
        if (offset < headerSize || offset >= size)
            return Format("offset %u between %zu and %zu, found %zu", i, headerSize, size - 1,
                          offset);
        sh::UniqueIdList list;
        if (std::string problem = TakeListAt(bytes, offset, i == 0 ? "parent list" : "item", list);
            !problem.empty())
            return problem;
        if (i == 0)
            content.parent = std::move(list);
        else
            content.items.push_back(std::move(list));
    }
    result = std::move(content);
    return {};
}

std::uint32_t CommonItemEffects(const ShellFolderPtr& folder,
                                const std::vector<PCItemIDList>& items) {
    if (!folder || items.empty())
        return kAllDropEffects;
    std::uint32_t attributes = sh::SFGAO_CANCOPY | sh::SFGAO_CANMOVE | sh::SFGAO_CANLINK;
    if (sh::Failed(
            folder->GetAttributesOf(static_cast<int>(items.size()), items.data(), attributes)))
        return kAllDropEffects;
    // The attribute bits and the effect bits are the same three bits.
    return attributes & kAllDropEffects;
}

QMimeData* MakeShellDragData(PCItemIDList parentList, const ShellFolderPtr& folder,
                             const std::vector<PCItemIDList>& items) {
    auto* data = new QMimeData;
    data->setData(kShellIdListArrayFormat, BuildIdListArray(parentList, items));
    std::vector<std::string> paths;
    for (PCItemIDList item : items) {
        std::string path = DisplayNameOf(folder, item, dnkForParsing);
        // Virtual items have no path; a file manager has nothing to do with them.
        if (!path.empty() && path.front() == '/')
            paths.push_back(std::move(path));
    }
    // Encoded here rather than through QUrl, which keeps only what is valid UTF-8.
    if (!paths.empty())
        data->setData(sh::kUriListMimeType, QByteArray::fromStdString(sh::UriListOf(paths)));
    return data;
}

std::uint32_t EffectsAllowedByData(const QMimeData* data) {
    if (data == nullptr || !data->hasFormat(kShellIdListArrayFormat))
        return kAllDropEffects;
    TFbIdListArrayContent content;
    if (!ParseIdListArray(data->data(kShellIdListArrayFormat), content).empty())
        return sh::DROPEFFECT_NONE;
    ShellFolderPtr folder;
    if (sh::Failed(BindToFolder(content.parent.get(), folder)))
        return kAllDropEffects;
    std::vector<PCItemIDList> items;
    for (const auto& item : content.items)
        items.push_back(item.get());
    return CommonItemEffects(folder, items);
}

std::vector<std::string> DroppedPaths(const QMimeData* data) {
    if (data == nullptr || !data->hasFormat(sh::kUriListMimeType))
        return {};
    return sh::LocalPathsOfUriList(data->data(sh::kUriListMimeType).toStdString());
}

Qt::DropActions DropActionsOf(std::uint32_t effects) {
    Qt::DropActions actions;
    if ((effects & sh::DROPEFFECT_COPY) != 0)
        actions |= Qt::CopyAction;
    if ((effects & sh::DROPEFFECT_MOVE) != 0)
        actions |= Qt::MoveAction;
    if ((effects & sh::DROPEFFECT_LINK) != 0)
        actions |= Qt::LinkAction;
    return actions;
}

Qt::DropAction DropActionOf(std::uint32_t effect) {
    switch (effect & kAllDropEffects) {
    case sh::DROPEFFECT_COPY:
        return Qt::CopyAction;
    case sh::DROPEFFECT_MOVE:
        return Qt::MoveAction;
    case sh::DROPEFFECT_LINK:
        return Qt::LinkAction;
    default:
        return Qt::IgnoreAction;
    }
}

std::uint32_t EffectsOf(Qt::DropActions actions) {
    std::uint32_t effects = sh::DROPEFFECT_NONE;
    if (actions.testFlag(Qt::CopyAction))
        effects |= sh::DROPEFFECT_COPY;
    if (actions.testFlag(Qt::MoveAction))
        effects |= sh::DROPEFFECT_MOVE;
    if (actions.testFlag(Qt::LinkAction))
        effects |= sh::DROPEFFECT_LINK;
    return effects;
}

std::uint32_t DragKeyState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    std::uint32_t state = 0;
    if (modifiers.testFlag(Qt::ControlModifier))
        state |= sh::MK_CONTROL;
    if (modifiers.testFlag(Qt::ShiftModifier))
        state |= sh::MK_SHIFT;
    if (modifiers.testFlag(Qt::AltModifier))
        state |= sh::MK_ALT;
    if (buttons.testFlag(Qt::LeftButton))
        state |= sh::MK_LBUTTON;
    if (buttons.testFlag(Qt::RightButton))
        state |= sh::MK_RBUTTON;
    if (buttons.testFlag(Qt::MiddleButton))
        state |= sh::MK_MBUTTON;
    return state;
}
