// SPDX-License-Identifier: Apache-2.0
#include "TransferCanceller.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

#include "DocShelfTypes.h"
#include "HostLog.h"
#include "IDocShelfTransfersItf.h"

void CTransferCanceller::Configure(IDocShelfTransfersItf* pTransfers, double seconds) {
    m_pTransfers = seconds > 0 ? pTransfers : nullptr;
    m_Seconds = seconds;
}

void CTransferCanceller::Started(int32_t nUserData) {
    if (m_pTransfers == nullptr)
        return;
    const uint32_t taskId = m_pTransfers->GetLastTaskId();
    if (taskId == 0) {
        CHostLog::Instance().Diag("transfer %d has no task id; it cannot be cancelled", nUserData);
        return;
    }
    m_Running[nUserData] = taskId;
    const int ms = std::max(1, static_cast<int>(std::ceil(m_Seconds * 1000)));
    QTimer::singleShot(ms, Qt::PreciseTimer, this,
                       [this, nUserData, taskId] { OnDue(nUserData, taskId); });
}

void CTransferCanceller::OnDue(int32_t nUserData, uint32_t dwTaskId) {
    auto it = m_Running.find(nUserData);
    if (m_pTransfers == nullptr || it == m_Running.end() || it->second != dwTaskId)
        return; // ended in time
    // 0: it ended meanwhile, and its callback says how.
    if (m_pTransfers->CancelTransfer(dwTaskId) == 1)
        m_Cancelled.insert(nUserData);
}

bool CTransferCanceller::Ended(int32_t nUserData, int32_t nResult) {
    m_Running.erase(nUserData);
    if (m_Cancelled.erase(nUserData) == 0 || nResult != DS_RESULT_CANCELLED)
        return false;
    CHostLog::Instance().Diag("transfer %d cancelled after %g s", nUserData, m_Seconds);
    return true;
}

void CTransferCanceller::Stop() {
    m_pTransfers = nullptr;
    m_Running.clear();
    m_Cancelled.clear();
}
