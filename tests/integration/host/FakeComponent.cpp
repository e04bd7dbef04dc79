// SPDX-License-Identifier: Apache-2.0
// A stand-in component for the host's own tests: it writes every call it receives to the file
// named by FAKE_DOCSHELF_TRACE and answers with the container calls a real component makes,
// from the same threads. FAKE_DOCSHELF_REACHABLE=0 makes the server unreachable,
// FAKE_DOCSHELF_SILENT=upload makes uploads never finish unless cancelled, FAKE_DOCSHELF_RESULT
// sets the transfer result. FAKE_DOCSHELF_TRANSPORT=none leaves out the transport extension,
// FAKE_DOCSHELF_SECURITY=refuse refuses its settings, FAKE_DOCSHELF_FAILURE is its latest refusal.
// FAKE_DOCSHELF_TRANSFERS=none leaves out the transfers extension, whose task ids start at 101.
#include <QCoreApplication>
#include <QMetaObject>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <strings.h>
#include <thread>

#include "DocShelf.h"
#include "IDocShelfTransfersItf.h"
#include "IDocShelfTransportItf.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::mutex g_TraceLock;

void Trace(const std::string& line) {
    const char* path = std::getenv("FAKE_DOCSHELF_TRACE");
    if (!path)
        return;
    std::lock_guard<std::mutex> guard(g_TraceLock);
    std::ofstream(path, std::ios::app) << line << '\n';
}

std::string Str(const char* psz) {
    return psz ? psz : "(null)";
}

bool EnvIs(const char* name, const char* value) {
    const char* v = std::getenv(name);
    return v && std::strcmp(v, value) == 0;
}

// The directory work thread of the real component, in miniature: one item at a time.
class CFakeWorker {
public:
    template <class F> void Run(F f) {
        std::lock_guard<std::mutex> guard(m_Lock);
        if (m_Thread.joinable())
            m_Thread.join();
        m_Thread = std::thread(std::move(f));
    }
    void Stop() {
        std::lock_guard<std::mutex> guard(m_Lock);
        if (m_Thread.joinable())
            m_Thread.join();
    }

private:
    std::mutex m_Lock;
    std::thread m_Thread;
};

} // namespace

// The module base's out-of-line members live in the component.
IMXModuleItf::~IMXModuleItf() = default;
int32_t IMXModuleItf::AddRef() {
    return ++m_nRefCount;
}
int32_t IMXModuleItf::Release() {
    return --m_nRefCount;
}
void IMXModuleItf::SetItfMgr(IMXCCItfMgr* pItfMgr) {
    m_pItfMgr = pItfMgr;
}
IMXCCItfMgr* IMXModuleItf::GetItfMgr() {
    return m_pItfMgr;
}
void IMXModuleItf::CheckThread() {}

int32_t IMXCCItfMgr::SetHostItfMgr(IMXItfMgr* pHostItfMgr) {
    Trace("SetHostItfMgr");
    m_pHostItfMgr = pHostItfMgr;
    return 0;
}

int32_t IMXCCItfMgr::QueryHostItf(const char* pszName, void** ppItf) {
    return m_pHostItfMgr ? m_pHostItfMgr->QueryItf(pszName, ppItf) : 0;
}

