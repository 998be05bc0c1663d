// What the archive reader needs to know about the volume that holds an archive: where it
// is mounted, whether it stays put (fixed, network and RAM volumes) or its media can be
// changed (removable and optical ones), its label, and its size and free space.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct TDriveDetails {
    std::string Root; // the mount point, ending with "/"
    bool Fixed = true;
    bool Usable = true; // the volume answered a query for its size
    std::string Label;  // removable volumes only; empty when it has none
    std::uint64_t Size = 0;
    std::uint64_t Free = 0;
};

// Looks the details up for the volume holding `path`. Tests replace the probe to stand
// in for removable media.
using TDriveProbe = std::function<TDriveDetails(const std::string& path)>;

// The real probe: the mount table and the file system's own answers.
TDriveDetails ProbeDrive(const std::string& path);
