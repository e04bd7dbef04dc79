// SPDX-License-Identifier: Apache-2.0
// The host's answer to the component: prints every call, passes the ones an action waits
// for on to the action runner and hands broadcasts to the meeting.
#pragma once

#include <functional>
#include <string>

#include "DocShelf.h"

class CActionRunner;
class CCallPrinter;

class CHostContainer final : public IDocShelfContainerItf {
public:
    explicit CHostContainer(CCallPrinter& printer) : m_Printer(printer) {}

    // Set once the runner exists; calls before that are only printed.
    void SetRunner(CActionRunner* pRunner) { m_pRunner = pRunner; }
    // Where BroadcastMessage texts go besides the printer; none outside a meeting.
    void SetMeeting(std::function<void(std::string)> publish) { m_Publish = std::move(publish); }

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

private:
    CCallPrinter& m_Printer;
    CActionRunner* m_pRunner = nullptr;
    std::function<void(std::string)> m_Publish;
};
