#include "tests/engine/EngineDriver.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

int32_t TEngineDriver::Callback(TUnzCallbackRecord* record) {
    auto* self = static_cast<TEngineDriver*>(record->Requester);
    self->Events.push_back({record->RequestCode & 0xFF, record->CodeValue, record->SizeValue,
                            std::string(record->TextBuffer)});
    return self->Answer ? self->Answer(*record) : 0;
}

int32_t TEngineDriver::Exec() {
    std::vector<TUnzSpecEntry> specs(Specs.size());
    for (size_t i = 0; i < Specs.size(); ++i)
        specs[i].Spec = Specs[i].c_str();
    TUnzCommandRecord cmd{};
    cmd.Requester = this;
    cmd.Version = UNZ_ENGINE_VERSION;
    cmd.Callback = &TEngineDriver::Callback;
    cmd.Password = Password.c_str();
    cmd.TestOnly = TestOnly ? -1 : 0;
    cmd.QuietFlag = -1;
    cmd.VerboseFlag = Verbose ? -1 : 0;
    cmd.UpdateOnly = Update ? -1 : 0;
    cmd.FreshenOnly = Freshen ? -1 : 0;
    cmd.UseDirNames = DirNames ? -1 : 0;
    cmd.OverwriteAll = Overwrite ? -1 : 0;
    cmd.SpecCount = static_cast<int32_t>(specs.size());
    cmd.ArchiveName = Archive.c_str();
    cmd.SpecList = specs.empty() ? nullptr : specs.data();
    cmd.PasswordRequests = PasswordRequests;
    cmd.ExtractBaseDir = BaseDir.empty() ? nullptr : BaseDir.c_str();
    cmd.EndMarker = UNZ_END_MARKER;
    Events.clear();
    return UnzEngineExec(&cmd);
}

std::vector<TCallbackEvent> TEngineDriver::Of(int action) const {
    std::vector<TCallbackEvent> out;
    std::copy_if(Events.begin(), Events.end(), std::back_inserter(out),
                 [action](const TCallbackEvent& e) { return e.Action == action; });
    return out;
}

std::vector<std::string> TEngineDriver::Errors() const {
    std::vector<std::string> out;
    for (const auto& e : Of(uaMessage))
        if (e.Code != 0)
            out.push_back(e.Text);
    return out;
}

std::vector<int> TEngineDriver::SkipTypes() const {
    std::vector<int> out;
    for (const auto& e : Of(uaSkipped))
        out.push_back((e.Size & 0xFF) - 1);
    return out;
}

int RunShell(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool UnzipTestPasses(const std::string& archive, const std::string& password) {
    std::string pw = password.empty() ? "" : "-P '" + password + "' ";
    return RunShell("unzip -tqq " + pw + "'" + archive + "' >/dev/null 2>&1") == 0;
}

std::vector<std::pair<std::string, std::string>> ListTree(const std::string& folder) {
    std::vector<std::pair<std::string, std::string>> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::string rel = fs::relative(it->path(), folder).string();
        if (it->is_symlink()) {
            out.emplace_back(rel, "-> " + fs::read_symlink(it->path()).string());
        } else if (it->is_regular_file()) {
            std::ifstream in(it->path(), std::ios::binary);
            std::stringstream s;
            s << in.rdbuf();
            out.emplace_back(rel, s.str());
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string MakeContent(size_t size, unsigned seed, bool compressible) {
    std::mt19937 rng(seed);
    std::string out;
    out.reserve(size);
    static const char* words[] = {"lumen ", "pix ", "layer ", "brush ", "canvas\n", "preview "};
    while (out.size() < size) {
        if (compressible)
            out += words[rng() % 6];
        else
            out += static_cast<char>(rng() & 0xFF);
    }
    out.resize(size);
    return out;
}
