#include "ResultPost.h"

#include "CoreLib.h"
#include "DocShelfMgr.h"
#include "DocShelfView.h"

void PostWorkResult(IDataRecord* pData) {
    if (pData == nullptr) {
        return;
    }
    CDocShelfView* pView = GetDocShelfMgr()->GetView();
    if (pView == nullptr) {
        pData->Release();
        return;
    }
    pView->PostWorkResult(pData);
}
