/* The contract between the viewer's archive component and the unzip engine library
 * (libunzengine.so): the command record handed to UnzEngineExec, the file spec entries it
 * points to, and the callback record through which the engine reports and asks.
 *
 * This is the one header both sides include. It is plain C so that an engine written in
 * any language could implement it. Field order is fixed; addresses and handles are
 * pointer-sized and every other field is a 32-bit integer, so on a 32-bit build the
 * records are byte for byte the classic 148-byte command record and 540-byte callback
 * record, and on 64-bit they keep their order with natural alignment. The asserts at the
 * end pin both layouts.
 *
 * Flags are 32-bit integers: -1 (any non-zero) for true, 0 for false. Texts are
 * zero-terminated UTF-8. The engine keeps no pointer into the records after it returns.
 */
#ifndef JIB_ENGINE_UNZENGINEABI_H
#define JIB_ENGINE_UNZENGINEABI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The version this engine answers from GetUnzEngineVersion. Callers accept 153..300 and
 * need at least 172 to extract. */
#define UNZ_ENGINE_VERSION 180
/* A private build number, only read and kept by callers. */
#define UNZ_ENGINE_PRIV_VERSION 1800001
/* Last word of the command record; an engine refuses a record that does not end with it,
 * which catches a caller compiled against another layout. */
#define UNZ_END_MARKER 7
/* Size of the callback record's text buffer, terminator included. */
#define UNZ_TEXT_BUFFER_SIZE 512
/* Where the file-comment request puts the current comment inside the text buffer, and
 * where the extra-field request's pointer lives. */
#define UNZ_COMMENT_OFFSET 256
#define UNZ_EXTRA_POINTER_OFFSET 504

typedef struct TUnzCallbackRecord TUnzCallbackRecord;

/* Answers 0 to let the engine go on, -1 to ask it to stop. */
typedef int32_t (*TUnzCallback)(TUnzCallbackRecord* Record);

/* One member name or wildcard spec ("*" any run of characters, "?" one character). */
typedef struct TUnzSpecEntry {
    const char* Spec;
    int32_t Reserved[17];
} TUnzSpecEntry;

typedef struct TUnzCommandRecord {
    void* WindowHandle;    /* parent for anything the engine shows; unused on Linux */
    void* Requester;       /* handed back in every callback record */
    int32_t Version;       /* the engine version the caller loaded */
    TUnzCallback Callback; /* may be null: the engine then runs silently */
    int32_t TraceFlag;     /* detailed messages; implies VerboseFlag */
    int32_t Reserved1;
    const char* Password; /* first password to try; null or "" for none */
    int32_t TestOnly;     /* check members (CRC, sizes) without writing anything */
    int32_t Reserved2;
    int32_t Reserved3;
    int32_t QuietFlag;
    int32_t VerboseFlag; /* one message per member handled */
    int32_t UpdateOnly;  /* extract members that are new or newer than the file */
    int32_t FreshenOnly; /* extract members newer than an existing file only */
    int32_t UseDirNames; /* keep the members' stored folders */
    /* Replace existing files. The engine still sends the overwrite request for each
     * existing file, proposing this answer (yes also for a file that freshen or update
     * found older); the callback's answer decides. */
    int32_t OverwriteAll;
    int32_t SpecCount; /* entries in SpecList to use; 0 means every member */
    const char* ArchiveName;
    const TUnzSpecEntry* SpecList;
    int32_t Reserved4;
    int32_t ToMemory; /* extraction to memory: not supported by this engine */
    void* OutBuffer;
    int32_t OutSize;
    int32_t FromMemory; /* archive in memory: not supported by this engine */
    const void* InBuffer;
    int32_t InSize;
    int32_t PasswordRequests;   /* how often the engine may ask for a password per member */
    const char* ExtractBaseDir; /* null or "" for the current folder */
    int32_t Reserved5[8];
    int32_t EndMarker; /* UNZ_END_MARKER */
} TUnzCommandRecord;

