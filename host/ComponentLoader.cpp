// SPDX-License-Identifier: Apache-2.0
#include "ComponentLoader.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace {

constexpr const char* kLibraryName = "libdocshelf.so";

} // namespace

std::string CComponentLoader::DefaultPath() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0)
        return kLibraryName;
    std::string exe(buf, static_cast<size_t>(n));
    const std::string dir = exe.substr(0, exe.rfind('/') + 1);
    for (const std::string& path :
         {dir + kLibraryName, dir + DOCSHELF_COMPONENT_RELDIR + "/" + kLibraryName}) {
        if (access(path.c_str(), R_OK) == 0)
            return path;
    }
    return kLibraryName;
}

bool CComponentLoader::Load(const std::string& path, std::string& error) {
    // RTLD_LOCAL keeps the component's symbols out of the host's namespace.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        error = why ? why : ("cannot load " + path);
        return false;
    }
    auto create = reinterpret_cast<PFN_CreateComp>(dlsym(handle, "CreateComp"));
    auto destroy = reinterpret_cast<PFN_DestroyComp>(dlsym(handle, "DestroyComp"));
    if (!create || !destroy) {
        error = path + " does not export CreateComp and DestroyComp";
        dlclose(handle);
        return false;
    }
    m_hLibrary = handle;
    m_pfnCreate = create;
    m_pfnDestroy = destroy;
    return true;
}

bool CComponentLoader::SetLogSink(void (*pfnSink)(void*, int32_t, int32_t, const char*),
                                  void* pContext, int32_t nMinLevel) {
    if (!m_hLibrary)
        return false;
    // Looked up through the component's handle: the utility library is one of its
    // dependencies, so the host needs no link to it either.
    using PFN_SetSink = void (*)(void (*)(void*, int32_t, int32_t, const char*), void*, int32_t);
    auto setSink = reinterpret_cast<PFN_SetSink>(dlsym(m_hLibrary, "CoreLibSetLogSink"));
    if (!setSink)
        return false;
    setSink(pfnSink, pContext, nMinLevel);
    return true;
}

int CComponentLoader::CreateComp(const char* pszName, IMXCCItfMgr** ppItfMgr) const {
    return m_pfnCreate ? m_pfnCreate(pszName, ppItfMgr) : -1;
}

int CComponentLoader::DestroyComp(IMXCCItfMgr* pItfMgr) const {
    return m_pfnDestroy ? m_pfnDestroy(pItfMgr) : -1;
}
