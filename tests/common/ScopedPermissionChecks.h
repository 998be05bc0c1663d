// Makes the file system check permissions for the calling thread even when the tests run
// as root (as CI does): root reads every folder only through the capabilities
// CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH, which this takes out of the thread's effective
// set while it lives and puts back afterwards. A user without them needs nothing done.
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

class ScopedPermissionChecks {
public:
    ScopedPermissionChecks() {
        if (::syscall(SYS_capget, &FHeader, FSaved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {FSaved[0], FSaved[1]};
        reduced[0].effective &= ~(CAP_TO_MASK(CAP_DAC_OVERRIDE) | CAP_TO_MASK(CAP_DAC_READ_SEARCH));
        FChanged = ::syscall(SYS_capset, &FHeader, reduced) == 0;
    }
    ~ScopedPermissionChecks() {
        if (FChanged)
            ::syscall(SYS_capset, &FHeader, FSaved);
    }
    ScopedPermissionChecks(const ScopedPermissionChecks&) = delete;
    ScopedPermissionChecks& operator=(const ScopedPermissionChecks&) = delete;

    // Whether folders closed to the user are now closed to this thread.
    bool Active() const { return FChanged || ::geteuid() != 0; }

private:
    __user_cap_header_struct FHeader{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct FSaved[2]{};
    bool FChanged = false;
};
