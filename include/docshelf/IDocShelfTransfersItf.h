// SPDX-License-Identifier: Apache-2.0
/**
 * @file IDocShelfTransfersItf.h
 * @brief Control of the transfers a host started: obtained by the name "IDocShelfTransfers"
 * from the component's interface manager.
 */
#pragma once

#include <cstdint>

/**
 * @brief Task ids of the host's transfers, and their cancel.
 *
 * Obtained by the name "IDocShelfTransfers" from IMXCCItfMgr::QueryItf, as
 * `IDocShelfTransfersItf*` converted to `void*`. One object per process, owned by the
 * component, valid from CreateComp until DestroyComp. User-interface thread.
 */
class IDocShelfTransfersItf {
public:
    /**
     * @brief The task id of the transfer that the latest IDocShelfItf::UploadFile or
     * IDocShelfItf::DownloadFile call started; read it right after that call.
     *
     * The panel's own transfers do not change it.
     * @return the id, never 0 for a transfer; 0 when that call started none (a local path
     *         that is not absolute, transfer threads stopped), before any such call and after
     *         DestroyComp.
     */
    virtual uint32_t GetLastTaskId() = 0;
    /**
     * @brief Cancels a waiting or running transfer, the panel's own included.
     *
     * The transfer stops within about a second whatever the server does, leaves no change to
     * an existing target and no temporary file locally, and ends through the usual callback
     * with DS_RESULT_CANCELLED, unless it was complete already when the cancel came (then with
     * its own result). A cancelled upload's temporary file on the server is deleted after the
     * result, within at most 5 s; a server that does not answer that request keeps it, under
     * a name listings never show.
     * @param dwTaskId the task id (GetLastTaskId).
     * @return 1 when the transfer was found waiting or running; 0 otherwise (an unknown id,
     *         or one that ended already: its callback says how).
     */
    virtual int32_t CancelTransfer(uint32_t dwTaskId) = 0;

protected:
    /** @brief Not deleted through this interface: the object is the component's. */
    ~IDocShelfTransfersItf() = default;
};
