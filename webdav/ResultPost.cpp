#include "ResultPost.h"

#include <atomic>
#include <string>

#include "CoreLib.h"
#include "DSProtocol.h"
#include "DocShelfMgr.h"
#include "RecordUtil.h"

namespace {

std::atomic<WorkResultObserver> s_pfnObserver{nullptr};
std::atomic<void*> s_pObserverContext{nullptr};

} // namespace

void SetWorkResultObserver(WorkResultObserver pfnObserver, void* pContext) {
    s_pObserverContext = pContext;
    s_pfnObserver = pfnObserver;
}

void PostWorkResult(IDataRecord* pData) {
    if (pData == nullptr) {
        return;
    }
    if (WorkResultObserver pfn = s_pfnObserver.load()) {
        pfn(s_pObserverContext.load(), pData);
    }
    GetDocShelfMgr()->PostToView(pData);
}

void ReleaseWorkResult(IDataRecord* pData) {
    if (pData == nullptr) {
        return;
    }
    delete rec::GetPtr<std::string>(pData, ds::key::Message);
    pData->RemoveData(ds::key::Message);
    pData->Release();
}
