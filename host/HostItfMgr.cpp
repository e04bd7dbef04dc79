// SPDX-License-Identifier: Apache-2.0
#include "HostItfMgr.h"

#include <strings.h>

int32_t CHostItfMgr::QueryItf(const char* pszName, void** ppItf) {
    if (!pszName || !ppItf)
        return 0;
    if (strcasecmp(pszName, "IDocShelfContainerItf") != 0)
        return 0;
    *ppItf = static_cast<void*>(m_pContainer);
    return 1;
}
