#include "shell/FbChangeHandlerThread.h"

#include "shell/FbShellTypes.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <future>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>

using platform::TChangeNotification;

namespace {

void Signal(int eventFd) {
    const std::uint64_t one = 1;
    while (::write(eventFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

// Takes the event's signal away; answers whether it was signalled.
bool Reset(int eventFd) {
    std::uint64_t count = 0;
    ssize_t got;
    while ((got = ::read(eventFd, &count, sizeof count)) < 0 && errno == EINTR) {
    }
    return got == static_cast<ssize_t>(sizeof count);
}

// Waits until `eventFd` is signalled and takes the signal; false on time-out (-1: none).
bool WaitFor(int eventFd, int timeoutMs) {
    pollfd one{eventFd, POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&one, 1, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue; // a signal cuts the wait short by a little at worst
        return ready > 0 && Reset(eventFd);
    }
}

// A change event that lowers its slot's "posted" flag when Qt is done with it, delivered or
// dropped with its receiver. The flag is shared, so it outlives whichever side ends first.
class TPostedChangeEvent : public TFbChangeNotifyEvent {
public:
    TPostedChangeEvent(int slot, QEvent::Type type, std::shared_ptr<std::atomic<bool>> posted)
        : TFbChangeNotifyEvent(slot, type), FPosted(std::move(posted)) {}
    ~TPostedChangeEvent() override { FPosted->store(false, std::memory_order_release); }

private:
    std::shared_ptr<std::atomic<bool>> FPosted;
};

} // namespace

TChangeHandlerThread::TChangeHandlerThread(QObject* target, int messageNumber)
    : FTarget(target), FMessage(messageNumber) {
    FWakeEvent = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    FAcknowledgeEvent = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    // Without its events the thread could never be told to stop; it is not started, and
    // every command fails.
    if (FWakeEvent >= 0 && FAcknowledgeEvent >= 0)
        FThread = std::thread([this] { Execute(); });
}

TChangeHandlerThread::~TChangeHandlerThread() {
    if (FThread.joinable()) {
        FCommand.store(cmdExit, std::memory_order_release);
        Signal(FWakeEvent);
        // The thread says goodbye on the acknowledge event; join waits for the rest.
        if (!FUnanswered)
            WaitAcknowledged(kExitTimeoutMs);
        FThread.join();
    }
    if (FWakeEvent >= 0)
        ::close(FWakeEvent);
    if (FAcknowledgeEvent >= 0)
        ::close(FAcknowledgeEvent);
    // The slots and a handle still pending close with their last owner.
}

bool TChangeHandlerThread::WaitAcknowledged(int timeoutMs) {
    if (!WaitFor(FAcknowledgeEvent, timeoutMs)) {
        FUnanswered = true;
        return false;
    }
    FUnanswered = false;
    return true;
}

bool TChangeHandlerThread::Ready() {
    if (!FThread.joinable())
        return false;
    // An earlier command the thread did not answer in time still owns the fields; they
    // are free again only once its answer has come.
    return !FUnanswered || WaitAcknowledged(0);
}

bool TChangeHandlerThread::SendCommand(TCommand command) {
    Reset(FAcknowledgeEvent);
    FCommand.store(command, std::memory_order_release);
    Signal(FWakeEvent);
    return WaitAcknowledged(kAcknowledgeTimeoutMs);
}

int TChangeHandlerThread::AddToSlot(platform::TChangeNotificationPtr handle) {
    if (!handle || !Ready())
        return -1;
    FPendingHandle = std::move(handle);
    if (!SendCommand(cmdAdd))
        return -1;
    const int slot = FResultSlot.load(std::memory_order_acquire);
    if (slot < 0)
        FPendingHandle.reset(); // answered: the field is ours again
    return slot;
}

bool TChangeHandlerThread::AddWatch(const std::string& path, std::uint32_t filter, bool subtree,
                                    int& slot, platform::TChangeNotificationPtr* handle) {
    slot = -1;
    if (path.empty() || !Ready())
        return false;
    platform::TChangeNotificationPtr notification =
        TChangeNotification::CreateUnarmed(path, filter, subtree);
    if (!notification)
        return false;
    // The answer is shared with the background thread, which may outlive this call.
    auto armed = std::make_shared<std::promise<bool>>();
    std::future<bool> answer = armed->get_future();
    notification->ArmInBackground([armed](bool ok) { armed->set_value(ok); });
    if (answer.wait_for(std::chrono::milliseconds(kAcknowledgeTimeoutMs)) !=
            std::future_status::ready ||
        !answer.get())
        return false;
    slot = AddToSlot(notification);
    if (slot < 0)
        return false;
    if (handle != nullptr)
        *handle = std::move(notification);
    return true;
}

platform::TChangeNotificationPtr TChangeHandlerThread::WatchInBackground(const std::string& path,
                                                                         std::uint32_t filter,
                                                                         bool subtree) {
    platform::TChangeNotificationPtr notification = AddUnarmedWatch(path, filter, subtree);
    if (notification)
        notification->ArmInBackground();
    return notification;
}

platform::TChangeNotificationPtr
TChangeHandlerThread::AddUnarmedWatch(const std::string& path, std::uint32_t filter, bool subtree) {
    platform::TChangeNotificationPtr notification =
        TChangeNotification::CreateUnarmed(path, filter, subtree);
    return AddToSlot(notification) < 0 ? nullptr : notification;
}

void TChangeHandlerThread::RemoveAllWatches() {
    if (Ready())
        SendCommand(cmdRemoveAll);
}

void TChangeHandlerThread::RemoveWatch(int slot) {
    if (slot < 0 || slot >= kSlotCount || !Ready())
        return;
    FSlotArgument = slot;
    SendCommand(cmdRemoveOne);
}

void TChangeHandlerThread::FreeSlot(int slot) {
    FSlots[slot].reset();
    FPosted[slot].reset();
}

// One change often arrives as several events that the kernel queues one after another (a
// rename is "moved from", "moved to" and "moved self"), and a reader may wake between
// them. While the event for a slot still waits in the control's queue, the control has
// not yet started its delay, so another event would add nothing: it is not posted.
void TChangeHandlerThread::Post(int slot) {
    if (FTarget == nullptr || FPosted[slot]->exchange(true, std::memory_order_acq_rel))
        return;
    QCoreApplication::postEvent(
        FTarget, new TPostedChangeEvent(slot, static_cast<QEvent::Type>(FMessage), FPosted[slot]));
}

bool TChangeHandlerThread::CarryOutCommand() {
    const int command = FCommand.load(std::memory_order_acquire);
    int result = -1;
    switch (command) {
    case cmdAdd:
        for (int i = 0; i < kSlotCount; ++i) {
            if (!FSlots[i]) {
                FSlots[i] = std::move(FPendingHandle);
                FPosted[i] = std::make_shared<std::atomic<bool>>(false);
                result = i;
                break;
            }
        }
        // With every slot taken the handle stays pending; the caller drops it.
        break;
    case cmdRemoveOne:
        if (FSlotArgument >= 0 && FSlotArgument < kSlotCount)
            FreeSlot(FSlotArgument);
        break;
    case cmdRemoveAll:
        for (int i = 0; i < kSlotCount; ++i)
            FreeSlot(i);
        break;
    default: // exit
        // The descriptors close here rather than with the object on the GUI thread:
        // closing one waits for the kernel to let go of its watches.
        for (int i = 0; i < kSlotCount; ++i)
            FreeSlot(i);
        return false;
    }
    FResultSlot.store(result, std::memory_order_release);
    return true;
}

void TChangeHandlerThread::Execute() {
    std::vector<pollfd> waits;
    std::vector<int> slotOf;
    for (;;) {
        waits.assign(1, pollfd{FWakeEvent, POLLIN, 0});
        slotOf.assign(1, -1);
        for (int i = 0; i < kSlotCount; ++i) {
            if (FSlots[i]) {
                waits.push_back(pollfd{FSlots[i]->Fd(), POLLIN, 0});
                slotOf.push_back(i);
            }
        }
        if (::poll(waits.data(), waits.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break; // cannot wait any more: nothing is watched from here on
        }
        if ((waits[0].revents & POLLIN) != 0 && Reset(FWakeEvent)) {
            const bool goOn = CarryOutCommand();
            Signal(FAcknowledgeEvent);
            if (!goOn)
                return;
            // The slots may have changed under the array built above.
            continue;
        }
        for (std::size_t w = 1; w < waits.size(); ++w) {
            const int slot = slotOf[w];
            if ((waits[w].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
                FreeSlot(slot); // abandoned
                continue;
            }
            if ((waits[w].revents & POLLIN) == 0)
                continue;
            const TChangeNotification::TRearm state = FSlots[slot]->Rearm();
            if (state != TChangeNotification::TRearm::Quiet)
                Post(slot);
            if (state == TChangeNotification::TRearm::Dead)
                FreeSlot(slot); // cannot be re-armed: dropped without a word
        }
    }
    // Leaving on a wait failure: the exit command still expects its goodbye.
    while (WaitFor(FWakeEvent, -1)) {
        const bool goOn = CarryOutCommand();
        Signal(FAcknowledgeEvent);
        if (!goOn)
            return;
    }
}
