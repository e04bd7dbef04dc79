// SPDX-License-Identifier: Apache-2.0
#include "PanelTransfer.h"

#include "CoreLib.h"
#include "DSProtocol.h"
#include "DocShelfFileList.h"
#include "PanelPort.h"
#include "WebDavMgr.h"

uint32_t StartPanelTransfer(CDocShelfFileList* pRows, const PanelTransfer& t) {
    CWebDavMgr* pWebDav = GetWebDavMgr();
    const int32_t nCounted = t.bCounted ? 1 : 0;
    ITask* pTask = t.bUpload
                       ? pWebDav->UploadFile(t.remote.c_str(), t.local.c_str(), 0, nCounted)
                       : pWebDav->DownloadFile(t.remote.c_str(), t.local.c_str(), 0, nCounted);
    if (pTask == nullptr) {
        return 0;
    }
    const uint32_t taskId = pTask->GetTaskID();
    if (t.bBackground) {
        pWebDav->MarkBackground(pTask);
    }
    if (t.bUpload) {
        // The panel's own upload: once it is in place the folder is listed again and the
        // meeting hears of it.
        pWebDav->AttachTaskRecord(pTask, ds::kPanelModuleData, 0);
    }
    if (pRows != nullptr) {
        pRows->AddTransfer(taskId, t.local, t.remote, t.ullSize, t.bUpload, t.bSizeKnown);
    }
    if (t.bCounted) {
        GetPanelPort()->AddActiveTransfer();
    }
    pWebDav->StartTask(pTask);
    return taskId;
}
