// SPDX-License-Identifier: Apache-2.0
// A host for tests: its interface manager answers "IDocShelfContainerItf" with a container
// that records every call, its arguments as text and its calling thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "IDocShelfContainerItf.h"
#include "MXModuleItf.h"

struct RecordedCall {
    std::string name;
    std::vector<std::string> args; // in declaration order; a null name reads "(end)"
    uint32_t threadId = 0;
};

class CRecordingHost final : public IMXItfMgr, public IDocShelfContainerItf {
public:
    // IMXItfMgr
    int32_t QueryItf(const char* pszName, void** ppItf) override;

    // IDocShelfContainerItf
    void BroadcastMessage(const char* pszText) override;
    void NotifyPresenterFiles(int32_t bHasVisualableFile) override;
    void SetChatFilterFile(const char* pszLocalPath) override;
    void OnFileUploaded(const char* pszLocalPath, int32_t nModuleData, int32_t nUserData,
                        int32_t nResult) override;
    void OnFileDownloaded(const char* pszLocalPath, int32_t nModuleData, int32_t nUserData,
                          int32_t nResult) override;
    void OnDirectoryEntry(const char* pszFolder, int32_t nReserved, int32_t nUserData,
                          const char* pszName, uint64_t ullLength, int32_t bIsFolder) override;
    void OnServerState(int32_t bAvailable) override;

    // When false, the manager answers no container (the component must skip its calls).
    void SetAnswering(bool answering);
    int QueryCount() const;

    std::vector<RecordedCall> Calls() const;
    std::vector<RecordedCall> CallsNamed(const std::string& name) const;
    void Clear();

    // Called between checks while waiting, e.g. to process the user-interface thread's events.
    void SetPump(std::function<void()> pump);
    // Waits until a call named `name` (and accepted by `pred`) is recorded; false on timeout.
    bool WaitForCall(const std::string& name, int timeoutMs,
                     const std::function<bool(const RecordedCall&)>& pred = {});

private:
    void Record(std::string name, std::vector<std::string> args);

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<RecordedCall> m_calls;
    std::function<void()> m_pump;
    bool m_answering = true;
    int m_queries = 0;
};
