// Sets one environment variable for as long as the object lives, then puts back what was
// there (or removes it).
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value) : FName(std::move(name)) {
        if (const char* old = std::getenv(FName.c_str()))
            FOld = old;
        setenv(FName.c_str(), value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (FOld)
            setenv(FName.c_str(), FOld->c_str(), 1);
        else
            unsetenv(FName.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string FName;
    std::optional<std::string> FOld;
};