namespace {

class CFakeDocShelf final : public IDocShelfItf {
public:
    IDocShelfContainerItf* Host() {
        void* p = nullptr;
        if (m_pItfMgr)
            m_pItfMgr->QueryHostItf("IDocShelfContainerItf", &p);
        return static_cast<IDocShelfContainerItf*>(p);
    }
    // Results the real component posts to its window arrive on the user-interface thread.
    template <class F> void OnUiThread(F f) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(f), Qt::QueuedConnection);
    }
    void CheckState() {
        bool reachable = !EnvIs("FAKE_DOCSHELF_REACHABLE", "0");
        m_Worker.Run([this, reachable] {
            if (auto* h = Host())
                h->OnServerState(reachable ? 1 : 0);
        });
    }
    int32_t Result() {
        const char* r = std::getenv("FAKE_DOCSHELF_RESULT");
        return r ? std::atoi(r) : 0;
    }

    int32_t SetParentWnd(HWND hWnd) override {
        Trace(std::string("SetParentWnd ") + (hWnd ? "window" : "(null)"));
        return 0;
    }
    int32_t Init() override {
        Trace("Init");
        return 0;
    }
    int32_t RefreshRoot() override {
        Trace("RefreshRoot");
        return 0;
    }
    void DSInit(const char* pszHost, int32_t nPort, const char* pszServerDir) override {
        Trace("DSInit " + Str(pszHost) + " " + std::to_string(nPort) + " " + Str(pszServerDir));
        CheckState();
    }
    void SetLocalDirectory(const char* pszPath) override {
        Trace("SetLocalDirectory " + Str(pszPath));
    }
    int32_t SetUserAuth(const char* pszUser, const char* pszPassword) override {
        Trace("SetUserAuth " + Str(pszUser) + " " + Str(pszPassword));
        return 0;
    }
    void SetRights(uint32_t dwRights) override { Trace("SetRights " + std::to_string(dwRights)); }
    void ClearServerSpace() override { Trace("ClearServerSpace"); }
    int32_t ClearLocalDSSpace() override {
        Trace("ClearLocalDSSpace");
        return EnvIs("FAKE_DOCSHELF_RESULT", "0") || !std::getenv("FAKE_DOCSHELF_RESULT") ? 1 : 0;
    }
    void SetSizeLimits(uint64_t ullMaxUploadSize, uint64_t ullTotalSpace) override {
        Trace("SetSizeLimits " + std::to_string(ullMaxUploadSize) + " " +
              std::to_string(ullTotalSpace));
    }
    void EnableAutoDownload() override { Trace("EnableAutoDownload"); }
    void OnBroadcastMessage(const char* pszText) override {
        Trace("OnBroadcastMessage " + Str(pszText));
        if (pszText && strcasecmp(pszText, "CHAT_FILTER_FILE_UPLOADED") == 0) {
            OnUiThread([this] {
                if (auto* h = Host())
                    h->SetChatFilterFile(std::getenv("FAKE_DOCSHELF_CHAT_FILE")
                                             ? std::getenv("FAKE_DOCSHELF_CHAT_FILE")
                                             : "");
            });
        }
    }
    void SetAuthorName(const char* pszName) override { Trace("SetAuthorName " + Str(pszName)); }
    void SetUserRole(uint16_t wRole) override { Trace("SetUserRole " + std::to_string(wRole)); }
    void EnsureDirectory(const char* pszPath) override { Trace("EnsureDirectory " + Str(pszPath)); }
    void ListDirectoryContent(const char* pszPath, int32_t nValue, int32_t nUserData) override {
        Trace("ListDirectoryContent " + Str(pszPath) + " " + std::to_string(nValue) + " " +
              std::to_string(nUserData));
        std::string path = Str(pszPath);
        m_Worker.Run([this, path, nUserData] {
            if (auto* h = Host()) {
                h->OnDirectoryEntry(path.c_str(), 0, nUserData, "a b.txt", 5000000000ULL, 0);
                h->OnDirectoryEntry(path.c_str(), 0, nUserData, "sub", 0, 1);
                h->OnDirectoryEntry(path.c_str(), 0, nUserData, nullptr, 0, 0);
            }
        });
    }
    void UploadFile(const char* pszLocalPath, const char* pszServerPath, int32_t nModuleData,
                    int32_t nUserData) override {
        Trace("UploadFile " + Str(pszLocalPath) + " " + Str(pszServerPath) + " " +
              std::to_string(nModuleData) + " " + std::to_string(nUserData));
        NewTask();
        std::string local = Str(pszLocalPath);
        if (EnvIs("FAKE_DOCSHELF_SILENT", "upload")) {
            m_Running[m_nLastTask] = {local, nModuleData, nUserData};
            return;
        }
        int32_t result = Result();
        OnUiThread([=, this] {
            if (auto* h = Host())
                h->OnFileUploaded(local.c_str(), nModuleData, nUserData, result);
        });
    }
    void DownloadFile(const char* pszLocalPath, const char* pszServerPath, int32_t nModuleData,
                      int32_t nUserData) override {
        Trace("DownloadFile " + Str(pszLocalPath) + " " + Str(pszServerPath) + " " +
              std::to_string(nModuleData) + " " + std::to_string(nUserData));
        NewTask();
        std::string local = Str(pszLocalPath);
        int32_t result = Result();
        OnUiThread([=, this] {
            if (auto* h = Host()) {
                // A stray completion for another request comes first; the host must skip it.
                h->OnFileDownloaded(local.c_str(), nModuleData, nUserData + 100, 4);
                h->OnFileDownloaded(local.c_str(), nModuleData, nUserData, result);
            }
        });
    }
    void CheckServer() override {
        Trace("CheckServer");
        CheckState();
    }
    void RunUploadCommand() override { Trace("RunUploadCommand"); }
    void RunRefreshCommand() override { Trace("RunRefreshCommand"); }
    void ClearTransferList() override { Trace("ClearTransferList"); }
    int32_t GetActiveTransferCount() override { return 0; }

    void Shutdown() { m_Worker.Stop(); }

    // The transfers extension's side; user-interface thread, like the transfer calls.
    uint32_t LastTask() const { return m_nLastTask; }
    bool Cancel(uint32_t dwTaskId) {
        auto it = m_Running.find(dwTaskId);
        if (it == m_Running.end())
            return false;
        RunningUpload up = it->second;
        m_Running.erase(it);
        OnUiThread([this, up] {
            if (auto* h = Host())
                h->OnFileUploaded(up.local.c_str(), up.nModuleData, up.nUserData,
                                  DS_RESULT_CANCELLED);
        });
        return true;
    }

