// SPDX-License-Identifier: Apache-2.0
// Which component a host loaded: obtained by the name "IDocShelfInfo" from the component's
// interface manager. A component without it is older than version 0.1 of this interface.
#pragma once

#include <cstdint>

class IDocShelfInfoItf {
public:
    // The component's version, "MAJOR.MINOR": a string of the component's own, valid while the
    // library is loaded. Any thread.
    virtual const char* GetVersion() = 0;
    // The revision of the extension interfaces the component implements: it grows by one
    // whenever an extension interface is added or gains an operation, and never goes back. A
    // host built against these headers needs at least DS_INTERFACE_REVISION. Any thread.
    virtual uint32_t GetInterfaceRevision() = 0;

protected:
    ~IDocShelfInfoItf() = default;
};

// The revision these headers describe: IDocShelfPanel, IDocShelfTransport, IDocShelfTransfers,
// IDocShelfAutoDownload and IDocShelfInfo as declared here.
inline constexpr uint32_t DS_INTERFACE_REVISION = 1;
