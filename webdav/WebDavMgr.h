// SPDX-License-Identifier: Apache-2.0
// The WebDAV manager: owns the server settings, turns directory requests into work items for
// the directory work thread and transfers into CoreLib tasks, and handles the results of
// kind 4 on the user-interface thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "DirThread.h"
#include "EnginePort.h"
#include "PathCodec.h"
#include "ThreadSink.h"
#include "TransportSecurity.h"

class IDataFactory;
class IDataRecord;
class ITask;
class ITaskMgr;

// The connection settings, copied together.
struct ServerSettings {
    std::string host;
    int32_t port = 0;
    std::string serverDir = "/";
    std::string userName;
    std::string password;
    NetworkLimits limits; // the port's, when the settings are read
    TransportSettings transport;

    // Whether a session made with one serves the other.
    bool SameConnection(const ServerSettings& other) const;
};

class CWebDavMgr {
public:
    CWebDavMgr();
    ~CWebDavMgr();
    CWebDavMgr(const CWebDavMgr&) = delete;
    CWebDavMgr& operator=(const CWebDavMgr&) = delete;

    void Init(const char* pszHost, int32_t nPort, const char* pszServerDir);
    int32_t SetUserAuth(const char* pszUser, const char* pszPassword);
    // False, changing nothing, when the CA file cannot be read, the pin is no fingerprint or
    // HTTPS is asked of a neon without TLS.
    bool SetServerSecurity(bool bHttps, const std::string& caFile, const std::string& pin);
    void SetRefuseBasicInClear(bool bRefuse);
    // Plain HTTP as a new component has it, and no refusal kept.
    void ResetTransport();
    // The local path is absolute; any other is refused with a log line and no task.
    ITask* UploadFile(const char* pszServerPath, const char* pszLocalPath, int32_t bStartNow,
                      int32_t nAddRefFlag);
    ITask* DownloadFile(const char* pszServerPath, const char* pszLocalPath, int32_t bStartNow,
                        int32_t nAddRefFlag);
    // The task record that carries the caller's two values back with the transfer's result;
    // the panel's own uploads carry ds::kPanelModuleData. False when no record could be made.
    bool AttachTaskRecord(ITask* pTask, int32_t nModuleData, int32_t nUserData);
    void StartTask(ITask* pTask);
    // A download the panel started by itself: it is held to the automatic downloads' rate.
    void MarkBackground(ITask* pTask);
    // Cancels a waiting or running transfer; false when there is none with this id.
    bool CancelTransfer(uint32_t taskId);
    // The presenter's chat filter file into the local directory, if there is one; with
    // bOnlyIfMissing, not when a copy is there already.
    void FetchChatFilterFile(bool bOnlyIfMissing);
    void MoveFile(const char* pszFrom, const char* pszTo, uint32_t dwUserData);
    void DeleteFile(const char* pszPath, uint32_t dwUserData);
    // One entry of the panel's folder, for its row; the whole folder when the entry is not there.
    void ListEntry(const char* pszFolder, const std::string& name, uint32_t dwUserData);
    void ListDirectory(const char* pszPath, uint32_t dwUserData, uint32_t dwDepth,
                       const char* pszUserDataName);
    // The panel's listing of its folder at the start: a folder that is not there is made, with
    // the server directory and the folder that holds it, and listed then. Folders that are there
    // cost no request of their own.
    void ListOrMakeDirectory(const char* pszPath, uint32_t dwUserData);
    void MakeDirectory(const char* pszPath, uint32_t dwUserData);
    void MakeServerDirectory(const char* pszPath);
    // The folder that holds the server directory, and the server directory itself.
    void MakeBaseFolders();
    void DeleteDirectory(const char* pszPath, uint32_t dwUserData);
    void ClearServerSpace();
    void CheckServer(uint32_t bAutoRefresh);
    int32_t IsServerAvailable() const { return m_bServerAvailable.load(); }
    void SetServerAvailable(int32_t bAvailable);
    void OnNotify(IDataRecord* pData);
    uint32_t Shutdown();

    // Settings: the host may change them while worker threads read them, so every read is a
    // copy taken under the lock.
    ServerSettings GetSettings() const;
    std::string GetServerDir() const;

    std::string MakeServerPath(std::string_view path) const {
        return ::MakeServerPath(GetServerDir(), path);
    }
    std::string ToRelativePath(std::string_view path) const {
        return ::ToRelativePath(GetServerDir(), path);
    }
    // Directory work is queued or running, or a transfer is waiting or running.
    bool IsBusy();
    // What the latest listing that ended came to (a ds::ListResult).
    uint32_t GetLastListResult() const { return m_Thread.LastListResult(); }
    // The engine is shut down: worker threads left running by a timed-out stop call nobody.
    bool IsShutDown() const { return m_bShutDown.load(); }

    // For tests: the directory work thread.
    CWDWorkThread& GetWorkThread() { return m_Thread; }

private:
    IDataRecord* MakeListing(uint32_t method, const char* pszFolder);
    IDataRecord* CreateDataRecord();
    ITask* CreateTransfer(uint32_t dwMethod, const char* pszServerPath, const char* pszLocalPath,
                          int32_t bStartNow, int32_t nAddRefFlag, const int lines[4]);
    void OnListDone(IDataRecord* pData);
    void OnDeleteDone(IDataRecord* pData);
    void OnMakeDirDone(IDataRecord* pData);
    void OnFileDownloadDone(IDataRecord* pData);
    void OnFileUploadDone(IDataRecord* pData);
    void RelistParent(IDataRecord* pData);

    mutable std::mutex m_SettingsLock;
    ServerSettings m_Settings;
    std::atomic<bool> m_bShutDown{false};
    ITaskMgr* m_pTaskMgr = nullptr;
    IDataFactory* m_pDataFactory = nullptr;
    CThreadSink m_Sink;
    CWDWorkThread m_Thread;
    std::atomic<int32_t> m_bServerAvailable{0};
    std::atomic<uint32_t> m_nChatFilterTask{0}; // the latest fetch of the chat filter file
};

// The singleton, created on first call.
CWebDavMgr* GetWebDavMgr();
