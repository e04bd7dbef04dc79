// SPDX-License-Identifier: Apache-2.0
#include "WriteBehind.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "AfxFile.h"

CWriteBehind::CWriteBehind(CFile& file, size_t nBlockSize, size_t nDepth)
    : m_file(file), m_nBlockSize(nBlockSize), m_nDepth(std::max<size_t>(nDepth, 1)) {
    m_gathering.reserve(m_nBlockSize);
    m_thread = std::thread(&CWriteBehind::Run, this);
}

CWriteBehind::~CWriteBehind() {
    Finish();
}

bool CWriteBehind::Write(const char* p, size_t nCount) {
    while (nCount > 0) {
        size_t n = std::min(nCount, m_nBlockSize - m_gathering.size());
        m_gathering.insert(m_gathering.end(), p, p + n);
        p += n;
        nCount -= n;
        if (m_gathering.size() == m_nBlockSize && !Hand()) {
            return false;
        }
    }
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_bFailed) {
        errno = m_nErrno;
        return false;
    }
    return true;
}

bool CWriteBehind::Hand() {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_queued.size() < m_nDepth || m_bFailed; });
    if (m_bFailed) {
        errno = m_nErrno;
        return false;
    }
    m_queued.push_back(std::move(m_gathering));
    if (!m_spare.empty()) {
        m_gathering = std::move(m_spare.back());
        m_spare.pop_back();
    } else {
        m_gathering = std::vector<char>();
        m_gathering.reserve(m_nBlockSize);
    }
    m_gathering.clear();
    m_changed.notify_all();
    return true;
}

bool CWriteBehind::Finish() {
    bool ok = true;
    if (m_thread.joinable()) {
        ok = m_gathering.empty() || Hand();
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_bClosing = true;
            m_changed.notify_all();
        }
        m_thread.join();
    }
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_bFailed) {
        errno = m_nErrno;
    }
    return ok && !m_bFailed;
}

void CWriteBehind::Run() {
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_queued.empty() || m_bClosing; });
        if (m_queued.empty()) {
            return;
        }
        std::vector<char> block = std::move(m_queued.front());
        m_queued.pop_front();
        bool bFailed = m_bFailed;
        lock.unlock();
        bool ok = bFailed || m_file.Write(block.data(), block.size());
        int nErrno = errno;
        lock.lock();
        if (!ok) {
            m_bFailed = true;
            m_nErrno = nErrno;
        }
        m_spare.push_back(std::move(block));
        m_changed.notify_all();
    }
}
