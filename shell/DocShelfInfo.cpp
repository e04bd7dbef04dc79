// SPDX-License-Identifier: Apache-2.0
#include "DocShelfInfo.h"

const char* CDocShelfInfo::GetVersion() {
    return DOCSHELF_VERSION;
}

uint32_t CDocShelfInfo::GetInterfaceRevision() {
    return DS_INTERFACE_REVISION;
}

CDocShelfInfo* GetDocShelfInfo() {
    static CDocShelfInfo s_info;
    return &s_info;
}
