// The self-extractor settings the archive component carries. No operation of this program
// builds a self-extracting archive; the values are kept so that a linked self-extractor
// component (the "slave") and the archive component agree on them.
#pragma once

#include "archive/ZipOptions.h"

#include <string>

#include <QIcon>

struct TSFXSettings {
    std::string Caption = "Self-extracting Archive";
    std::string CommandLine;
    std::string DefaultDir;
    QIcon Icon;
    std::string Message;
    SFXOpts Options = SFXCheckSize;
    OvrOpts OverWriteMode = OvrConfirm;
    std::string Path = "SFXSTUB.BIN";
};

// A self-extractor component: linked to an archive component, it holds the settings that
// the archive component's SFX properties read and write.
class TZipSFX {
public:
    TSFXSettings& Settings() { return FSettings; }
    const TSFXSettings& Settings() const { return FSettings; }

private:
    TSFXSettings FSettings;
};
