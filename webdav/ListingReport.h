// SPDX-License-Identifier: Apache-2.0
// Turns the entries of a listing that was read into records for the panel's two lists and
// calls to the host, and fetches the chat filter file when the listing shows one.
#pragma once

#include <cstdint>
#include <string>

#include "ListingReader.h"
#include "Records.h"

class CWDWorkThread;
class IDataRecord;

class CListingReport {
public:
    // relatedPath: the listed folder's, "/Presenter/".
    CListingReport(IDataRecord* pItem, CWDWorkThread* pThread, std::string relatedPath);

    void Report(const DirEntry& entry);
    // Posts the rows still gathered; the listing's last call.
    void Flush();

private:
    bool IsShown(const DirEntry& entry) const;
    ds::ListingEntryRecord RowOf(const DirEntry& entry, const std::string& author) const;
    void PostEntry(uint32_t method, uint32_t sub, const ds::ListingEntryRecord& row) const;
    void PostClearList();

    CWDWorkThread* m_pThread;
    uint32_t m_hItem = 0;
    bool m_bHasItem = false;
    bool m_bHasApp = false;
    uint32_t m_dwAppData = 0;
    uint32_t m_dwDepth = 0;
    bool m_bOneEntry = false; // its row is replaced, not added to a cleared list
    std::string m_relatePath;
    std::string m_relatedPath; // of the rows
    // Shown for a file without an uploader; loaded once per listing.
    std::string m_unknownAuthor;
    // Rows for the directory list, which hands them on to the transfer list.
    ds::ListingEntryBatch m_Rows;
};

// The one-time clean-up of the local save directory after the presenter folder was read:
// files the component downloaded there from that folder whose server copy is gone or has
// another size are removed. A file the user changed since (its size or modification time), one
// from another folder, one whose server length is unknown, or one that never came from the
// component, stays.
void ReconcileLocalDirectory(const std::string& localDir, const std::string& folder,
                             const ListingOutcome& listing);
