// SPDX-License-Identifier: Apache-2.0
#include "TestEnginePort.h"

CTestEnginePort::CTestEnginePort() : m_pBelow(GetEnginePort()) {
    SetEnginePort(this);
}

CTestEnginePort::~CTestEnginePort() {
    SetEnginePort(m_pBelow);
}

void CTestEnginePort::PostToView(IDataRecord* pData) {
    if (m_Observer) {
        m_Observer(pData);
    }
    m_pBelow->PostToView(pData);
}
