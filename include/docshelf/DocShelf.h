// SPDX-License-Identifier: Apache-2.0
// Everything a host needs to load and drive the component.
#pragma once

#include "DocShelfTypes.h"
#include "IDocShelfContainerItf.h"
#include "IDocShelfItf.h"
#include "IDocShelfPanelItf.h"
#include "MXModuleItf.h"

extern "C" {
// Component names "Default" and "CCDocShelf" (any letter case) yield the interface manager.
int CreateComp(const char* pszName, IMXCCItfMgr** ppItfMgr);
int DestroyComp(IMXCCItfMgr* pItfMgr);

typedef int (*PFN_CreateComp)(const char*, IMXCCItfMgr**);
typedef int (*PFN_DestroyComp)(IMXCCItfMgr*);
}
