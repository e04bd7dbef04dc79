// SPDX-License-Identifier: Apache-2.0
// The host's callback interface, asked for by the name "IDocShelfContainerItf".
// Texts are zero-terminated narrow strings in the system code page.
#pragma once

#include <cstdint>

class IDocShelfContainerItf {
public:
    // Positions 0 to 5 belong to the host; the component never calls them.
    virtual int32_t HostReserved0() { return 0; }
    virtual int32_t HostReserved1() { return 0; }
    virtual int32_t HostReserved2() { return 0; }
    virtual int32_t HostReserved3() { return 0; }
    virtual int32_t HostReserved4() { return 0; }
    virtual int32_t HostReserved5() { return 0; }

    // User-interface thread.
    virtual void BroadcastMessage(const char* pszText) = 0;
    virtual void NotifyPresenterFiles(int32_t bHasVisualableFile) = 0;
    virtual void SetChatFilterFile(const char* pszLocalPath) = 0;
    virtual void OnFileUploaded(const char* pszLocalPath, int32_t nModuleData, int32_t nUserData,
                                int32_t nResult) = 0;
    virtual void OnFileDownloaded(const char* pszLocalPath, int32_t nModuleData, int32_t nUserData,
                                  int32_t nResult) = 0;

    // Directory work thread. A null name ends a listing.
    virtual void OnDirectoryEntry(const char* pszFolder, int32_t nReserved, int32_t nUserData,
                                  const char* pszName, uint64_t ullLength, int32_t bIsFolder) = 0;
    virtual void OnServerState(int32_t bAvailable) = 0;

protected:
    ~IDocShelfContainerItf() = default;
};
