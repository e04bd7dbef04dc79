// SPDX-License-Identifier: Apache-2.0
// The one place a transfer of the panel is started: its task, its row in the transfer list, the
// count of running transfers, then the start.
#pragma once

#include <cstdint>
#include <string>

class CDocShelfFileList;

struct PanelTransfer {
    bool bUpload = false;
    std::string remote; // relative to the server directory
    std::string local;
    uint64_t ullSize = 0; // shown in its row
    // Counted among the running transfers until it ends (the user's own transfers; automatic
    // downloads are not).
    bool bCounted = true;
    bool bSizeKnown = true; // a listing may not have given it
    // Started by the panel by itself: held to the automatic downloads' rate.
    bool bBackground = false;
};

// pRows may be null: the transfer then runs without a row. The task's id, 0 when no task could
// be made.
uint32_t StartPanelTransfer(CDocShelfFileList* pRows, const PanelTransfer& transfer);
