// SPDX-License-Identifier: Apache-2.0
#include "ListingReport.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

CListingReport::CListingReport(IDataRecord* pItem, CWDWorkThread* pThread, std::string relatedPath)
    : m_pThread(pThread), m_relatedPath(std::move(relatedPath)),
      m_unknownAuthor(LoadLocalString(kIdsUnknownAuthor)) {
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
            Flush();
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
        const ds::ListingEntryRecord row = RowOf(entry, author);
        if (m_bOneEntry) {
            PostEntry(ds::kToDirList, ds::kDirUpdateEntry, row);
            PostEntry(ds::kToTransferEntries, ds::kTransferListingEntry, row);
        } else {
            m_Rows.Add(row);
            if (m_Rows.Count() >= ds::ListingEntryBatch::kMaxEntries) {
                Flush();
            }
        }
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

ds::ListingEntryRecord CListingReport::RowOf(const DirEntry& entry,
                                             const std::string& author) const {
    ds::ListingEntryRecord record;
    record.depth = m_dwDepth;
    record.hItem = m_hItem;
    record.bDir = entry.bDir;
    record.relatedPath = m_relatedPath;
    record.fileName = entry.fileName;
    record.extName = entry.bDir ? std::string() : ExtensionOf(entry.fileName);
    record.length = entry.length;
    record.bLengthKnown = entry.bLengthKnown;
    record.author = author;
    record.tag = entry.tag;
    return record;
}

void CListingReport::PostEntry(uint32_t method, uint32_t sub,
                               const ds::ListingEntryRecord& row) const {
    if (IDataRecord* pRec = m_pThread->CreateDataRecord()) {
        ds::WriteListingEntry(pRec, method, sub, row);
        PostWorkResult(pRec);
    }
}

void CListingReport::Flush() {
    if (m_Rows.Count() == 0) {
        return;
    }
    if (IDataRecord* pRec = m_pThread->CreateDataRecord()) {
        m_Rows.Write(pRec, ds::kToDirList, ds::kDirAddEntries);
        PostWorkResult(pRec);
    } else {
        m_Rows = ds::ListingEntryBatch();
    }
}

void CListingReport::PostClearList() {
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
    // Sorted pointers: a map of a large folder's names cost more than the listing itself.
    std::vector<const DirEntry*> onServer;
    for (const DirEntry& e : listing.entries) {
        if (!e.bDir && !e.bFolderItself) {
            onServer.push_back(&e);
        }
    }
    const auto byName = [](const DirEntry* a, const DirEntry* b) {
        return a->fileName < b->fileName;
    };
    std::sort(onServer.begin(), onServer.end(), byName);
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
            DirEntry probe;
            probe.fileName = it->first;
            const auto server = std::lower_bound(onServer.begin(), onServer.end(), &probe, byName);
            if (server != onServer.end() && (*server)->fileName == it->first &&
                (!(*server)->bLengthKnown || (*server)->length == it->second.size)) {
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
