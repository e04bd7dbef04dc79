// SPDX-License-Identifier: Apache-2.0
// Writes a download to its file on a thread of its own, so that receiving the next block and
// writing the last one overlap. Blocks are gathered into buffers of a fixed size; at most a few
// wait for the disk, so memory stays bounded however fast the network is.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

class CFile;

class CWriteBehind {
public:
    CWriteBehind(CFile& file, size_t nBlockSize, size_t nDepth);
    ~CWriteBehind();
    CWriteBehind(const CWriteBehind&) = delete;
    CWriteBehind& operator=(const CWriteBehind&) = delete;

    // False once a write failed, with errno as that write left it; nothing more is written.
    bool Write(const char* p, size_t nCount);
    // Writes what is gathered, waits until the disk has it all and ends the thread. False when
    // a write failed (errno tells why).
    bool Finish();

private:
    void Run();
    // Hands the gathered buffer to the thread, waiting while nDepth buffers are queued.
    bool Hand();

    CFile& m_file;
    const size_t m_nBlockSize;
    const size_t m_nDepth;
    std::vector<char> m_gathering;
    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_changed;
    // Guarded by m_lock.
    std::deque<std::vector<char>> m_queued;
    std::vector<std::vector<char>> m_spare;
    bool m_bClosing = false;
    bool m_bFailed = false;
    int m_nErrno = 0;
};
