// SPDX-License-Identifier: Apache-2.0
#include "EnginePort.h"

#include <atomic>

namespace {

std::atomic<IEnginePort*> s_pPort{nullptr};

} // namespace

void SetEnginePort(IEnginePort* pPort) {
    s_pPort = pPort;
}

IEnginePort* GetEnginePort() {
    return s_pPort.load();
}
