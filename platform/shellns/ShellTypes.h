// The constants and small records of the namespace operations: enumeration flags, the
// attribute bits, display-name flags, drop effects, key states, returned names and
// column details. The numbers are the ones the browser controls test and store.
#pragma once

#include "platform/shellns/ItemIdList.h"

#include <cstdint>
#include <string>

namespace platform::shellns {

// Enumeration flags.
inline constexpr std::uint32_t SHCONTF_FOLDERS = 0x20;
inline constexpr std::uint32_t SHCONTF_NONFOLDERS = 0x40;
inline constexpr std::uint32_t SHCONTF_INCLUDEHIDDEN = 0x80;

// Attribute bits.
inline constexpr std::uint32_t SFGAO_CANCOPY = 0x00000001;
inline constexpr std::uint32_t SFGAO_CANMOVE = 0x00000002;
inline constexpr std::uint32_t SFGAO_CANLINK = 0x00000004;
inline constexpr std::uint32_t SFGAO_CANRENAME = 0x00000010;
inline constexpr std::uint32_t SFGAO_CANDELETE = 0x00000020;
inline constexpr std::uint32_t SFGAO_DROPTARGET = 0x00000100;
inline constexpr std::uint32_t SFGAO_LINK = 0x00010000;
inline constexpr std::uint32_t SFGAO_SHARE = 0x00020000;
inline constexpr std::uint32_t SFGAO_READONLY = 0x00040000;
inline constexpr std::uint32_t SFGAO_GHOSTED = 0x00080000;
inline constexpr std::uint32_t SFGAO_HIDDEN = 0x00080000;
inline constexpr std::uint32_t SFGAO_VALIDATE = 0x01000000;
inline constexpr std::uint32_t SFGAO_REMOVABLE = 0x02000000;
inline constexpr std::uint32_t SFGAO_FILESYSANCESTOR = 0x10000000;
inline constexpr std::uint32_t SFGAO_FOLDER = 0x20000000;
inline constexpr std::uint32_t SFGAO_FILESYSTEM = 0x40000000;
inline constexpr std::uint32_t SFGAO_HASSUBFOLDER = 0x80000000;

// The masks the controls ask with.
inline constexpr std::uint32_t kTreeAttributeMask = 0xF20B0000;
inline constexpr std::uint32_t kListAttributeMask = 0x720B0000;
inline constexpr std::uint32_t kListDetailsAttributeMask = 0x700F0037;

// Display-name flags.
inline constexpr std::uint32_t SHGDN_NORMAL = 0x0000;
inline constexpr std::uint32_t SHGDN_INFOLDER = 0x0001;
inline constexpr std::uint32_t SHGDN_FOREDITING = 0x1000;
inline constexpr std::uint32_t SHGDN_FORPARSING = 0x8000;

// Drop effects.
inline constexpr std::uint32_t DROPEFFECT_NONE = 0;
inline constexpr std::uint32_t DROPEFFECT_COPY = 1;
inline constexpr std::uint32_t DROPEFFECT_MOVE = 2;
inline constexpr std::uint32_t DROPEFFECT_LINK = 4;
inline constexpr std::uint32_t DROPEFFECT_SCROLL = 0x80000000;

// Key and button state during a drag.
inline constexpr std::uint32_t MK_LBUTTON = 0x01;
inline constexpr std::uint32_t MK_RBUTTON = 0x02;
inline constexpr std::uint32_t MK_SHIFT = 0x04;
inline constexpr std::uint32_t MK_CONTROL = 0x08;
inline constexpr std::uint32_t MK_MBUTTON = 0x10;
inline constexpr std::uint32_t MK_ALT = 0x20;

// Column alignment in ShellDetails::fmt.
inline constexpr int LVCFMT_LEFT = 0;
inline constexpr int LVCFMT_RIGHT = 1;
inline constexpr int LVCFMT_CENTER = 2;

// A name returned by a folder, in one of three forms: allocated text (free it with
// TaskFree after use), an offset of a zero-terminated name inside the item the name was
// asked for, or a short inline text. DisplayNameOf (shell/) accepts all three.
inline constexpr std::size_t kStrRetInlineSize = 260;
struct StrRet {
    enum Type : std::uint32_t { kAllocated = 0, kOffset = 1, kInline = 2 };
    Type uType = kInline;
    char* pOleStr = nullptr;
    std::uint32_t uOffset = 0;
    char cStr[kStrRetInlineSize] = {};
};

// Fills `out` with allocated text; false when it cannot be had.
bool SetStrRet(StrRet& out, const std::string& text);
// Takes the text out of `ret` (freeing allocated text); `item` is the item it was asked
// for, used by the offset form. An offset outside the item yields false.
bool StrRetToString(StrRet& ret, PCItemIDList item, std::string& text);

// One column's text for an item, or its header when asked without an item.
struct ShellDetails {
    int fmt = LVCFMT_LEFT;
    int cxChar = 0; // width in characters
    std::string text;
};

} // namespace platform::shellns
