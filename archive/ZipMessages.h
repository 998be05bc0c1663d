// The archive component's message IDs. Every failure, warning and prompt of the component
// is named by one of these numbers; the number is what a user quotes in a bug report and
// what `ErrCode` and `OnMessage` carry, so the values are fixed for good.
#pragma once

namespace zm {

// Component and extraction.
inline constexpr int EngineFatal = 10101;      // the engine answered a negative result
inline constexpr int NoArchiveName = 10102;    // Extract without ZipFileName
inline constexpr int OutOfMemory = 10103;      // reading the directory or joining volumes
inline constexpr int PasswordMismatch = 10104; // the two entries of a new password differ
inline constexpr int Copying = 10105;          // progress text per member joined
inline constexpr int NewPasswordUnattended = 10150;
inline constexpr int PasswordUnattended = 10151;
inline constexpr int ButtonOK = 10152;
inline constexpr int ButtonCancel = 10153;
inline constexpr int PasswordTitle = 10154;
inline constexpr int PasswordPrompt = 10155;
inline constexpr int PasswordConfirm = 10156;
inline constexpr int ButtonCancelAll = 10157;
inline constexpr int ButtonAbort = 10158;
inline constexpr int ExtractFailed = 10501; // a foreign exception during Extract
inline constexpr int UnattendedNoPassword = 10502;
inline constexpr int NoExtractFolder = 10504; // ExtrBaseDir is not an existing folder
inline constexpr int EngineLoad = 10650;      // the engine library cannot be loaded
inline constexpr int EngineVersion = 10651;   // its version is outside what we accept
inline constexpr int EngineLoaded = 10652;    // verbose: "loaded "
inline constexpr int EngineUnloaded = 10653;  // verbose: "unloaded "
inline constexpr int Cancelled = 11007;
inline constexpr int DiskUnattended = 11025; // a disk must be inserted while Unattended

// Directory reading.
inline constexpr int DirectorySeek = 10201;   // seek to the directory, or an extra field cut short
inline constexpr int DirectoryFailed = 10202; // any other exception while reading it
inline constexpr int DirectoryMisplaced = 10203; // warning: data in front of the archive
inline constexpr int TrailingBytes = 10204;      // warning: bytes after the end record
inline constexpr int CannotOpen = 11001;
inline constexpr int NoEntries = 11002;
inline constexpr int BadDriveRoot = 11003; // no drive letters here; kept for the numbering
inline constexpr int NoSuchDrive = 11004;  // likewise
inline constexpr int SeekFailed = 11008;
inline constexpr int TailRead = 11011;
inline constexpr int DirectoryPastLastVolume = 11013;
inline constexpr int CentralSignature = 11015;
inline constexpr int CentralNameShort = 11017;
inline constexpr int CommentShort = 11022;
inline constexpr int NoEndRecord = 11036;
inline constexpr int NoEndRecordFirstDisk = 11037;
inline constexpr int NoEndRecordDiskN = 11038;
inline constexpr int NoEndRecordSpanned = 11045;

// Joining volumes and disk prompts.
inline constexpr int CreateJoined = 11009;
inline constexpr int LocalHeaderShort = 11012;
inline constexpr int LocalSignature = 11014;
inline constexpr int LocalNameShort = 11016;
inline constexpr int LocalExtraCopy = 11018;
inline constexpr int CentralExtraCopy = 11019;
inline constexpr int DescriptorCopy = 11020;
inline constexpr int DataCopy = 11021;
inline constexpr int ArchiveCommentCopy = 11023;
inline constexpr int JoinFailed = 11024;
inline constexpr int NameNotInDirectory = 11026;
inline constexpr int NoTempName = 11027;
inline constexpr int WriteLocalHeader = 11028;
inline constexpr int WriteCentralRecord = 11029;
inline constexpr int WriteEndRecord = 11030;
inline constexpr int NoSpanMarker = 11031;
inline constexpr int InsertLastDisk = 11033;
inline constexpr int InsertDisk = 11034;
inline constexpr int InDrive = 11035;
inline constexpr int InsertDiskForWriting = 11046;
inline constexpr int EngineItemNameBase = 11400; // + an engine-supplied offset

} // namespace zm

// Texts that carry their own default: shown when no linked text replaces them.
inline constexpr const char* kDefaultCopyingText = "Copying: ";
inline constexpr const char* kDefaultInsertLastDiskText = "Please insert last disk in set";
inline constexpr const char* kDefaultInsertDiskText = "Please insert disk volume %.1d of %.1d";
// The drive line is a second line of the prompt; a Linux message box breaks lines on "\n".
inline constexpr const char* kDefaultInDriveText = "\nin drive: %s";
inline constexpr const char* kDefaultInsertDiskForWritingText = "Please insert disk volume %.1d";
inline constexpr const char* kDefaultEngineLoadedText = "loaded ";
inline constexpr const char* kDefaultEngineUnloadedText = "unloaded ";

// What a user sees for an ID whose text is not linked into the program (the viewer links
// none): this, then the ID. The name of the resource file stays as users know it.
inline constexpr const char* kMissingTextFallback =
    "ZipText.res is probably not linked to the executable\nMissing String ID is: ";
