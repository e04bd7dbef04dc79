// SPDX-License-Identifier: Apache-2.0
// The component's answer to "IDocShelfInfo": its version and interface revision.
#pragma once

#include "IDocShelfInfoItf.h"

class CDocShelfInfo final : public IDocShelfInfoItf {
public:
    const char* GetVersion() override;
    uint32_t GetInterfaceRevision() override;
};

CDocShelfInfo* GetDocShelfInfo();
