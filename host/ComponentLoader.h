// SPDX-License-Identifier: Apache-2.0
// Loads the component library at run time and resolves its two entry points; the host links
// nothing of the component.
#pragma once

#include <string>

#include "DocShelf.h"

class CComponentLoader {
public:
    CComponentLoader() = default;
    CComponentLoader(const CComponentLoader&) = delete;
    CComponentLoader& operator=(const CComponentLoader&) = delete;

    // The library next to the running executable (a build tree), else in an install's
    // component folder (DOCSHELF_COMPONENT_RELDIR, relative to the executable's folder), else
    // the bare name, for dlopen to find on the library path.
    static std::string DefaultPath();

    bool Load(const std::string& path, std::string& error);
    // Sends the log of the utility library the component uses to pfnSink (when it exports
    // the hook). Returns false when it does not.
    bool SetLogSink(void (*pfnSink)(void*, int32_t, int32_t, const char*), void* pContext,
                    int32_t nMinLevel);

    int CreateComp(const char* pszName, IMXCCItfMgr** ppItfMgr) const;
    int DestroyComp(IMXCCItfMgr* pItfMgr) const;

private:
    void* m_hLibrary = nullptr;
    PFN_CreateComp m_pfnCreate = nullptr;
    PFN_DestroyComp m_pfnDestroy = nullptr;
};
