#include "Records.h"

#include "CoreLib.h"
#include "RecordUtil.h"

namespace ds {

void WriteListingEntry(IDataRecord* pRec, uint32_t method, uint32_t sub,
                       const ListingEntryRecord& entry) {
    pRec->SetMethod(method);
    rec::SetU32(pRec, key::SubMethod, sub);
    rec::SetU32(pRec, key::EntryDepth, entry.depth);
    rec::SetU32(pRec, key::Item, entry.hItem);
    rec::SetU32(pRec, key::IsDir, entry.bDir ? 1 : 0);
    rec::SetStr(pRec, key::RelatedPath, entry.relatedPath);
    rec::SetStr(pRec, key::FileName, entry.fileName);
    rec::SetStr(pRec, key::ExtName, entry.extName);
    rec::SetU64(pRec, key::FileLength, entry.length);
    if (!entry.bDir && !entry.bLengthKnown) {
        rec::SetU32(pRec, key::LengthUnknown, 1);
    }
    rec::SetStr(pRec, key::Author, entry.author);
}

ListingEntryRecord ReadListingEntry(IDataRecord* pRec) {
    ListingEntryRecord entry;
    uint32_t bDir = 0, bUnknown = 0;
    rec::GetU32(pRec, key::EntryDepth, entry.depth);
    rec::GetU32(pRec, key::Item, entry.hItem);
    rec::GetU32(pRec, key::IsDir, bDir);
    entry.bDir = bDir != 0;
    entry.relatedPath = rec::GetStr(pRec, key::RelatedPath);
    entry.fileName = rec::GetStr(pRec, key::FileName);
    entry.extName = rec::GetStr(pRec, key::ExtName);
    rec::GetU64(pRec, key::FileLength, entry.length);
    entry.bLengthKnown = !rec::GetU32(pRec, key::LengthUnknown, bUnknown) || bUnknown == 0;
    entry.author = rec::GetStr(pRec, key::Author);
    return entry;
}

void WriteListingDone(IDataRecord* pRec, uint32_t method, const ListingDoneRecord& done) {
    pRec->SetMethod(method);
    rec::SetU32(pRec, key::SubMethod,
                method == kToDirList ? uint32_t{kDirListingFinished} : uint32_t{kListDone});
    rec::SetU32(pRec, key::Item, done.hItem);
    rec::SetStr(pRec, key::FullPath, done.fullPath);
    if (method == kToWebDavMgr) {
        rec::SetU32(pRec, key::HasVisibleFile, done.hasVisibleFile);
    }
    rec::SetU32(pRec, key::ListResult, done.listResult);
}

ListingDoneRecord ReadListingDone(IDataRecord* pRec) {
    ListingDoneRecord done;
    rec::GetU32(pRec, key::Item, done.hItem);
    done.fullPath = rec::GetStr(pRec, key::FullPath);
    rec::GetU32(pRec, key::ListResult, done.listResult);
    rec::GetU32(pRec, key::HasVisibleFile, done.hasVisibleFile);
    return done;
}

void WriteTransferEvent(IDataRecord* pRec, const TransferEventRecord& event) {
    pRec->SetMethod(kToTransferList);
    rec::SetU32(pRec, key::SubMethod, event.sub);
    rec::SetU32(pRec, key::TaskID, event.taskId);
    if (event.sub == kUploadEnded || event.sub == kDownloadEnded) {
        rec::SetU32(pRec, key::ErrorCode, event.result);
    }
}

TransferEventRecord ReadTransferEvent(IDataRecord* pRec) {
    TransferEventRecord event;
    rec::GetU32(pRec, key::SubMethod, event.sub);
    rec::GetU32(pRec, key::TaskID, event.taskId);
    rec::GetU32(pRec, key::ErrorCode, event.result);
    return event;
}

void WriteProgress(IDataRecord* pRec, const ProgressRecord& progress) {
    pRec->SetMethod(kToTransferList);
    rec::SetU32(pRec, key::SubMethod, progress.sub);
    rec::SetU32(pRec, key::TaskID, progress.taskId);
    rec::SetI64(pRec, key::TotalLength, progress.total);
    rec::SetI64(pRec, key::CurrentProgress, progress.current);
}

ProgressRecord ReadProgress(IDataRecord* pRec) {
    ProgressRecord progress;
    rec::GetU32(pRec, key::SubMethod, progress.sub);
    rec::GetU32(pRec, key::TaskID, progress.taskId);
    pRec->GetData(key::TotalLength, &progress.total, sizeof progress.total);
    pRec->GetData(key::CurrentProgress, &progress.current, sizeof progress.current);
    return progress;
}

void WriteHostMessage(IDataRecord* pRec, std::string text) {
    pRec->SetMethod(kToDirList);
    rec::SetU32(pRec, key::SubMethod, kDirHostMessage);
    rec::SetPtr(pRec, key::Message, new std::string(std::move(text)));
}

std::unique_ptr<std::string> TakeHostMessage(IDataRecord* pRec) {
    std::unique_ptr<std::string> pText(rec::GetPtr<std::string>(pRec, key::Message));
    pRec->RemoveData(key::Message);
    return pText;
}

} // namespace ds
