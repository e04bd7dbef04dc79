// SPDX-License-Identifier: Apache-2.0
// The engine's port for tests: the component's own port underneath, with network limits the
// test chooses and every result the engine posts shown to the test first.
#pragma once

#include <functional>

#include "EnginePort.h"

class CTestEnginePort final : public IEnginePort {
public:
    // Sees each result on the posting thread, before the view; it must not keep the record.
    using Observer = std::function<void(IDataRecord*)>;

    // Puts itself in the engine's place of the port; the component's port comes back when it
    // goes.
    CTestEnginePort();
    ~CTestEnginePort();
    CTestEnginePort(const CTestEnginePort&) = delete;
    CTestEnginePort& operator=(const CTestEnginePort&) = delete;

    // Set before the engine runs, or between its requests.
    NetworkLimits& Limits() { return m_Limits; }
    void SetObserver(Observer observer) { m_Observer = std::move(observer); }

    IDataRecord* CreateDataRecord() override { return m_pBelow->CreateDataRecord(); }
    void PostToView(IDataRecord* pData) override;
    IDocShelfContainerItf* GetHostContainer() override { return m_pBelow->GetHostContainer(); }
    NetworkLimits GetNetworkLimits() const override { return m_Limits; }
    std::string GetLocalDirectory() const override { return m_pBelow->GetLocalDirectory(); }
    std::string GetAuthorName() const override { return m_pBelow->GetAuthorName(); }
    int CanUpload() const override { return m_pBelow->CanUpload(); }
    int CanList() const override { return m_pBelow->CanList(); }
    uint16_t GetUserRole() const override { return m_pBelow->GetUserRole(); }
    int IsLocalCleanupDone() const override { return m_pBelow->IsLocalCleanupDone(); }
    void SetLocalCleanupDone() override { m_pBelow->SetLocalCleanupDone(); }
    void OnServerAvailable(bool bAvailable) override { m_pBelow->OnServerAvailable(bAvailable); }
    void EnableDirList(bool bEnable) override { m_pBelow->EnableDirList(bEnable); }
    void InvalidateDirList() override { m_pBelow->InvalidateDirList(); }
    void RemoveActiveTransfer() override { m_pBelow->RemoveActiveTransfer(); }

private:
    IEnginePort* m_pBelow;
    NetworkLimits m_Limits;
    Observer m_Observer;
};
