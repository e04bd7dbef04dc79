// SPDX-License-Identifier: Apache-2.0
// Control of the transfers a host started: obtained by the name "IDocShelfTransfers" from the
// component's interface manager.
#pragma once

#include <cstdint>

class IDocShelfTransfersItf {
public:
    // The task id of the transfer that the latest UploadFile or DownloadFile call of
    // IDocShelfItf started; 0 when that call started none. User-interface thread.
    virtual uint32_t GetLastTaskId() = 0;
    // Cancels a waiting or running transfer, the panel's own included: it stops within about a
    // second, leaves no temporary file on either side and no change to an existing target, and
    // ends with DS_RESULT_CANCELLED through the usual callbacks. 1 when the transfer was found
    // waiting or running, 0 otherwise.
    virtual int32_t CancelTransfer(uint32_t dwTaskId) = 0;

protected:
    ~IDocShelfTransfersItf() = default;
};
