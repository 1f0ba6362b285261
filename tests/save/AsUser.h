#pragma once
#include <algorithm>
#include <grp.h>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

// The process as another user (real and effective ids, no extra groups)
// while it lives; root only, which it becomes again afterwards.
class AsUser {
public:
    AsUser(uid_t uid, gid_t gid) {
        groups_.resize(static_cast<size_t>(std::max(::getgroups(0, nullptr), 0)));
        ::getgroups(static_cast<int>(groups_.size()), groups_.data());
        ok_ = ::setgroups(0, nullptr) == 0 && ::setresgid(gid, gid, 0) == 0 &&
              ::setresuid(uid, uid, 0) == 0;
    }
    ~AsUser() {
        ::setresuid(0, 0, 0);
        ::setresgid(0, 0, 0);
        ::setgroups(groups_.size(), groups_.data());
    }
    AsUser(const AsUser&) = delete;
    AsUser& operator=(const AsUser&) = delete;
    bool Ok() const { return ok_; }

private:
    std::vector<gid_t> groups_;
    bool ok_ = false;
};
