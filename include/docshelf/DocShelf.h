// SPDX-License-Identifier: Apache-2.0
/**
 * @file DocShelf.h
 * @brief Everything a host needs to load and drive the component: its two entry points and the
 * main interfaces.
 *
 * A host loads `libdocshelf.so` with `dlopen(path, RTLD_NOW | RTLD_LOCAL)`, looks up CreateComp
 * and DestroyComp with `dlsym` (as PFN_CreateComp and PFN_DestroyComp) and never links the
 * library. The extension interfaces (IDocShelfTransportItf.h, IDocShelfTransfersItf.h,
 * IDocShelfAutoDownloadItf.h, IDocShelfInfoItf.h) and CoreLib.h are included by name. The host
 * guide's "Start-up" and "Shutdown" give the whole order of calls.
 */
#pragma once

#include "DocShelfTypes.h"
#include "IDocShelfContainerItf.h"
#include "IDocShelfItf.h"
#include "IDocShelfPanelItf.h"
#include "MXModuleItf.h"

extern "C" {
/**
 * @brief Hands out the component's interface manager.
 *
 * The manager is one object per process, owned by the component: every call gives the same
 * pointer, also after DestroyComp, and the host then gives every step from
 * IMXCCItfMgr::SetHostItfMgr on again. Never delete it. User-interface thread; the
 * QApplication exists before the first call.
 * @param pszName "Default" or "CCDocShelf", in any letter case.
 * @param ppItfMgr receives the manager; unchanged when the call fails.
 * @return 0 with `*ppItfMgr` set; -1 for another name or a null argument.
 */
int CreateComp(const char* pszName, IMXCCItfMgr** ppItfMgr);
/**
 * @brief Shuts the component down: IMXCCItfMgr::ReleaseComp on the manager.
 *
 * Runs the directory work queued before it (up to 5 s; that work may still call
 * IDocShelfContainerItf::OnDirectoryEntry meanwhile), cancels every transfer, stops the
 * transfer threads, forgets the settings and destroys the panel. From its return no callback
 * reaches the host; events the host queued from earlier callbacks may still reach its event
 * loop and must not call the component. Call it on the user-interface thread while the host's
 * widget and the QApplication exist; then destroy the widget and end the process without
 * `dlclose` (the host guide's "Shutdown").
 * @param pItfMgr the manager CreateComp gave; null does nothing.
 * @return 0 always (ReleaseComp's result is not passed on).
 */
int DestroyComp(IMXCCItfMgr* pItfMgr);

/** @brief The type of CreateComp, for `dlsym`. */
typedef int (*PFN_CreateComp)(const char*, IMXCCItfMgr**);
/** @brief The type of DestroyComp, for `dlsym`. */
typedef int (*PFN_DestroyComp)(IMXCCItfMgr*);
}
