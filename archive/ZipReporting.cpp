// How the component turns message IDs into what the user sees, and its own calls into the
// callback events (progress and messages of the volume joiner).
#include "archive/ZipExtractor.h"
#include "archive/ZipFormat.h"
#include "archive/ZipMessages.h"
#include "archive/ZipStrings.h"
#include "gui/Application.h"
#include "gui/MessageBox.h"
#include "platform/StrToInt.h"

#include <QApplication>
#include <QThread>
#include <QWidget>

namespace {

// The engine's error codes carry their meaning in the low byte; 9 means an event handler
// of ours raised while the engine waited for it.
constexpr int kErrorCodeMask = 0xFF;
constexpr int kEventHandlerError = 9;

// Percent of `done` in `total` in the unsigned 32-bit arithmetic the progress events have
// always used: exact for small totals, and no overflow for large ones. Totals are worked
// out before the work and can fall a little short of it; a bar never shows more than 100.
int Percent(std::uint32_t done, std::uint32_t total) {
    constexpr std::uint32_t kExactBelow = 214748; // 214748 * 100 still fits in 31 bits
    if (done == 0 || total == 0)
        return 0;
    if (done >= total)
        return 100;
    if (total < kExactBelow)
        return static_cast<int>(done * 100 / total);
    return static_cast<int>(done / (total / 100));
}

bool InForeground() {
    return QCoreApplication::instance() != nullptr && QApplication::activeWindow() != nullptr &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

std::string TZipExtractor::LoadMessageText(int id) {
    std::string text = ZipResourceString(id);
    if (OnZipStr)
        OnZipStr(this, id, text);
    return text;
}

std::string TZipExtractor::LoadMessageTextOr(int id, const std::string& defaultText) {
    std::string text = LoadMessageText(id);
    return text.empty() ? defaultText : text;
}

void TZipExtractor::ShowReport(const std::string& text) {
    if (!FUnattended)
        ShowMessageBox(text, Application().Title(), MB_OK, FOwnerWindow);
}

void TZipExtractor::ReportError(int id, const std::string& extra) {
    std::string text = LoadMessageText(id);
    if (text.empty())
        text = kMissingTextFallback + std::to_string(id) + " " + extra;
    else
        text += extra;
    FLastMessage = text;
    FErrCode = id;
    ShowReport(text);
    if (OnMessage)
        OnMessage(this, 0, text);
}

void TZipExtractor::ReportException(const EZipExtractor& e) {
    FErrCode = e.MessageId();
    std::string text = LoadMessageText(e.MessageId());
    if (text.empty())
        text = kMissingTextFallback + std::to_string(e.MessageId());
    else if (!e.TextArg().empty())
        text = FormatText(text, {e.TextArg(), e.NumberArg()});
    else if (!e.NumberArg().empty())
        text = FormatText(text, {std::int64_t{StrToIntDef(e.NumberArg(), 0)}});
    if (e.Display())
        ShowReport(text);
    FLastMessage = text;
    if (OnMessage)
        OnMessage(this, FErrCode, text);
}

void TZipExtractor::HandleCallback(int action, int errorCode, std::uint32_t size,
                                   const std::string& text) {
    // Exceptions from handlers pass on to the operation that made the call.
    DispatchCallback(action, errorCode, size, text);
    AfterCallback(action, errorCode, text, size);
    if (FCancelRequested)
        throw EZipExtractor::CreateMsg(zm::Cancelled, true);
}

void TZipExtractor::AfterCallback(int action, int errorCode, const std::string& text,
                                  std::uint32_t size) {
    if (OnAfterCallback) {
        TCallBackInfo info{this, action, errorCode, text, size};
        bool abort = FCancelRequested;
        OnAfterCallback(&info, abort);
        if (abort)
            FCancelRequested = true;
    } else {
        // Keeps the window alive during a long extraction; handlers may run nested in
        // here, and the busy flags keep them from starting another one on this component.
        Application().ProcessMessages();
    }
}

void TZipExtractor::DispatchCallback(int action, int errorCode, std::uint32_t size,
                                     const std::string& text) {
    switch (action) {
    case cbTick:
        if (OnTick)
            OnTick(this);
        break;
    case cbNewItem:
        StartItem(ptNewItem, text, text, size);
        break;
    case cbProgress:
        AdvanceItem(ptProgress, size);
        FTotalDone += size;
        if (OnTotalProgress)
            OnTotalProgress(this, FTotalSize, Percent(FTotalDone, FTotalSize));
        break;
    case cbBatchEnd:
        if (OnProgress)
            OnProgress(this, ptBatchEnd, {}, 0);
        FItemSize = FItemDone = FTotalDone = 0;
        FItemName.clear();
        if (OnItemProgress)
            OnItemProgress(this, {}, 0, -1);
        if (OnTotalProgress)
            OnTotalProgress(this, 0, -1);
        break;
    case cbMessage:
        FLastMessage = text;
        if (errorCode != 0) {
            FErrCode = errorCode & kErrorCodeMask;
            FRawErrCode = errorCode;
            if (FErrCode == kEventHandlerError && !FEventErrorText.empty())
                FLastMessage = "Exception in Event " + FEventErrorText;
        }
        if (OnMessage)
            OnMessage(this, errorCode, FLastMessage);
        break;
    case cbTotalCount:
        if (OnProgress)
            OnProgress(this, ptTotalCount, {}, size);
        break;
    case cbTotalSize:
        FTotalSize = size;
        FTotalDone = FItemSize = 0;
        FItemName.clear();
        if (OnProgress)
            OnProgress(this, ptTotalSize, {}, size);
        break;
    case cbNewItem2:
        // Work that is not a member (an engine's own phases): the engine names it by an
        // offset into our messages, so the name can be translated with them.
        StartItem(ptNewItem2, text, LoadMessageTextOr(zm::EngineItemNameBase + errorCode, text),
                  size);
        break;
    case cbProgress2:
        AdvanceItem(ptProgress2, size);
        break;
    default:
        break;
    }
}

void TZipExtractor::StartItem(ProgressType type, const std::string& text,
                              const std::string& itemName, std::uint32_t size) {
    if (OnProgress)
        OnProgress(this, type, text, size);
    FItemSize = size;
    FItemDone = 0;
    FItemName = itemName;
    if (OnItemProgress)
        OnItemProgress(this, FItemName, size, 0);
}

void TZipExtractor::AdvanceItem(ProgressType type, std::uint32_t size) {
    if (OnProgress)
        OnProgress(this, type, FItemName, size);
    FItemDone += size;
    if (OnItemProgress)
        OnItemProgress(this, FItemName, FItemSize, Percent(FItemDone, FItemSize));
}

void TZipExtractor::StartWaitCursor() {
    // Only an application the user is working in gets the hourglass; one in the
    // background must not change the cursor over someone else's window.
    if (FWaitDepth > 0) {
        ++FWaitDepth;
    } else if (InForeground()) {
        FWaitCursor = std::make_unique<TWaitCursor>();
        FWaitDepth = 1;
    }
}

void TZipExtractor::StopWaitCursor() {
    if (FWaitDepth > 0 && --FWaitDepth == 0)
        FWaitCursor.reset();
}
