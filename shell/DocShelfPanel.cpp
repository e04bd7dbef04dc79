// SPDX-License-Identifier: Apache-2.0
#include "DocShelfPanel.h"

#include <algorithm>
#include <cstring>

#include "AfxPrompt.h"
#include "DSDirListCtrl.h"
#include "DocShelfFileList.h"
#include "DocShelfMgr.h"
#include "DocShelfView.h"
#include "TextBuffer.h"
#include "WebDavMgr.h"

namespace {

// A tab or a line break inside a text would split its line.
std::string Field(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

} // namespace

int32_t CDocShelfPanel::IsBusy() {
    return GetWebDavMgr()->IsBusy() ? 1 : 0;
}

std::string CDocShelfPanel::PanelText() {
    CDocShelfView* pView = GetDocShelfMgr()->GetView();
    if (pView == nullptr) {
        return std::string();
    }
    std::string text = "Caption\t" + Field(pView->GetDirCaption()) + "\n";
    if (CDSDirListCtrl* pList = pView->GetDirListCtrl()) {
        for (int row = 0; row < pList->GetItemCount(); ++row) {
            text += "DirRow";
            for (int col :
                 {CDSDirListCtrl::kColName, CDSDirListCtrl::kColAuthor, CDSDirListCtrl::kColSize}) {
                text += "\t" + Field(pList->GetItemText(row, col));
            }
            text += "\n";
        }
    }
    // Printed only while automatic downloads wait, so the lines stay as they were otherwise.
    if (pView->WaitingDownloads() != 0) {
        text += "TransferCaption\t" + Field(pView->GetTransferCaption()) + "\n";
    }
    if (CDocShelfFileList* pList = pView->GetFileList()) {
        for (int row = 0; row < pList->GetItemCount(); ++row) {
            text += "TransferRow";
            for (int col : {CDocShelfFileList::kColName, CDocShelfFileList::kColStatus,
                            CDocShelfFileList::kColSize, CDocShelfFileList::kColProgress}) {
                text += "\t" + Field(pList->GetItemText(row, col));
            }
            text += "\n";
        }
    }
    return text;
}

namespace {

// Answers every file dialog with one path and every question with Yes, for one command.
class CAnsweringPrompts final : public afx::IPromptService {
public:
    explicit CAnsweringPrompts(std::string path) : m_Path(std::move(path)) {}
    int MessageBox(HWND, const std::string&, const std::string&, UINT style) override {
        return (style & 0x0F) == MB_YESNO ? IDYES : IDOK;
    }
    bool FileDialog(bool, HWND, const std::string&, const std::string&, DWORD,
                    std::string& chosenPath) override {
        chosenPath = m_Path;
        return !m_Path.empty();
    }
    bool ChooseProgram(const std::string&) override { return false; }
    UINT TrackPopup(const std::vector<afx::PopupItem>&, POINT, HWND) override { return 0; }

private:
    std::string m_Path;
};

} // namespace

int32_t CDocShelfPanel::RunDirCommand(uint32_t nCommand, const char* pszRow, const char* pszPath) {
    CDSDirListCtrl* pList = GetDocShelfMgr()->GetDirListCtrl();
    if (pList == nullptr) {
        return 0;
    }
    if (pszRow != nullptr) {
        int row = 0;
        while (row < pList->GetItemCount() && pList->GetItemText(row, 0) != pszRow) {
            ++row;
        }
        if (row == pList->GetItemCount()) {
            return 0;
        }
        pList->SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    CDocShelfFileList* pTransfers = GetDocShelfMgr()->GetView() != nullptr
                                        ? GetDocShelfMgr()->GetView()->GetFileList()
                                        : nullptr;
    m_nCommandFirst = pTransfers != nullptr ? pTransfers->AddedCount() : 0;
    CAnsweringPrompts answers(pszPath != nullptr ? pszPath : "");
    afx::IPromptService* previous = afx::InstalledPromptService();
    afx::SetPromptService(&answers);
    const bool bKnown = pList->RunCommand(nCommand);
    afx::SetPromptService(previous);
    m_nCommandEnd = pTransfers != nullptr ? pTransfers->AddedCount() : 0;
    return bKnown ? 1 : 0;
}

int32_t CDocShelfPanel::GetLastListResult() {
    return static_cast<int32_t>(GetWebDavMgr()->GetLastListResult());
}

int32_t CDocShelfPanel::GetCommandResult() {
    CDocShelfView* pView = GetDocShelfMgr()->GetView();
    CDocShelfFileList* pTransfers = pView != nullptr ? pView->GetFileList() : nullptr;
    if (pTransfers == nullptr || m_nCommandEnd <= m_nCommandFirst ||
        m_nCommandEnd > pTransfers->AddedCount()) {
        return DS_COMMAND_STARTED_NONE;
    }
    int32_t result = DS_RESULT_SUCCESS;
    for (size_t n = m_nCommandFirst; n < m_nCommandEnd; ++n) {
        const TransferItem* pItem = pTransfers->FindTask(pTransfers->AddedTask(n));
        if (pItem == nullptr) {
            continue;
        }
        if (pItem->nState != TransferItem::kUploadEnded &&
            pItem->nState != TransferItem::kDownloadEnded) {
            return DS_COMMAND_RUNNING;
        }
        if (result == DS_RESULT_SUCCESS && pItem->bFailed) {
            result = static_cast<int32_t>(pItem->dwResult);
        }
    }
    return result;
}

uint32_t CDocShelfPanel::GetPanelText(char* pBuffer, uint32_t dwSize) {
    const std::string text = PanelText();
    CopyToBuffer(text, pBuffer, dwSize);
    return static_cast<uint32_t>(text.size());
}

CDocShelfPanel* GetDocShelfPanel() {
    static CDocShelfPanel s_panel;
    return &s_panel;
}
