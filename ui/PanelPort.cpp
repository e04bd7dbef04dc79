// SPDX-License-Identifier: Apache-2.0
#include "PanelPort.h"

#include <atomic>

namespace {

std::atomic<IPanelPort*> s_pPort{nullptr};

} // namespace

void SetPanelPort(IPanelPort* pPort) {
    s_pPort = pPort;
}

IPanelPort* GetPanelPort() {
    return s_pPort.load();
}
