// SPDX-License-Identifier: Apache-2.0
#include "DocShelfTransfers.h"

#include "DocShelfMgr.h"
#include "Trace.h"
#include "WebDavMgr.h"

uint32_t CDocShelfTransfers::GetLastTaskId() {
    return GetDocShelfMgr()->GetLastTaskId();
}

int32_t CDocShelfTransfers::CancelTransfer(uint32_t dwTaskId) {
    TraceInfo("dshelf - CDocShelfTransfers::CancelTransfer(%u)", dwTaskId);
    return GetWebDavMgr()->CancelTransfer(dwTaskId) ? 1 : 0;
}

CDocShelfTransfers* GetDocShelfTransfers() {
    static CDocShelfTransfers s_transfers;
    return &s_transfers;
}
