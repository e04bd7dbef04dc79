// SPDX-License-Identifier: Apache-2.0
#include "RecordingHost.h"

#include <chrono>
#include <strings.h>
#include <unistd.h>

namespace {

std::string Text(const char* psz) {
    return psz != nullptr ? psz : "(end)";
}

} // namespace

int32_t CRecordingHost::QueryItf(const char* pszName, void** ppItf) {
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_queries;
    if (m_answering && pszName != nullptr && ppItf != nullptr &&
        strcasecmp(pszName, "IDocShelfContainerItf") == 0) {
        *ppItf = static_cast<IDocShelfContainerItf*>(this);
    }
    return 1;
}

void CRecordingHost::BroadcastMessage(const char* pszText) {
    Record("BroadcastMessage", {Text(pszText)});
}

void CRecordingHost::NotifyPresenterFiles(int32_t bHasVisualableFile) {
    Record("NotifyPresenterFiles", {std::to_string(bHasVisualableFile)});
}

void CRecordingHost::SetChatFilterFile(const char* pszLocalPath) {
    Record("SetChatFilterFile", {Text(pszLocalPath)});
}

void CRecordingHost::OnFileUploaded(const char* pszLocalPath, int32_t nModuleData,
                                    int32_t nUserData, int32_t nResult) {
    Record("OnFileUploaded", {Text(pszLocalPath), std::to_string(nModuleData),
                              std::to_string(nUserData), std::to_string(nResult)});
}

void CRecordingHost::OnFileDownloaded(const char* pszLocalPath, int32_t nModuleData,
                                      int32_t nUserData, int32_t nResult) {
    Record("OnFileDownloaded", {Text(pszLocalPath), std::to_string(nModuleData),
                                std::to_string(nUserData), std::to_string(nResult)});
}

void CRecordingHost::OnDirectoryEntry(const char* pszFolder, int32_t nReserved, int32_t nUserData,
                                      const char* pszName, uint64_t ullLength, int32_t bIsFolder) {
    Record("OnDirectoryEntry",
           {Text(pszFolder), std::to_string(nReserved), std::to_string(nUserData), Text(pszName),
            std::to_string(ullLength), std::to_string(bIsFolder)});
}

void CRecordingHost::OnServerState(int32_t bAvailable) {
    Record("OnServerState", {std::to_string(bAvailable)});
}

void CRecordingHost::SetAnswering(bool answering) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_answering = answering;
}

int CRecordingHost::QueryCount() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_queries;
}

std::vector<RecordedCall> CRecordingHost::Calls() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_calls;
}

std::vector<RecordedCall> CRecordingHost::CallsNamed(const std::string& name) const {
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<RecordedCall> named;
    for (const RecordedCall& call : m_calls) {
        if (call.name == name) {
            named.push_back(call);
        }
    }
    return named;
}

void CRecordingHost::Clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.clear();
}

void CRecordingHost::SetPump(std::function<void()> pump) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_pump = std::move(pump);
}

bool CRecordingHost::WaitForCall(const std::string& name, int timeoutMs,
                                 const std::function<bool(const RecordedCall&)>& pred) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        for (const RecordedCall& call : m_calls) {
            if (call.name == name && (!pred || pred(call))) {
                return true;
            }
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        if (m_pump) {
            // Pump without the lock: the pump may deliver calls that record.
            std::function<void()> pump = m_pump;
            lock.unlock();
            pump();
            lock.lock();
            m_changed.wait_for(lock, std::chrono::milliseconds(2));
        } else {
            m_changed.wait_until(lock, deadline);
        }
    }
}

void CRecordingHost::Record(std::string name, std::vector<std::string> args) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_calls.push_back(
            RecordedCall{std::move(name), std::move(args), static_cast<uint32_t>(gettid())});
    }
    m_changed.notify_all();
}
