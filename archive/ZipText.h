// Names and comments of archive entries as text the program can show: archives made on
// MS-DOS, OS/2 and old Windows hosts store them in the OEM code page (437), everything
// else is taken as stored; the program's strings are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum CodePageOpts { cpAuto, cpNone, cpOEM };

// Code page 437 to UTF-8. Bytes below 0x80 are ASCII in both and stay as they are.
std::string OemToUtf8(std::string_view text);

// Whether an entry's name and comment are to be converted from the OEM code page.
// `versionMadeBy` is the central record's byte 4, `hostSystem` its byte 5.
bool NeedsOemConversion(CodePageOpts codePage, std::uint8_t versionMadeBy, std::uint8_t hostSystem,
                        std::uint16_t flags);

// An entry's comment (or any stored text) as the program shows it.
std::string EntryText(std::string_view stored, bool convert);

// An entry's name as the program shows it: converted like any text, with "/" as the only
// folder delimiter. Archives from DOS and Windows tools may use "\" instead; both are one
// delimiter to the archive's maker, so both become "/".
std::string EntryName(std::string_view stored, bool convert);
