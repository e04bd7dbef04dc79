// SPDX-License-Identifier: Apache-2.0
// The component's answer to "IDocShelfTransfers": the host's transfers by task id, and their
// cancel.
#pragma once

#include "IDocShelfTransfersItf.h"

class CDocShelfTransfers final : public IDocShelfTransfersItf {
public:
    uint32_t GetLastTaskId() override;
    int32_t CancelTransfer(uint32_t dwTaskId) override;
};

CDocShelfTransfers* GetDocShelfTransfers();
