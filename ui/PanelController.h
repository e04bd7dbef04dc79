// SPDX-License-Identifier: Apache-2.0
// What the panel does beyond showing rows: the status line of the server folder, the series of
// server checks while the server cannot be reached, the automatic downloads, the texts for the
// meeting, and the server folders made when the panel starts. The directory list shows rows and
// hands these to its controller.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "AfxTypes.h"
#include "AutoDownloads.h"

class CDocShelfFileList;
class CDocShelfView;
struct DSItemInfo;

class CPanelController {
public:
    CPanelController();

    // The view repaints the status line; the transfer list shows automatic downloads. Either
    // may stay null.
    void SetView(CDocShelfView* pView) { m_pView = pView; }
    void SetFileList(CDocShelfFileList* pFileList) { m_pFileList = pFileList; }

    // A listing of rootFolder into the row dwItem. Until one has been read, a listing makes the
    // folders it needs (the server directory's parent, the directory and rootFolder in it) when
    // they are not there; folders that are there cost no request of their own.
    void ListRoot(const std::string& rootFolder, uint32_t dwItem);

    // Status; any thread.
    std::string GetStatusText() const;
    void OnServerAvailable(bool bAvailable);
    // A listing of the panel ended; usedSpace is what its rows add up to. A listing that got
    // no answer checks the server at once.
    void OnListingFinished(bool bRead, uint64_t usedSpace, bool bNoAnswer = false);

    // One tick of the retry timer: checks 1, 2, 4, 8, 8, ... ticks apart while the server
    // cannot be reached.
    void OnRetryTick();
    // The server answered: the series starts again from its shortest pause.
    void ResetRetry();
    // A request got no answer: the status line should not wait for the timer to say so. Many
    // failures at once make one check. bRelist: the folder is listed again once the server
    // answers, so that cut automatic downloads are taken up again.
    void CheckServerNow(bool bRelist = false);

    // A file of the presenter folder was listed: fetched into the save directory when the user
    // asked for automatic downloads, once per file, never over a file of the user's. Beyond
    // CAutoDownloads::kMaxRunning started ones the rest wait without a task or a row.
    void OnFileListed(const DSItemInfo& entry);
    // A transfer of the panel ended: the next waiting automatic download may start, and a
    // transfer that got no answer checks the server at once.
    void OnTransferEnded(uint32_t taskId, uint32_t result = 0);
    size_t WaitingDownloads() const { return m_AutoDownloads.Waiting(); }

    // A text for the meeting, handed to the host.
    void RelayHostMessage(std::unique_ptr<std::string> pText);

private:
    // The status is kept as a string id (and the sizes for the space text), so that it
    // follows the user-interface language.
    void SetStatus(UINT nStringId, const std::string& used = {}, const std::string& free = {});
    bool MayDownloadAutomatically(const std::string& name, uint64_t ullLength, bool bLengthKnown,
                                  const std::string& local, bool bNewVersion) const;
    uint32_t StartAutoDownload(const CAutoDownloads::File& file);
    // An automatic download of remote got no answer: true when a later listing may take it up
    // again (it continues from what it kept), at most kAutoDownloadRetries times a file.
    bool MayRetryAutoDownload(const std::string& remote);
    static uint64_t KeyOf(const std::string& remote);

    bool m_bRootRead = false; // a listing of the root was read once
    CDocShelfView* m_pView = nullptr;
    CDocShelfFileList* m_pFileList = nullptr;
    // Written by the work thread, painted by the user-interface thread.
    mutable std::mutex m_StatusLock;
    UINT m_nStatusId;
    std::string m_StatusUsed;
    std::string m_StatusFree;
    std::chrono::steady_clock::time_point m_LastCheckNow{};
    std::chrono::steady_clock::time_point m_LastRelistCheck{};
    int m_nRetryTicks = 0;
    int m_nRetryLevel = 0;
    // The remote paths automatic downloads took, hashed, with the version they took: a folder
    // of many files holds two small numbers each.
    std::unordered_map<uint64_t, uint64_t> m_AutoDownloaded;
    // Retries of automatic downloads that got no answer, by hashed remote path.
    std::unordered_map<uint64_t, int> m_AutoRetries;
    CAutoDownloads m_AutoDownloads;
};