private:
    struct RunningUpload {
        std::string local;
        int32_t nModuleData;
        int32_t nUserData;
    };
    void NewTask() { m_nLastTask = ++m_nTaskCount + 100; }

    CFakeWorker m_Worker;
    uint32_t m_nTaskCount = 0;
    uint32_t m_nLastTask = 0;
    // Silent uploads, by task id, until cancelled.
    std::map<uint32_t, RunningUpload> m_Running;
};

CFakeDocShelf& DocShelf() {
    static CFakeDocShelf docShelf;
    return docShelf;
}

class CFakeTransport final : public IDocShelfTransportItf {
public:
    int32_t SetServerSecurity(int32_t bHttps, const char* pszCaFile,
                              const char* pszPinSha256) override {
        Trace("SetServerSecurity " + std::to_string(bHttps) + " ca=" + Str(pszCaFile) +
              " pin=" + Str(pszPinSha256));
        return EnvIs("FAKE_DOCSHELF_SECURITY", "refuse") ? 0 : 1;
    }
    void SetRefuseBasicInClear(int32_t bRefuse) override {
        Trace("SetRefuseBasicInClear " + std::to_string(bRefuse));
    }
    int32_t GetLastTransportFailure(char* pBuffer, uint32_t dwSize) override {
        const char* text = std::getenv("FAKE_DOCSHELF_FAILURE");
        if (pBuffer != nullptr && dwSize > 0)
            std::snprintf(pBuffer, dwSize, "%s", text ? text : "");
        return text ? DS_TRANSPORT_UNTRUSTED : DS_TRANSPORT_OK;
    }
};

CFakeTransport& Transport() {
    static CFakeTransport transport;
    return transport;
}

class CFakeTransfers final : public IDocShelfTransfersItf {
public:
    uint32_t GetLastTaskId() override {
        Trace("GetLastTaskId " + std::to_string(DocShelf().LastTask()));
        return DocShelf().LastTask();
    }
    int32_t CancelTransfer(uint32_t dwTaskId) override {
        Trace("CancelTransfer " + std::to_string(dwTaskId));
        return DocShelf().Cancel(dwTaskId) ? 1 : 0;
    }
};

CFakeTransfers& Transfers() {
    static CFakeTransfers transfers;
    return transfers;
}

class CFakeItfMgr final : public IMXCCItfMgr {
public:
    int32_t QueryItf(const char* pszName, void** ppItf) override {
        Trace("QueryItf " + Str(pszName));
        if (pszName && strcasecmp(pszName, "IDocShelf") == 0) {
            *ppItf = static_cast<IDocShelfItf*>(&DocShelf());
            DocShelf().SetItfMgr(this);
        } else if (pszName && strcasecmp(pszName, "IDocShelfTransport") == 0 &&
                   !EnvIs("FAKE_DOCSHELF_TRANSPORT", "none")) {
            *ppItf = static_cast<IDocShelfTransportItf*>(&Transport());
        } else if (pszName && strcasecmp(pszName, "IDocShelfTransfers") == 0 &&
                   !EnvIs("FAKE_DOCSHELF_TRANSFERS", "none")) {
            *ppItf = static_cast<IDocShelfTransfersItf*>(&Transfers());
        }
        return 1;
    }
    int32_t InitComp(HWND hWnd, int32_t nReserved) override {
        Trace("InitComp " + std::string(hWnd ? "window" : "(null)") + " " +
              std::to_string(nReserved));
        DocShelf().SetParentWnd(hWnd);
        DocShelf().SetItfMgr(this);
        DocShelf().Init();
        DocShelf().RefreshRoot();
        return 1;
    }
    int32_t ReleaseComp() override {
        Trace("ReleaseComp");
        DocShelf().Shutdown();
        return 0;
    }
};

} // namespace

FAKE_EXPORT int CreateComp(const char* pszName, IMXCCItfMgr** ppItfMgr) {
    Trace("CreateComp " + Str(pszName));
    if (EnvIs("FAKE_DOCSHELF_TRACE_LOCALE", "1")) {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LC_CTYPE", "LANG"})
            Trace(std::string("env ") + name + "=" + Str(std::getenv(name)));
    }
    static CFakeItfMgr mgr;
    if (!pszName || (strcasecmp(pszName, "Default") != 0 && strcasecmp(pszName, "CCDocShelf") != 0))
        return -1;
    *ppItfMgr = &mgr;
    return 0;
}

FAKE_EXPORT int DestroyComp(IMXCCItfMgr* pItfMgr) {
    Trace("DestroyComp");
    pItfMgr->ReleaseComp();
    return 0;
}
