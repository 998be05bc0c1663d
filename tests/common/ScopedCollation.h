// Orders text by another locale's collation (LC_COLLATE) for as long as the object lives,
// then puts the previous one back. The locale is one compiled for the tests in the build
// folder, so the tests do not depend on the locales a machine has installed.
#pragma once

#include <string>

class ScopedCollation {
public:
    explicit ScopedCollation(const std::string& locale);
    ~ScopedCollation();
    ScopedCollation(const ScopedCollation&) = delete;
    ScopedCollation& operator=(const ScopedCollation&) = delete;

    // False when the locale could not be loaded; the collation is then unchanged.
    bool Active() const { return FActive; }

private:
    std::string FPrevious;
    bool FActive = false;
};
