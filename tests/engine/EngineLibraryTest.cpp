// The library as a loader sees it: the three entry points by name, and the small
// libraries built to stand for a missing or unfit engine.
#include "engine/UnzEngineAbi.h"

#include <dlfcn.h>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string BinFolder() {
    return std::filesystem::canonical("/proc/self/exe").parent_path().string() + "/";
}

struct TLoaded {
    explicit TLoaded(const std::string& path)
        : Handle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~TLoaded() {
        if (Handle)
            dlclose(Handle);
    }
    template <typename T> T Get(const char* name) const {
        return reinterpret_cast<T>(dlsym(Handle, name));
    }
    void* Handle;
};

TEST(EngineLibrary, ExportsTheContractsEntryPoints) {
    TLoaded lib(BinFolder() + "libunzengine.so");
    ASSERT_NE(lib.Handle, nullptr) << dlerror();
    auto version = lib.Get<TUnzVersionProc>("GetUnzEngineVersion");
    auto priv = lib.Get<TUnzVersionProc>("GetUnzEnginePrivVersion");
    auto exec = lib.Get<TUnzEngineExecProc>("UnzEngineExec");
    ASSERT_TRUE(version && priv && exec);
    EXPECT_GE(version(), 172);
    EXPECT_LE(version(), 300);
    EXPECT_GT(priv(), 0);
    EXPECT_LT(exec(nullptr), 0);
}

TEST(EngineLibrary, StandInLibrariesAnswerTheirVersions) {
    struct {
        const char* Folder;
        bool HasVersion;
        int32_t Version;
    } cases[] = {{"v152", true, 152},    {"v153", true, 153}, {"v171", true, 171},
                 {"v172", true, 172},    {"v300", true, 300}, {"v301", true, 301},
                 {"noversion", false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Folder);
        TLoaded lib(BinFolder() + "test-engines/" + c.Folder + "/libunzengine.so");
        ASSERT_NE(lib.Handle, nullptr) << dlerror();
        EXPECT_NE(lib.Get<TUnzEngineExecProc>("UnzEngineExec"), nullptr);
        auto version = lib.Get<TUnzVersionProc>("GetUnzEngineVersion");
        ASSERT_EQ(version != nullptr, c.HasVersion);
        if (version) {
            EXPECT_EQ(version(), c.Version);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(BinFolder() + "test-engines/missing/libunzengine.so"));
}

} // namespace
