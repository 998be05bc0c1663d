#include "tests/common/ScopedCollation.h"

#include "tests/common/ScopedEnv.h"

#include <clocale>

ScopedCollation::ScopedCollation(const std::string& locale) {
    if (const char* previous = std::setlocale(LC_COLLATE, nullptr))
        FPrevious = previous;
    // glibc looks for locales in LOCPATH when it is set; once loaded, one stays loaded.
    const ScopedEnv path("LOCPATH", JIB_TEST_LOCALE_DIR);
    FActive = std::setlocale(LC_COLLATE, locale.c_str()) != nullptr;
}

ScopedCollation::~ScopedCollation() {
    if (FActive)
        std::setlocale(LC_COLLATE, FPrevious.c_str());
}
