// An INI-file object bound to one path. Every call reads or writes the file itself; there
// is no cache, so what a write answers is what is on disk.
#pragma once

#include <cstdint>
#include <string>

class TIniFile {
public:
    explicit TIniFile(std::string fileName) : FFileName(std::move(fileName)) {}

    const std::string& FileName() const { return FFileName; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    std::int32_t ReadInteger(const std::string& section, const std::string& key,
                             std::int32_t defaultValue) const;
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

    // Raise EIniFileException "Unable to write to <path>" when the file refuses the write.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

    bool SectionExists(const std::string& section) const;
    void DeleteKey(const std::string& section, const std::string& key);
    void EraseSection(const std::string& section);

    // Writes are never cached, so there is nothing to flush; kept for callers that flush
    // before letting go of the object.
    void UpdateFile() {}

private:
    [[noreturn]] void RaiseWriteError() const;

    std::string FFileName;
};
