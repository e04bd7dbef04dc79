// SPDX-License-Identifier: Apache-2.0
// --cancel-after: cancels each host transfer that has not ended in time, through the component's
// "IDocShelfTransfers" extension, and tells a cancellation from other failures.
#pragma once

#include <QObject>

#include <cstdint>
#include <map>
#include <set>

class IDocShelfTransfersItf;

class CTransferCanceller : public QObject {
public:
    // pTransfers null or seconds not positive: nothing is ever cancelled.
    void Configure(IDocShelfTransfersItf* pTransfers, double seconds);
    // Right after the UploadFile or DownloadFile call of the action with this user data.
    void Started(int32_t nUserData);
    // When the transfer's callback came: true, and the diagnostic written, when the host had
    // cancelled it and it ended so.
    bool Ended(int32_t nUserData, int32_t nResult);
    // The run is over: no transfer is cancelled any more.
    void Stop();

private:
    void OnDue(int32_t nUserData, uint32_t dwTaskId);

    IDocShelfTransfersItf* m_pTransfers = nullptr;
    double m_Seconds = 0;
    // Host transfers not ended yet, by user data, with their task ids.
    std::map<int32_t, uint32_t> m_Running;
    std::set<int32_t> m_Cancelled;
};
