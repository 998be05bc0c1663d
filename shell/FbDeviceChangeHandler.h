// The process-wide relay of device arrival and removal to the folder browser's controls.
// The kernel says when the mount table changes; the relay compares the user volumes before
// and after and posts one relay event per volume that arrived or went to itself, so every
// registered control handles it later on the GUI thread, in registration order.
#pragma once

#include "platform/changenotify/VolumeChanges.h"

#include <memory>
#include <vector>

#include <QEvent>
#include <QObject>

class QSocketNotifier;

// The relay message, numbered as the window message it stands for; its word parameter is
// the device event (platform::DBT_DEVICEARRIVAL, platform::DBT_DEVICEREMOVECOMPLETE).
inline constexpr QEvent::Type kDeviceRelayEvent = static_cast<QEvent::Type>(1124);

class TFbDeviceChangeEvent : public QEvent {
public:
    TFbDeviceChangeEvent(unsigned wParam, long lParam)
        : QEvent(kDeviceRelayEvent), FWParam(wParam), FLParam(lParam) {}
    unsigned WParam() const { return FWParam; }
    long LParam() const { return FLParam; }

private:
    unsigned FWParam;
    long FLParam;
};

class TFbDeviceChangeHandler : public QObject {
    Q_OBJECT
public:
    using THandler = void (*)(QObject* control, const TFbDeviceChangeEvent& message);

    TFbDeviceChangeHandler();
    ~TFbDeviceChangeHandler() override;

    bool Active() const { return FActive; }
    void SetActive(bool active) { FActive = active; }

    void RegisterHandler(THandler handler, QObject* control);
    // Removes the first registration equal in both members.
    void UnregisterHandler(THandler handler, QObject* control);

    // Reads the mount table again and posts a relay event for each user volume that
    // arrived or went since the last reading; what the kernel's notice runs.
    void MountTableChanged();

protected:
    bool event(QEvent* event) override;

private:
    struct TRegistration {
        THandler handler;
        QObject* control;
        bool operator==(const TRegistration&) const = default;
    };
    void Relay(const TFbDeviceChangeEvent& message);

    bool FActive = true;
    std::vector<TRegistration> FRegistrations;
    std::vector<platform::MountEntry> FMounts;
    int FMountInfo = -1;
    std::unique_ptr<QSocketNotifier> FNotifier;
};

// The relay, made on first use (on the GUI thread, with an application object alive) and
// destroyed with the application.
TFbDeviceChangeHandler& DeviceChangeHandler();

// Raised while a control refreshes for a device event, process-wide: the volumes are read
// again only once however many controls follow. GUI thread only.
int& DeviceRefreshCounter();
