// The program's own texts for the archive component's message IDs, in English.
#pragma once

#include "archive/ZipStrings.h"

// A text for every message ID of the component that users can meet; an ID without one
// (an engine's item names, 11400 and up) shows the fallback text with its number.
TZipStringTable ZipMessageTexts();
