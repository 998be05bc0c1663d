/* A stand-in engine that plays a script of callbacks, for the component's tests: with it a
 * test sees the command record exactly as the component filled it, and every answer the
 * component wrote into a callback record, through the real library boundary.
 *
 * For an archive A it writes A.record (one "key=value" line per record field), then plays
 * A.script if there is one: each line "<action> <code> <size> <text>" is one callback;
 * "result <n>" sets what UnzEngineExec answers (else the number of callbacks made). The
 * text of a file-comment request is "name|comment"; an extra-field request points at
 * <size> bytes "abc...". After each callback a line goes to A.answers:
 *   ret=<answer> rc=<RequestCode> cv=<CodeValue> sv=<SizeValue> text=<TextBuffer>
 * with " extra=<bytes>" added when an extra-field request was answered. A stop answer
 * ends the script, as it would end a real engine's run. */
#include "engine/UnzEngineAbi.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define SCRIPTED_VERSION 180
#define MAX_LINE 2048
#define MAX_EXTRA 70000

static char extraBytes[MAX_EXTRA];

static FILE* OpenBeside(const char* archive, const char* suffix, const char* mode) {
    char path[4096];
    snprintf(path, sizeof path, "%s%s", archive, suffix);
    return fopen(path, mode);
}

static void WriteRecord(const TUnzCommandRecord* c) {
    FILE* f = OpenBeside(c->ArchiveName, ".record", "w");
    if (!f)
        return;
    fprintf(f, "window=%d\nrequester=%d\nversion=%d\ncallback=%d\n", c->WindowHandle != NULL,
            c->Requester != NULL, (int)c->Version, c->Callback != NULL);
    fprintf(f, "trace=%d\npassword=%s\ntest=%d\nquiet=%d\nverbose=%d\n", (int)c->TraceFlag,
            c->Password ? c->Password : "(null)", (int)c->TestOnly, (int)c->QuietFlag,
            (int)c->VerboseFlag);
    fprintf(f, "update=%d\nfreshen=%d\ndirnames=%d\noverwrite=%d\n", (int)c->UpdateOnly,
            (int)c->FreshenOnly, (int)c->UseDirNames, (int)c->OverwriteAll);
    fprintf(f, "speccount=%d\nspeclist=%d\n", (int)c->SpecCount, c->SpecList != NULL);
    for (int i = 0; i < c->SpecCount; ++i)
        fprintf(f, "spec=%s\n", c->SpecList[i].Spec ? c->SpecList[i].Spec : "(null)");
    fprintf(f, "requests=%d\nbasedir=%s\nmemory=%d\nendmarker=%d\n", (int)c->PasswordRequests,
            c->ExtractBaseDir ? c->ExtractBaseDir : "(null)",
            c->ToMemory != 0 || c->FromMemory != 0 || c->OutBuffer != NULL || c->InBuffer != NULL,
            (int)c->EndMarker);
    fclose(f);
}

static void PutExtra(FILE* out, const char* bytes, int size) {
    fputs(" extra=", out);
    fwrite(bytes, 1, (size_t)size, out);
}

/* Plays one script line; answers the callback's answer. */
static int Play(const TUnzCommandRecord* c, int action, int code, int size, const char* text,
                FILE* out) {
    TUnzCallbackRecord r;
    memset(&r, 0, sizeof r);
    r.WindowHandle = c->WindowHandle;
    r.Requester = c->Requester;
    r.Version = SCRIPTED_VERSION;
    r.RequestCode = action;
    r.CodeValue = code;
    r.SizeValue = size;
    const char* bar = action == uaFileComment ? strchr(text, '|') : NULL;
    size_t nameLength = bar ? (size_t)(bar - text) : strlen(text);
    if (nameLength > UNZ_TEXT_BUFFER_SIZE - 1)
        nameLength = UNZ_TEXT_BUFFER_SIZE - 1;
    memcpy(r.TextBuffer, text, nameLength);
    if (bar)
        strncpy(r.TextBuffer + UNZ_COMMENT_OFFSET, bar + 1,
                UNZ_TEXT_BUFFER_SIZE - UNZ_COMMENT_OFFSET - 1);
    if (action == uaExtraField && size > 0 && size <= MAX_EXTRA) {
        for (int i = 0; i < size; ++i)
            extraBytes[i] = (char)('a' + i % 26);
        r.ExtraView.ExtraPointer = extraBytes;
    }
    int ret = c->Callback(&r);
    char shown[UNZ_TEXT_BUFFER_SIZE + 1];
    memcpy(shown, r.TextBuffer, UNZ_TEXT_BUFFER_SIZE);
    shown[UNZ_TEXT_BUFFER_SIZE] = '\0';
    fprintf(out, "ret=%d rc=%d cv=%d sv=%d text=%s", ret, (int)r.RequestCode, (int)r.CodeValue,
            (int)r.SizeValue, action == uaExtraField ? "" : shown);
    if (action == uaExtraField && r.CodeValue == -1) {
        if (r.SizeValue < UNZ_TEXT_BUFFER_SIZE)
            PutExtra(out, r.TextBuffer, r.SizeValue);
        else
            PutExtra(out, (const char*)r.ExtraView.ExtraPointer, r.SizeValue);
    }
    fputc('\n', out);
    fflush(out);
    return ret;
}

UNZ_EXPORT int32_t UnzEngineExec(TUnzCommandRecord* Command) {
    if (!Command || Command->EndMarker != UNZ_END_MARKER || !Command->ArchiveName)
        return -1;
    WriteRecord(Command);
    FILE* script = OpenBeside(Command->ArchiveName, ".script", "r");
    if (!script)
        return 0;
    FILE* out = OpenBeside(Command->ArchiveName, ".answers", "w");
    int result = -1000;
    int played = 0;
    char line[MAX_LINE];
    while (out && Command->Callback && fgets(line, sizeof line, script)) {
        line[strcspn(line, "\n")] = '\0';
        int action, code, size, consumed = 0;
        if (sscanf(line, "result %d", &result) == 1)
            continue;
        if (sscanf(line, "%d %d %d %n", &action, &code, &size, &consumed) < 3)
            continue;
        ++played;
        if (Play(Command, action, code, size, line + consumed, out) == -1)
            break;
    }
    if (out)
        fclose(out);
    fclose(script);
    return result != -1000 ? result : played;
}

UNZ_EXPORT int32_t GetUnzEngineVersion(void) {
    return SCRIPTED_VERSION;
}

UNZ_EXPORT int32_t GetUnzEnginePrivVersion(void) {
    return 1;
}
