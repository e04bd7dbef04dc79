// The panel view: takes over the host window, lays out the two lists, paints their captions
// and routes every posted record to its receiver on the user-interface thread.
// (Placeholder until the framework layer lands: records are released at once.)
#pragma once

#include <cstdint>

#include "DocShelfTypes.h"

class CDSDirListCtrl;
class IDataRecord;
class IMXCCItfMgr;

class CDocShelfView {
public:
    CDocShelfView() = default;
    ~CDocShelfView() = default;

    bool SubclassWindow(HWND hWnd);
    void CreateControls(IMXCCItfMgr* pItfMgr);
    // Any thread. Takes over the record.
    int PostWorkResult(IDataRecord* pData);
    void InvalidateHeader();
    CDSDirListCtrl* GetDirListCtrl() const { return nullptr; }
};