/* The tail of the text buffer seen as the extra-field request's pointer. */
typedef struct TUnzExtraView {
    char TextHead[UNZ_EXTRA_POINTER_OFFSET];
    void* ExtraPointer;
} TUnzExtraView;

struct TUnzCallbackRecord {
    void* WindowHandle;       /* from the command record */
    void* Requester;          /* from the command record */
    int32_t Version;          /* the engine's version */
    int32_t FromZipOperation; /* 0: this engine only unzips */
    int32_t RequestCode;      /* low byte: one of TUnzAction */
    int32_t CodeValue;        /* request argument; first answer field */
    int32_t SizeValue;        /* request argument; second answer field */
    union {
        char TextBuffer[UNZ_TEXT_BUFFER_SIZE]; /* zero-terminated name or message */
        TUnzExtraView ExtraView;
    };
};

/* Requests, in the low byte of RequestCode. */
enum TUnzAction {
    uaTick = 0,
    uaNewMember = 1, /* text = name, size = its uncompressed size */
    uaProgress = 2,  /* size = bytes of the current member just done */
    uaEndOfBatch = 3,
    uaMessage = 4,    /* code = error code (TUnzErrorClass in the low byte), text */
    uaTotalCount = 5, /* size = number of members to process */
    uaTotalSize = 6,  /* size = their uncompressed bytes (saturated at 2^32-1) */
    uaNewName = 7,    /* text = name; answer code 1 and a new name in text to rename */
    uaPassword = 8,   /* text = name, size = asks left, code bit 0 = new password wanted;
                         answer code 1 with the password in text, size = asks left;
                         RequestCode set to 0 = no more password requests this run */
    uaCrcError = 9,   /* code = CRC found, size = CRC expected; answer code 1 keeps the file */
    uaOverwrite = 10, /* text = name, size = proposed answer (1 = overwrite),
                         code bits 0-15 = member index, bit 16 = existing file is older;
                         answer in size */
    uaSkipped = 11,   /* text = name, size low byte = UnZipSkipTypes + 1, code = error code */
    uaFileComment = 12,
    uaMemorySize = 13,
    uaExtraField = 14,
    uaNewMember2 = 15,
    uaProgress2 = 16
};

/* Error codes sent with messages and skipped members (low byte; the rest is 0). */
enum TUnzErrorClass {
    ueNone = 0,
    ueWarning = 1, /* the run goes on; e.g. bytes in front of the archive */
    ueFormat = 2,  /* the archive or a member's headers are damaged or lying */
    ueSevere = 3,  /* a file could not be read or written */
    ueMemory = 4,
    ueCrc = 5,          /* member data failed its CRC or size check */
    ueUnsafeName = 6,   /* a member would be written outside the target folder */
    ueAborted = 9,      /* the callback asked the engine to stop */
    ueBadOptions = 10,  /* the command record asks for something this engine lacks */
    ueNoMatch = 11,     /* a spec matched no member */
    ueUnsupported = 81, /* compression method or encryption this engine lacks */
    ueBadPassword = 82  /* no password, or none of those given fits */
};

/* Why a member was skipped (sent as value + 1 in the skipped request). */
enum UnZipSkipTypes {
    stOnFreshen = 0,   /* freshen/update: no file to freshen, or the file is not older */
    stNoOverwrite = 1, /* the file exists and the overwrite answer was no */
    stFileExists = 2,  /* the name is taken by something that cannot be replaced */
    stBadPassword = 3,
    stNoPassword = 4,
    stCompressionUnknown = 5,
    stUnsafeName = 6,
    stLinkMember = 7, /* symbolic links are never created */
    stFormatWrong = 8,
    stCrcError = 9,
    stWriteError = 10
};

typedef int32_t (*TUnzEngineExecProc)(TUnzCommandRecord* Command);
typedef int32_t (*TUnzVersionProc)(void);

#if defined(_WIN32)
#define UNZ_EXPORT __declspec(dllexport)
#else
#define UNZ_EXPORT __attribute__((visibility("default")))
#endif

