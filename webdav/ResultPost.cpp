#include "ResultPost.h"

#include <atomic>
#include <string>

#include "CoreLib.h"
#include "DocShelfMgr.h"
#include "DocShelfView.h"
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
    CDocShelfMgr* pShelf = GetDocShelfMgr();
    if (pData->GetMethod() == 1 && pShelf->GetDirListCtrl() == nullptr) {
        // The message text belongs to the directory list, which frees it; without a list
        // nobody would.
        if (auto* pMessage = rec::GetPtr<std::string>(pData, "pMessage")) {
            delete pMessage;
            pData->RemoveData("pMessage");
        }
    }
    CDocShelfView* pView = pShelf->GetView();
    if (pView == nullptr) {
        pData->Release();
        return;
    }
    pView->PostWorkResult(pData);
}
