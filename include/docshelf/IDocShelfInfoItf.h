// SPDX-License-Identifier: Apache-2.0
/**
 * @file IDocShelfInfoItf.h
 * @brief Which component a host loaded: obtained by the name "IDocShelfInfo" from the
 * component's interface manager. A component without it is older than version 0.1 of this
 * interface.
 */
#pragma once

#include <cstdint>

/**
 * @brief The component's version and the revision of its extension interfaces.
 *
 * Obtained by the name "IDocShelfInfo" from IMXCCItfMgr::QueryItf, as `IDocShelfInfoItf*`
 * converted to `void*`; a host checks it right after CreateComp (the host guide's "The
 * extension interfaces" shows how). One object per process, owned by the component. Any
 * thread.
 */
class IDocShelfInfoItf {
public:
    /**
     * @brief The component's version. Any thread.
     * @return the version as "MAJOR.MINOR" ("0.1"): a string of the component's own, valid
     *         while the library is loaded; never freed by the host.
     */
    virtual const char* GetVersion() = 0;
    /**
     * @brief The revision of the extension interfaces the component implements. Any thread.
     *
     * It grows by one whenever an extension interface is added or gains an operation, and
     * never goes back. A host built against these headers needs at least
     * DS_INTERFACE_REVISION.
     * @return the revision.
     */
    virtual uint32_t GetInterfaceRevision() = 0;

protected:
    /** @brief Not deleted through this interface: the object is the component's. */
    ~IDocShelfInfoItf() = default;
};

/**
 * @brief The revision these headers describe: IDocShelfPanel, IDocShelfTransport,
 * IDocShelfTransfers, IDocShelfAutoDownload and IDocShelfInfo as declared here.
 */
inline constexpr uint32_t DS_INTERFACE_REVISION = 1;
