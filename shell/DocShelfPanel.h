// The component's answer to "IDocShelfPanel": the panel's texts and whether work is pending.
#pragma once

#include <string>

#include "IDocShelfPanelItf.h"

class CDocShelfPanel final : public IDocShelfPanelItf {
public:
    int32_t IsBusy() override;
    uint32_t GetPanelText(char* pBuffer, uint32_t dwSize) override;
    int32_t RunDirCommand(uint32_t nCommand, const char* pszRow, const char* pszPath) override;

    // The lines of GetPanelText.
    static std::string PanelText();
};

CDocShelfPanel* GetDocShelfPanel();
