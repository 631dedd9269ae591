#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// While it lives, the test's thread is held to the permission bits of files and folders as any
// user is: a file made read-only with chmod may not be written, also when the tests run as root.
// It takes from the thread's effective capabilities the three that let root pass over the bits
// (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER) and gives them back when it goes. Threads
// started meanwhile keep what the thread had when they started. Without root nothing changes.
class PermissionBitsApply {
public:
    PermissionBitsApply() {
        if (::geteuid() != 0 || !get(saved))
            return;
        __user_cap_data_struct lowered[2] = {saved[0], saved[1]};
        lowered[0].effective &=
            ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        active = set(lowered);
    }
    ~PermissionBitsApply() {
        if (active)
            set(saved);
    }
    PermissionBitsApply(const PermissionBitsApply&) = delete;
    PermissionBitsApply& operator=(const PermissionBitsApply&) = delete;

private:
    static bool get(__user_cap_data_struct* data) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        return ::syscall(SYS_capget, &header, data) == 0;
    }
    static bool set(__user_cap_data_struct* data) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        return ::syscall(SYS_capset, &header, data) == 0;
    }

    __user_cap_data_struct saved[2] = {};
    bool active = false;
};
