// SPDX-License-Identifier: Apache-2.0
#include "ComponentFixture.h"

#include <csignal>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "CoreLib.h"
#include "RecordUtil.h"
#include "ResultPost.h"
#include "WebDavMgr.h"

namespace fs = std::filesystem;

std::string TestBytes(size_t size, unsigned seed) {
    std::string s(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        s[i] = static_cast<char>((x >> 16) & 0xFF);
    }
    return s;
}

ComponentFixture::ComponentFixture() = default;

ComponentFixture::~ComponentFixture() = default;

void ComponentFixture::SetUp() {
    char templ[] = "/tmp/docshelf-it-XXXXXX";
    ASSERT_NE(::mkdtemp(templ), nullptr);
    m_baseDir = templ;
    m_localDir = m_baseDir + "/save/";
    fs::create_directories(m_localDir);
    m_host.SetPump([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
    m_port.SetObserver([this](IDataRecord* pData) { Observe(this, pData); });
}

void ComponentFixture::TearDown() {
    ReleaseComponent();
    m_port.SetObserver(nullptr);
    if (m_server) {
        m_server->Stop();
    }
    std::error_code ec;
    fs::remove_all(m_baseDir, ec);
}

void ComponentFixture::ReleaseComponent() {
    if (m_pItfMgr != nullptr && !m_released) {
        m_released = true;
        m_pItfMgr->ReleaseComp();
        Pump(50);
        DestroyComp(m_pItfMgr);
    }
}

bool ComponentFixture::StartServer() {
    std::vector<CDavServer::User> users;
    users.push_back({"alice", "secret"});
    m_server = std::make_unique<CDavServer>(m_auth, users);
    return m_server->Start();
}

void ComponentFixture::StartComponent(int port, uint32_t rights, uint16_t role) {
    // A test may release its component and start another on the same save directory.
    m_released = false;
    ASSERT_EQ(CreateComp("Default", &m_pItfMgr), 0);
    ASSERT_NE(m_pItfMgr, nullptr);
    m_pItfMgr->SetHostItfMgr(&m_host);
    void* pItf = nullptr;
    m_pItfMgr->QueryItf("IDocShelf", &pItf);
    m_pShelf = static_cast<IDocShelfItf*>(pItf);
    ASSERT_NE(m_pShelf, nullptr);
    if (m_beforeInit) {
        m_beforeInit(m_pItfMgr);
    }
    m_window = std::make_unique<QWidget>();
    m_window->resize(400, 300);
    m_pItfMgr->InitComp(reinterpret_cast<HWND>(m_window.get()), 0);
    m_pShelf->SetLocalDirectory(m_localDir.c_str());
    m_pShelf->SetUserAuth("alice", m_password.c_str());
    m_pShelf->SetRights(rights);
    m_pShelf->SetAuthorName("Alice Example");
    m_pShelf->SetUserRole(role);
    m_pShelf->DSInit("127.0.0.1", port, CDavServer::Root());
    ASSERT_TRUE(WaitForCall("OnServerState"));
}

bool ComponentFixture::WaitForCall(const std::string& name,
                                   std::function<bool(const RecordedCall&)> pred, int timeoutMs) {
    return m_host.WaitForCall(name, timeoutMs, std::move(pred));
}

std::vector<RecordedCall> ComponentFixture::CallsNamed(const std::string& name) const {
    std::vector<RecordedCall> out;
    for (const RecordedCall& c : m_host.Calls()) {
        if (c.name == name) {
            out.push_back(c);
        }
    }
    return out;
}

bool ComponentFixture::PumpUntil(const std::function<bool()>& cond, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool ComponentFixture::WaitIdle() {
    int idle = 0;
    return PumpUntil([&] {
        idle = GetWebDavMgr()->IsBusy() ? 0 : idle + 1;
        return idle >= 3;
    });
}

void ComponentFixture::Pump(int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void ComponentFixture::WriteLocal(const std::string& name, const std::string& content) const {
    fs::path p = LocalPath(name);
    fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string ComponentFixture::ReadLocal(const std::string& name) const {
    std::ifstream f(LocalPath(name), std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

bool ComponentFixture::LocalExists(const std::string& name) const {
    return fs::exists(LocalPath(name));
}

int ComponentFixture::Upload(const std::string& localName, const std::string& serverPath,
                             int userData, int timeoutMs) {
    std::string local = LocalPath(localName);
    std::string ud = std::to_string(userData);
    m_pShelf->UploadFile(local.c_str(), serverPath.c_str(), 2, userData);
    bool done = WaitForCall(
        "OnFileUploaded",
        [&](const RecordedCall& c) {
            return c.args.size() == 4 && c.args[0] == local && c.args[2] == ud;
        },
        timeoutMs);
    if (!done) {
        return -1;
    }
    for (const RecordedCall& c : CallsNamed("OnFileUploaded")) {
        if (c.args[0] == local && c.args[2] == ud) {
            return std::atoi(c.args[3].c_str());
        }
    }
    return -1;
}

int ComponentFixture::Download(const std::string& serverPath, const std::string& localName,
                               int userData) {
    std::string local = LocalPath(localName);
    std::string ud = std::to_string(userData);
    m_pShelf->DownloadFile(local.c_str(), serverPath.c_str(), 3, userData);
    bool done = WaitForCall("OnFileDownloaded", [&](const RecordedCall& c) {
        return c.args.size() == 4 && c.args[0] == local && c.args[2] == ud;
    });
    if (!done) {
        return -1;
    }
    for (const RecordedCall& c : CallsNamed("OnFileDownloaded")) {
        if (c.args[0] == local && c.args[2] == ud) {
            return std::atoi(c.args[3].c_str());
        }
    }
    return -1;
}

void ComponentFixture::Observe(void* pContext, IDataRecord* pData) {
    auto* self = static_cast<ComponentFixture*>(pContext);
    ObservedRecord r;
    r.method = pData->GetMethod();
    rec::GetU32(pData, "SubMethod", r.subMethod);
    rec::GetU32(pData, "TaskID", r.taskId);
    rec::GetU32(pData, "ErrorCode", r.errorCode);
    r.totalSize = pData->GetDataSize("TotalLength");
    pData->GetData("TotalLength", &r.total, sizeof r.total);
    pData->GetData("CurrentProgress", &r.progress, sizeof r.progress);
    r.fileName = rec::GetStr(pData, "FileName");
    r.fullPath = rec::GetStr(pData, "FullPath");
    pData->GetData("ullFileLength", &r.fileLength, sizeof r.fileLength);
    rec::GetU32(pData, "bDir", r.bDir);
    if (auto* pMessage = rec::GetPtr<std::string>(pData, "pMessage")) {
        r.message = *pMessage;
        r.hasMessage = true;
    }
    std::lock_guard<std::mutex> lock(self->m_observedLock);
    self->m_observed.push_back(std::move(r));
}

std::vector<ObservedRecord> ComponentFixture::Observed() const {
    std::lock_guard<std::mutex> lock(m_observedLock);
    return m_observed;
}

int ComponentFixture::Requests(const std::string& method, int status) {
    size_t lines = m_server->AccessLog().size();
    auto stableSince = std::chrono::steady_clock::now();
    auto end = stableSince + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < end &&
           std::chrono::steady_clock::now() - stableSince < std::chrono::milliseconds(150)) {
        Pump(20);
        size_t now = m_server->AccessLog().size();
        if (now != lines) {
            lines = now;
            stableSince = std::chrono::steady_clock::now();
        }
    }
    return m_server->CountRequests(method, status);
}

CFileSizeLimit::CFileSizeLimit(uint64_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    m_oldSoft = limit.rlim_cur;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

CFileSizeLimit::~CFileSizeLimit() {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = m_oldSoft;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}
