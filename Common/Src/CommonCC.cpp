// SPDX-License-Identifier: Apache-2.0
// The module base interface shared by every module a host interface manager hands out.

#include "MXModuleItf.h"

#include <atomic>
#include <unistd.h>

#include "Trace.h"

IMXModuleItf::~IMXModuleItf() = default;

int32_t IMXModuleItf::AddRef() {
    return std::atomic_ref<int32_t>(m_nRefCount).fetch_add(1) + 1;
}

int32_t IMXModuleItf::Release() {
    // Modules are process-wide singletons: the count only counts.
    return std::atomic_ref<int32_t>(m_nRefCount).fetch_sub(1) - 1;
}

void IMXModuleItf::SetItfMgr(IMXCCItfMgr* pItfMgr) {
    m_pItfMgr = pItfMgr;
}

IMXCCItfMgr* IMXModuleItf::GetItfMgr() {
    return m_pItfMgr;
}

void IMXModuleItf::CheckThread() {
    const auto current = static_cast<uint32_t>(gettid());
    if (m_dwOwnerThread == 0) {
        m_dwOwnerThread = current;
        return;
    }
    if (current != m_dwOwnerThread) {
        ReportAssert("CommonCC", 47, "FALSE");
    }
}

int32_t IMXCCItfMgr::SetHostItfMgr(IMXItfMgr* pHostItfMgr) {
    m_pHostItfMgr = pHostItfMgr;
    return 0;
}

int32_t IMXCCItfMgr::QueryHostItf(const char* pszName, void** ppItf) {
    // Without a host manager there is nothing to ask; the caller's pointer stays as it was.
    if (m_pHostItfMgr == nullptr) {
        return 0;
    }
    return m_pHostItfMgr->QueryItf(pszName, ppItf);
}
