// The engine's callbacks: each is handed to the component that started the run, which
// fires its events and writes its answers into the callback record.
#include "archive/EngineCallback.h"

#include "archive/ZipExtractor.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

constexpr int kActionMask = 0xFF;
constexpr int kErrorClassMask = 0xFF;   // an engine error code's meaning is in its low byte
constexpr int kNewPasswordWanted = 0x1; // password request: bit 0 of the code
constexpr int kOverwriteIndexMask = 0xFFFF;
constexpr int kOverwriteOlderBit = 0x10000;
constexpr int kSkipTypeMask = 0xFF;
constexpr unsigned kMaxPasswordRepeats = 15;
constexpr std::size_t kMaxPasswordChars = 80; // what the password dialog lets one type
constexpr std::size_t kMaxTextBytes = UNZ_TEXT_BUFFER_SIZE - 1;
constexpr std::size_t kCommentBytes = UNZ_TEXT_BUFFER_SIZE - UNZ_COMMENT_OFFSET;
// An extra field's length is a 16-bit field in the archive; nothing longer can be stored.
constexpr std::size_t kMaxExtraField = 0xFFFF;
// The CRC answers the engine knows: keep the damaged file, remove it, or no opinion.
constexpr std::int32_t kCrcKeep = 1;
constexpr std::int32_t kCrcRemove = 0;
constexpr std::int32_t kCrcNoOpinion = 2;
constexpr std::int32_t kExtraAnswered = -1;

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The longest start of `text` of at most `maxBytes` that does not split a character.
std::string_view FitBytes(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    std::size_t n = maxBytes;
    while (n > 0 && IsUtf8Continuation(text[n]))
        --n;
    return text.substr(0, n);
}

// The first `maxChars` characters of `text`.
std::string_view FirstChars(std::string_view text, std::size_t maxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsUtf8Continuation(text[i]) && chars++ == maxChars)
            return text.substr(0, i);
    }
    return text;
}

// A zero-terminated text in the record, read no further than `limit` bytes; trailing
// blanks and control characters go, as they would in any name shown to a user.
std::string ReadText(const char* text, std::size_t limit) {
    std::string s(text, ::strnlen(text, limit));
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.pop_back();
    return s;
}

// Where the request's text ends: a file comment follows the name at a fixed offset, and
// the extra-field request keeps its pointer at the end of the text buffer.
std::size_t TextLimit(int action) {
    switch (action) {
    case cbFileComment:
        return UNZ_COMMENT_OFFSET;
    case cbExtraField:
        return UNZ_EXTRA_POINTER_OFFSET;
    default:
        return UNZ_TEXT_BUFFER_SIZE;
    }
}

void PutText(TUnzCallbackRecord& record, std::string_view text) {
    const std::string_view fitted = FitBytes(text, kMaxTextBytes);
    std::memcpy(record.TextBuffer, fitted.data(), fitted.size());
    record.TextBuffer[fitted.size()] = '\0';
}

} // namespace

TEngineSession* TEngineSession::FromRequester(void* requester) {
    auto* session = static_cast<TEngineSession*>(requester);
    return session != nullptr && session->FMagic == kMagic ? session : nullptr;
}

std::int32_t TEngineSession::Dispatch(TUnzCallbackRecord* record) {
    TEngineSession* session = record ? FromRequester(record->Requester) : nullptr;
    if (session == nullptr || session->FComponent == nullptr)
        return kEngineStop;
    try {
        return session->FComponent->HandleCallback(*record, *session);
    } catch (...) {
        // Not a failure a handler may report through the engine (out of memory, a
        // foreign exception): the engine is stopped and Extract raises it again once the
        // engine's code is off the stack. Nothing may unwind through the engine itself.
        if (!session->FFailure)
            session->FFailure = std::current_exception();
        if (session->FComponent != nullptr)
            session->FComponent->SetCancelRequested(true);
        return kEngineStop;
    }
}

extern "C" std::int32_t EngineCallback(TUnzCallbackRecord* record) {
    return TEngineSession::Dispatch(record);
}

std::int32_t TZipExtractor::HandleCallback(TUnzCallbackRecord& record, TEngineSession& session) {
    if (FDestroying)
        return kEngineStop;
    const int action = record.RequestCode & kActionMask;
    const int code = record.CodeValue;
    const auto size = static_cast<std::uint32_t>(record.SizeValue);
    const std::string text = ReadText(record.TextBuffer, TextLimit(action));

    // A handler that raises stops the engine; the first such failure is kept so that the
    // engine's closing message can say what went wrong. Handlers may also destroy the
    // component (closing its owner from a pumped event): after each step only the
    // session, which lives on Extract's stack, may be looked at.
    const auto step = [&](const auto& run) {
        try {
            run();
        } catch (const Exception& e) {
            if (session.Component() == nullptr)
                return false;
            if (FEventErrorText.empty())
                FEventErrorText = " #" + std::to_string(action) + " \"" + e.Message() + "\"";
            FCancelRequested = true;
        }
        return session.Component() != nullptr;
    };
    if (!step([&] { AnswerRequest(action, record, code, size, text); }))
        return kEngineStop;
    if (!step([&] { AfterCallback(action, code, text, size); }))
        return kEngineStop;
    return FCancelRequested ? kEngineStop : kEngineGoOn;
}

