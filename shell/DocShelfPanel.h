// SPDX-License-Identifier: Apache-2.0
// The component's answer to "IDocShelfPanel": the panel's texts and whether work is pending.
#pragma once

#include <string>

#include "IDocShelfPanelItf.h"

class CDocShelfPanel final : public IDocShelfPanelItf {
public:
    int32_t IsBusy() override;
    uint32_t GetPanelText(char* pBuffer, uint32_t dwSize) override;
    int32_t RunDirCommand(uint32_t nCommand, const char* pszRow, const char* pszPath) override;
    int32_t GetLastListResult() override;
    int32_t GetCommandResult() override;

    // The lines of GetPanelText.
    static std::string PanelText();

private:
    // The transfers the last command added: [m_nCommandFirst, m_nCommandEnd) of the transfer
    // list's additions.
    size_t m_nCommandFirst = 0;
    size_t m_nCommandEnd = 0;
};

CDocShelfPanel* GetDocShelfPanel();
