#include "ListingReport.h"

#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include "CoreLib.h"
#include "DSProtocol.h"
#include "DirThread.h"
#include "DownloadLog.h"
#include "EnginePort.h"
#include "LocalResource.h"
#include "PartialDownload.h"
#include "PathCodec.h"
#include "RecordUtil.h"
#include "Records.h"
#include "ResourceIds.h"
#include "ResultPost.h"
#include "Trace.h"
#include "WebDavMgr.h"

CListingReport::CListingReport(IDataRecord* pItem, CWDWorkThread* pThread)
    : m_pThread(pThread), m_unknownAuthor(LoadLocalString(kIdsUnknownAuthor)) {
    m_bHasItem = pItem->HasData(ds::key::InternalUserData) != 0;
    rec::GetU32(pItem, ds::key::InternalUserData, m_hItem);
    m_bHasApp = rec::GetU32(pItem, ds::key::ApplicationUserData, m_dwAppData);
    rec::GetU32(pItem, ds::key::Depth, m_dwDepth);
    m_relatePath = rec::GetStr(pItem, ds::key::RelatePath);
    m_bOneEntry = pItem->GetMethod() == ds::kWorkListEntry;
}

void CListingReport::Report(const DirEntry& entry) {
    // A listing for a row that is gone reports nothing.
    if (m_bHasItem && m_hItem == 0) {
        return;
    }
    if (entry.bFolderItself) {
        if (m_hItem != 0) {
            PostClearList();
            return;
        }
        if (m_bHasApp) {
            return;
        }
    }
    if (!entry.bDir && EqualsNoCase(entry.fileName, kChatFilterFileName)) {
        GetWebDavMgr()->FetchChatFilterFile(true);
    }
    if (!IsShown(entry)) {
        return;
    }
    std::string author;
    if (!entry.bDir) {
        author = entry.author.empty() ? m_unknownAuthor : Utf8ToAnsi(DecodePath(entry.author));
    }
    if (m_hItem != 0) {
        m_pThread->SetHasVisualableFile();
        PostEntry(ds::kToDirList, m_bOneEntry ? ds::kDirUpdateEntry : ds::kDirAddEntry, entry,
                  author);
        PostEntry(ds::kToTransferEntries, ds::kTransferListingEntry, entry, author);
    }
    if (m_bHasApp) {
        if (IDocShelfContainerItf* pHost = GetEnginePort()->GetHostContainer()) {
            pHost->OnDirectoryEntry(m_relatePath.c_str(), 0, static_cast<int32_t>(m_dwAppData),
                                    entry.fileName.c_str(), entry.length, entry.bDir ? 1 : 0);
        }
    }
}

bool CListingReport::IsShown(const DirEntry& entry) const {
    // An upload in progress sits under its temporary name.
    if (EndsWithNoCase(entry.fileName, ds::kUploadTempSuffix)) {
        return false;
    }
    // Never offered for download under a name the component keeps for its own files.
    if (IsComponentOwnName(entry.fileName)) {
        TraceError("dshelf - CListingReport; %s is a name of the component's own, not listed",
                   entry.fileName.c_str());
        return false;
    }
    if (!entry.bDir && EqualsNoCase(entry.fileName, kChatFilterFileName)) {
        IEnginePort* pShelf = GetEnginePort();
        return pShelf->CanUpload() == 1 && (pShelf->GetUserRole() & kChatFilterRoles) != 0;
    }
    return true;
}

void CListingReport::PostEntry(uint32_t method, uint32_t sub, const DirEntry& entry,
                               const std::string& author) const {
    IDataRecord* pRec = m_pThread->CreateDataRecord();
    if (pRec == nullptr) {
        return;
    }
    ds::ListingEntryRecord record;
    record.depth = m_dwDepth;
    record.hItem = m_hItem;
    record.bDir = entry.bDir;
    record.relatedPath = entry.relatedPath;
    record.fileName = entry.fileName;
    record.extName = entry.extName;
    record.length = entry.length;
    record.bLengthKnown = entry.bLengthKnown;
    record.author = author;
    ds::WriteListingEntry(pRec, method, sub, record);
    PostWorkResult(pRec);
}

void CListingReport::PostClearList() const {
    if (IDataRecord* pRec = m_pThread->CreateDataRecord()) {
        pRec->SetMethod(ds::kToDirList);
        rec::SetU32(pRec, ds::key::SubMethod, ds::kDirClearList);
        rec::SetU32(pRec, ds::key::Item, m_hItem);
        PostWorkResult(pRec);
    }
}

void ReconcileLocalDirectory(const std::string& localDir, const std::string& folder,
                             const ListingOutcome& listing) {
    if (localDir.empty()) {
        return;
    }
    partial::Sweep(localDir);
    std::map<std::string, const DirEntry*> onServer;
    for (const DirEntry& e : listing.entries) {
        if (!e.bDir && !e.bFolderItself) {
            onServer[e.fileName] = &e;
        }
    }
    CDownloadLog::Update(localDir, [&](DownloadRecords& downloaded) {
        for (auto it = downloaded.begin(); it != downloaded.end();) {
            const std::string local = localDir + it->first;
            if (!CDownloadLog::IsUnchanged(local, it->second)) {
                // Gone, or changed by the user since: no longer the component's to remove.
                it = downloaded.erase(it);
                continue;
            }
            // Only a file from this folder can be judged by its listing.
            if (it->second.serverPath != folder + it->first) {
                ++it;
                continue;
            }
            // An unknown length on the server is no difference.
            auto server = onServer.find(it->first);
            if (server != onServer.end() &&
                (!server->second->bLengthKnown || server->second->length == it->second.size)) {
                ++it;
                continue;
            }
            if (::unlink(local.c_str()) == 0) {
                TraceInfo("dshelf - ReconcileLocalDirectory; removed %s", local.c_str());
                it = downloaded.erase(it);
            } else {
                ++it;
            }
        }
    });
}
