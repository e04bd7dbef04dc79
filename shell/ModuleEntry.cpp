// SPDX-License-Identifier: Apache-2.0
// The two functions the component exports.

#include <strings.h>

#include "DocShelf.h"
#include "DocShelfItfMgr.h"

#define DS_EXPORT extern "C" __attribute__((visibility("default")))

DS_EXPORT int CreateComp(const char* pszName, IMXCCItfMgr** ppItfMgr) {
    if (pszName == nullptr || ppItfMgr == nullptr ||
        (strcasecmp(pszName, "Default") != 0 && strcasecmp(pszName, "CCDocShelf") != 0)) {
        return -1;
    }
    *ppItfMgr = GetItfMgrInstance();
    return 0;
}

DS_EXPORT int DestroyComp(IMXCCItfMgr* pItfMgr) {
    if (pItfMgr != nullptr) {
        pItfMgr->ReleaseComp();
    }
    return 0;
}
