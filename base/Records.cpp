// SPDX-License-Identifier: Apache-2.0
#include "Records.h"

#include <cstring>
#include <string_view>

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
    rec::SetU64(pRec, key::EntryTag, entry.tag);
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
    rec::GetU64(pRec, key::EntryTag, entry.tag);
    return entry;
}

namespace {

template <typename T> void PutRaw(std::string& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void PutText(std::string& out, const std::string& text) {
    PutRaw(out, static_cast<uint32_t>(text.size()));
    out.append(text);
}

template <typename T> bool TakeRaw(std::string_view& in, T& value) {
    if (in.size() < sizeof value) {
        return false;
    }
    std::memcpy(&value, in.data(), sizeof value);
    in.remove_prefix(sizeof value);
    return true;
}

bool TakeText(std::string_view& in, std::string& text) {
    uint32_t n = 0;
    if (!TakeRaw(in, n) || in.size() < n) {
        return false;
    }
    text.assign(in.data(), n);
    in.remove_prefix(n);
    return true;
}

constexpr uint8_t kPackedDir = 1;
constexpr uint8_t kPackedLengthKnown = 2;

} // namespace

void ListingEntryBatch::Add(const ListingEntryRecord& entry) {
    if (m_nCount++ == 0) {
        m_first = entry;
    }
    PutRaw(m_packed, static_cast<uint8_t>((entry.bDir ? kPackedDir : 0) |
                                          (entry.bLengthKnown ? kPackedLengthKnown : 0)));
    PutRaw(m_packed, entry.length);
    PutRaw(m_packed, entry.tag);
    PutText(m_packed, entry.fileName);
    PutText(m_packed, entry.extName);
    PutText(m_packed, entry.author);
}

void ListingEntryBatch::Write(IDataRecord* pRec, uint32_t method, uint32_t sub) {
    pRec->SetMethod(method);
    rec::SetU32(pRec, key::SubMethod, sub);
    rec::SetU32(pRec, key::EntryDepth, m_first.depth);
    rec::SetU32(pRec, key::Item, m_first.hItem);
    rec::SetStr(pRec, key::RelatedPath, m_first.relatedPath);
    pRec->SetData(key::Entries, m_packed.data(), static_cast<uint32_t>(m_packed.size()));
    m_packed.clear();
    m_packed.shrink_to_fit();
    m_nCount = 0;
}

bool ReadListingEntries(IDataRecord* pRec,
                        const std::function<void(const ListingEntryRecord&)>& fn) {
    ListingEntryRecord entry;
    rec::GetU32(pRec, key::EntryDepth, entry.depth);
    rec::GetU32(pRec, key::Item, entry.hItem);
    entry.relatedPath = rec::GetStr(pRec, key::RelatedPath);
    const char* p = static_cast<const char*>(pRec->GetDataPtr(key::Entries));
    std::string_view in(p != nullptr ? p : "", p != nullptr ? pRec->GetDataSize(key::Entries) : 0);
    while (!in.empty()) {
        uint8_t flags = 0;
        if (!TakeRaw(in, flags) || !TakeRaw(in, entry.length) || !TakeRaw(in, entry.tag) ||
            !TakeText(in, entry.fileName) || !TakeText(in, entry.extName) ||
            !TakeText(in, entry.author)) {
            return false;
        }
        entry.bDir = (flags & kPackedDir) != 0;
        entry.bLengthKnown = (flags & kPackedLengthKnown) != 0;
        fn(entry);
    }
    return true;
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