void TZipExtractor::AnswerRequest(int action, TUnzCallbackRecord& record, int code,
                                  std::uint32_t size, const std::string& text) {
    switch (action) {
    case cbNewName:
        if (OnSetNewName) {
            std::string name = text;
            bool changed = false;
            OnSetNewName(this, name, changed);
            if (changed)
                PutText(record, name);
            record.CodeValue = changed ? 1 : 0;
        }
        break;
    case cbPassword:
        AnswerPassword(record, code, size, text);
        break;
    case cbCrcError:
        if (OnCRC32Error) {
            // A damaged file is kept only when a handler says so: one that merely looks
            // at the report must not leave corrupt data on the user's disk.
            bool doExtract = false;
            OnCRC32Error(this, text, static_cast<std::uint32_t>(code), size, doExtract);
            record.CodeValue = doExtract ? kCrcKeep : kCrcRemove;
        } else {
            record.CodeValue = kCrcNoOpinion;
        }
        break;
    case cbOverwrite:
        // Unanswered, the engine's proposal (from OverwriteAll) stands.
        if (OnExtractOverwrite) {
            bool overwrite = size != 0;
            OnExtractOverwrite(this, text, (code & kOverwriteOlderBit) != 0, overwrite,
                               code & kOverwriteIndexMask);
            record.SizeValue = overwrite ? 1 : 0;
        }
        break;
    case cbSkipped:
        if (code != 0) {
            FErrCode = code & kErrorClassMask;
            FRawErrCode = code;
        }
        if (OnExtractSkipped)
            OnExtractSkipped(this, text, static_cast<int>(size & kSkipTypeMask) - 1, code);
        break;
    case cbFileComment:
        AnswerFileComment(record, text);
        break;
    case cbMemorySize:
        AnswerMemorySize(record, size);
        break;
    case cbExtraField:
        AnswerExtraField(record, size, text);
        break;
    default:
        DispatchCallback(action, code, size, text);
        break;
    }
}

void TZipExtractor::AnswerPassword(TUnzCallbackRecord& record, int code, std::uint32_t size,
                                   const std::string& forFile) {
    std::string password;
    unsigned repeats = size;
    TPasswordButton action = pbOk;
    if (OnPasswordError) {
        OnPasswordError(this, record.FromZipOperation != 0, password, forFile, repeats, action);
        if (action != pbOk)
            password.clear();
    } else {
        // The dialogs offer OK, Cancel and Cancel all; only the last changes the run.
        FLastPasswordButton = pbOk;
        password = (code & kNewPasswordWanted) != 0 ? AskNewPassword() : AskPassword();
        if (FLastPasswordButton == pbCancelAll)
            action = pbCancelAll;
    }
    if (!password.empty()) {
        PutText(record, FirstChars(password, kMaxPasswordChars));
        record.CodeValue = 1;
    } else {
        record.CodeValue = 0;
        repeats = 0;
    }
    record.SizeValue = static_cast<std::int32_t>(std::min(repeats, kMaxPasswordRepeats));
    if (action == pbCancelAll)
        record.RequestCode = 0; // the engine asks no more in this run
    else if (action == pbAbort)
        FCancelRequested = true;
}

void TZipExtractor::AnswerFileComment(TUnzCallbackRecord& record, const std::string& forFile) {
    if (!OnFileComment)
        return;
    std::string comment(record.TextBuffer + UNZ_COMMENT_OFFSET,
                        ::strnlen(record.TextBuffer + UNZ_COMMENT_OFFSET, kCommentBytes));
    bool changed = false;
    OnFileComment(this, forFile, comment, changed);
    std::size_t length = comment.size();
    if (changed) {
        PutText(record, comment);
        length = std::strlen(record.TextBuffer);
    }
    record.CodeValue = changed ? 1 : 0;
    record.SizeValue = static_cast<std::int32_t>(std::min(length, kMaxTextBytes));
}

void TZipExtractor::AnswerMemorySize(TUnzCallbackRecord& record, std::uint32_t size) {
    // The answer is the buffer's address in a 32-bit field. A 64-bit address does not
    // fit, and a cut-down one would have the engine write to memory that is not ours:
    // there the request is refused, as for a buffer that cannot be had.
    bool ok = sizeof(void*) <= sizeof(std::int32_t);
    if (ok) {
        try {
            FZipStream->SetSize(size);
        } catch (const std::exception&) {
            ok = false;
        }
    }
    if (ok) {
        record.SizeValue =
            static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(FZipStream->Memory()));
    } else {
        record.CodeValue = 1;
        record.SizeValue = 0;
    }
}

void TZipExtractor::AnswerExtraField(TUnzCallbackRecord& record, std::uint32_t size,
                                     const std::string& forFile) {
    if (!OnFileExtra)
        return;
    const auto* bytes = static_cast<const char*>(record.ExtraView.ExtraPointer);
    std::string data;
    if (bytes != nullptr)
        data.assign(bytes, std::min<std::size_t>(size, kMaxExtraField));
    bool changed = false;
    OnFileExtra(this, forFile, data, changed);
    if (!changed || data.size() > kMaxExtraField)
        return;
    // Short fields travel in the text buffer; longer ones stay with us until the next
    // request, the engine reading them through the pointer.
    const std::size_t length = data.size();
    if (length < UNZ_TEXT_BUFFER_SIZE) {
        std::memcpy(record.TextBuffer, data.data(), length);
    } else {
        FExtraData = std::move(data);
        record.ExtraView.ExtraPointer = FExtraData.data();
    }
    record.SizeValue = static_cast<std::int32_t>(length);
    record.CodeValue = kExtraAnswered;
}