/* Runs one command; answers the number of members handled, negative for a fatal failure
 * (no record, a record of another layout, an archive that cannot be read as a whole). */
UNZ_EXPORT int32_t UnzEngineExec(TUnzCommandRecord* Command);
UNZ_EXPORT int32_t GetUnzEngineVersion(void);
UNZ_EXPORT int32_t GetUnzEnginePrivVersion(void);

#ifdef __cplusplus
}
#define UNZ_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define UNZ_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#if UINTPTR_MAX == 0xFFFFFFFFu
UNZ_STATIC_ASSERT(sizeof(TUnzCommandRecord) == 148, "command record is 148 bytes");
UNZ_STATIC_ASSERT(offsetof(TUnzCommandRecord, Callback) == 12, "Callback at 12");
UNZ_STATIC_ASSERT(offsetof(TUnzCommandRecord, SpecCount) == 64, "SpecCount at 64");
UNZ_STATIC_ASSERT(offsetof(TUnzCommandRecord, PasswordRequests) == 104, "at 104");
UNZ_STATIC_ASSERT(offsetof(TUnzCommandRecord, ExtractBaseDir) == 108, "at 108");
UNZ_STATIC_ASSERT(offsetof(TUnzCommandRecord, EndMarker) == 144, "EndMarker at 144");
UNZ_STATIC_ASSERT(sizeof(TUnzSpecEntry) == 72, "spec entry is 72 bytes");
UNZ_STATIC_ASSERT(offsetof(TUnzCallbackRecord, FromZipOperation) == 12, "at 12");
UNZ_STATIC_ASSERT(offsetof(TUnzCallbackRecord, TextBuffer) == 28, "TextBuffer at 28");
UNZ_STATIC_ASSERT(offsetof(TUnzCallbackRecord, ExtraView.ExtraPointer) == 532, "at 532");
UNZ_STATIC_ASSERT(sizeof(TUnzCallbackRecord) == 540, "callback record is 540 bytes");
#elif UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
UNZ_STATIC_ASSERT(sizeof(TUnzCommandRecord) == 192, "command record is 192 bytes");
UNZ_STATIC_ASSERT(offsetof(TUnzCommandRecord, Version) == 16, "Version at 16");
UNZ_STATIC_ASSERT(offsetof(TUnzCommandRecord, Callback) == 24, "Callback at 24");
UNZ_STATIC_ASSERT(offsetof(TUnzCommandRecord, SpecCount) == 84, "SpecCount at 84");
UNZ_STATIC_ASSERT(offsetof(TUnzCommandRecord, ArchiveName) == 88, "ArchiveName at 88");
UNZ_STATIC_ASSERT(offsetof(TUnzCommandRecord, PasswordRequests) == 140, "at 140");
UNZ_STATIC_ASSERT(offsetof(TUnzCommandRecord, ExtractBaseDir) == 144, "at 144");
UNZ_STATIC_ASSERT(offsetof(TUnzCommandRecord, EndMarker) == 184, "EndMarker at 184");
UNZ_STATIC_ASSERT(sizeof(TUnzSpecEntry) == 80, "spec entry is 80 bytes");
UNZ_STATIC_ASSERT(offsetof(TUnzCallbackRecord, Version) == 16, "Version at 16");
UNZ_STATIC_ASSERT(offsetof(TUnzCallbackRecord, RequestCode) == 24, "at 24");
UNZ_STATIC_ASSERT(offsetof(TUnzCallbackRecord, SizeValue) == 32, "SizeValue at 32");
UNZ_STATIC_ASSERT(offsetof(TUnzCallbackRecord, TextBuffer) == 40, "TextBuffer at 40");
UNZ_STATIC_ASSERT(offsetof(TUnzCallbackRecord, ExtraView.ExtraPointer) == 544, "at 544");
UNZ_STATIC_ASSERT(sizeof(TUnzCallbackRecord) == 552, "callback record is 552 bytes");
#endif

#endif /* JIB_ENGINE_UNZENGINEABI_H */
