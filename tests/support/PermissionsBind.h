#pragma once
// Makes file permissions bind the calling thread even when the tests run as root: while an
// object lives, root's power to pass over read, write and search permissions is taken out of
// the thread's effective capabilities. The permitted set keeps it, so it comes back afterwards.
// Capabilities belong to a thread: the file work under test must run on the same thread.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

class PermissionsBind {
public:
    PermissionsBind()
    {
        if (::geteuid() != 0) return; // an ordinary user meets permissions anyway
        if (!exchange(saved_, false)) {
            problem_ = std::string("root の権限を一時的に外せません: ") + std::strerror(errno);
            return;
        }
        Capabilities reduced;
        std::memcpy(reduced, saved_, sizeof reduced);
        for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH})
            reduced[capability / 32].effective &= ~(1u << (capability % 32));
        if (!exchange(reduced, true)) {
            problem_ = std::string("root の権限を一時的に外せません: ") + std::strerror(errno);
            return;
        }
        dropped_ = true;
    }
    ~PermissionsBind()
    {
        if (dropped_) exchange(saved_, true);
    }
    PermissionsBind(const PermissionsBind &) = delete;
    PermissionsBind &operator=(const PermissionsBind &) = delete;

    // Empty when permissions now bind; otherwise why they cannot be made to.
    const std::string &problem() const { return problem_; }

private:
    using Capabilities = __user_cap_data_struct[_LINUX_CAPABILITY_U32S_3];

    // Reads (set = false) or sets the calling thread's capabilities.
    static bool exchange(Capabilities &data, bool set)
    {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        return ::syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
    }

    Capabilities saved_{};
    bool dropped_ = false;
    std::string problem_;
};
