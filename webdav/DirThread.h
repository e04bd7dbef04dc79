// SPDX-License-Identifier: Apache-2.0
// The directory work thread: runs listings, folder creation, deletion, moves and server checks
// one at a time from a queue, and posts their outcome as records to the panel view.
#pragma once

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "KnownAuthors.h"
#include "ListingReader.h"
#include "ProgressWatch.h"
#include "Thread.h"

class CWatchedSession;
class IDataFactory;
class IDataRecord;
struct ServerSettings;

class CWDWorkThread : public qk::CThread {
public:
    // Beyond this many waiting items new ones are dropped: nothing outside the host may make the
    // queue grow without end.
    static constexpr size_t kMaxQueuedWork = 10000;

    CWDWorkThread();
    ~CWDWorkThread();

    // Any thread; takes over the item.
    void PushWork(IDataRecord* pItem);
    void Run() override;
    // A record of this thread's factory, or null before Run has fetched it.
    IDataRecord* CreateDataRecord();
    void SetHasVisualableFile() { m_bHasVisualableFile = 1; }
    int HasVisualableFile() const { return m_bHasVisualableFile; }
    size_t QueuedCount();
    // Work is queued or running.
    bool IsBusy() const { return m_nPending.load() > 0; }
    // What the latest listing that ended came to (a ds::ListResult). Set before the host hears
    // of its end, so the host's end call may read it.
    uint32_t LastListResult() const { return m_nLastListResult.load(); }
    // For tests: removes and returns the oldest queued item (the caller releases it).
    IDataRecord* TakeQueuedWork() {
        IDataRecord* pItem = PopWork();
        if (pItem != nullptr) {
            --m_nPending;
        }
        return pItem;
    }

private:
    IDataRecord* PopWork();
    CWatchedSession& DirSession(const ServerSettings& settings);
    CWatchedSession& DirSession(const ServerSettings& settings, const CProgressWatch::Limit& limit);
    void ReturnDirSession();
    bool IsMergedListing(IDataRecord* pItem) const;
    void RunQueued();
    void ProcessWork(IDataRecord* pItem);
    void OnWorkDone(IDataRecord* pItem);
    void DoMove(IDataRecord* pItem);
    void DoDelete(IDataRecord* pItem);
    void DoMKCol(IDataRecord* pItem);
    void DoRefreshDir(IDataRecord* pItem);
    void DoRefreshEntry(IDataRecord* pItem);
    ListingOutcome ListOnDirSession(IDataRecord* pItem, const ServerSettings& settings,
                                    const std::string& folder);
    void MakeFoldersUpTo(const ServerSettings& settings, const std::string& folder);
    void DoCheckServer(IDataRecord* pItem);
    void OnMoveDone(IDataRecord* pItem);
    void OnDeleteDone(IDataRecord* pItem);
    void OnMKColDone(IDataRecord* pItem);
    void OnRefreshDirDone(IDataRecord* pItem);
    void OnCheckServerDone(IDataRecord* pItem);
    void PostListingEnd(IDataRecord* pItem, uint32_t method, uint32_t listResult);

    // The session of the item that runs, and the settings of the latest; only the thread
    // touches them.
    std::unique_ptr<CWatchedSession> m_pSession;
    std::unique_ptr<ServerSettings> m_pSessionSettings;
    // What the listings learned of authors; it goes when the settings change.
    CKnownAuthors m_KnownAuthors;
    std::mutex m_QueueLock;
    std::deque<IDataRecord*> m_Queue;
    std::atomic<IDataFactory*> m_pDataFactory{nullptr};
    int m_bHasVisualableFile = 0;
    std::atomic<int> m_nPending{0};
    std::atomic<uint32_t> m_nLastListResult{0};
};
