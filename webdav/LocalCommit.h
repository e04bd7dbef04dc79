// SPDX-License-Identifier: Apache-2.0
// The last step of writing a file for the user: the finished temporary file takes the target's
// name only if the target is still what it was when the download was asked for. A file the user
// saved there meanwhile is never replaced: where there was nothing, the name is taken without replacing
// (renameat2 with RENAME_NOREPLACE, or a hard link where the file system has no such rename);
// where there was a file, it must be the same file, unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct LocalTarget {
    bool bExists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t mtimeNs = 0;

    // What is at path now (a missing file, or the file's identity, size and time).
    static LocalTarget At(const std::string& path);
    bool operator==(const LocalTarget&) const = default;
};

enum class CommitOutcome {
    Done,
    TargetChanged, // something else is at the target now; nothing was touched
    Failed,        // the rename itself failed (errno says why)
};

// Moves temp over target when target is still as `before` describes it.
CommitOutcome CommitOver(const std::string& temp, const std::string& target,
                         const LocalTarget& before);

// A target is written by one download at a time: two at once would share its kept part, and one
// could truncate or extend a file the other had already committed. The second waits for the
// first to end. Any thread.
class CTargetClaim {
public:
    // Waits until no other download holds path, or until stopped() turns true.
    CTargetClaim(std::string path, const std::function<bool()>& stopped);
    ~CTargetClaim();
    CTargetClaim(const CTargetClaim&) = delete;
    CTargetClaim& operator=(const CTargetClaim&) = delete;
    // False when stopped before the target was free.
    bool IsHeld() const { return m_bHeld; }

private:
    std::string m_Path;
    bool m_bHeld = false;
};
