// Fixtures shared by the app tests: the committed thumbnails and JIB files packed from
// them with Info-ZIP zip.
#pragma once

#include "tests/common/TempDir.h"

#include <string>
#include <utility>
#include <vector>

// A file of tests/data/app/.
std::string Fixture(const std::string& name);

// Packs `members` (path in the archive → file to store) into dir/`archive` with Info-ZIP
// zip, storing each under its own name at the archive's root.
void MakeJib(const TempDir& dir, const std::string& archive,
             const std::vector<std::pair<std::string, std::string>>& members);
