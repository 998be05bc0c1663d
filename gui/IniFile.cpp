#include "gui/IniFile.h"

#include "gui/Exceptions.h"
#include "platform/Profile.h"
#include "platform/StrFormat.h"
#include "platform/StrToInt.h"

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
    return platform::ReadProfileString(FFileName, section, key, defaultValue);
}

std::int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key,
                                   std::int32_t defaultValue) const {
    return StrToIntDef(ReadString(section, key, ""), defaultValue);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key,
                        bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    if (!platform::WriteProfileString(FFileName, section, key, value))
        RaiseWriteError();
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key,
                            std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::SectionExists(const std::string& section) const {
    return platform::ProfileSectionExists(FFileName, section);
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    if (!platform::DeleteProfileKey(FFileName, section, key))
        RaiseWriteError();
}

void TIniFile::EraseSection(const std::string& section) {
    if (!platform::DeleteProfileSection(FFileName, section))
        RaiseWriteError();
}

void TIniFile::RaiseWriteError() const {
    throw EIniFileException(Format("Unable to write to %s", FFileName.c_str()));
}
