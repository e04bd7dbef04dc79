// SPDX-License-Identifier: Apache-2.0
// The host framework's module base interface and its interface managers.
#pragma once

#include <cstdint>

#include "DocShelfTypes.h"

class IMXCCItfMgr;

// Base of every module interface a host interface manager hands out.
class IMXModuleItf {
public:
    IMXModuleItf() = default;
    IMXModuleItf(const IMXModuleItf&) = delete;
    IMXModuleItf& operator=(const IMXModuleItf&) = delete;

    virtual ~IMXModuleItf();
    virtual int32_t AddRef();
    virtual int32_t Release();
    virtual void SetItfMgr(IMXCCItfMgr* pItfMgr);
    virtual IMXCCItfMgr* GetItfMgr();
    virtual void CheckThread();

protected:
    int32_t m_nRefCount = 1;
    IMXCCItfMgr* m_pItfMgr = nullptr;
    uint32_t m_dwOwnerThread = 0;
};

// Base of every interface manager: query an interface by name.
class IMXItfMgr {
public:
    virtual ~IMXItfMgr() = default;
    virtual int32_t QueryItf(const char* pszName, void** ppItf) = 0;
};

// The kind of manager CreateComp hands out.
class IMXCCItfMgr : public IMXItfMgr {
public:
    int32_t QueryItf(const char* pszName, void** ppItf) override = 0;
    virtual int32_t SetHostItfMgr(IMXItfMgr* pHostItfMgr);
    virtual int32_t QueryHostItf(const char* pszName, void** ppItf);
    virtual int32_t InitComp(HWND hWnd, int32_t nReserved) = 0;
    virtual int32_t ReleaseComp() = 0;

protected:
    IMXItfMgr* m_pHostItfMgr = nullptr;
};
