// The texts users read for the archive component's messages, linked into the program as
// its message table. A message carries at most one argument: the text of a raised message
// names it with %s (a path) or %d (a disk number); a reported message is followed by its
// extra text, so such a text ends where that extra text reads on. The texts that have
// always had a default of their own (disk prompts, progress, the loader's) are that default.
#include "archive/ZipMessageTexts.h"

#include "archive/ZipMessages.h"

TZipStringTable ZipMessageTexts() {
    return {
        // Extraction and the engine.
        {zm::EngineFatal, "The unzip engine stopped with an error and extracted nothing: "},
        {zm::NoArchiveName, "There is no archive to extract from: no archive file is set."},
        {zm::OutOfMemory, "There is not enough memory to read this archive."},
        {zm::PasswordMismatch, "The two passwords you entered are not the same."},
        {zm::Copying, kDefaultCopyingText},
        {zm::NewPasswordUnattended,
         "A new password is needed, but the program may not ask for one now."},
        {zm::PasswordUnattended,
         "A file in the archive is encrypted, but the program may not ask for its password "
         "now."},
        {zm::ButtonOK, "OK"},
        {zm::ButtonCancel, "Cancel"},
        {zm::PasswordTitle, "Password Required"},
        {zm::PasswordPrompt, "This file is encrypted. Password:"},
        {zm::PasswordConfirm, "Enter the same password again:"},
        {zm::ButtonCancelAll, "Cancel All"},
        {zm::ButtonAbort, "Abort"},
        {zm::ExtractFailed, "The extraction failed because of an unexpected error."},
        {zm::UnattendedNoPassword,
         "No password is set and none may be asked for: encrypted files are not extracted."},
        {zm::NoExtractFolder, "The folder to extract into does not exist:\n%s"},
        {zm::EngineLoad, "The unzip engine could not be loaded:\n%s"},
        {zm::EngineVersion, "The unzip engine is of a version this program cannot use:\n%s"},
        {zm::EngineLoaded, kDefaultEngineLoadedText},
        {zm::EngineUnloaded, kDefaultEngineUnloadedText},
        {zm::Cancelled, "The operation was cancelled."},
        {zm::DiskUnattended, "A disk must be inserted, but the program may not ask for it now."},

        // Reading the directory.
        {zm::DirectorySeek, "This archive is damaged: its directory could not be read."},
        {zm::DirectoryFailed, "The archive's directory could not be read: "},
        {zm::DirectoryMisplaced,
         "Other data stands in front of this archive. Its files can still be read."},
        {zm::TrailingBytes, "Other data follows the end of this archive. Its files can still be "
                            "read."},
        {zm::CannotOpen, "The archive file cannot be opened."},
        {zm::NoEntries,
         "The archive holds no files, or the parts of a split archive cannot be found."},
        {zm::BadDriveRoot, "The archive's drive is not valid:\n%s"},
        {zm::NoSuchDrive, "The archive's drive does not exist:\n%s"},
        {zm::SeekFailed, "The archive could not be read: moving within the file failed."},
        {zm::TailRead, "The archive could not be read: the end of the file is unreadable."},
        {zm::DirectoryPastLastVolume,
         "This archive is damaged: its directory runs past the end of the archive."},
        {zm::CentralSignature,
         "This archive is damaged: its directory does not hold a file record where one "
         "should be."},
        {zm::CentralNameShort, "This archive is damaged: a file name in its directory is cut "
                               "short."},
        {zm::CommentShort, "This archive is damaged: a file comment is cut short."},
        {zm::NoEndRecord, "This file is not a ZIP archive:\n%s"},
        {zm::NoEndRecordFirstDisk,
         "This is the first part of a split archive; its last part is needed to read "
         "it:\n%s"},
        {zm::NoEndRecordDiskN,
         "This file is not a whole ZIP archive: it looks like part %d of a split archive, "
         "whose last part is needed to read it."},
        {zm::NoEndRecordSpanned,
         "This is a part of a split archive, but not its last one, which is needed to read "
         "it:\n%s"},

        // Joining the parts of a split archive, and disk prompts.
        {zm::CreateJoined, "The joined copy of the split archive cannot be created."},
        {zm::LocalHeaderShort,
         "A part of the split archive is damaged: a file header is cut short."},
        {zm::LocalSignature,
         "A part of the split archive is damaged: it does not hold a file header where one "
         "should be."},
        {zm::LocalNameShort, "A part of the split archive is damaged: a file name is cut short."},
        {zm::LocalExtraCopy, "Copying a file's extra data from the parts of the archive failed."},
        {zm::CentralExtraCopy, "Copying extra data of the archive's directory failed."},
        {zm::DescriptorCopy, "Copying the sizes that follow a file's data failed."},
        {zm::DataCopy, "Copying a file's data from the parts of the archive failed."},
        {zm::ArchiveCommentCopy, "Copying the archive comment failed."},
        {zm::JoinFailed, "The parts of the split archive could not be joined: "},
        {zm::NameNotInDirectory, "A part of the split archive holds a file that its directory "
                                 "does not list."},
        {zm::NoTempName, "No name could be made for the joined copy of the archive."},
        {zm::WriteLocalHeader, "Writing a file header of the joined archive failed."},
        {zm::WriteCentralRecord, "Writing the directory of the joined archive failed."},
        {zm::WriteEndRecord, "Writing the end of the joined archive failed."},
        {zm::NoSpanMarker, "The first part of the split archive does not start as a split "
                           "archive does."},
        {zm::InsertLastDisk, kDefaultInsertLastDiskText},
        {zm::InsertDisk, kDefaultInsertDiskText},
        {zm::InDrive, kDefaultInDriveText},
        {zm::InsertDiskForWriting, kDefaultInsertDiskForWritingText},
    };
}
