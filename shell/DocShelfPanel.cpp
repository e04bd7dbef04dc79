#include "DocShelfPanel.h"

#include <algorithm>
#include <cstring>

#include "DSDirListCtrl.h"
#include "DocShelfMgr.h"
#include "DocShelfView.h"
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
    return text;
}

uint32_t CDocShelfPanel::GetPanelText(char* pBuffer, uint32_t dwSize) {
    const std::string text = PanelText();
    if (pBuffer != nullptr && dwSize > 0) {
        const size_t n = std::min<size_t>(text.size(), dwSize - 1);
        std::memcpy(pBuffer, text.data(), n);
        pBuffer[n] = '\0';
    }
    return static_cast<uint32_t>(text.size());
}

CDocShelfPanel* GetDocShelfPanel() {
    static CDocShelfPanel s_panel;
    return &s_panel;
}
