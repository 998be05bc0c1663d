// Helpers for the archive tests: running Info-ZIP, building archives byte by byte for the
// damaged cases, streams that answer in tiny pieces, and a log of OnMessage calls.
#pragma once

#include "archive/ZipExtractor.h"
#include "archive/ZipStrings.h"

#include <cstdint>
#include <string>
#include <vector>

class TempDir;

// What a report of `id` without arguments shows: the program's text for it.
std::string MessageText(int id);

// What the user sees for an ID without linked text, as ReportException shows it...
std::string FallbackText(int id);
// ...and as ReportError shows it (a blank, then the extra text).
std::string FallbackErrorText(int id, const std::string& extra = {});

// Links a table of texts (none, say) for the length of a test.
class LinkedTexts {
public:
    explicit LinkedTexts(TZipStringTable table);
    ~LinkedTexts();
    LinkedTexts(const LinkedTexts&) = delete;
    LinkedTexts& operator=(const LinkedTexts&) = delete;

private:
    TZipStringTable FPrevious;
};

// Runs a shell command in `folder`; answers its exit status.
int RunIn(const std::string& folder, const std::string& command);
// Runs Info-ZIP zip with `arguments` in `folder`; fails the test when zip fails.
void Zip(const std::string& folder, const std::string& arguments);
std::string ReadBytes(const std::string& path);
// Incompressible bytes, the same in every run.
std::string NoiseBytes(std::size_t size, std::uint32_t seed);
void WriteBytes(const std::string& path, const std::string& bytes);

// Every OnMessage call of one component, in order.
struct MessageEvent {
    int code;
    std::string text;
    int id; // the component's ErrCode as the event arrived: the ID of its own reports
};
class MessageLog {
public:
    explicit MessageLog(TZipExtractor& zip);
    const std::vector<MessageEvent>& Events() const { return FEvents; }
    std::vector<int> Codes() const;
    // The IDs reported, whichever routine reported them (ReportError passes 0 as the
    // code, but has set ErrCode to the ID by then).
    std::vector<int> Ids() const;

private:
    std::vector<MessageEvent> FEvents;
};

// A stream over a volume file that never answers more than `step` bytes per read.
TVolumeOpener TrickleOpener(std::size_t step);

// ---- Archives built byte by byte -----------------------------------------------------

struct FixtureEntry {
    std::string name;
    std::string data; // stored as it is (method 0)
    std::string extra;
    std::string comment;
    std::uint16_t flags = 0;
    std::uint8_t version = 20;
    std::uint8_t host = 0;       // MS-DOS
    bool dataDescriptor = false; // sizes after the data, local header sizes 0
    bool descriptorSignature = true;
};

struct FixtureArchive {
    std::string prefix; // bytes in front of the archive (a stub)
    bool offsetsCountPrefix = true;
    std::vector<FixtureEntry> entries;
    std::string comment;
    std::string suffix; // bytes after the comment
};

// A stored member, and an archive of members, with everything else at its default.
FixtureEntry Member(std::string name, std::string data = {}, std::string comment = {});
FixtureArchive Archive(std::vector<FixtureEntry> entries, std::string comment = {});

struct FixtureLayout {
    std::string bytes;
    std::size_t centralStart = 0;
    std::size_t endRecord = 0;
};

FixtureLayout BuildZip(const FixtureArchive& archive);

void Put16At(std::string& bytes, std::size_t at, std::uint16_t value);
void Put32At(std::string& bytes, std::size_t at, std::uint32_t value);
std::uint32_t Crc32Of(const std::string& data);
