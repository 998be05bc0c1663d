// The program's message texts by ID, the counterpart of a linked string table. The viewer
// links none, so every lookup answers empty and users see the fallback text with the ID;
// a program that ships texts (or a translation) links its table here once at start-up.
#pragma once

#include <map>
#include <string>

using TZipStringTable = std::map<int, std::string>;

// The linked text for `id`, empty when there is none.
std::string ZipResourceString(int id);

// Replaces the linked table; answers the one it replaced.
TZipStringTable LinkZipStrings(TZipStringTable table);
