// SPDX-License-Identifier: Apache-2.0
#include "LocalCommit.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Takes the name only while nothing has it.
bool RenameNoReplace(const std::string& temp, const std::string& target) {
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    if (::link(temp.c_str(), target.c_str()) != 0) {
        return false;
    }
    ::unlink(temp.c_str());
    return true;
}

constexpr auto kClaimPoll = std::chrono::milliseconds(20);
std::mutex s_ClaimLock;
std::set<std::string> s_Claimed;

} // namespace

LocalTarget LocalTarget::At(const std::string& path) {
    LocalTarget target;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
        return target;
    }
    target.bExists = true;
    target.device = static_cast<uint64_t>(st.st_dev);
    target.inode = static_cast<uint64_t>(st.st_ino);
    target.size = static_cast<uint64_t>(st.st_size);
    target.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return target;
}

CommitOutcome CommitOver(const std::string& temp, const std::string& target,
                         const LocalTarget& before) {
    if (!before.bExists) {
        if (RenameNoReplace(temp, target)) {
            return CommitOutcome::Done;
        }
        return errno == EEXIST ? CommitOutcome::TargetChanged : CommitOutcome::Failed;
    }
    if (!(LocalTarget::At(target) == before)) {
        return CommitOutcome::TargetChanged;
    }
    return std::rename(temp.c_str(), target.c_str()) == 0 ? CommitOutcome::Done
                                                          : CommitOutcome::Failed;
}

CTargetClaim::CTargetClaim(std::string path, const std::function<bool()>& stopped)
    : m_Path(std::move(path)) {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(s_ClaimLock);
            m_bHeld = s_Claimed.insert(m_Path).second;
        }
        if (m_bHeld || stopped()) {
            return;
        }
        std::this_thread::sleep_for(kClaimPoll);
    }
}

CTargetClaim::~CTargetClaim() {
    if (m_bHeld) {
        std::lock_guard<std::mutex> lock(s_ClaimLock);
        s_Claimed.erase(m_Path);
    }
}
