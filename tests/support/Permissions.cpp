#include "support/Permissions.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr unsigned overrides = 1u << CAP_DAC_OVERRIDE | 1u << CAP_DAC_READ_SEARCH;

struct Capabilities {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
};

bool load(Capabilities& caps) {
    return syscall(SYS_capget, &caps.header, caps.data) == 0;
}

bool store(Capabilities& caps) {
    return syscall(SYS_capset, &caps.header, caps.data) == 0;
}

} // namespace

PermissionsEnforced::PermissionsEnforced() {
    Capabilities caps;
    if (!load(caps) || !(caps.data[0].effective & overrides))
        return;
    caps.data[0].effective &= ~overrides;
    lowered_ = store(caps);
}

PermissionsEnforced::~PermissionsEnforced() {
    Capabilities caps;
    if (!lowered_ || !load(caps))
        return;
    caps.data[0].effective |= caps.data[0].permitted & overrides;
    store(caps);
}
