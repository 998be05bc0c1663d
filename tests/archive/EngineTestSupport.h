// Helpers for the tests that run the engine library: where the test libraries are, what
// is mapped into the process, and the scripted stand-in engine's files.
#pragma once

#include "tests/common/TempDir.h"

#include <map>
#include <string>
#include <vector>

class TZipExtractor;

// The folder of the running test binary, ending with "/"; the engine is built there.
std::string BinFolder();
// A stand-in engine's folder: "v153", "noversion", "scripted"... (no trailing "/").
std::string StandInFolder(const std::string& name);
// Whether a library whose path contains `fragment` is mapped into the process now.
bool LibraryMapped(const std::string& fragment);
// Every file below `folder` as "relative/path" -> Digest(content), sorted.
std::map<std::string, std::string> FilesBelow(const std::string& folder);
// Size and CRC of `bytes`: what a failed comparison of two files needs to show.
std::string Digest(const std::string& bytes);

// One run of the scripted stand-in engine (tests/archive/ScriptedEngine.c): a small real
// archive for the component to accept, the script beside it, and what the engine wrote
// back: the command record it received and the answer to each callback.
class ScriptedArchive {
public:
    ScriptedArchive();
    const std::string& Path() const { return FArchive; }
    const TempDir& Dir() const { return FDir; }
    // Points `zip` at the archive and at the scripted engine.
    void Prepare(TZipExtractor& zip) const;
    void Script(const std::vector<std::string>& lines) const;
    // The record's fields by key; repeated keys ("spec") in order.
    std::vector<std::string> Field(const std::string& key) const;
    std::string One(const std::string& key) const;
    std::vector<std::string> Answers() const;

private:
    TempDir FDir;
    std::string FArchive;
};
