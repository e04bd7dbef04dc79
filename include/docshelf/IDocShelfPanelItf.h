// What the panel shows, for hosts that test or script it; obtained by the name
// "IDocShelfPanel" from the component's interface manager.
#pragma once

#include <cstdint>

class IDocShelfPanelItf {
public:
    // Nonzero while directory work is queued or running or a transfer is waiting or running.
    virtual int32_t IsBusy() = 0;
    // The panel as a person sees it, one line per item, fields separated by tabs, in the
    // system code page: "Caption" and the directory caption, then "DirRow", name, uploader
    // and size text for each row in the list's order. Copies at most dwSize - 1 bytes and a
    // terminating zero; returns the full length.
    virtual uint32_t GetPanelText(char* pBuffer, uint32_t dwSize) = 0;

protected:
    ~IDocShelfPanelItf() = default;
};
