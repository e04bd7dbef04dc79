// SPDX-License-Identifier: Apache-2.0
#include "DocShelfItfMgr.h"

#include <strings.h>

#include "DocShelfAutoDownload.h"
#include "DocShelfInfo.h"
#include "DocShelfMgr.h"
#include "DocShelfPanel.h"
#include "DocShelfTransfers.h"
#include "DocShelfTransport.h"
#include "WebDavMgr.h"

int32_t CMXDocShelfItfMgr::QueryItf(const char* pszName, void** ppItf) {
    // Unknown names leave the out-pointer alone; callers test it.
    if (pszName == nullptr || ppItf == nullptr) {
        return 1;
    }
    if (strcasecmp(pszName, "IDocShelf") == 0) {
        CDocShelfMgr* mgr = GetDocShelfMgr();
        *ppItf = static_cast<IDocShelfItf*>(mgr);
        mgr->SetItfMgr(this);
    } else if (strcasecmp(pszName, "IDocShelfPanel") == 0) {
        *ppItf = static_cast<IDocShelfPanelItf*>(GetDocShelfPanel());
    } else if (strcasecmp(pszName, "IDocShelfTransport") == 0) {
        *ppItf = static_cast<IDocShelfTransportItf*>(GetDocShelfTransport());
    } else if (strcasecmp(pszName, "IDocShelfTransfers") == 0) {
        *ppItf = static_cast<IDocShelfTransfersItf*>(GetDocShelfTransfers());
    } else if (strcasecmp(pszName, "IDocShelfAutoDownload") == 0) {
        *ppItf = static_cast<IDocShelfAutoDownloadItf*>(GetDocShelfAutoDownload());
    } else if (strcasecmp(pszName, "IDocShelfInfo") == 0) {
        *ppItf = static_cast<IDocShelfInfoItf*>(GetDocShelfInfo());
    }
    return 1;
}

int32_t CMXDocShelfItfMgr::InitComp(HWND hWnd, int32_t /*nReserved*/) {
    CDocShelfMgr* mgr = GetDocShelfMgr();
    mgr->SetParentWnd(hWnd);
    mgr->SetItfMgr(this);
    mgr->Init();
    mgr->RefreshRoot();
    return 1;
}

int32_t CMXDocShelfItfMgr::ReleaseComp() {
    int32_t result = static_cast<int32_t>(GetWebDavMgr()->Shutdown());
    GetWebDavMgr()->ResetTransport();
    // The host may create the component again in this process; it then starts afresh.
    GetDocShelfMgr()->Reset();
    return result;
}

CMXDocShelfItfMgr* GetItfMgrInstance() {
    static CMXDocShelfItfMgr instance;
    return &instance;
}
