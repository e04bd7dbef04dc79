// SPDX-License-Identifier: Apache-2.0
#include "HostContainer.h"

#include <string>

#include "ActionRunner.h"
#include "CallPrinter.h"

void CHostContainer::BroadcastMessage(const char* pszText) {
    m_Printer.Print("BroadcastMessage", {pszText});
    if (m_Publish)
        m_Publish(pszText ? pszText : "");
}

void CHostContainer::NotifyPresenterFiles(int32_t bHasVisualableFile) {
    m_Printer.Print("NotifyPresenterFiles", {bHasVisualableFile});
}

void CHostContainer::SetChatFilterFile(const char* pszLocalPath) {
    m_Printer.Print("SetChatFilterFile", {pszLocalPath});
    if (m_pRunner)
        m_pRunner->PostChatFilterFile(pszLocalPath ? pszLocalPath : "");
}

void CHostContainer::OnFileUploaded(const char* pszLocalPath, int32_t nModuleData,
                                    int32_t nUserData, int32_t nResult) {
    m_Printer.Print("OnFileUploaded", {pszLocalPath, nModuleData, nUserData, nResult});
    if (m_pRunner)
        m_pRunner->PostUploaded(nModuleData, nUserData, nResult);
}

void CHostContainer::OnFileDownloaded(const char* pszLocalPath, int32_t nModuleData,
                                      int32_t nUserData, int32_t nResult) {
    m_Printer.Print("OnFileDownloaded", {pszLocalPath, nModuleData, nUserData, nResult});
    if (m_pRunner)
        m_pRunner->PostDownloaded(nModuleData, nUserData, nResult);
}

// Directory work thread: printing is locked, the runner hands itself the event.
void CHostContainer::OnDirectoryEntry(const char* pszFolder, int32_t nReserved, int32_t nUserData,
                                      const char* pszName, uint64_t ullLength, int32_t bIsFolder) {
    m_Printer.Print("OnDirectoryEntry",
                    {pszFolder, nReserved, nUserData, pszName, ullLength, bIsFolder});
    if (!pszName && m_pRunner)
        m_pRunner->PostListEnd(nUserData);
}

void CHostContainer::OnServerState(int32_t bAvailable) {
    m_Printer.Print("OnServerState", {bAvailable});
    if (m_pRunner)
        m_pRunner->PostServerState(bAvailable);
}
