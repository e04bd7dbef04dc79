// SPDX-License-Identifier: Apache-2.0
// The host's interface manager: the component asks it for "IDocShelfContainerItf".
#pragma once

#include "DocShelf.h"

class CHostItfMgr final : public IMXItfMgr {
public:
    explicit CHostItfMgr(IDocShelfContainerItf* pContainer) : m_pContainer(pContainer) {}

    // 1 and the interface for a known name (any letter case); 0 and *ppItf untouched otherwise.
    int32_t QueryItf(const char* pszName, void** ppItf) override;

private:
    IDocShelfContainerItf* m_pContainer;
};
