// Names as a file manager treats them: ordered the way people read them ("file2" before
// "file10", case ignored), and shown as valid UTF-8 even when the bytes on disk are not.
#pragma once

#include <string>
#include <string_view>

namespace platform::shellns {

// Negative, 0 or positive. Digit runs compare by value, the text between them by the
// user's collation (LC_COLLATE) with ASCII case ignored, so "é café" sorts among the e's
// where the locale says so; names that still tie are ordered by their bytes, so only
// identical names are 0.
int CompareNamesNaturally(std::string_view a, std::string_view b);

// `path` made clean: "//" and "." dropped, ".." taken back lexically, no trailing "/"
// (except for "/" itself); false for a relative path, one with a zero byte or one longer
// than the system allows.
bool NormalizeAbsolutePath(std::string_view path, std::string& out);

bool IsValidUtf8(std::string_view text);
// The length of the valid UTF-8 sequence that starts at text[at]; 0 for a stray byte
// (one that starts no sequence, or starts one that the bytes after it do not finish).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);
// `text` with every byte that is not part of a valid UTF-8 sequence replaced by U+FFFD.
std::string ToDisplayUtf8(std::string_view text);
// A name as a list or tree shows it: ToDisplayUtf8, and control characters (a line break
// cuts a row's text short, a tab or escape shows nothing) replaced by their visible
// symbols, "new\nline" showing as "new␊line". For display only: the name on disk is
// the item's own bytes.
bool IsVisibleName(std::string_view name);
std::string ToVisibleName(std::string_view name);

// The name on disk for `edited`, text the user typed over ToDisplayUtf8(original): what
// the user left untouched at either end keeps the original's bytes, so renaming
// "caf\xE9.jib" to "caf\uFFFD (old).jib" gives "caf\xE9 (old).jib", and an edit that
// changes nothing gives `original` back. A name that is valid UTF-8 gives `edited`.
std::string NameFromEdit(std::string_view original, std::string_view edited);

} // namespace platform::shellns
