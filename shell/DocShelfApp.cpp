// SPDX-License-Identifier: Apache-2.0
// The module's application object: start-up once when the library is loaded.

#include <dlfcn.h>

#include "DocShelfApp.h"

namespace {

HINSTANCE g_hInstance = nullptr;

struct CDocShelfApp {
    CDocShelfApp() { InitInstance(); }

    static bool InitInstance() {
        // The module handle lets the resource loaders find the library's own resources.
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&GetModuleInstance), &info) != 0) {
            g_hInstance = static_cast<HINSTANCE>(info.dli_fbase);
        }
        // Sockets need no start-up here. Start-up never fails.
        return true;
    }
};

CDocShelfApp theApp;

} // namespace

HINSTANCE GetModuleInstance() {
    return g_hInstance;
}
