#include "DocShelfView.h"

#include "CoreLib.h"
#include "Trace.h"

bool CDocShelfView::SubclassWindow(HWND) { return true; }

void CDocShelfView::CreateControls(IMXCCItfMgr*) {}

int CDocShelfView::PostWorkResult(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, "DocShelfView", 211, "pData", 0);
    pData->Release();
    return 0;
}

void CDocShelfView::InvalidateHeader() {}
