#include "ResultPost.h"

#include <atomic>

#include "CoreLib.h"
#include "DocShelfMgr.h"
#include "DocShelfView.h"

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
    CDocShelfView* pView = GetDocShelfMgr()->GetView();
    if (pView == nullptr) {
        pData->Release();
        return;
    }
    pView->PostWorkResult(pData);
}
