// One UnzEngineExec call: selects the members the specs name, and extracts (or tests)
// each under the record's options, talking to the caller through the callback.
#pragma once

#include "engine/CallbackChannel.h"
#include "engine/CentralDirectory.h"
#include "engine/OutputFile.h"
#include "engine/UnzEngineAbi.h"

#include <memory>
#include <string>
#include <vector>

namespace unz {

class TArchiveFile;
class TMemberError;
struct TMemberLayout;

class TExtractionRun {
public:
    explicit TExtractionRun(const TUnzCommandRecord& command);
    ~TExtractionRun();

    // The number of members handled, or -1 when the archive cannot be used at all.
    // Never throws.
    int32_t Run();

private:
    int32_t RunChecked();
    void CheckOptions() const;
    std::vector<const TMember*> SelectMembers();
    void ProcessMember(const TMember& member);
    void ExtractFile(const TMember& member, const std::string& name, const std::string& leaf,
                     const TDirHandle& folder, const TMemberLayout& layout);
    bool MayWrite(const TMember& member, const std::string& name, const TDirHandle& folder,
                  const std::string& leaf);
    std::string FindPassword(const TMember& member, const TMemberLayout& layout,
                             const std::string& name);
    void ReportSkipped(const std::string& name, int32_t code, UnZipSkipTypes type,
                       const std::string& text);
    void Verbose(const std::string& text);
    void Trace(const std::string& text);

    const TUnzCommandRecord& FCommand;
    TCallbackChannel FChannel;
    std::unique_ptr<TArchiveFile> FArchive;
    TArchiveDirectory FDirectory;
    TDirHandle FTarget;
    std::vector<std::string> FPasswords; // passwords that fitted earlier members
    bool FNoMorePasswordRequests = false;
    int32_t FHandled = 0;
};

} // namespace unz
