// SPDX-License-Identifier: Apache-2.0
// The smallest host of the DocShelf component: lists one server folder and ends.
//   minimal-host HOST PORT SERVERDIR USER [FOLDER]    (FOLDER defaults to Presenter/)
// or DOCSHELF_HOST, _PORT, _DIR, _USER, _FOLDER; the password is read from DOCSHELF_PASSWORD.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

#include "DocShelf.h"

#ifndef DOCSHELF_COMPONENT // the build names the installed component
#define DOCSHELF_COMPONENT "libdocshelf.so"
#endif

struct Host final : IMXItfMgr, IDocShelfContainerItf {
    IDocShelfItf* shelf = nullptr;
    IDocShelfPanelItf* panel = nullptr;
    std::string folder;
    bool asked = false;
    int32_t QueryItf(const char* name, void** itf) override { // any thread
        if (std::strcmp(name, "IDocShelfContainerItf") != 0)
            return 0;
        *itf = static_cast<IDocShelfContainerItf*>(this);
        return 1;
    }
    void OnServerState(int32_t up) override { // directory work thread: over to the UI thread
        QMetaObject::invokeMethod(qApp, [this, up] {
            if (!up) {
                std::fputs("server unavailable\n", stderr);
                qApp->exit(3);
            } else if (!asked) { // a later check says the same again
                asked = true;
                shelf->ListDirectoryContent(folder.c_str(), 0, 1);
            }
        });
    }
    void OnDirectoryEntry(const char*, int32_t, int32_t, const char* name, uint64_t size,
                          int32_t isFolder) override { // directory work thread
        if (name) {                                    // the texts live only during the call
            std::printf("%s%s\t%llu\n", name, isFolder ? "/" : "", (unsigned long long)size);
            return;
        }
        const int32_t result = panel ? panel->GetLastListResult() : DS_LIST_OK; // read it now
        if (result != DS_LIST_OK)
            std::fprintf(stderr, "listing failed: %d\n", result);
        QMetaObject::invokeMethod(qApp, [result] { qApp->exit(result ? 1 : 0); });
    }
    void BroadcastMessage(const char*) override {} // UI thread; a listing brings none of these
    void NotifyPresenterFiles(int32_t) override {}
    void SetChatFilterFile(const char*) override {}
    void OnFileUploaded(const char*, int32_t, int32_t, int32_t) override {}
    void OnFileDownloaded(const char*, int32_t, int32_t, int32_t) override {}
};

int main(int argc, char** argv) {
    auto arg = [&](int i, const char* env) { return i < argc ? argv[i] : std::getenv(env); };
    const char *server = arg(1, "DOCSHELF_HOST"), *port = arg(2, "DOCSHELF_PORT"),
               *dir = arg(3, "DOCSHELF_DIR"), *user = arg(4, "DOCSHELF_USER"),
               *folder = arg(5, "DOCSHELF_FOLDER"), *password = std::getenv("DOCSHELF_PASSWORD");
    if (!server || !port || !dir || !user || !password)
        return std::fputs("usage: minimal-host HOST PORT SERVERDIR USER [FOLDER]\n", stderr), 2;
    setenv("QT_QPA_PLATFORM", "offscreen", 0); // the panel's window is never shown
    QApplication app(argc, argv);
    QWidget window;
    void* lib = dlopen(DOCSHELF_COMPONENT, RTLD_NOW | RTLD_LOCAL);
    auto create = lib ? reinterpret_cast<PFN_CreateComp>(dlsym(lib, "CreateComp")) : nullptr;
    auto destroy = lib ? reinterpret_cast<PFN_DestroyComp>(dlsym(lib, "DestroyComp")) : nullptr;
    IMXCCItfMgr* mgr = nullptr;
    if (!create || !destroy || create("Default", &mgr) != 0)
        return std::fprintf(stderr, "cannot load %s: %s\n", DOCSHELF_COMPONENT, dlerror()), 1;
    Host host;
    host.folder = folder ? folder : "Presenter/";
    mgr->SetHostItfMgr(&host);
    mgr->QueryItf("IDocShelf", reinterpret_cast<void**>(&host.shelf)); // untouched if unknown
    mgr->QueryItf("IDocShelfPanel", reinterpret_cast<void**>(&host.panel));
    if (!host.shelf)
        return std::fputs("no IDocShelf\n", stderr), 1;
    mgr->InitComp(reinterpret_cast<HWND>(&window), 0);
    char local[] = "/tmp/minimal-host-XXXXXX"; // the save directory is the host's to make
    host.shelf->SetLocalDirectory(mkdtemp(local));
    host.shelf->SetUserAuth(user, password);
    host.shelf->SetRights(DS_RIGHT_LIST);             // a listing without the list right is dropped
    host.shelf->DSInit(server, std::atoi(port), dir); // checks the server: OnServerState
    QTimer::singleShot(90000, &app, [] { qApp->exit(1); }); // a listing ends within 60 s
    const int status = app.exec();
    host.shelf->ClearLocalDSSpace(); // removes the save directory
    destroy(mgr);
    std::fflush(stdout);
    _exit(status); // the component's singletons outlive DestroyComp: no static teardown
}
