#include "shell/FbDeviceChangeHandler.h"

#include "gui/Application.h"
#include "platform/shellns/Volumes.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

namespace {

constexpr const char* kMountInfo = "/proc/self/mountinfo";

QPointer<TFbDeviceChangeHandler>& TheHandler() {
    static QPointer<TFbDeviceChangeHandler> handler;
    return handler;
}

} // namespace

TFbDeviceChangeHandler::TFbDeviceChangeHandler() {
    FMounts = platform::shellns::CurrentMountTable();
    // The kernel marks an open mountinfo with a priority event whenever a mount comes or
    // goes; the notifier turns that into a call on the GUI thread. Nothing is read from it:
    // each poll that reports the event also clears it.
    FMountInfo = ::open(kMountInfo, O_RDONLY | O_CLOEXEC);
    if (FMountInfo >= 0) {
        FNotifier = std::make_unique<QSocketNotifier>(FMountInfo, QSocketNotifier::Exception);
        connect(FNotifier.get(), &QSocketNotifier::activated, this,
                [this] { MountTableChanged(); });
    }
}

TFbDeviceChangeHandler::~TFbDeviceChangeHandler() {
    FNotifier.reset();
    if (FMountInfo >= 0)
        ::close(FMountInfo);
}

void TFbDeviceChangeHandler::RegisterHandler(THandler handler, QObject* control) {
    FRegistrations.push_back({handler, control});
}

void TFbDeviceChangeHandler::UnregisterHandler(THandler handler, QObject* control) {
    const auto it =
        std::find(FRegistrations.begin(), FRegistrations.end(), TRegistration{handler, control});
    if (it != FRegistrations.end())
        FRegistrations.erase(it);
}

void TFbDeviceChangeHandler::MountTableChanged() {
    std::vector<platform::MountEntry> now = platform::shellns::CurrentMountTable();
    for (const platform::TVolumeChange& change : platform::DiffUserVolumes(FMounts, now))
        QCoreApplication::postEvent(this, new TFbDeviceChangeEvent(change.event, 0));
    FMounts = std::move(now);
}

bool TFbDeviceChangeHandler::event(QEvent* event) {
    if (event->type() != kDeviceRelayEvent)
        return QObject::event(event);
    if (FActive)
        Relay(*static_cast<TFbDeviceChangeEvent*>(event));
    return true;
}

void TFbDeviceChangeHandler::Relay(const TFbDeviceChangeEvent& message) {
    // A handler may unregister itself or another control (a window closing in response):
    // each registration is called only while it is still registered.
    const std::vector<TRegistration> registrations = FRegistrations;
    for (const TRegistration& r : registrations) {
        if (std::find(FRegistrations.begin(), FRegistrations.end(), r) == FRegistrations.end())
            continue;
        try {
            r.handler(r.control, message);
        } catch (const std::exception& e) {
            // One control failing to follow a new drive must not keep the others from it.
            Application().HandleException(e);
        }
    }
}

TFbDeviceChangeHandler& DeviceChangeHandler() {
    QPointer<TFbDeviceChangeHandler>& handler = TheHandler();
    if (handler.isNull()) {
        handler = new TFbDeviceChangeHandler;
        handler->setParent(QCoreApplication::instance());
    }
    return *handler;
}

int& DeviceRefreshCounter() {
    static int counter = 0;
    return counter;
}
