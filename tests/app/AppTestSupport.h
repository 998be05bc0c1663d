// Fixtures shared by the app tests: the committed thumbnails and JIB files packed from
// them with Info-ZIP zip.
#pragma once

#include "tests/common/TempDir.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class TfrmJIBMain;

// Opens the main window the way the program does: created, registered as the application's
// main window, shown, then activated once (which fills the browser). Answers *form.
TfrmJIBMain& OpenMainForm(std::unique_ptr<TfrmJIBMain>& form);

// A file of tests/data/app/.
std::string Fixture(const std::string& name);

// Packs `members` (path in the archive → file to store) into dir/`archive` with Info-ZIP
// zip, storing each under its own name at the archive's root.
void MakeJib(const TempDir& dir, const std::string& archive,
             const std::vector<std::pair<std::string, std::string>>& members);
