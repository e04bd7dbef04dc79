// SPDX-License-Identifier: Apache-2.0
// The interface manager that CreateComp hands to the host.
#pragma once

#include "MXModuleItf.h"

class CMXDocShelfItfMgr final : public IMXCCItfMgr {
public:
    int32_t QueryItf(const char* pszName, void** ppItf) override;
    int32_t InitComp(HWND hWnd, int32_t nReserved) override;
    int32_t ReleaseComp() override;
};

// The singleton, created on first call.
CMXDocShelfItfMgr* GetItfMgrInstance();
