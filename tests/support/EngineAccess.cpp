// SPDX-License-Identifier: Apache-2.0
// Reaches engine operations that only the panel's own commands call.
#include "WebDavMgr.h"

void DeleteThroughEngine(const char* path) {
    GetWebDavMgr()->DeleteFile(path, 0);
}
