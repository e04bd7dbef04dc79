// SPDX-License-Identifier: Apache-2.0
// One component, loaded as a host would, against a server of the test's own, with a
// recording host and a local save directory of its own.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "DavServer.h"
#include "DocShelf.h"
#include "RecordingHost.h"
#include "TestEnginePort.h"

class QWidget;
class IDataRecord;

// A copy of one record handed to the view, taken on the posting thread.
struct ObservedRecord {
    uint32_t method = 0;
    uint32_t subMethod = 0;
    uint32_t taskId = 0;
    uint32_t errorCode = 0;
    uint32_t totalSize = 0; // size in bytes of "TotalLength"
    int64_t total = 0;
    int64_t progress = 0;
    std::string fileName;
    std::string fullPath;
    uint64_t fileLength = 0;
    uint32_t bDir = 0;
    std::string message; // the text behind "pMessage"
    bool hasMessage = false;
};

class ComponentFixture : public ::testing::Test {
protected:
    static constexpr uint32_t kAllRights = 0xF;
    static constexpr int kWaitMs = 90000; // a safety net for loaded machines, not a speed check

    ComponentFixture();
    ~ComponentFixture() override;

    // The authentication the server asks for; tests may override before SetUp.
    std::string m_auth = "digest";
    std::string m_password = "secret";
    // Called with the interface manager before the component is initialised.
    std::function<void(IMXCCItfMgr*)> m_beforeInit;

    void SetUp() override;
    void TearDown() override;

    // Starts the server (unless told not to) and the component up to the first server state.
    bool StartServer();
    void StartComponent(int port, uint32_t rights = kAllRights, uint16_t role = 0);
    // Queues and waits.
    bool WaitForCall(const std::string& name, std::function<bool(const RecordedCall&)> pred = {},
                     int timeoutMs = kWaitMs);
    std::vector<RecordedCall> CallsNamed(const std::string& name) const;
    // Runs the event loop until the condition holds or the time is up.
    bool PumpUntil(const std::function<bool()>& cond, int timeoutMs = kWaitMs);
    void Pump(int ms);
    // Pumps until the engine has had no queued work or transfer for a few polls in a row.
    bool WaitIdle();

    std::string LocalPath(const std::string& name) const { return m_localDir + name; }
    void WriteLocal(const std::string& name, const std::string& content) const;
    std::string ReadLocal(const std::string& name) const;
    bool LocalExists(const std::string& name) const;

    // Host-started transfers, waited for; the result code reported to the host.
    int Upload(const std::string& localName, const std::string& serverPath, int userData = 7,
               int timeoutMs = kWaitMs);
    int Download(const std::string& serverPath, const std::string& localName, int userData = 8);

    std::vector<ObservedRecord> Observed() const;
    // Requests in the server's access log, read once the log has stopped growing (Apache
    // writes a line just after the answer went out).
    int Requests(const std::string& method, int status = 0);
    void ReleaseComponent();

    std::unique_ptr<CDavServer> m_server;
    CRecordingHost m_host;
    // The engine's port for the test's life: its network limits, and every posted record seen.
    CTestEnginePort m_port;
    IMXCCItfMgr* m_pItfMgr = nullptr;
    IDocShelfItf* m_pShelf = nullptr;
    std::unique_ptr<QWidget> m_window;
    std::string m_baseDir;
    std::string m_localDir;

private:
    static void Observe(void* pContext, IDataRecord* pData);
    mutable std::mutex m_observedLock;
    std::vector<ObservedRecord> m_observed;
    bool m_released = false;
};

// Content with every byte value, so an encoding fault shows.
std::string TestBytes(size_t size, unsigned seed = 1);

// While it lives, writes beyond `bytes` in any file of the process fail with EFBIG (the signal
// that would end the process is ignored): a disk that fills up.
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(uint64_t bytes);
    ~CFileSizeLimit();
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

private:
    uint64_t m_oldSoft;
};

// Engine operations that only the panel's own commands call (EngineAccess.cpp).
void DeleteThroughEngine(const char* path);
