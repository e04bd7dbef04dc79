// SPDX-License-Identifier: Apache-2.0
// The records that cross from the engine's threads to the user-interface thread, one writer and
// one reader per kind side by side: nobody else touches their keys. On the wire between the
// parts they are the keyed records they always were. Every reader takes what it finds; a key
// that is missing leaves its default.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "DSProtocol.h"

class IDataRecord;

namespace ds {

// One entry of a listing, for the directory list (kToDirList, kDirAddEntry) or the transfer
// list (kToTransferEntries, kTransferListingEntry).
struct ListingEntryRecord {
    uint32_t depth = 0;
    uint32_t hItem = 0;
    bool bDir = false;
    std::string relatedPath; // the listed folder, relative to the server directory
    std::string fileName;
    std::string extName;
    uint64_t length = 0; // 0 while unknown
    bool bLengthKnown = true;
    std::string author;
    uint64_t tag = 0; // the version the server gives (its ETag, hashed), 0 when none
};
void WriteListingEntry(IDataRecord* pRec, uint32_t method, uint32_t sub,
                       const ListingEntryRecord& entry);
ListingEntryRecord ReadListingEntry(IDataRecord* pRec);

// Many entries of one listing in one record (kDirAddEntries): a record per entry cost a
// kilobyte each while the panel caught up with a large folder.
class ListingEntryBatch {
public:
    // Entries of one folder, for one row item at one depth.
    static constexpr size_t kMaxEntries = 256;

    void Add(const ListingEntryRecord& entry);
    size_t Count() const { return m_nCount; }
    // Writes the batch into the record and empties it.
    void Write(IDataRecord* pRec, uint32_t method, uint32_t sub);

private:
    std::string m_packed;
    size_t m_nCount = 0;
    ListingEntryRecord m_first; // the batch's folder, item and depth
};
// Calls fn for each entry of a batch record, in order; false when the record is malformed (the
// entries before the fault were handed over).
bool ReadListingEntries(IDataRecord* pRec,
                        const std::function<void(const ListingEntryRecord&)>& fn);

// The end of a listing, for the directory list (kToDirList) or the WebDAV manager
// (kToWebDavMgr).
struct ListingDoneRecord {
    uint32_t hItem = 0;
    std::string fullPath;
    uint32_t listResult = kListOk;
    uint32_t hasVisibleFile = 0; // for the WebDAV manager only
};
void WriteListingDone(IDataRecord* pRec, uint32_t method, const ListingDoneRecord& done);
ListingDoneRecord ReadListingDone(IDataRecord* pRec);

// A transfer started or ended (kToTransferList); result only once ended.
struct TransferEventRecord {
    uint32_t sub = 0; // kUploadStarted ... kDownloadEnded
    uint32_t taskId = 0;
    uint32_t result = 0;
};
void WriteTransferEvent(IDataRecord* pRec, const TransferEventRecord& event);
TransferEventRecord ReadTransferEvent(IDataRecord* pRec);

// A transfer's progress (kToTransferList, kUploadProgress or kDownloadProgress), in 64 bits so
// that files of 2 GiB and more show their true share.
struct ProgressRecord {
    uint32_t sub = 0;
    uint32_t taskId = 0;
    int64_t total = -1; // -1: not known
    int64_t current = 0;
};
void WriteProgress(IDataRecord* pRec, const ProgressRecord& progress);
ProgressRecord ReadProgress(IDataRecord* pRec);

// A text for the meeting (kToDirList, kDirHostMessage). The text belongs to the record until
// the receiver takes it; one left there is freed with the record (ReleaseWorkResult).
void WriteHostMessage(IDataRecord* pRec, std::string text);
std::unique_ptr<std::string> TakeHostMessage(IDataRecord* pRec);

} // namespace ds
