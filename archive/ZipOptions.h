// The option sets and enumerations of the archive component. Members keep their names
// and their order (a member's bit is its position), so stored values stay comparable.
#pragma once

#include <QFlags>

enum ExtrOptsEnum {
    ExtrDirNames = 1 << 0,
    ExtrOverWrite = 1 << 1,
    ExtrFreshen = 1 << 2,
    ExtrUpdate = 1 << 3,
    ExtrTest = 1 << 4,
    ExtrForceDirs = 1 << 5,
};
Q_DECLARE_FLAGS(ExtrOpts, ExtrOptsEnum)
Q_DECLARE_OPERATORS_FOR_FLAGS(ExtrOpts)

enum AddOptsEnum {
    AddDirNames = 1 << 0,
    AddRecurseDirs = 1 << 1,
    AddMove = 1 << 2,
    AddFreshen = 1 << 3,
    AddUpdate = 1 << 4,
    AddZipTime = 1 << 5,
    AddForceDOS = 1 << 6,
    AddHiddenFiles = 1 << 7,
    AddArchiveOnly = 1 << 8,
    AddResetArchive = 1 << 9,
    AddEncrypt = 1 << 10,
    AddSeparateDirs = 1 << 11,
    AddVolume = 1 << 12,
    AddFromDate = 1 << 13,
    AddSafe = 1 << 14,
    AddForceDest = 1 << 15,
    AddDiskSpan = 1 << 16,
    AddDiskSpanErase = 1 << 17,
};
Q_DECLARE_FLAGS(AddOpts, AddOptsEnum)
Q_DECLARE_OPERATORS_FOR_FLAGS(AddOpts)

enum AddStoreSuffixEnum {
    assGIF = 1 << 0,
    assPNG = 1 << 1,
    assZ = 1 << 2,
    assZIP = 1 << 3,
    assZOO = 1 << 4,
    assARC = 1 << 5,
    assLZH = 1 << 6,
    assARJ = 1 << 7,
    assTAZ = 1 << 8,
    assTGZ = 1 << 9,
    assLHA = 1 << 10,
    assRAR = 1 << 11,
    assACE = 1 << 12,
    assCAB = 1 << 13,
    assGZ = 1 << 14,
    assGZIP = 1 << 15,
    assJAR = 1 << 16,
    assEXE = 1 << 17,
    assEXT = 1 << 18, // the suffixes of ExtAddStoreSuffixes
};
Q_DECLARE_FLAGS(AddStoreExts, AddStoreSuffixEnum)
Q_DECLARE_OPERATORS_FOR_FLAGS(AddStoreExts)

enum SpanOptsEnum {
    spNoVolumeName = 1 << 0,
    spCompatName = 1 << 1, // volumes named ".z01", ".z02", ... and ".zip" for the last
    spWipeFiles = 1 << 2,
    spTryFormat = 1 << 3,
};
Q_DECLARE_FLAGS(SpanOpts, SpanOptsEnum)
Q_DECLARE_OPERATORS_FOR_FLAGS(SpanOpts)

enum SFXOptsEnum {
    SFXAskCmdLine = 1 << 0,
    SFXAskFiles = 1 << 1,
    SFXAutoRun = 1 << 2,
    SFXHideOverWriteBox = 1 << 3,
    SFXCheckSize = 1 << 4,
    SFXNoSuccessMsg = 1 << 5,
};
Q_DECLARE_FLAGS(SFXOpts, SFXOptsEnum)
Q_DECLARE_OPERATORS_FOR_FLAGS(SFXOpts)

enum DeleteOpts { htdFinal, htdAllowUndo };
enum OvrOpts { OvrConfirm, OvrAlways, OvrNever };

enum ProgressType {
    ptNewItem,
    ptProgress,
    ptBatchEnd,
    ptTotalCount,
    ptTotalSize,
    ptNewItem2,
    ptProgress2,
};

enum TPasswordButton { pbOk, pbCancel, pbCancelAll, pbAbort };
