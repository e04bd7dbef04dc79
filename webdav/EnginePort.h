// SPDX-License-Identifier: Apache-2.0
// The one way the engine reaches the rest of the component: what it needs of the settings, of
// the host and of the panel. The component's manager implements it; the engine never names the
// manager, the lists or the view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "IDocShelfContainerItf.h"

class IDataRecord;

// How long the engine waits for a server; the defaults are the component's own.
struct NetworkLimits {
    int connectSeconds = 10;
    int readSeconds = 25; // one read of an answer
    // However a server trickles: a listing's whole answer, and any other folder request's.
    int listingSeconds = 60;
    // A transfer that moves fewer than stallBytes in stallSeconds ends as a lost connection.
    int stallSeconds = 60;
    size_t stallBytes = 1024;
    // A session kept between requests is closed after this long unused.
    int idleSeconds = 30;
};

class IEnginePort {
public:
    // A record of the component's factory for results to the panel, or null.
    virtual IDataRecord* CreateDataRecord() = 0;
    // Any thread: hands a result to the user-interface thread, which releases it after
    // handling (or here, when there is no panel).
    virtual void PostToView(IDataRecord* pData) = 0;
    // The host's callback interface, or null (none set, or the component was released).
    virtual IDocShelfContainerItf* GetHostContainer() = 0;

    // Settings; any thread.
    virtual NetworkLimits GetNetworkLimits() const = 0;
    virtual std::string GetLocalDirectory() const = 0;
    virtual std::string GetAuthorName() const = 0;
    virtual int CanUpload() const = 0;
    virtual int CanList() const = 0;
    virtual uint16_t GetUserRole() const = 0;
    // The one-time clean-up of the save directory, once per component's life.
    virtual int IsLocalCleanupDone() const = 0;
    virtual void SetLocalCleanupDone() = 0;

    // Any thread: the panel's directory list after a server check, disabled while its rows are
    // rebuilt, drawn again.
    virtual void OnServerAvailable(bool bAvailable) = 0;
    virtual void EnableDirList(bool bEnable) = 0;
    virtual void InvalidateDirList() = 0;
    // Any thread: a transfer the panel counted as running has ended.
    virtual void RemoveActiveTransfer() = 0;

protected:
    ~IEnginePort() = default;
};

// The port the engine uses; set once by the component's manager before the engine runs.
void SetEnginePort(IEnginePort* pPort);
IEnginePort* GetEnginePort();
