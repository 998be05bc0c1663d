#include "util/plkIni.h"

#include "gui/IniFile.h"
#include "platform/StrToInt.h"

std::int32_t IniReadInteger(const std::string& fileName, const std::string& section,
                            const std::string& key, std::int32_t defaultValue) {
    std::string text = IniReadString(fileName, section, key, "");
    // Settings edited by hand often carry C-style hex; the number reader knows only "$".
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.replace(0, 2, "$");
    return StrToIntDef(text, defaultValue);
}

std::string IniReadString(const std::string& fileName, const std::string& section,
                          const std::string& key, const std::string& defaultValue) {
    try {
        TIniFile ini(fileName);
        std::string value = ini.ReadString(section, key, defaultValue);
        return value.empty() ? defaultValue : value;
    } catch (...) {
        return defaultValue;
    }
}

bool IniWriteString(const std::string& fileName, const std::string& section,
                    const std::string& key, const std::string& value) {
    try {
        TIniFile ini(fileName);
        ini.WriteString(section, key, value);
        ini.UpdateFile();
        return true;
    } catch (...) {
        return false;
    }
}

bool IniWriteInteger(const std::string& fileName, const std::string& section,
                     const std::string& key, std::int32_t value) {
    return IniWriteString(fileName, section, key, std::to_string(value));
}
