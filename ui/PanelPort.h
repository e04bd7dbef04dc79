// SPDX-License-Identifier: Apache-2.0
// The one way the lists and the view reach the rest of the component: the user's rights and
// limits, the save directory, the host, questions to the user and the count of running
// transfers. The component's manager implements it; the panel never names the manager.
#pragma once

#include <cstdint>
#include <string>

#include "IDocShelfContainerItf.h"

class IPanelPort {
public:
    virtual int CanDownload() const = 0;
    virtual int CanUpload() const = 0;
    virtual int CanList() const = 0;
    virtual int CanDelete() const = 0;
    virtual uint16_t GetUserRole() const = 0;
    virtual uint64_t GetMaxUploadSize() const = 0;
    virtual uint64_t GetTotalSpace() const = 0;
    virtual int IsAutoDownload() const = 0;
    virtual std::string GetLocalDirectory() const = 0;
    // The host's callback interface, or null.
    virtual IDocShelfContainerItf* GetHostContainer() = 0;
    // A message box over the host's window: its answer (IDYES, IDOK, ...).
    virtual int ShowMessage(const char* pszText, unsigned int nStyle) = 0;
    // A transfer the panel started is running; the engine says when it ends.
    virtual void AddActiveTransfer() = 0;

protected:
    ~IPanelPort() = default;
};

// The port the panel uses; set once by the component's manager.
void SetPanelPort(IPanelPort* pPort);
IPanelPort* GetPanelPort();
