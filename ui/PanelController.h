// What the panel does beyond showing rows: the status line of the server folder, the series of
// server checks while the server cannot be reached, the automatic downloads, the texts for the
// meeting, and the server folders made when the panel starts. The directory list shows rows and
// hands these to its controller.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "AfxTypes.h"

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

    // The server folders the panel lists (the server directory's parent, the directory and
    // rootFolder in it); false when there is no server directory yet.
    bool MakeServerFolders(const std::string& rootFolder);

    // Status; any thread.
    std::string GetStatusText() const;
    void OnServerAvailable(bool bAvailable);
    // A listing of the panel ended; usedSpace is what its rows add up to.
    void OnListingFinished(bool bRead, uint64_t usedSpace);

    // One tick of the retry timer: checks 1, 2, 4, 8, 8, ... ticks apart while the server
    // cannot be reached.
    void OnRetryTick();
    // The server answered: the series starts again from its shortest pause.
    void ResetRetry();

    // A file of the presenter folder was listed: fetched into the save directory when the user
    // asked for automatic downloads, once per file, never over a file of the user's.
    void OnFileListed(const DSItemInfo& entry);

    // A text for the meeting, handed to the host.
    void RelayHostMessage(std::unique_ptr<std::string> pText);

private:
    // The status is kept as a string id (and the sizes for the space text), so that it
    // follows the user-interface language.
    void SetStatus(UINT nStringId, const std::string& used = {}, const std::string& free = {});
    bool MayDownloadAutomatically(const DSItemInfo& entry, const std::string& local) const;

    CDocShelfView* m_pView = nullptr;
    CDocShelfFileList* m_pFileList = nullptr;
    // Written by the work thread, painted by the user-interface thread.
    mutable std::mutex m_StatusLock;
    UINT m_nStatusId;
    std::string m_StatusUsed;
    std::string m_StatusFree;
    int m_nRetryTicks = 0;
    int m_nRetryLevel = 0;
    std::set<std::string> m_AutoDownloaded;
};
