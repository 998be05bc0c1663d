// The program's message texts by ID, the counterpart of a linked string table. The table
// starts as the program's own English texts (ZipMessageTexts); a translation replaces it
// once at start-up. An ID the table has no text for shows the fallback text with the ID.
#pragma once

#include <map>
#include <string>

using TZipStringTable = std::map<int, std::string>;

// The linked text for `id`, empty when there is none.
std::string ZipResourceString(int id);

// Replaces the linked table; answers the one it replaced.
TZipStringTable LinkZipStrings(TZipStringTable table);
