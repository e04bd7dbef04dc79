// SPDX-License-Identifier: Apache-2.0
// The panel view: takes over the host window, lays out the two lists, paints their captions
// and routes every posted record to its receiver on the user-interface thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "AfxGdi.h"
#include "AfxTypes.h"
#include "AfxWnd.h"
#include "DocShelfTypes.h"

class CAccessibleText;
class CDSDirListCtrl;
class CDocShelfFileList;
class CPanelController;
class IDataRecord;
class IMXCCItfMgr;

// Carries one posted record to the view (wParam: the record, lParam: 0).
constexpr UINT WM_DSNOTIFY = WM_USER + 100;

class CDocShelfView : public CWnd {
public:
    CDocShelfView();
    ~CDocShelfView() override;

    // Takes over the host's window.
    BOOL SubclassWindow(HWND hWnd);
    void CreateControls(IMXCCItfMgr* pItfMgr);
    // Any thread. Takes over the record: it is released after handling, or here when it
    // cannot be posted.
    int PostWorkResult(IDataRecord* pData);
    // Any thread: repaints the directory caption strip.
    void InvalidateHeader();
    CDSDirListCtrl* GetDirListCtrl() const { return m_pDirList.get(); }
    CDocShelfFileList* GetFileList() const { return m_pFileList.get(); }
    CFont* GetCaptionFont() const { return m_pCaptionFont.get(); }
    IMXCCItfMgr* GetItfMgr() const { return m_pItfMgr; }

    // The list areas for a client rectangle; heights never go below zero.
    static void ComputeLayout(const RECT& client, RECT* pDirList, RECT* pFileList);
    // The areas of the last layout.
    RECT GetDirListRect() const { return m_rcDirList; }
    RECT GetFileListRect() const { return m_rcFileList; }
    // The directory caption as painted.
    std::string GetDirCaption() const;
    // The transfer list's caption, with the number of automatic downloads that wait.
    std::string GetTransferCaption() const;
    size_t WaitingDownloads() const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnTransferRecord(IDataRecord* pData);
    void OnSize();
    void OnPaint();
    LRESULT OnDSNotify(WPARAM wParam);
    void Layout();
    // What a screen reader is told of the lists and captions.
    void CreateAccessibleTexts();
    void UpdateAccessibleTexts();

    // Built by CreateControls; the controller outlives the lists that use it.
    std::unique_ptr<CPanelController> m_pController;
    std::unique_ptr<CDSDirListCtrl> m_pDirList;
    std::unique_ptr<CDocShelfFileList> m_pFileList;
    std::unique_ptr<CFont> m_pCaptionFont;
    // The two painted captions, for a screen reader.
    std::unique_ptr<CAccessibleText> m_pStatusText;
    std::unique_ptr<CAccessibleText> m_pTransferText;
    IMXCCItfMgr* m_pItfMgr = nullptr;
    // The window other threads post to; read without the UI thread's help.
    std::atomic<HWND> m_hPostWnd{nullptr};
    RECT m_rcDirList{};
    RECT m_rcFileList{};
};
