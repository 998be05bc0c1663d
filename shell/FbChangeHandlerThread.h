// The watcher thread of one folder-browser control: it waits on up to 63 directory change
// notifications and posts kChangeNotifyEvent (with the watch's slot index) to the control
// when a watched folder changes, at most one waiting in the control's queue per watch. It never
// touches the control otherwise; the refresh runs on the GUI thread.
//
// The GUI thread talks to it by one command at a time: it writes the command fields,
// signals the wake event and waits for the acknowledge event. That handshake is the only
// synchronisation; the command word is atomic so the hand-over is ordered for the
// compiler as well as for the kernel.
#pragma once

#include "platform/changenotify/ChangeNotification.h"

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

class QObject;

class TChangeHandlerThread {
public:
    static constexpr int kSlotCount = 63; // one wait handle is the wake event: 64 in all
    static constexpr int kAcknowledgeTimeoutMs = 2000;
    static constexpr int kExitTimeoutMs = 30000;

    // `target` receives the change events. Its owner destroys this object before the
    // target, and the destructor ends the thread, so nothing is ever posted to a dead one.
    TChangeHandlerThread(QObject* target, int messageNumber);
    ~TChangeHandlerThread();
    TChangeHandlerThread(const TChangeHandlerThread&) = delete;
    TChangeHandlerThread& operator=(const TChangeHandlerThread&) = delete;

    // Watches `path`; false when there is no path, it cannot be watched, every slot is
    // taken or the thread does not answer in time. `slot` is the index the change events
    // carry; `handle`, when asked for, lets the caller name the subfolders of a subtree
    // watch. The folder is looked at off the calling thread, which waits for the answer
    // at most kAcknowledgeTimeoutMs: a volume that does not answer costs that wait once
    // and then fails the call.
    bool AddWatch(const std::string& path, std::uint32_t filter, bool subtree, int& slot,
                  platform::TChangeNotificationPtr* handle = nullptr);
    // Watches `path` without waiting for the file system at all: the watch takes a slot at
    // once and its folder is added in the background (TChangeNotification), so a volume
    // that hangs never holds up the caller. Null when no slot is free or the thread does
    // not answer; a folder that turns out not to be watchable keeps its slot, quiet, until
    // the watches are removed. What a GUI thread uses.
    platform::TChangeNotificationPtr WatchInBackground(const std::string& path,
                                                       std::uint32_t filter, bool subtree);
    // The same without arming: the caller arms the handle in the background itself
    // (TChangeNotification::ArmInBackground), with the subfolders it names.
    platform::TChangeNotificationPtr AddUnarmedWatch(const std::string& path, std::uint32_t filter,
                                                     bool subtree);
    // Closes every watch; the thread keeps running.
    void RemoveAllWatches();
    // Closes the watch in `slot`.
    void RemoveWatch(int slot);

private:
    enum TCommand : int { cmdAdd = 0, cmdRemoveOne = 1, cmdRemoveAll = 2, cmdExit = 3 };

    void Execute();
    bool Ready(); // the thread runs and has answered every command so far
    int AddToSlot(platform::TChangeNotificationPtr handle); // the slot, or -1
    bool SendCommand(TCommand command);
    bool WaitAcknowledged(int timeoutMs);
    bool CarryOutCommand(); // false for exit
    void FreeSlot(int slot);
    void Post(int slot);

    QObject* const FTarget;
    const int FMessage;
    int FWakeEvent = -1;        // eventfd: reading it resets it, as an auto-reset event
    int FAcknowledgeEvent = -1; // eventfd, signalled by the thread after each command
    // Written by the GUI thread before the wake event, read by the thread after it; the
    // result the other way round. The command word publishes the rest (release/acquire).
    std::atomic<int> FCommand{cmdAdd};
    platform::TChangeNotificationPtr FPendingHandle;
    int FSlotArgument = -1;
    std::atomic<int> FResultSlot{-1};
    // The thread's own; the GUI thread reads them only after the thread has ended.
    std::array<platform::TChangeNotificationPtr, kSlotCount> FSlots;
    // Per slot: an event for it waits in the target's queue (lowered by the event).
    std::array<std::shared_ptr<std::atomic<bool>>, kSlotCount> FPosted;
    // GUI thread only: a command went unanswered, so the fields are still the thread's.
    bool FUnanswered = false;
    std::thread FThread;
};
